// The generated code-page list against the parts that read it: every row converts the way its
// converter column says, every table page finds the stored table it names, and every name of a
// row resolves to that row's number.
#include "charset/code_pages.h"

#include <gtest/gtest.h>

#include <string>

#include "charset/charset_names.h"
#include "charset/encoding_convert.h"
#include "charset/iso2022_hooks.h"
#include "charset/stored_blobs.h"
#include "charset/table_store_info.h"

namespace vk {
namespace {

std::string label(const CodePageRow& row) { return "code page " + std::to_string(row.codePage); }

TEST(CodePageList, EveryTablePageHasItsStoredTableAndLayout) {
  for (const CodePageRow& row : kCodePages) {
    SCOPED_TRACE(label(row));
    TableLayout layout;
    bool hasLayout = tableLayoutFor(row.codePage, &layout);
    EXPECT_EQ(hasLayout, row.converter == Converter::kTable);
    EXPECT_EQ(row.table != TableKind::kNone, row.converter == Converter::kTable);
    if (!hasLayout) continue;
    EXPECT_EQ(layout.multiByte, row.table != TableKind::kSingleByte);
    EXPECT_GT(layout.encodeBuckets, 0u);
    EXPECT_GT(layout.decodeBuckets, 0u);
    EXPECT_NE(storedBlobPieces(row.tablePage), nullptr);
    // A patch is stored under its own number, on top of the base's full table.
    if (row.table == TableKind::kPatch) { EXPECT_NE(storedBlobPieces(row.codePage), nullptr); }
  }
}

TEST(CodePageList, TablePagesOfTheStoreAreTheTableRowsInOrder) {
  std::size_t count = 0;
  const std::int32_t* pages = tableCodePages(&count);
  std::size_t next = 0;
  for (const CodePageRow& row : kCodePages) {
    if (row.converter != Converter::kTable) continue;
    ASSERT_LT(next, count);
    EXPECT_EQ(pages[next++], row.codePage);
  }
  EXPECT_EQ(next, count);
}

TEST(CodePageList, TransformsAreCarriedOverMultiByteTablePages) {
  for (const CodePageRow& row : kCodePages) {
    if (row.converter != Converter::kTransform) continue;
    SCOPED_TRACE(label(row));
    const CodePageRow* carrier = codePageRow(row.tablePage);
    ASSERT_NE(carrier, nullptr);
    EXPECT_EQ(carrier->table, TableKind::kMultiByte);
  }
}

TEST(CodePageList, EveryNameResolvesToItsRow) {
  for (const CodePageRow& row : kCodePages) {
    for (const char* name : row.names) {
      if (name == nullptr) continue;
      EXPECT_EQ(charsetToCodePage(name), row.codePage) << name;
    }
  }
}

TEST(CodePageList, RowLookupFindsEveryRowAndNothingElse) {
  for (const CodePageRow& row : kCodePages) EXPECT_EQ(codePageRow(row.codePage), &row);
  for (std::int32_t missing : {0, -1, 1, 36, 38, 1202, 65002, 65535}) {
    EXPECT_EQ(codePageRow(missing), nullptr) << missing;
  }
}

// Letters and digits go through every convertible page and back unchanged; a page without a
// converter produces nothing and reports it.
TEST(CodePageList, ConvertersAnswerAsTheirColumnSays) {
  const std::u16string sample = u"Az09";
  const bool transforms = iso2022Transforms() != nullptr;
  for (const CodePageRow& row : kCodePages) {
    SCOPED_TRACE(label(row));
    bool convertible = row.converter == Converter::kUnicode || row.converter == Converter::kTable ||
                       (row.converter == Converter::kTransform && transforms);
    EXPECT_EQ(EncodingConvert::canConvert(row.codePage), convertible);
    DataBuffer encoded;
    bool whole = EncodingConvert().convert(codepage::kUtf16Le, row.codePage, sample.data(),
                                           static_cast<std::uint32_t>(sample.size() * 2), encoded);
    if (!convertible) {
      EXPECT_FALSE(whole);
      EXPECT_EQ(encoded.length(), 0u);
      continue;
    }
    EXPECT_TRUE(whole);
    DataBuffer back;
    EXPECT_TRUE(
        EncodingConvert().convert(row.codePage, codepage::kUtf16Le, encoded.data(), encoded.length(), back));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(back.data()), back.length() / 2), sample);
  }
}

}  // namespace
}  // namespace vk
