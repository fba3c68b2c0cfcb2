// Base64 of 64 MB of random bytes: ContentCoding's encoder and strict decoder against
// OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock on the same bytes, in the same run. Both sides
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

const std::string& encodedText() {
  static const std::string text = [] {
    StringBuffer out;
    ContentCoding().encodeBase64(randomBytes().data(), kInputBytes, out);
    return std::string(out.text(), static_cast<std::size_t>(out.length()));
  }();
  return text;
}

struct Summary {
  std::map<std::string, std::map<std::string, double>> rates;  // case -> contender -> bytes/s
  ~Summary() {
    if (rates.empty()) return;
    std::fprintf(stderr, "\n%-10s %12s %12s %10s\n", "case", "vk MB/s", "openssl MB/s", "vk/openssl");
    for (const auto& [name, by] : rates) {
      auto get = [&](const char* who) {
        auto it = by.find(who);
        return it == by.end() ? 0.0 : it->second;
      };
      double vk = get("vk"), peer = get("openssl");
      std::fprintf(stderr, "%-10s %12.1f %12.1f %10.2f\n", name.c_str(), vk / 1e6, peer / 1e6,
                   peer > 0 ? vk / peer : 0.0);
    }
  }
};

Summary& summary() {
  static Summary s;
  return s;
}

template <typename Body>
void measure(benchmark::State& state, const char* name, const char* who, std::size_t bytes, Body body) {
  body();  // warm the output storage
  std::clock_t start = std::clock();
  for (auto _ : state) body();
  double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
  if (seconds > 0) summary().rates[name][who] = static_cast<double>(bytes) * state.iterations() / seconds;
}

// Two sizes: 64 MB, where both sides stream through memory, and 192 KB (a multiple of 3, so
// its text is a prefix of the whole text), where input and output stay in the caches and the
// coders' own speed shows.
constexpr std::uint32_t kCacheBytes = 3u << 16;

// The base64 text of the first `bytes` random bytes (the whole text, padded, for all of them).
std::string textOf(std::uint32_t bytes) {
  return bytes == kInputBytes ? encodedText() : encodedText().substr(0, bytes / 3 * 4);
}

std::string caseName(const char* what, std::size_t bytes) {
  return std::string(what) + (bytes == kInputBytes ? " 64MB" : " 192KB");
}

void BM_Base64Encode_Vk(benchmark::State& state) {
  const auto& in = randomBytes();
  auto bytes = static_cast<std::uint32_t>(state.range(0));
  StringBuffer out;
  measure(state, caseName("encode", bytes).c_str(), "vk", bytes, [&] {
    out.clear();
    ContentCoding().encodeBase64(in.data(), bytes, out);
    benchmark::DoNotOptimize(out.text());
  });
}
BENCHMARK(BM_Base64Encode_Vk)->Arg(kInputBytes)->Arg(kCacheBytes)->Unit(benchmark::kMicrosecond);

void BM_Base64Decode_Vk(benchmark::State& state) {
  auto bytes = static_cast<std::uint32_t>(state.range(0));
  const std::string text = textOf(bytes);
  DataBuffer out;
  measure(state, caseName("decode", bytes).c_str(), "vk", bytes, [&] {
    out.clear();
    bool ok = ContentCoding().decodeBase64(text.data(), static_cast<std::uint32_t>(text.size()), out);
    if (!ok || out.length() != bytes) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.data());
  });
}
BENCHMARK(BM_Base64Decode_Vk)->Arg(kInputBytes)->Arg(kCacheBytes)->Unit(benchmark::kMicrosecond);

#ifdef VK_BENCH_HAVE_OPENSSL
void BM_Base64Encode_OpenSsl(benchmark::State& state) {
  const auto& in = randomBytes();
  auto bytes = static_cast<std::uint32_t>(state.range(0));
  std::vector<unsigned char> out(bytes / 3 * 4 + 8);
  measure(state, caseName("encode", bytes).c_str(), "openssl", bytes, [&] {
    int n = EVP_EncodeBlock(out.data(), in.data(), static_cast<int>(bytes));
    benchmark::DoNotOptimize(n);
  });
  if (std::string(reinterpret_cast<const char*>(out.data())) != textOf(bytes)) {
    state.SkipWithError("OpenSSL's text differs from ours");
  }
}
BENCHMARK(BM_Base64Encode_OpenSsl)->Arg(kInputBytes)->Arg(kCacheBytes)->Unit(benchmark::kMicrosecond);

void BM_Base64Decode_OpenSsl(benchmark::State& state) {
  auto bytes = static_cast<std::uint32_t>(state.range(0));
  const std::string text = textOf(bytes);
  std::vector<unsigned char> out(text.size() / 4 * 3 + 8);
  measure(state, caseName("decode", bytes).c_str(), "openssl", bytes, [&] {
    int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size()));
    if (n < static_cast<int>(bytes)) state.SkipWithError("OpenSSL decode failed");
    benchmark::DoNotOptimize(n);
  });
}
BENCHMARK(BM_Base64Decode_OpenSsl)->Arg(kInputBytes)->Arg(kCacheBytes)->Unit(benchmark::kMicrosecond);
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
