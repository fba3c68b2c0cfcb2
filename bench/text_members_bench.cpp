// Throughput of the text members on large texts: ReplaceAll, TrimInside, Contains, StripHtml,
// HtmlEntityEncode and NumChinese on 1 MB, 16 MB and 100 MB of generated HTML-like text with
// Latin, Greek and CJK words. Each case reports ms_per_MB; a linear operation shows about the
// same figure at every size.
//
// Fresh memory: touching pages for the first time is dear on virtual machines (about 3 ms per
// MB here). The buffers take blocks of 8 MB and more as page mappings with room to grow, and
// keep two given-back mappings for the next large blocks, so from the second run on every
// size works on recycled memory, as small blocks always do; CopyText, a plain std::string
// copy, shows what fresh memory costs on this machine (at 100 MB the C library maps it anew).
// Only the operation itself is timed, in CPU time of the running
// thread (user and system, so page faults count), which keeps the figures comparable when
// other work shares the machine; preparing a fresh copy of the text is left out.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/markup.h"
#include "text/xstring.h"
#include "unicode/unicode_info.h"

namespace {

// CPU time of the calling thread, in seconds.
double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Lcg {
  std::uint64_t state;
  std::uint32_t next(std::uint32_t bound) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>((state >> 33) % bound);
  }
};

std::string makeText(std::size_t bytes) {
  const std::vector<const char*> words = {"the",
                                          "value",
                                          "string",
                                          "buffer",
                                          "caf\xC3\xA9",
                                          "\xCE\xB1\xCE\xB2\xCE\xB3",
                                          "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
                                          "\xE4\xB8\xAD\xE6\x96\x87",
                                          "\xE3\x81\xB2\xE3\x82\x89",
                                          "tom & jerry",
                                          "\"quoted\"",
                                          "a<b",
                                          "x>y",
                                          "and",
                                          "of"};
  Lcg rng{7};
  std::string text;
  text.reserve(bytes + 256);
  while (text.size() < bytes) {
    text += "<p class=\"body\">";
    for (int w = 0, n = 6 + static_cast<int>(rng.next(12)); w < n; ++w) {
      text += words[rng.next(static_cast<std::uint32_t>(words.size()))];
      text += rng.next(5) == 0 ? " \t\r\n  " : " ";
    }
    text += "</p>\n";
  }
  text.resize(bytes);
  // Never end inside a multi-byte character.
  while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0x80) != 0) text.pop_back();
  return text;
}

// One text at a time, so that the 100 MB cases do not keep the smaller ones around.
const std::string& textOfSize(std::size_t bytes) {
  static std::unique_ptr<std::string> cached;
  if (!cached || cached->size() + 8 < bytes || cached->size() > bytes) {
    cached.reset();
    cached = std::make_unique<std::string>(makeText(bytes));
  }
  return *cached;
}

void reportRate(benchmark::State& state, std::size_t bytes) {
  double megabytes = static_cast<double>(bytes) / (1024.0 * 1024.0);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
  state.counters["ms_per_MB"] = benchmark::Counter(
      megabytes / 1000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Reads a block larger than the processor's caches, so that the next operation finds its
// text in memory, as a large text always is, and not in cache. Reading leaves no dirty lines
// behind whose write-back would be charged to the operation.
void evictCaches() {
  static const std::vector<char> block(std::size_t{64} << 20, 1);
  unsigned sum = 0;
  for (std::size_t i = 0; i < block.size(); i += 64) sum += static_cast<unsigned char>(block[i]);
  benchmark::DoNotOptimize(sum);
}

// Runs `operation` on a fresh UTF-8 value of the text in every iteration, timing only the
// operation, which starts with cold caches at every size.
template <typename Operation>
void runOnFreshValue(benchmark::State& state, Operation operation) {
  const std::string& text = textOfSize(static_cast<std::size_t>(state.range(0)) << 20);
  {
    // One untimed run first, so that the timed runs find the allocator as warm at every size.
    vk::XString value;
    value.setFromUtf8(text.c_str(), static_cast<std::uint32_t>(text.size()));
    operation(value);
  }
  for (auto _ : state) {
    vk::XString value;
    value.setFromUtf8(text.c_str(), static_cast<std::uint32_t>(text.size()));
    evictCaches();
    double start = threadSeconds();
    operation(value);
    state.SetIterationTime(threadSeconds() - start);
  }
  reportRate(state, text.size());
}

// A replacement as long as the pattern, one longer (the text grows by about 2%) and one
// shorter.
void ReplaceAll(benchmark::State& state) {
  runOnFreshValue(state,
                  [](vk::XString& value) { benchmark::DoNotOptimize(value.replaceAll("the", "THE")); });
}

void ReplaceAllLonger(benchmark::State& state) {
  runOnFreshValue(state,
                  [](vk::XString& value) { benchmark::DoNotOptimize(value.replaceAll("the", "those")); });
}

void ReplaceAllShorter(benchmark::State& state) {
  runOnFreshValue(state, [](vk::XString& value) { benchmark::DoNotOptimize(value.replaceAll("the", "a")); });
}

void TrimInside(benchmark::State& state) {
  runOnFreshValue(state, [](vk::XString& value) { value.trimInside(); });
}

// A search changes nothing, so the values are made once. Small texts are searched in turn
// in enough copies to outgrow the processor's caches, so that every size reads its text from
// memory rather than the small ones from cache.
void Contains(benchmark::State& state) {
  const std::string& text = textOfSize(static_cast<std::size_t>(state.range(0)) << 20);
  const std::size_t copies = std::max<std::size_t>(1, (std::size_t{64} << 20) / text.size());
  std::vector<vk::XString> values(copies);
  for (vk::XString& value : values) {
    value.setFromUtf8(text.c_str(), static_cast<std::uint32_t>(text.size()));
    value.utf8Buffer();
  }
  std::size_t next = 0;
  for (auto _ : state) {
    vk::XString& value = values[next];
    next = (next + 1) % copies;
    double start = threadSeconds();
    benchmark::DoNotOptimize(value.contains("needle that never occurs"));
    state.SetIterationTime(threadSeconds() - start);
  }
  reportRate(state, text.size());
}

void StripHtml(benchmark::State& state) {
  runOnFreshValue(state, [](vk::XString& value) { vk::markup::stripHtml(value); });
}

void HtmlEntityEncode(benchmark::State& state) {
  runOnFreshValue(state, [](vk::XString& value) { vk::markup::htmlEntityEncode(value); });
}

// The property reads the wide form (current here, as after setting Str) and counts it.
void NumChinese(benchmark::State& state) {
  const std::string& text = textOfSize(static_cast<std::size_t>(state.range(0)) << 20);
  vk::XString value;
  value.setFromUtf8(text.c_str(), static_cast<std::uint32_t>(text.size()));
  value.getWide();
  for (auto _ : state) {
    double start = threadSeconds();
    const vk::DataBuffer& wide = value.getWide();
    vk::UnicodeInfo info;
    info.countScripts(reinterpret_cast<const char16_t*>(wide.data()), (wide.length() - 2) / 2);
    benchmark::DoNotOptimize(info.count(vk::UnicodeInfo::ScriptChinese));
    state.SetIterationTime(threadSeconds() - start);
  }
  reportRate(state, text.size());
}

// The peer: a copy of the text into a new block, the least any operation that hands back a
// new text of that size costs on this machine at this size.
void CopyText(benchmark::State& state) {
  runOnFreshValue(state, [](vk::XString& value) {
    const vk::StringBuffer& text = value.utf8Buffer();
    std::string copy(text.text(), static_cast<std::size_t>(text.length()));
    benchmark::DoNotOptimize(copy.data());
  });
}

#define VK_TEXT_BENCH(name) \
  BENCHMARK(name)->Arg(1)->Arg(16)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond)

VK_TEXT_BENCH(CopyText);
VK_TEXT_BENCH(ReplaceAll);
VK_TEXT_BENCH(ReplaceAllLonger);
VK_TEXT_BENCH(ReplaceAllShorter);
VK_TEXT_BENCH(TrimInside);
VK_TEXT_BENCH(Contains);
VK_TEXT_BENCH(StripHtml);
VK_TEXT_BENCH(HtmlEntityEncode);
VK_TEXT_BENCH(NumChinese);

}  // namespace
