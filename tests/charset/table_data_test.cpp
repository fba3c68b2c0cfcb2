// The stored tables as the store builds them: every table code page's data read back record
// by record with a parser of this test's own, compared with what the store's encode and
// decode tables answer, and a set of known facts about particular code pages.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "charset/stored_blobs.h"
#include "charset/table_loader.h"
#include "charset/table_store.h"
#include "charset/table_store_info.h"
#include "charset/table_test_blobs.h"

namespace vk {
namespace {

using testblobs::Bytes;
using testblobs::entriesOf;
using testblobs::lookupBytes;
using testblobs::unitKey;

struct Record {
  Bytes code;
  std::uint16_t unit;
};

struct TableData {
  bool loaded = false;
  bool asciiCompatible = false;
  char kind = 0;
  std::vector<Record> singles;
  std::vector<Record> doubles;
  // Patch bodies only.
  std::vector<std::uint16_t> removals;
  bool complete = false;  // every section ended by its terminator, nothing after
};

std::uint16_t word(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// An independent reading of the table data format.
TableData parse(const DataBuffer& buffer) {
  TableData t;
  const std::uint8_t* p = buffer.data();
  const std::size_t n = buffer.length();
  if (n < 2) return t;
  t.loaded = true;
  t.asciiCompatible = p[0] == 'a';
  t.kind = static_cast<char>(p[1]);
  std::size_t i = 2;
  if (t.kind == 'd') {
    for (; i + 2 <= n && word(p + i) != 0; i += 2) t.removals.push_back(word(p + i));
    i += 2;
    for (; i + 3 <= n && p[i] != 0; i += 3) t.singles.push_back({{p[i]}, word(p + i + 1)});
    i += 1;
    for (; i + 4 <= n && word(p + i) != 0; i += 4) {
      t.doubles.push_back({{p[i], p[i + 1]}, word(p + i + 2)});
    }
    t.complete = i + 2 == n;
    return t;
  }
  std::uint8_t byte = 0;
  std::uint16_t unit = 0;
  for (; i + 3 <= n && p[i] != 0; i += 3) {
    byte = static_cast<std::uint8_t>(byte + p[i]);
    unit = static_cast<std::uint16_t>(unit + word(p + i + 1));
    t.singles.push_back({{byte}, unit});
  }
  i += 1;
  std::uint16_t code = 0;
  unit = 0;
  for (; i + 4 <= n && word(p + i) != 0; i += 4) {
    code = static_cast<std::uint16_t>(code + word(p + i));
    unit = static_cast<std::uint16_t>(unit + word(p + i + 2));
    t.doubles.push_back({{static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code)}, unit});
  }
  t.complete = i + 2 == n;
  return t;
}

TableData storedData(std::int32_t codePage) {
  const std::string blob = joinBlobPieces(storedBlobPieces(codePage));
  DataBuffer buffer;
  if (!blobTableData(blob.c_str(), buffer)) return {};
  return parse(buffer);
}

std::vector<Record> allRecords(const TableData& t) {
  std::vector<Record> all = t.singles;
  all.insert(all.end(), t.doubles.begin(), t.doubles.end());
  return all;
}

// Decoding one code as the engine does: bytes below 0x80 of an ASCII-compatible table stand
// for themselves, the rest go through the decode table.
std::optional<std::uint16_t> decode(std::int32_t codePage, const Bytes& code) {
  const DecodeTable table = decodeTableFor(codePage);
  if (table.singleByte != nullptr) {
    if (code.size() != 1) return std::nullopt;
    std::uint16_t unit = table.singleByte->unitFor(code[0]);
    if (unit == 0) return std::nullopt;
    return unit;
  }
  if (table.multiByte == nullptr) return std::nullopt;
  if (code.size() == 1 && code[0] < 0x80 && table.multiByte->isAsciiCompatible()) return code[0];
  Bytes value = lookupBytes(*table.multiByte, code);
  if (value.size() != 2) return std::nullopt;
  return static_cast<std::uint16_t>(value[0] | (value[1] << 8));
}

Bytes encode(std::int32_t codePage, std::uint16_t unit) {
  const HashConvert* table = encodeTableFor(codePage);
  if (table == nullptr) return {};
  if (unit < 0x80 && table->isAsciiCompatible()) return {static_cast<std::uint8_t>(unit)};
  return lookupBytes(*table, unitKey(unit));
}

std::vector<std::int32_t> pagesWithFullTables() {
  std::size_t count = 0;
  const std::int32_t* pages = tableCodePages(&count);
  std::vector<std::int32_t> out;
  for (std::size_t i = 0; i < count; ++i) {
    if (pages[i] != 10001) out.push_back(pages[i]);
  }
  return out;
}

// The code pages whose tables are not ASCII-compatible: EBCDIC, the IA5 national variants
// and Mac Thai.
const std::set<std::int32_t> kNotAsciiCompatible = {
    37,    500,   870,   875,   1026,  1047,  1140,  1141,  1142,  1143,  1144,  1145,  1146,
    1147,  1148,  1149,  20273, 20277, 20278, 20280, 20284, 20285, 20290, 20297, 20420, 20423,
    20424, 20838, 20871, 20880, 20905, 20924, 21025, 20105, 20106, 20107, 20108, 10021};

class StoredTable : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(StoredTable, DataIsWellFormed) {
  const std::int32_t page = GetParam();
  const TableData t = storedData(page == 51936 ? 936 : page);
  ASSERT_TRUE(t.loaded);
  EXPECT_EQ(t.kind, 'u');
  EXPECT_TRUE(t.complete);
  EXPECT_EQ(t.asciiCompatible, kNotAsciiCompatible.count(page) == 0);
  TableLayout layout;
  ASSERT_TRUE(tableLayoutFor(page, &layout));
  if (!layout.multiByte) { EXPECT_TRUE(t.doubles.empty()); }
  EXPECT_FALSE(t.singles.empty());
  // Records ascend by character within a section; a character repeats only right after its
  // own record (its extra decode-only codes), never across sections.
  std::set<std::uint16_t> units;
  for (const auto* section : {&t.singles, &t.doubles}) {
    for (std::size_t i = 0; i < section->size(); ++i) {
      const std::uint16_t unit = (*section)[i].unit;
      const bool repeat = i > 0 && (*section)[i - 1].unit == unit;
      if (i > 0) { EXPECT_LE((*section)[i - 1].unit, unit) << page << " record " << i; }
      EXPECT_TRUE(units.insert(unit).second || repeat) << page << " U+" << std::hex << unit;
    }
  }
}

// Every code decodes to the character of its first record, every character encodes to its
// record's code, and the store's tables hold nothing else.
TEST_P(StoredTable, StoreTablesAnswerEveryRecord) {
  const std::int32_t page = GetParam();
  const TableData t = storedData(page == 51936 ? 936 : page);
  ASSERT_TRUE(t.loaded);
  const std::vector<Record> records = allRecords(t);
  std::map<Bytes, std::uint16_t> firstUnitOfCode;
  std::map<std::uint16_t, Bytes> codeOfUnit;
  for (const Record& r : records) {
    firstUnitOfCode.emplace(r.code, r.unit);
    codeOfUnit.emplace(r.unit, r.code);
  }
  int mismatches = 0;
  for (const auto& [code, unit] : firstUnitOfCode) {
    std::optional<std::uint16_t> expected = unit;
    if (t.asciiCompatible && code.size() == 1 && code[0] < 0x80) expected = code[0];
    if (code.size() == 1 && code[0] == 0) continue;  // byte 0 is the engine's own
    if (decode(page, code) != expected && ++mismatches <= 10) {
      ADD_FAILURE() << page << " decode of " << testing::PrintToString(code);
    }
  }
  for (const auto& [unit, code] : codeOfUnit) {
    if (t.asciiCompatible && unit < 0x80) continue;
    if (encode(page, unit) != code && ++mismatches <= 10) {
      ADD_FAILURE() << page << " encode of U+" << std::hex << unit;
    }
  }
  EXPECT_EQ(mismatches, 0);

  const HashConvert* encodeTable = encodeTableFor(page);
  ASSERT_NE(encodeTable, nullptr);
  EXPECT_EQ(encodeTable->isAsciiCompatible(), t.asciiCompatible);
  EXPECT_EQ(entriesOf(*encodeTable).size(), records.size());
  const DecodeTable decodeTable = decodeTableFor(page);
  if (decodeTable.multiByte != nullptr) {
    EXPECT_EQ(decodeTable.multiByte->isAsciiCompatible(), t.asciiCompatible);
    EXPECT_EQ(entriesOf(*decodeTable.multiByte).size(), records.size());
  } else {
    ASSERT_NE(decodeTable.singleByte, nullptr);
    for (int b = 1; b < 256; ++b) {
      Bytes code = {static_cast<std::uint8_t>(b)};
      bool listed = firstUnitOfCode.count(code) != 0 || (t.asciiCompatible && b < 0x80);
      EXPECT_EQ(decodeTable.singleByte->unitFor(static_cast<std::uint8_t>(b)) != 0, listed)
          << page << " byte " << b;
    }
    EXPECT_EQ(decodeTable.singleByte->unitFor(0), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, StoredTable, ::testing::ValuesIn(pagesWithFullTables()),
                         [](const auto& info) { return std::to_string(info.param); });

TEST(StoredTables, EveryTablePageHasItsBlob) {
  std::size_t count = 0;
  const std::int32_t* pages = tableCodePages(&count);
  for (std::size_t i = 0; i < count; ++i) {
    if (pages[i] == 51936) {
      EXPECT_EQ(storedBlobPieces(51936), nullptr);
    } else {
      EXPECT_NE(storedBlobPieces(pages[i]), nullptr) << pages[i];
    }
  }
}

// Mac Japanese: Shift_JIS's records with the patch applied, decoded through the inversion.
TEST(StoredTables, MacJapaneseIsShiftJisWithItsPatch) {
  const TableData base = storedData(932);
  const TableData patch = storedData(10001);
  ASSERT_TRUE(base.loaded);
  ASSERT_TRUE(patch.loaded);
  EXPECT_EQ(patch.kind, 'd');
  EXPECT_TRUE(patch.complete);
  std::map<std::uint16_t, Bytes> expected;
  for (const Record& r : allRecords(base)) expected.emplace(r.unit, r.code);
  for (std::uint16_t unit : patch.removals) expected.erase(unit);
  for (const Record& r : allRecords(patch)) expected[r.unit] = r.code;

  const HashConvert* encodeTable = encodeTableFor(10001);
  ASSERT_NE(encodeTable, nullptr);
  EXPECT_EQ(encodeTable->isAsciiCompatible(), patch.asciiCompatible);
  // Shift_JIS's extra decode-only codes stay in the encode table behind the encoder's code of
  // their character, where lookup never reaches them: count characters, not entries.
  std::set<Bytes> encodedUnits;
  for (const auto& entry : entriesOf(*encodeTable)) encodedUnits.insert(entry.key);
  EXPECT_EQ(encodedUnits.size(), expected.size());
  int mismatches = 0;
  for (const auto& [unit, code] : expected) {
    if (lookupBytes(*encodeTable, unitKey(unit)) != code && ++mismatches <= 10) {
      ADD_FAILURE() << "encode of U+" << std::hex << unit;
    }
  }
  for (std::uint16_t unit : patch.removals) {
    EXPECT_TRUE(lookupBytes(*encodeTable, unitKey(unit)).empty()) << std::hex << unit;
  }
  // Every entry of the decode table gives back a character that encodes to it.
  const DecodeTable decodeTable = decodeTableFor(10001);
  ASSERT_NE(decodeTable.multiByte, nullptr);
  EXPECT_EQ(decodeTable.multiByte->isAsciiCompatible(), encodeTable->isAsciiCompatible());
  const auto decodeEntries = entriesOf(*decodeTable.multiByte);
  EXPECT_EQ(decodeEntries.size(), expected.size());
  for (const auto& entry : decodeEntries) {
    const std::uint16_t unit = static_cast<std::uint16_t>(entry.value[0] | (entry.value[1] << 8));
    if (expected[unit] != entry.key && ++mismatches <= 10) {
      ADD_FAILURE() << "decode entry for U+" << std::hex << unit;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// --- known facts ------------------------------------------------------------------------

struct Fact {
  const char* what;
  std::int32_t codePage;
  bool encoding;  // true: unit -> code; false: code -> unit
  Bytes code;     // empty: the unit has no code
  std::uint16_t unit;
  bool mapped;
};

Fact encodes(const char* what, std::int32_t page, std::uint16_t unit, Bytes code) {
  return {what, page, true, std::move(code), unit, true};
}
Fact lacks(const char* what, std::int32_t page, std::uint16_t unit) {
  return {what, page, true, {}, unit, false};
}
Fact decodes(const char* what, std::int32_t page, Bytes code, std::uint16_t unit) {
  return {what, page, false, std::move(code), unit, true};
}
Fact unmapped(const char* what, std::int32_t page, Bytes code) {
  return {what, page, false, std::move(code), 0, false};
}

class TableFact : public ::testing::TestWithParam<Fact> {};

TEST_P(TableFact, Holds) {
  const Fact& f = GetParam();
  if (f.encoding) {
    EXPECT_EQ(encode(f.codePage, f.unit), f.mapped ? f.code : Bytes{}) << f.what;
  } else {
    EXPECT_EQ(decode(f.codePage, f.code), f.mapped ? std::optional<std::uint16_t>(f.unit) : std::nullopt)
        << f.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Facts, TableFact,
    ::testing::Values(
        decodes("1252 euro", 1252, {0x80}, 0x20AC), unmapped("1252 hole", 1252, {0x81}),
        decodes("1252 ASCII by mark", 1252, {0x41}, 0x0041), encodes("1252 e acute", 1252, 0x00E9, {0xE9}),
        lacks("1252 alpha", 1252, 0x03B1), decodes("8859-1 euro", 28591, {0x80}, 0x20AC),
        decodes("8859-1 e acute", 28591, {0xE9}, 0x00E9), encodes("8859-1 euro back", 28591, 0x20AC, {0x80}),
        lacks("8859-1 has no U+0080", 28591, 0x0080), encodes("8859-5 euro", 28595, 0x20AC, {0x80}),
        unmapped("8859-7 leaves 0x80", 28597, {0x80}), decodes("8859-13 keeps U+0080", 28603, {0x80}, 0x0080),
        decodes("8859-15 keeps U+0080", 28605, {0x80}, 0x0080),
        encodes("US-ASCII no-break space", 20127, 0x00A0, {0x20}), lacks("US-ASCII e acute", 20127, 0x00E9),
        decodes("Shift_JIS hiragana a", 932, {0x82, 0xA0}, 0x3042),
        encodes("Shift_JIS hiragana a back", 932, 0x3042, {0x82, 0xA0}),
        encodes("Shift_JIS yen", 932, 0x00A5, {0x5C}), encodes("EUC-JP yen", 51932, 0x00A5, {0x5C}),
        encodes("Shift_JIS no-break space", 932, 0x00A0, {0x20}),
        encodes("GBK no-break space", 936, 0x00A0, {0x20}),
        encodes("949 no-break space", 949, 0x00A0, {0x20}),
        encodes("Big5 no-break space", 950, 0x00A0, {0x20}),
        encodes("Johab no-break space", 1361, 0x00A0, {0x20}),
        encodes("EUC-JP no-break space", 51932, 0x00A0, {0x20}),
        encodes("EUC-CN no-break space", 51936, 0x00A0, {0x20}),
        encodes("EUC-KR no-break space", 51949, 0x00A0, {0x20}),
        encodes("Mac Japanese copyright", 10001, 0x00A9, {0xFD}),
        encodes("Mac Japanese trade mark", 10001, 0x2122, {0xFE}),
        encodes("Mac Japanese no-break space", 10001, 0x00A0, {0xA0}),
        lacks("Mac Japanese has no yen", 10001, 0x00A5),
        decodes("Mac Japanese ASCII by mark", 10001, {0x41}, 0x0041),
        decodes("Mac Japanese copyright back", 10001, {0xFD}, 0x00A9),
        decodes("864 percent by mark", 864, {0x25}, 0x0025), lacks("864 Arabic percent", 864, 0x066A),
        encodes("EBCDIC 37 A", 37, 0x0041, {0xC1}), decodes("EBCDIC 37 A back", 37, {0xC1}, 0x0041),
        decodes("Mac Roman ohm", 10000, {0xBD}, 0x2126),
        // Codes that decode to a character whose encoder writes another code.
        decodes("Shift_JIS NEC-selected IBM row", 932, {0xED, 0x40}, 0x7E8A),
        encodes("Shift_JIS writes the IBM code", 932, 0x7E8A, {0xFA, 0x5C}),
        decodes("Shift_JIS NEC row 13 symbol", 932, {0x87, 0x90}, 0x2252),
        encodes("Shift_JIS writes the JIS code", 932, 0x2252, {0x81, 0xE0}),
        decodes("Big5 numeral-row hanzi", 950, {0xA2, 0xCC}, 0x5341),
        encodes("Big5 writes the hanzi row", 950, 0x5341, {0xA4, 0x51}),
        decodes("875 extra SUB byte", 875, {0xDC}, 0x001A),
        encodes("875 writes SUB as 3F", 875, 0x001A, {0x3F}),
        unmapped("Mac Japanese lacks the NEC row 13 copy", 10001, {0x87, 0x90})),
    [](const auto& info) { return "fact" + std::to_string(info.index); });

}  // namespace
}  // namespace vk
