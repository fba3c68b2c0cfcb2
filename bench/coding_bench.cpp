// Base64 of random bytes, 64 MB (bound by memory bandwidth on most machines) and 1 MB (held in
// the caches, which shows the coders' own speed): ContentCoding's encoder and strict decoder
// against OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock on the same bytes, in the same run. Both sides
// write into output storage that they keep from one iteration to the next (our StringBuffer
// and DataBuffer are cleared, not freed), so neither pays for fresh pages. The quoted-printable
// and hex coders are measured alone. At exit our throughput over OpenSSL's, on processor time
// (which a loaded machine does not distort as it does wall time), is printed to stderr.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "coding/content_coding.h"
#include "text/data_buffer.h"
#include "text/string_buffer.h"

#ifdef VK_BENCH_HAVE_OPENSSL
#include <openssl/evp.h>
#endif

namespace {

using namespace vk;

constexpr std::uint32_t kInputBytes = 64u << 20;

const std::vector<std::uint8_t>& randomBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> b(kInputBytes);
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    for (auto& x : b) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      x = static_cast<std::uint8_t>(state >> 56);
    }
    return b;
  }();
  return bytes;
}

// The sizes measured, as benchmark arguments; a case is named by its size in MB.
constexpr std::int64_t kLarge = kInputBytes;
constexpr std::int64_t kSmall = 1 << 20;

std::string caseName(const char* what, std::size_t bytes) {
  return std::string(what) + " " + std::to_string(bytes >> 20) + "M";
}

// The text of the first `bytes` random bytes.
const std::string& encodedText(std::size_t bytes) {
  static std::map<std::size_t, std::string> texts;
  std::string& text = texts[bytes];
  if (text.empty()) {
    StringBuffer out;
    ContentCoding().encodeBase64(randomBytes().data(), static_cast<std::uint32_t>(bytes), out);
    text.assign(out.text(), static_cast<std::size_t>(out.length()));
  }
  return text;
}

struct Summary {
  std::map<std::string, std::map<std::string, double>> rates;  // case -> contender -> bytes/s
  ~Summary() {
    if (rates.empty()) return;
    std::fprintf(stderr, "\n%-12s %12s %12s %10s\n", "case", "vk MB/s", "openssl MB/s", "vk/openssl");
    for (const auto& [name, by] : rates) {
      auto get = [&](const char* who) {
        auto it = by.find(who);
        return it == by.end() ? 0.0 : it->second;
      };
      double vk = get("vk"), peer = get("openssl");
      std::fprintf(stderr, "%-12s %12.1f %12.1f %10.2f\n", name.c_str(), vk / 1e6, peer / 1e6,
                   peer > 0 ? vk / peer : 0.0);
    }
  }
};

Summary& summary() {
  static Summary s;
  return s;
}

template <typename Body>
void measure(benchmark::State& state, const std::string& name, const char* who, std::size_t bytes,
             Body body) {
  body();  // warm the output storage
  std::clock_t start = std::clock();
  for (auto _ : state) body();
  double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
  if (seconds > 0) summary().rates[name][who] = static_cast<double>(bytes) * state.iterations() / seconds;
}

void BM_Base64Encode_Vk(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::uint8_t* in = randomBytes().data();
  StringBuffer out;
  measure(state, caseName("encode", size), "vk", size, [&] {
    out.clear();
    ContentCoding().encodeBase64(in, static_cast<std::uint32_t>(size), out);
    benchmark::DoNotOptimize(out.text());
  });
  if (std::string(out.text(), static_cast<std::size_t>(out.length())) != encodedText(size)) {
    state.SkipWithError("text differs from the reference");
  }
}
BENCHMARK(BM_Base64Encode_Vk)->Arg(kLarge)->Arg(kSmall)->Unit(benchmark::kMillisecond);

void BM_Base64Decode_Vk(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string& text = encodedText(size);
  DataBuffer out;
  measure(state, caseName("decode", size), "vk", size, [&] {
    out.clear();
    bool ok = ContentCoding().decodeBase64(text.data(), static_cast<std::uint32_t>(text.size()), out);
    if (!ok || out.length() != size) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.data());
  });
}
BENCHMARK(BM_Base64Decode_Vk)->Arg(kLarge)->Arg(kSmall)->Unit(benchmark::kMillisecond);

#ifdef VK_BENCH_HAVE_OPENSSL
void BM_Base64Encode_OpenSsl(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::uint8_t* in = randomBytes().data();
  std::vector<unsigned char> out(size / 3 * 4 + 8);
  measure(state, caseName("encode", size), "openssl", size, [&] {
    int n = EVP_EncodeBlock(out.data(), in, static_cast<int>(size));
    benchmark::DoNotOptimize(n);
  });
  if (std::string(reinterpret_cast<const char*>(out.data())) != encodedText(size)) {
    state.SkipWithError("OpenSSL's text differs from ours");
  }
}
BENCHMARK(BM_Base64Encode_OpenSsl)->Arg(kLarge)->Arg(kSmall)->Unit(benchmark::kMillisecond);

void BM_Base64Decode_OpenSsl(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string& text = encodedText(size);
  std::vector<unsigned char> out(text.size() / 4 * 3 + 8);
  measure(state, caseName("decode", size), "openssl", size, [&] {
    int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size()));
    if (n < static_cast<int>(size)) state.SkipWithError("OpenSSL decode failed");
    benchmark::DoNotOptimize(n);
  });
}
BENCHMARK(BM_Base64Decode_OpenSsl)->Arg(kLarge)->Arg(kSmall)->Unit(benchmark::kMillisecond);
#endif

void BM_QuotedPrintableEncode_Vk(benchmark::State& state) {
  const auto& in = randomBytes();
  constexpr std::uint32_t kBytes = 8u << 20;
  StringBuffer out;
  for (auto _ : state) {
    out.clear();
    ContentCoding().encodeQuotedPrintable(in.data(), kBytes, out);
    benchmark::DoNotOptimize(out.text());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(kBytes) * state.iterations());
}
BENCHMARK(BM_QuotedPrintableEncode_Vk)->Unit(benchmark::kMillisecond);

void BM_HexEncode_Vk(benchmark::State& state) {
  constexpr std::uint32_t kBytes = 8u << 20;
  DataBuffer in;
  in.append(randomBytes().data(), kBytes);
  StringBuffer out;
  for (auto _ : state) {
    out.clear();
    in.encodeHex(out);
    benchmark::DoNotOptimize(out.text());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(kBytes) * state.iterations());
}
BENCHMARK(BM_HexEncode_Vk)->Unit(benchmark::kMillisecond);

}  // namespace
