#include "charset/table_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "charset/table_store_info.h"

namespace vk {
namespace {

std::vector<std::int32_t> allTablePages() {
  std::size_t count = 0;
  const std::int32_t* pages = tableCodePages(&count);
  return std::vector<std::int32_t>(pages, pages + count);
}

TEST(TableStorePages, NinetyFourSingleByteAndNineMultiByte) {
  const auto pages = allTablePages();
  EXPECT_EQ(pages.size(), 103u);
  EXPECT_TRUE(std::is_sorted(pages.begin(), pages.end()));
  std::set<std::int32_t> multi;
  for (std::int32_t page : pages) {
    TableLayout layout;
    ASSERT_TRUE(tableLayoutFor(page, &layout)) << page;
    if (layout.multiByte) multi.insert(page);
  }
  EXPECT_EQ(multi, (std::set<std::int32_t>{932, 936, 949, 950, 1361, 10001, 51932, 51936, 51949}));
}

struct LayoutCase {
  std::int32_t codePage;
  std::uint32_t encodeBuckets;
  std::uint32_t decodeBuckets;
};

class TableStoreLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(TableStoreLayout, BuildsTablesWithTheirBucketCounts) {
  const LayoutCase& c = GetParam();
  TableLayout layout;
  ASSERT_TRUE(tableLayoutFor(c.codePage, &layout));
  EXPECT_EQ(layout.encodeBuckets, c.encodeBuckets);
  EXPECT_EQ(layout.decodeBuckets, c.decodeBuckets);
  const HashConvert* encode = encodeTableFor(c.codePage);
  ASSERT_NE(encode, nullptr);
  EXPECT_EQ(encode->bucketCount(), c.encodeBuckets);
  const DecodeTable decode = decodeTableFor(c.codePage);
  ASSERT_TRUE(decode.exists());
  if (layout.multiByte) {
    ASSERT_NE(decode.multiByte, nullptr);
    EXPECT_EQ(decode.singleByte, nullptr);
    EXPECT_EQ(decode.multiByte->bucketCount(), c.decodeBuckets);
  } else {
    EXPECT_NE(decode.singleByte, nullptr);
    EXPECT_EQ(decode.multiByte, nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, TableStoreLayout,
                         ::testing::Values(LayoutCase{37, 269, 283}, LayoutCase{1252, 269, 283},
                                           LayoutCase{20127, 269, 283}, LayoutCase{38598, 269, 283},
                                           LayoutCase{932, 7669, 4919}, LayoutCase{936, 7649, 7649},
                                           LayoutCase{949, 7669, 7669}, LayoutCase{950, 7649, 7649},
                                           LayoutCase{1361, 7669, 7669}, LayoutCase{10001, 4919, 4919},
                                           LayoutCase{51932, 4919, 4919}, LayoutCase{51936, 7649, 7649},
                                           LayoutCase{51949, 7669, 7669}),
                         [](const auto& info) { return std::to_string(info.param.codePage); });

class PagesWithoutTables : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(PagesWithoutTables, GiveNoTableAndBuildNothing) {
  const std::size_t before = builtTableCount();
  EXPECT_EQ(encodeTableFor(GetParam()), nullptr);
  EXPECT_FALSE(decodeTableFor(GetParam()).exists());
  EXPECT_FALSE(tableLayoutFor(GetParam(), nullptr));
  EXPECT_FALSE(isEncodeTableBuilt(GetParam()));
  EXPECT_FALSE(isDecodeTableBuilt(GetParam()));
  EXPECT_EQ(builtTableCount(), before);
}

// Unicode forms, ISO-2022 pages, names without converter, and numbers next to table pages.
INSTANTIATE_TEST_SUITE_P(Pages, PagesWithoutTables,
                         ::testing::Values(0, -1, 1, 36, 38, 709, 931, 1200, 1201, 10002, 20000, 28600, 28601,
                                           50220, 50225, 51950, 52936, 54936, 65000, 65001, 65005, 65006,
                                           INT32_MIN, INT32_MAX));

TEST(TableStore, AnswersTheSameTableEveryTime) {
  for (std::int32_t page : {1252, 932, 10001}) {
    EXPECT_EQ(encodeTableFor(page), encodeTableFor(page));
    EXPECT_EQ(decodeTableFor(page).singleByte, decodeTableFor(page).singleByte);
    EXPECT_EQ(decodeTableFor(page).multiByte, decodeTableFor(page).multiByte);
  }
  // 51936 shares 936's blob, not its tables.
  EXPECT_NE(encodeTableFor(51936), encodeTableFor(936));
}

// The tests below need a process in which no table has been built yet. They run their body
// in a child process started afresh (the threadsafe death-test style re-executes the test
// binary) and report through its exit code.

int lazyBuildingInFreshProcess() {
  int failures = 0;
  auto check = [&failures](bool ok) { failures += ok ? 0 : 1; };
  check(builtTableCount() == 0);
  decodeTableFor(1252);
  check(isDecodeTableBuilt(1252) && !isEncodeTableBuilt(1252) && builtTableCount() == 1);
  encodeTableFor(1252);
  check(isEncodeTableBuilt(1252) && builtTableCount() == 2);
  // Mac Japanese decodes by inverting its encode table, which it builds from 932's blob
  // without building 932's tables.
  decodeTableFor(10001);
  check(isEncodeTableBuilt(10001) && isDecodeTableBuilt(10001) && builtTableCount() == 4);
  check(!isEncodeTableBuilt(932) && !isDecodeTableBuilt(932));
  // EUC-CN reads GBK's blob but builds only its own table.
  encodeTableFor(51936);
  check(isEncodeTableBuilt(51936) && !isEncodeTableBuilt(936) && builtTableCount() == 5);
  encodeTableFor(65001);
  decodeTableFor(54936);
  check(builtTableCount() == 5);
  return failures;
}

TEST(TableStoreDeathTest, BuildsOnlyTheTablesAskedFor) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(lazyBuildingInFreshProcess()), ::testing::ExitedWithCode(0), "");
}

struct PageTables {
  const HashConvert* encode = nullptr;
  DecodeTable decode;
  const FlatEncodeTable* flatEncode = nullptr;
  const FlatDecodeTable* flatDecode = nullptr;
};

// Several threads ask for every table, each in its own order, all from a cold start; every
// thread must be handed the same tables, and exactly one pair per code page must be built.
int coldStartRaceInFreshProcess() {
  if (builtTableCount() != 0) return 1;
  const auto pages = allTablePages();
  constexpr int kThreads = 6;
  std::vector<std::vector<PageTables>> seen(kThreads, std::vector<PageTables>(pages.size()));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &pages, &seen] {
      std::vector<std::size_t> order(pages.size());
      for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::mt19937 random(static_cast<unsigned>(t));
      std::shuffle(order.begin(), order.end(), random);
      if (t % 2 == 1) std::reverse(order.begin(), order.end());
      for (std::size_t i : order) {
        // Half the threads ask decode first, so 10001's decode races its own encode build.
        if (t % 2 == 0) seen[t][i].decode = decodeTableFor(pages[i]);
        seen[t][i].encode = encodeTableFor(pages[i]);
        if (t % 2 == 1) seen[t][i].decode = decodeTableFor(pages[i]);
        // Read the tables, so that one published before it was complete shows as a race.
        const std::uint8_t key[2] = {0xE9, 0x00};
        std::uint8_t value[255];
        if (seen[t][i].encode->bucketCount() == 0) std::abort();
        seen[t][i].encode->lookup(key, 2, value);
        if (seen[t][i].decode.singleByte != nullptr) seen[t][i].decode.singleByte->unitFor(0xE9);
        if (seen[t][i].decode.multiByte != nullptr) seen[t][i].decode.multiByte->lookup(key, 2, value);
        // The flat arrays made from them race the same way.
        seen[t][i].flatEncode = flatEncodeTableFor(pages[i]);
        seen[t][i].flatDecode = flatDecodeTableFor(pages[i]);
        volatile std::uint32_t read = seen[t][i].flatEncode->entryFor(0x00E9);
        if (seen[t][i].flatDecode != nullptr) read = seen[t][i].flatDecode->pairEntry(0x82, 0xA0);
        (void)read;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  int failures = 0;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const HashConvert* encode = encodeTableFor(pages[i]);
    const DecodeTable decode = decodeTableFor(pages[i]);
    for (int t = 0; t < kThreads; ++t) {
      if (seen[t][i].encode != encode || seen[t][i].decode.singleByte != decode.singleByte ||
          seen[t][i].decode.multiByte != decode.multiByte || !decode.exists() ||
          seen[t][i].flatEncode != flatEncodeTableFor(pages[i]) ||
          seen[t][i].flatDecode != flatDecodeTableFor(pages[i]) ||
          (seen[t][i].flatDecode != nullptr) != (decode.multiByte != nullptr)) {
        ++failures;
      }
    }
  }
  if (builtTableCount() != 2 * pages.size()) ++failures;
  return failures == 0 ? 0 : 2;
}

TEST(TableStoreDeathTest, FirstUseFromManyThreadsHandsOutOneTablePerSlot) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(coldStartRaceInFreshProcess()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vk
