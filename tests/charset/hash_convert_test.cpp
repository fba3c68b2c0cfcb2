#include "charset/hash_convert.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "charset/table_test_blobs.h"

namespace vk {
namespace {

using testblobs::Bytes;
using testblobs::entriesOf;
using testblobs::lookupBytes;

void put(HashConvert& table, const Bytes& key, const Bytes& value) {
  table.insert(key.data(), static_cast<std::uint32_t>(key.size()), value.data(),
               static_cast<std::uint32_t>(value.size()));
}

// The bucket a key lands in: its first four bytes little-endian, modulo the bucket count.
std::uint32_t bucketOf(const Bytes& key, std::uint32_t buckets) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < key.size() && i < 4; ++i) v |= std::uint32_t{key[i]} << (8 * i);
  return v % buckets;
}

TEST(HashConvert, FirstInsertedEntryWinsForARepeatedKey) {
  HashConvert table;
  table.init(13);
  put(table, {0x41, 0x00}, {0x10});
  put(table, {0x41, 0x00}, {0x20, 0x21});
  EXPECT_EQ(lookupBytes(table, {0x41, 0x00}), (Bytes{0x10}));
  // Both entries are kept; removing the key drops both.
  EXPECT_EQ(entriesOf(table).size(), 2u);
  table.remove(Bytes{0x41, 0x00}.data(), 2);
  EXPECT_TRUE(lookupBytes(table, {0x41, 0x00}).empty());
  EXPECT_TRUE(entriesOf(table).empty());
}

struct KeyCase {
  const char* label;
  Bytes key;
  Bytes value;
};

class HashConvertKeys : public ::testing::TestWithParam<std::uint32_t> {};

// Keys that share a bucket and differ only in length or in bytes past the fourth must stay
// distinct entries, whatever the bucket count.
TEST_P(HashConvertKeys, KeysOfEveryLengthStayDistinct) {
  const std::vector<KeyCase> cases = {
      {"one byte", {0x01}, {0xA1, 0x00}},
      {"two bytes, same number", {0x01, 0x00}, {0xA2, 0x00}},
      {"three bytes, same number", {0x01, 0x00, 0x00}, {0xA3}},
      {"four bytes, same number", {0x01, 0x00, 0x00, 0x00}, {0xA4}},
      {"five bytes, same hash", {0x01, 0x00, 0x00, 0x00, 0x07}, {0xA5}},
      {"five bytes, other tail", {0x01, 0x00, 0x00, 0x00, 0x08}, {0xA6, 0xA7}},
      {"high bytes", {0xFF, 0xFF, 0xFF, 0xFF}, {0xA8}},
      {"lead and trail", {0x82, 0xA0}, {0x42, 0x30}},
  };
  HashConvert table;
  table.init(GetParam());
  for (const KeyCase& c : cases) put(table, c.key, c.value);
  for (const KeyCase& c : cases) EXPECT_EQ(lookupBytes(table, c.key), c.value) << c.label;
  EXPECT_TRUE(lookupBytes(table, {0x01, 0x00, 0x00, 0x00, 0x09}).empty());
  EXPECT_TRUE(lookupBytes(table, {0x02}).empty());
  // Every entry sits in the bucket its hash names.
  for (std::uint32_t i = 0; i < table.bucketCount(); ++i) {
    const std::uint8_t* p = table.bucket(i);
    for (; p != nullptr && *p != 0; p += 1 + p[0], p += 1 + p[0]) {
      EXPECT_EQ(bucketOf(Bytes(p + 1, p + 1 + p[0]), table.bucketCount()), i);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BucketCounts, HashConvertKeys,
                         ::testing::Values(1u, 2u, 269u, 283u, 4919u, 7649u, 7669u));

TEST(HashConvert, RemovingAnAbsentKeyLeavesTheTableUnchanged) {
  HashConvert table;
  table.init(7);
  put(table, {3}, {0x30});
  put(table, {10}, {0x31});  // same bucket as 3
  put(table, {4}, {0x32});
  const auto before = entriesOf(table);
  const auto memoryBefore = table.memoryUsed();
  for (const Bytes& absent : {Bytes{17}, Bytes{3, 0}, Bytes{5}, Bytes{10, 0, 0, 0, 1}}) {
    table.remove(absent.data(), static_cast<std::uint32_t>(absent.size()));
  }
  EXPECT_EQ(entriesOf(table), before);
  EXPECT_EQ(table.memoryUsed(), memoryBefore);
}

TEST(HashConvert, RemovingTheOnlyEntryEmptiesItsBucket) {
  HashConvert table;
  table.init(7);
  put(table, {3}, {0x30});
  put(table, {5}, {0x50});
  ASSERT_NE(table.bucket(3), nullptr);
  table.remove(Bytes{3}.data(), 1);
  EXPECT_EQ(table.bucket(3), nullptr);
  EXPECT_EQ(lookupBytes(table, {5}), (Bytes{0x50}));
}

TEST(HashConvert, RemoveKeepsTheOtherEntriesOfTheBucketInOrder) {
  HashConvert table;
  table.init(7);
  put(table, {3}, {0x01});
  put(table, {10}, {0x02, 0x03});
  put(table, {17}, {0x04});
  put(table, {10}, {0x05});
  table.remove(Bytes{10}.data(), 1);
  const std::vector<testblobs::Entry> expected = {{{3}, {0x01}}, {{17}, {0x04}}};
  EXPECT_EQ(entriesOf(table), expected);
}

TEST(HashConvert, CopyInvertedWalksBucketsInIndexOrderThenListOrder) {
  HashConvert forward;
  forward.init(7);
  // Value 0x99 under three keys: 12 (bucket 5) inserted first, then 2 and 9 (both bucket 2).
  put(forward, {12}, {0x99});
  put(forward, {9}, {0x99});
  put(forward, {2}, {0x99});
  put(forward, {1}, {0x77, 0x66});
  HashConvert inverted;
  inverted.init(11);
  forward.copyInverted(inverted);
  // Bucket 2 comes before bucket 5, and in bucket 2 key 9 was inserted before key 2.
  EXPECT_EQ(lookupBytes(inverted, {0x99}), (Bytes{9}));
  EXPECT_EQ(lookupBytes(inverted, {0x77, 0x66}), (Bytes{1}));
  EXPECT_EQ(entriesOf(inverted).size(), 4u);
}

struct FillCase {
  const char* label;
  bool asciiCompatible;
  std::uint8_t byte;
  std::uint16_t expected;
};

class UnicodeLookupFill : public ::testing::TestWithParam<FillCase> {};

// Source table: 0x41 -> U+00C1, 0x80 -> U+20AC, 0x90 -> a 1-byte value (not a unit),
// 0xFF -> U+00FF; an entry for byte 0 that must not be taken.
TEST_P(UnicodeLookupFill, TakesTwoByteValuesAndAsciiByMark) {
  const FillCase& c = GetParam();
  HashConvert decode;
  decode.init(283);
  decode.setAsciiCompatible(c.asciiCompatible);
  put(decode, {0x00}, {0x34, 0x12});
  put(decode, {0x41}, {0xC1, 0x00});
  put(decode, {0x80}, {0xAC, 0x20});
  put(decode, {0x90}, {0x55});
  put(decode, {0xFF}, {0xFF, 0x00});
  UnicodeLookup lookup;
  lookup.fillFrom(decode);
  EXPECT_EQ(lookup.unitFor(c.byte), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, UnicodeLookupFill,
                         ::testing::Values(FillCase{"byte 0 stays 0", true, 0x00, 0},
                                           FillCase{"byte 0 stays 0 without mark", false, 0x00, 0},
                                           FillCase{"ASCII by mark beats the record", true, 0x41, 0x0041},
                                           FillCase{"unlisted ASCII by mark", true, 0x7F, 0x007F},
                                           FillCase{"record without mark", false, 0x41, 0x00C1},
                                           FillCase{"unlisted without mark", false, 0x42, 0},
                                           FillCase{"high byte", true, 0x80, 0x20AC},
                                           FillCase{"one-byte value is no unit", true, 0x90, 0},
                                           FillCase{"unmapped high byte", true, 0x81, 0},
                                           FillCase{"last byte", false, 0xFF, 0x00FF}),
                         [](const auto& info) {
                           std::string name = info.param.label;
                           for (char& ch : name) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace vk
