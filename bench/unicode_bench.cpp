// UTF-8 <-> UTF-16 throughput of the bulk converters against glibc iconv and ICU, on generated
// texts: ASCII-heavy HTML, a mix of European scripts, Japanese/Chinese (4 MB each), and 8 MB
// each of ASCII prose, French/German/Greek/Russian words, and Japanese/Chinese/Korean
// sentences as running text has them (a full stop and a line break per sentence, now and then
// a number: about 3.4% of the bytes ASCII). Every case reports bytes/s of its input; at exit
// a table of our speed over the fastest peer is printed to stderr. "vk baseline" is our own
// converter held to the baseline (SSE2) kernels, the code every CPU ran before the wider
// kernels, measured in the same run.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "charset/unicode_forms.h"
#include "text/data_buffer.h"
#include "unicode/simd/cpu_paths.h"

namespace {

constexpr std::size_t kTargetBytes = 4u << 20;
constexpr std::size_t kLongTargetBytes = 8u << 20;

// A fixed linear congruential generator: the texts are the same on every run and machine.
struct Lcg {
  std::uint64_t state;
  std::uint32_t next(std::uint32_t bound) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>((state >> 33) % bound);
  }
};

std::string pick(Lcg& rng, const std::vector<const char*>& words) {
  return words[rng.next(static_cast<std::uint32_t>(words.size()))];
}

std::string makeAsciiHeavy() {
  const std::vector<const char*> words = {
      "the",     "of",      "and",     "conversion",   "string",  "component", "server",
      "window",  "request", "between", "character",    "returns", "value",     "object",
      "through", "which",   "buffer",  "encoding",     "table",   "members",   "caf\xC3\xA9",
      "2024",    "index",   "script",  "\xE2\x80\x94", "result",  "client",    "\xC2\xA9"};
  Lcg rng{1};
  std::string text;
  while (text.size() < kTargetBytes) {
    text += "<p class=\"body\"><a href=\"https://example.org/docs/page";
    text += std::to_string(rng.next(1000));
    text += ".html\">";
    for (int w = 0, n = 8 + static_cast<int>(rng.next(20)); w < n; ++w) {
      if (w > 0) text += ' ';
      text += pick(rng, words);
    }
    text += "</a>.</p>\n";
  }
  return text;
}

std::string makeEuropean() {
  const std::vector<const char*> words = {
      // French
      "d\xC3\xA9j\xC3\xA0", "\xC3\xA9t\xC3\xA9", "fen\xC3\xAAtre", "tr\xC3\xA8s", "gar\xC3\xA7on",
      "o\xC3\xB9", "le", "la", "et", "cha\xC3\xAEne",
      // German
      "Stra\xC3\x9F"
      "e",
      "\xC3\xBC"
      "ber",
      "M\xC3\xA4"
      "dchen",
      "sch\xC3\xB6n", "und", "der",
      "Gr\xC3\xB6\xC3\x9F"
      "e",
      // Greek
      "\xCE\xB1\xCE\xBB\xCF\x86\xCE\xB1\xCE\xB2\xCE\xB7\xCF\x84\xCE\xBF", "\xCE\xBA\xCE\xB1\xCE\xB9",
      "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82", "\xCE\xB8\xCE\xAC\xCE\xBB\xCE\xB1\xCF\x83\xCF\x83\xCE\xB1",
      // Cyrillic
      "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xD0\xB8", "\xD0\xBC\xD0\xB8\xD1\x80",
      "\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xBA\xD0\xB0",
      "\xD0\xBA\xD0\xBE\xD0\xB4\xD0\xB8\xD1\x80\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB0"};
  Lcg rng{2};
  std::string text;
  while (text.size() < kTargetBytes) {
    for (int w = 0, n = 6 + static_cast<int>(rng.next(12)); w < n; ++w) {
      if (w > 0) text += ' ';
      text += pick(rng, words);
    }
    text += rng.next(4) == 0 ? ".\n" : ", ";
  }
  return text;
}

std::string makeCjk() {
  const std::vector<const char*> words = {
      // Japanese
      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE3\x81\xAE", "\xE6\x96\x87\xE5\xAD\x97", "\xE3\x82\x92",
      "\xE5\xA4\x89\xE6\x8F\x9B\xE3\x81\x99\xE3\x82\x8B", "\xE3\x81\x93\xE3\x81\xA8\xE3\x81\x8C",
      "\xE3\x81\xA7\xE3\x81\x8D\xE3\x81\xBE\xE3\x81\x99", "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF",
      "\xE6\x9D\xB1\xE4\xBA\xAC",
      // Chinese
      "\xE4\xB8\xAD\xE6\x96\x87", "\xE5\xAD\x97\xE7\xAC\xA6\xE4\xB8\xB2", "\xE7\x9A\x84",
      "\xE8\xBD\xAC\xE6\x8D\xA2", "\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8", "\xE5\x8C\x97\xE4\xBA\xAC",
      "\xE7\xBC\x96\xE7\xA0\x81"};
  Lcg rng{3};
  std::string text;
  while (text.size() < kTargetBytes) {
    for (int w = 0, n = 5 + static_cast<int>(rng.next(15)); w < n; ++w) {
      text += pick(rng, words);
      if (rng.next(9) == 0) text += "\xE3\x80\x81";  // 、
    }
    if (rng.next(6) == 0) text += std::to_string(rng.next(100));
    text += rng.next(3) == 0 ? "\xE3\x80\x82\n" : "\xE3\x80\x82";  // 。
  }
  return text;
}

std::string makeAsciiProse() {
  const std::vector<const char*> words = {
      "the",   "of",      "and",        "a",       "to",      "in",      "is",      "was",
      "that",  "for",     "it",         "with",    "as",      "his",     "on",      "be",
      "river", "morning", "travellers", "carried", "letters", "through", "village", "quietly",
      "under", "between", "remembered", "windows", "harbour", "evening", "garden",  "stone"};
  Lcg rng{4};
  std::string text;
  while (text.size() < kLongTargetBytes) {
    std::string sentence;
    for (int w = 0, n = 6 + static_cast<int>(rng.next(14)); w < n; ++w) {
      if (w > 0) sentence += rng.next(12) == 0 ? ", " : " ";
      sentence += pick(rng, words);
    }
    sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
    text += sentence;
    text += rng.next(5) == 0 ? ".\n" : ". ";
  }
  return text;
}

std::string makeEuropeanWords() {
  const std::vector<const char*> words = {
      // French
      "\xC3\xA9t\xC3\xA9", "fen\xC3\xAAtre", "tr\xC3\xA8s", "gar\xC3\xA7on", "o\xC3\xB9", "for\xC3\xAAt",
      "\xC3\xA9l\xC3\xA8ve", "c\xC5\x93ur", "premi\xC3\xA8re",
      // German
      "Stra\xC3\x9F"
      "e",
      "\xC3\xBC"
      "ber",
      "M\xC3\xA4"
      "dchen",
      "sch\xC3\xB6n",
      "Br\xC3\xBC"
      "cke",
      "gr\xC3\xBC\xC3\x9F"
      "en",
      "W\xC3\xB6rter",
      // Greek
      "\xCE\xB1\xCE\xBB\xCF\x86\xCE\xAC\xCE\xB2\xCE\xB7\xCF\x84\xCE\xBF", "\xCE\xBA\xCE\xB1\xCE\xB9",
      "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82", "\xCE\xB8\xCE\xAC\xCE\xBB\xCE\xB1\xCF\x83\xCF\x83\xCE\xB1",
      "\xCF\x80\xCF\x8C\xCE\xBB\xCE\xB7",
      // Russian
      "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xD0\xBC\xD0\xB8\xD1\x80",
      "\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xBA\xD0\xB0", "\xD0\xB3\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB4",
      "\xD0\xB2\xD1\x80\xD0\xB5\xD0\xBC\xD1\x8F", "\xD1\x81\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xBE"};
  Lcg rng{5};
  std::string text;
  while (text.size() < kLongTargetBytes) {
    for (int w = 0, n = 5 + static_cast<int>(rng.next(12)); w < n; ++w) {
      if (w > 0) text += ' ';
      text += pick(rng, words);
    }
    text += rng.next(4) == 0 ? ".\n" : ". ";
  }
  return text;
}

std::string makeCjkSentences() {
  const std::vector<const char*> words = {
      // Japanese
      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE3\x81\xAE", "\xE6\x96\x87\xE5\xAD\x97", "\xE3\x82\x92",
      "\xE5\xA4\x89\xE6\x8F\x9B\xE3\x81\x99\xE3\x82\x8B", "\xE3\x81\x93\xE3\x81\xA8\xE3\x81\x8C",
      "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF",
      // Chinese
      "\xE4\xB8\xAD\xE6\x96\x87", "\xE5\xAD\x97\xE7\xAC\xA6\xE4\xB8\xB2", "\xE7\x9A\x84",
      "\xE8\xBD\xAC\xE6\x8D\xA2", "\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8", "\xE5\x8C\x97\xE4\xBA\xAC",
      // Korean
      "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4", "\xEB\xAC\xB8\xEC\x9E\x90", "\xEB\xB3\x80\xED\x99\x98",
      "\xEC\x84\x9C\xEC\x9A\xB8", "\xEB\x8D\xB0\xEC\x9D\xB4\xED\x84\xB0", "\xEC\x9D\x84"};
  Lcg rng{6};
  std::string text;
  while (text.size() < kLongTargetBytes) {
    for (int w = 0, n = 5 + static_cast<int>(rng.next(10)); w < n; ++w) { text += pick(rng, words); }
    if (rng.next(2) == 0) text += std::to_string(rng.next(1000));
    text += "\xE3\x80\x82\n";  // 。 and a line break
  }
  return text;
}

struct Corpus {
  std::string utf8;
  std::vector<std::uint8_t> utf16;  // little-endian, made by ICU
};

const Corpus& corpus(int which) {
  static const std::vector<Corpus> all = [] {
    std::vector<Corpus> texts;
    for (std::string s : {makeAsciiHeavy(), makeEuropean(), makeCjk(), makeAsciiProse(), makeEuropeanWords(),
                          makeCjkSentences()}) {
      Corpus c;
      c.utf8 = std::move(s);
      std::vector<UChar> wide(c.utf8.size() + 1);
      int32_t length = 0;
      UErrorCode status = U_ZERO_ERROR;
      u_strFromUTF8(wide.data(), static_cast<int32_t>(wide.size()), &length, c.utf8.data(),
                    static_cast<int32_t>(c.utf8.size()), &status);
      if (U_FAILURE(status)) std::abort();
      c.utf16.resize(static_cast<std::size_t>(length) * 2);
      for (int32_t i = 0; i < length; ++i) {
        c.utf16[2 * i] = static_cast<std::uint8_t>(wide[i]);
        c.utf16[2 * i + 1] = static_cast<std::uint8_t>(wide[i] >> 8);
      }
      texts.push_back(std::move(c));
    }
    return texts;
  }();
  return all[static_cast<std::size_t>(which)];
}

const char* kInputNames[] = {"ascii", "european", "cjk", "prose", "euro-words", "cjk-text"};

// Throughput of the last run of each case, for the summary at exit.
struct Summary {
  std::map<std::string, double> rates;  // "direction/input/engine" -> bytes per second
  ~Summary() {
    if (rates.empty()) return;
    for (int i = 0; i < 6; ++i) {
      const std::string& text = corpus(i).utf8;
      std::size_t ascii = 0;
      for (unsigned char b : text) ascii += b < 0x80;
      std::fprintf(stderr, "input %-10s %9zu bytes of UTF-8, %5.1f%% ASCII\n", kInputNames[i], text.size(),
                   100.0 * static_cast<double>(ascii) / static_cast<double>(text.size()));
    }
    std::fprintf(stderr, "\nvk: the widest path this machine has (%s); avx2, baseline: held to those\n",
                 vk::simd::pathName(vk::simd::activePath()));
    std::fprintf(stderr, "%-10s %-10s %12s %12s %12s %12s  %-22s %s\n", "direction", "input", "vk MB/s",
                 "avx2", "baseline", "peer MB/s", "fastest peer", "ratio");
    for (const char* direction : {"utf8to16", "utf16to8"}) {
      for (const char* input : kInputNames) {
        std::string prefix = std::string(direction) + "/" + input + "/";
        auto ours = rates.find(prefix + "vk");
        if (ours == rates.end()) continue;
        auto baseline = rates.find(prefix + "vk baseline");
        auto avx2 = rates.find(prefix + "vk avx2");
        double best = 0;
        std::string bestName = "-";
        for (const auto& [key, rate] : rates) {
          if (key.compare(0, prefix.size(), prefix) != 0) continue;
          if (key.compare(prefix.size(), 2, "vk") == 0) continue;
          if (rate > best) {
            best = rate;
            bestName = key.substr(prefix.size());
          }
        }
        std::fprintf(stderr, "%-10s %-10s %12.0f %12.0f %12.0f %12.0f  %-22s %.2fx\n", direction, input,
                     ours->second / 1e6, avx2 == rates.end() ? 0.0 : avx2->second / 1e6,
                     baseline == rates.end() ? 0.0 : baseline->second / 1e6, best / 1e6, bestName.c_str(),
                     best > 0 ? ours->second / best : 0.0);
      }
    }
  }
};

Summary& summary() {
  static Summary s;
  return s;
}

// Runs `body` in the benchmark loop, reports bytes/s and records the rate.
template <typename Body>
void measure(benchmark::State& state, const char* direction, const char* engine,
             std::size_t bytesPerIteration, Body body) {
  // Processor time, like the figures Google Benchmark prints, so that other load on the
  // machine does not skew the ratios.
  std::clock_t start = std::clock();
  for (auto _ : state) body();
  double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytesPerIteration));
  if (seconds > 0) {
    summary().rates[std::string(direction) + "/" + kInputNames[state.range(0)] + "/" + engine] =
        static_cast<double>(state.iterations()) * static_cast<double>(bytesPerIteration) / seconds;
  }
}

// ---- UTF-8 to UTF-16 ------------------------------------------------------------------

// Holds every kernel to one CPU path for its lifetime (the widest one the machine has for
// Path::Avx512).
struct PathScope {
  explicit PathScope(vk::simd::Path path) : previous(vk::simd::forcePath(path)) {}
  ~PathScope() { vk::simd::forcePath(previous); }
  vk::simd::Path previous;
};

void Utf8ToUtf16Vk(benchmark::State& state, const char* engine, vk::simd::Path path) {
  PathScope scope(path);
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  const auto* in = reinterpret_cast<const std::uint8_t*>(c.utf8.data());
  auto count = static_cast<std::uint32_t>(c.utf8.size());
  vk::DataBuffer out;
  vk::utf8ToUtf16(in, count, out);
  if (out.length() != c.utf16.size() || std::memcmp(out.data(), c.utf16.data(), c.utf16.size()) != 0) {
    state.SkipWithError("output differs from ICU");
    return;
  }
  measure(state, "utf8to16", engine, c.utf8.size(), [&] {
    out.clear();
    vk::utf8ToUtf16(in, count, out);
    benchmark::DoNotOptimize(out.data());
  });
}

void BM_Utf8ToUtf16_Iconv(benchmark::State& state) {
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  std::vector<char> out(c.utf8.size() * 2 + 16);
  measure(state, "utf8to16", "iconv", c.utf8.size(), [&] {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(c.utf8.data());
    std::size_t inLeft = c.utf8.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    benchmark::DoNotOptimize(o);
  });
  iconv_close(cd);
}

void BM_Utf8ToUtf16_IcuStrFromUTF8(benchmark::State& state) {
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  std::vector<UChar> out(c.utf8.size() + 16);
  measure(state, "utf8to16", "icu u_strFromUTF8", c.utf8.size(), [&] {
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(out.data(), static_cast<int32_t>(out.size()), &length, c.utf8.data(),
                  static_cast<int32_t>(c.utf8.size()), &status);
    benchmark::DoNotOptimize(length);
  });
}

void BM_Utf8ToUtf16_IcuToUChars(benchmark::State& state) {
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open("UTF-8", &status);
  std::vector<UChar> out(c.utf8.size() + 16);
  measure(state, "utf8to16", "icu ucnv_toUChars", c.utf8.size(), [&] {
    UErrorCode st = U_ZERO_ERROR;
    int32_t length = ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), c.utf8.data(),
                                   static_cast<int32_t>(c.utf8.size()), &st);
    benchmark::DoNotOptimize(length);
  });
  ucnv_close(cnv);
}

// ---- UTF-16 to UTF-8 ------------------------------------------------------------------

void Utf16ToUtf8Vk(benchmark::State& state, const char* engine, vk::simd::Path path) {
  PathScope scope(path);
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  auto count = static_cast<std::uint32_t>(c.utf16.size());
  vk::DataBuffer out;
  vk::utf16ToUtf8(c.utf16.data(), count, out);
  if (out.length() != c.utf8.size() || std::memcmp(out.data(), c.utf8.data(), c.utf8.size()) != 0) {
    state.SkipWithError("output differs from the source text");
    return;
  }
  measure(state, "utf16to8", engine, c.utf16.size(), [&] {
    out.clear();
    vk::utf16ToUtf8(c.utf16.data(), count, out);
    benchmark::DoNotOptimize(out.data());
  });
}

void BM_Utf16ToUtf8_Iconv(benchmark::State& state) {
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
  std::vector<char> out(c.utf16.size() * 2 + 16);
  measure(state, "utf16to8", "iconv", c.utf16.size(), [&] {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(c.utf16.data()));
    std::size_t inLeft = c.utf16.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    benchmark::DoNotOptimize(o);
  });
  iconv_close(cd);
}

void BM_Utf16ToUtf8_IcuStrToUTF8(benchmark::State& state) {
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  const auto* wide = reinterpret_cast<const UChar*>(c.utf16.data());
  auto units = static_cast<int32_t>(c.utf16.size() / 2);
  std::vector<char> out(c.utf16.size() * 2 + 16);
  measure(state, "utf16to8", "icu u_strToUTF8", c.utf16.size(), [&] {
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length, wide, units, &status);
    benchmark::DoNotOptimize(length);
  });
}

void BM_Utf16ToUtf8_IcuFromUChars(benchmark::State& state) {
  const Corpus& c = corpus(static_cast<int>(state.range(0)));
  const auto* wide = reinterpret_cast<const UChar*>(c.utf16.data());
  auto units = static_cast<int32_t>(c.utf16.size() / 2);
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open("UTF-8", &status);
  std::vector<char> out(c.utf16.size() * 2 + 16);
  measure(state, "utf16to8", "icu ucnv_fromUChars", c.utf16.size(), [&] {
    UErrorCode st = U_ZERO_ERROR;
    int32_t length = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()), wide, units, &st);
    benchmark::DoNotOptimize(length);
  });
  ucnv_close(cnv);
}

void BM_Utf8ToUtf16_Vk(benchmark::State& state) { Utf8ToUtf16Vk(state, "vk", vk::simd::Path::Avx512); }
void BM_Utf8ToUtf16_VkBaseline(benchmark::State& state) {
  Utf8ToUtf16Vk(state, "vk baseline", vk::simd::Path::Baseline);
}
void BM_Utf8ToUtf16_VkAvx2(benchmark::State& state) { Utf8ToUtf16Vk(state, "vk avx2", vk::simd::Path::Avx2); }
void BM_Utf16ToUtf8_Vk(benchmark::State& state) { Utf16ToUtf8Vk(state, "vk", vk::simd::Path::Avx512); }
void BM_Utf16ToUtf8_VkAvx2(benchmark::State& state) { Utf16ToUtf8Vk(state, "vk avx2", vk::simd::Path::Avx2); }
void BM_Utf16ToUtf8_VkBaseline(benchmark::State& state) {
  Utf16ToUtf8Vk(state, "vk baseline", vk::simd::Path::Baseline);
}

#define VK_UNICODE_CASES(fn) BENCHMARK(fn)->DenseRange(0, 5)->ArgName("input")

VK_UNICODE_CASES(BM_Utf8ToUtf16_Vk);
VK_UNICODE_CASES(BM_Utf8ToUtf16_VkAvx2);
VK_UNICODE_CASES(BM_Utf8ToUtf16_VkBaseline);
VK_UNICODE_CASES(BM_Utf8ToUtf16_Iconv);
VK_UNICODE_CASES(BM_Utf8ToUtf16_IcuStrFromUTF8);
VK_UNICODE_CASES(BM_Utf8ToUtf16_IcuToUChars);
VK_UNICODE_CASES(BM_Utf16ToUtf8_Vk);
VK_UNICODE_CASES(BM_Utf16ToUtf8_VkAvx2);
VK_UNICODE_CASES(BM_Utf16ToUtf8_VkBaseline);
VK_UNICODE_CASES(BM_Utf16ToUtf8_Iconv);
VK_UNICODE_CASES(BM_Utf16ToUtf8_IcuStrToUTF8);
VK_UNICODE_CASES(BM_Utf16ToUtf8_IcuFromUChars);

}  // namespace
