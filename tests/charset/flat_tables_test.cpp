// The flat lookup arrays and the conversions that go through them, checked against the hash
// tables they are made from: every unit, every byte and byte pair of every table code page,
// and long mixed streams, must give the same bytes and the same result as a plain walk of the
// hash tables.
#include "charset/flat_tables.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "charset/encoding_convert.h"
#include "charset/table_store.h"
#include "charset/table_store_info.h"
#include "test_bytes.h"

namespace vk {
namespace {

using test::Bytes;

constexpr std::int32_t kMacArabic = 10004;

std::vector<std::int32_t> allTablePages() {
  std::size_t count = 0;
  const std::int32_t* pages = tableCodePages(&count);
  return std::vector<std::int32_t>(pages, pages + count);
}

bool isMultiByte(std::int32_t codePage) {
  TableLayout layout;
  return tableLayoutFor(codePage, &layout) && layout.multiByte;
}

std::uint16_t unitOf(const std::uint8_t* value) {
  return static_cast<std::uint16_t>(value[0] | value[1] << 8);
}

// Reference: what the engine writes for one unit, read from the encode hash table.
std::pair<Bytes, bool> referenceEncodeUnit(std::int32_t codePage, std::uint16_t unit) {
  if (codePage == 28596 || codePage == 1256) {
    if (unit >= 0x0660 && unit <= 0x0669) unit = static_cast<std::uint16_t>(unit - 0x0660 + '0');
    if (unit >= 0x06F0 && unit <= 0x06F9) unit = static_cast<std::uint16_t>(unit - 0x06F0 + '0');
  }
  const HashConvert& table = *encodeTableFor(codePage);
  if (unit < 0x80 && table.isAsciiCompatible()) return {{static_cast<std::uint8_t>(unit)}, true};
  const std::uint8_t key[2] = {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)};
  std::uint8_t value[255];
  std::uint32_t n = table.lookup(key, 2, value);
  if (n == 1) return {{value[0]}, true};
  if (n == 2) return {{value[0], value[1]}, true};
  if (unit == 0) return {{0}, true};
  return {{}, false};
}

// Reference: bytes to UTF-16 units through the decode table, keys of 2, 3, 4 bytes then 1.
std::pair<std::vector<std::uint16_t>, bool> referenceDecode(std::int32_t codePage, const Bytes& bytes) {
  std::vector<std::uint16_t> units;
  bool complete = true;
  DecodeTable table = decodeTableFor(codePage);
  if (table.singleByte != nullptr) {
    for (std::uint8_t b : bytes) {
      std::uint16_t unit = table.singleByte->unitFor(b);
      if (b != 0 && unit == 0) {
        complete = false;
      } else {
        units.push_back(unit);
      }
    }
    return {units, complete};
  }
  const HashConvert& lookup = *table.multiByte;
  std::uint8_t value[255];
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t used = 0;
    for (std::size_t length = 2; length <= 4 && i + length <= bytes.size(); ++length) {
      if (lookup.lookup(bytes.data() + i, static_cast<std::uint32_t>(length), value) == 2) {
        used = length;
        break;
      }
    }
    if (used != 0) {
      units.push_back(unitOf(value));
      i += used;
      continue;
    }
    std::uint8_t b = bytes[i++];
    if (b == 0 || (lookup.isAsciiCompatible() && b < 0x80)) {
      units.push_back(b);
    } else if (lookup.lookup(&b, 1, value) == 2) {
      units.push_back(unitOf(value));
    } else {
      complete = false;
    }
  }
  return {units, complete};
}

Bytes unitsAsBytes(const std::vector<std::uint16_t>& units) {
  Bytes out;
  for (std::uint16_t u : units) {
    out.push_back(static_cast<std::uint8_t>(u));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return out;
}

std::pair<Bytes, bool> engine(std::int32_t from, std::int32_t to, const Bytes& input) {
  DataBuffer output;
  bool result =
      EncodingConvert().convert(from, to, input.data(), static_cast<std::uint32_t>(input.size()), output);
  return {test::contents(output), result};
}

class FlatTablesEveryPage : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(FlatTablesEveryPage, EveryUnitEncodesAsTheHashTableSays) {
  const std::int32_t page = GetParam();
  const FlatEncodeTable* flat = flatEncodeTableFor(page);
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(flat, flatEncodeTableFor(page));  // built once
  int mismatches = 0;
  std::vector<std::uint16_t> all;
  Bytes expected;
  bool expectedResult = true;
  for (std::uint32_t u = 0; u < 0x10000; ++u) {
    auto unit = static_cast<std::uint16_t>(u);
    all.push_back(unit);
    auto [bytes, mapped] = referenceEncodeUnit(page, unit);
    expected.insert(expected.end(), bytes.begin(), bytes.end());
    expectedResult = expectedResult && mapped;
    // The Arabic digit fold happens in the engine, ahead of the table.
    if (page == 28596 || page == 1256) continue;
    std::uint32_t entry = flat->entryFor(unit);
    Bytes got;
    if (entry != 0) {
      got.push_back(static_cast<std::uint8_t>(entry));
      if (entry >> FlatEncodeTable::kCountShift == 2) got.push_back(static_cast<std::uint8_t>(entry >> 8));
    }
    if (got != bytes || (entry != 0) != mapped) {
      if (++mismatches <= 3) ADD_FAILURE() << "page " << page << " unit " << std::hex << u;
    }
  }
  EXPECT_EQ(mismatches, 0);
  // All 65536 units in one conversion: same bytes, same result.
  auto [output, result] = engine(1200, page, unitsAsBytes(all));
  EXPECT_EQ(test::show(output), test::show(expected)) << page;
  EXPECT_EQ(result, expectedResult) << page;
}

TEST_P(FlatTablesEveryPage, EveryByteAndPairDecodesAsTheHashTableSays) {
  const std::int32_t page = GetParam();
  if (!isMultiByte(page)) {
    EXPECT_EQ(flatDecodeTableFor(page), nullptr);  // the 256-unit array is used as it is
    if (page == kMacArabic) return;                // reorders its input before the table
    Bytes all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    auto [units, complete] = referenceDecode(page, all);
    auto [output, result] = engine(page, 1200, all);
    EXPECT_EQ(test::show(output), test::show(unitsAsBytes(units)));
    EXPECT_EQ(result, complete);
    return;
  }
  const FlatDecodeTable* flat = flatDecodeTableFor(page);
  ASSERT_NE(flat, nullptr);
  EXPECT_TRUE(flat->coversAllKeys()) << "the stored tables have keys of 1 and 2 bytes only";
  const HashConvert& table = *decodeTableFor(page).multiByte;
  std::uint8_t value[255];
  int mismatches = 0;
  for (std::uint32_t lead = 0; lead < 256; ++lead) {
    for (std::uint32_t trail = 0; trail < 256; ++trail) {
      const std::uint8_t key[2] = {static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)};
      std::uint32_t expected =
          table.lookup(key, 2, value) == 2 ? FlatDecodeTable::kMapped | unitOf(value) : 0;
      if (flat->pairEntry(key[0], key[1]) != expected && ++mismatches <= 3) {
        ADD_FAILURE() << "page " << page << " pair " << std::hex << lead << ' ' << trail;
      }
    }
    auto [units, complete] = referenceDecode(page, Bytes{static_cast<std::uint8_t>(lead)});
    std::uint32_t expected = complete ? FlatDecodeTable::kMapped | units.at(0) : 0;
    if (flat->singleEntry(static_cast<std::uint8_t>(lead)) != expected && ++mismatches <= 3) {
      ADD_FAILURE() << "page " << page << " byte " << std::hex << lead;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// A seeded stream of the page's own byte pairs, lone lead bytes, ASCII, zero bytes and
// random bytes, cut anywhere.
Bytes mixedStream(std::int32_t page, std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(page));
  std::vector<std::uint16_t> pairs;
  if (const FlatDecodeTable* flat = flatDecodeTableFor(page)) {
    for (std::uint32_t k = 0; k < 0x10000; ++k) {
      if (flat->pairEntry(static_cast<std::uint8_t>(k >> 8), static_cast<std::uint8_t>(k)) != 0) {
        pairs.push_back(static_cast<std::uint16_t>(k));
      }
    }
  }
  Bytes out;
  while (out.size() < size) {
    std::uint32_t pick = random() % 10;
    if (pick < 5 && !pairs.empty()) {
      std::uint16_t k = pairs[random() % pairs.size()];
      out.push_back(static_cast<std::uint8_t>(k >> 8));
      if (pick > 0) out.push_back(static_cast<std::uint8_t>(k));  // else a lone lead byte
    } else if (pick < 8) {
      out.push_back(static_cast<std::uint8_t>(0x20 + random() % 0x5F));
    } else if (pick == 8) {
      out.push_back(0);
    } else {
      out.push_back(static_cast<std::uint8_t>(random()));
    }
  }
  return out;
}

TEST_P(FlatTablesEveryPage, MixedStreamsDecodeToUtf16AndUtf8AsTheHashTableSays) {
  const std::int32_t page = GetParam();
  Bytes input = mixedStream(page, 6000);
  auto [wide, wideResult] = engine(page, 1200, input);
  if (page != kMacArabic) {  // which reorders its input before the table
    auto [units, complete] = referenceDecode(page, input);
    EXPECT_TRUE(wide == unitsAsBytes(units)) << page;
    EXPECT_EQ(wideResult, complete);
  }
  // To UTF-8 the result is that of encoding the decoded units, which cannot fail.
  auto [utf8, utf8Result] = engine(page, 65001, input);
  auto [expectedUtf8, ignored] = engine(1200, 65001, wide);
  EXPECT_TRUE(utf8 == expectedUtf8) << page;
  EXPECT_TRUE(utf8Result);
  // Short inputs of single-byte pages take a loop of their own.
  Bytes head(input.begin(), input.begin() + 300);
  auto [headWide, headWideResult] = engine(page, 1200, head);
  auto [headUtf8, headResult] = engine(page, 65001, head);
  auto [expectedHead, ignoredHead] = engine(1200, 65001, headWide);
  EXPECT_TRUE(headUtf8 == expectedHead) << page;
  EXPECT_TRUE(headResult);
}

// UTF-8 text of characters the page has and has not, 4-byte characters and malformed bytes,
// long enough to pass several of the slices the engine converts it in.
Bytes mixedUtf8(std::int32_t page, std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(page) * 7u + 1u);
  Bytes out;
  auto putUtf8 = [&out](std::uint32_t c) {
    if (c < 0x80) {
      out.push_back(static_cast<std::uint8_t>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | c >> 6));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<std::uint8_t>(0xE0 | c >> 12));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<std::uint8_t>(0xF0 | c >> 18));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
    }
  };
  while (out.size() < size) {
    std::uint32_t pick = random() % 12;
    if (pick < 4) {
      putUtf8(0x20 + random() % 0x5F);
    } else if (pick < 6) {
      putUtf8(0x80 + random() % 0x780);
    } else if (pick < 9) {
      putUtf8(0x800 + random() % 0xF800);  // surrogates included, as 3-byte sequences
    } else if (pick == 9) {
      putUtf8(0x10000 + random() % 0x100000);
    } else {
      out.push_back(static_cast<std::uint8_t>(0x80 + random() % 0x80));  // stray bytes
    }
  }
  return out;
}

TEST_P(FlatTablesEveryPage, Utf8ConvertsAsThroughOneWholeUtf16Temporary) {
  const std::int32_t page = GetParam();
  Bytes input = mixedUtf8(page, 70000);
  auto [wide, ignored] = engine(65001, 1200, input);
  auto [expected, expectedResult] = engine(1200, page, wide);
  auto [output, result] = engine(65001, page, input);
  EXPECT_EQ(output.size(), expected.size());
  EXPECT_TRUE(output == expected) << page;
  EXPECT_EQ(result, expectedResult);
}

INSTANTIATE_TEST_SUITE_P(AllTablePages, FlatTablesEveryPage, ::testing::ValuesIn(allTablePages()),
                         [](const ::testing::TestParamInfo<std::int32_t>& info) {
                           return "cp" + std::to_string(info.param);
                         });

// Characters and malformed runs placed across the point where the engine ends its first slice
// of UTF-8 input (32 KiB): nothing may be split, lost or doubled there.
struct SliceCase {
  const char* name;
  const char* tail;  // hex, placed after the ASCII padding
};

class FlatTablesSliceEdge : public ::testing::TestWithParam<SliceCase> {};

TEST_P(FlatTablesSliceEdge, CharactersAcrossTheSliceEdgeConvertWhole) {
  const SliceCase& c = GetParam();
  for (std::size_t padding = 32 * 1024 - 5; padding <= 32 * 1024 + 1; ++padding) {
    Bytes input(padding, 'a');
    Bytes tail = test::hex(c.tail);
    input.insert(input.end(), tail.begin(), tail.end());
    input.insert(input.end(), 40, 'b');
    for (std::int32_t page : {932, 1252}) {
      auto [wide, ignored] = engine(65001, 1200, input);
      auto [expected, expectedResult] = engine(1200, page, wide);
      auto [output, result] = engine(65001, page, input);
      EXPECT_TRUE(output == expected) << "padding " << padding << " page " << page;
      EXPECT_EQ(result, expectedResult) << "padding " << padding << " page " << page;
    }
  }
}

const SliceCase kSliceEdges[] = {
    {"ThreeByteKana", "E3 81 82 E3 81 84"},           {"TwoByteLatin", "C3 A9 C3 A9 C3 A9"},
    {"FourByteCharacter", "F0 9F 98 80 F0 9F 98 80"}, {"ContinuationRun", "80 80 80 80 80 80 41"},
    {"CutShortLeads", "E3 81 41 C3 41 F0 9F 41"},
};

INSTANTIATE_TEST_SUITE_P(Edges, FlatTablesSliceEdge, ::testing::ValuesIn(kSliceEdges),
                         [](const ::testing::TestParamInfo<SliceCase>& info) { return info.param.name; });

// A hand-made table with 3-byte keys is decoded through the hash table, not the flat arrays.
TEST(FlatDecodeTable, KeysLongerThanTwoBytesAreNotCovered) {
  HashConvert table;
  table.init(7);
  table.setAsciiCompatible(true);
  const std::uint8_t pair[2] = {0x81, 0x40}, triple[3] = {0x81, 0x40, 0x41}, unit[2] = {0x00, 0x30};
  table.insert(pair, 2, unit, 2);
  FlatDecodeTable onlyPairs(table);
  EXPECT_TRUE(onlyPairs.coversAllKeys());
  EXPECT_EQ(onlyPairs.pairEntry(0x81, 0x40), FlatDecodeTable::kMapped | 0x3000);
  EXPECT_EQ(onlyPairs.singleEntry(0x41), FlatDecodeTable::kMapped | 0x41);
  EXPECT_EQ(onlyPairs.singleEntry(0x81), 0u);
  EXPECT_TRUE(onlyPairs.passesAsciiThrough());
  EXPECT_EQ(onlyPairs.pairUtf8(0x81, 0x40), 0x038080E3u);  // E3 80 80, three bytes
  table.insert(triple, 3, unit, 2);
  EXPECT_FALSE(FlatDecodeTable(table).coversAllKeys());
  // An ASCII byte that begins a 2-byte key stops ASCII runs from being copied as they are.
  const std::uint8_t asciiLead[2] = {0x41, 0x42};
  table.insert(asciiLead, 2, unit, 2);
  EXPECT_FALSE(FlatDecodeTable(table).passesAsciiThrough());
}

}  // namespace
}  // namespace vk
