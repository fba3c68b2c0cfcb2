// Conversions with every table code page from several threads at once, starting in a process
// in which no table exists yet: each thread must get exactly the bytes one thread alone gets.
// Under ThreadSanitizer (the CI's thread stage) this also shows any unguarded first use of a
// page's tables or flat arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "charset/encoding_convert.h"
#include "charset/table_store_info.h"

namespace vk {
namespace {

// Every byte from 0x20 up, then the same read back in pairs, so that multi-byte pages meet
// lead and trail bytes too.
std::vector<std::uint8_t> sampleBytes() {
  std::vector<std::uint8_t> bytes;
  for (int b = 0x20; b <= 0xFF; ++b) bytes.push_back(static_cast<std::uint8_t>(b));
  for (int b = 0x81; b <= 0xFE; b += 3) {
    bytes.push_back(static_cast<std::uint8_t>(b));
    bytes.push_back(static_cast<std::uint8_t>(0x40 + (b % 0x3F)));
  }
  return bytes;
}

struct Converted {
  std::vector<std::uint8_t> wide;  // the sample decoded to UTF-16
  std::vector<std::uint8_t> back;  // that encoded again in the page
};

Converted convertBothWays(std::int32_t page, const std::vector<std::uint8_t>& sample) {
  EncodingConvert engine;
  DataBuffer wide, back;
  engine.convert(page, codepage::kUtf16Le, sample.data(), static_cast<std::uint32_t>(sample.size()), wide);
  engine.convert(codepage::kUtf16Le, page, wide.data(), wide.length(), back);
  return {std::vector<std::uint8_t>(wide.data(), wide.data() + wide.length()),
          std::vector<std::uint8_t>(back.data(), back.data() + back.length())};
}

int concurrentConversionsInFreshProcess() {
  if (builtTableCount() != 0) return 1;
  std::size_t count = 0;
  const std::int32_t* first = tableCodePages(&count);
  const std::vector<std::int32_t> pages(first, first + count);
  const std::vector<std::uint8_t> sample = sampleBytes();
  constexpr int kThreads = 4;
  std::vector<std::vector<Converted>> seen(kThreads, std::vector<Converted>(pages.size()));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &pages, &sample, &seen] {
      std::vector<std::size_t> order(pages.size());
      for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::mt19937 random(static_cast<unsigned>(t) + 11);
      std::shuffle(order.begin(), order.end(), random);
      for (std::size_t i : order) seen[t][i] = convertBothWays(pages[i], sample);
    });
  }
  for (auto& thread : threads) thread.join();
  int failures = 0;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const Converted alone = convertBothWays(pages[i], sample);
    if (alone.wide.empty()) ++failures;  // every page decodes some of the sample
    for (int t = 0; t < kThreads; ++t) {
      if (seen[t][i].wide != alone.wide || seen[t][i].back != alone.back) ++failures;
    }
  }
  return failures == 0 ? 0 : 2;
}

TEST(ConcurrentConvertDeathTest, EveryTablePageFromManyThreadsAtFirstUse) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(concurrentConversionsInFreshProcess()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vk
