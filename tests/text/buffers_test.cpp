#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_bytes.h"
#include "text/data_buffer.h"
#include "text/string_buffer.h"

namespace vk {
namespace {

TEST(StringBufferGrowth, DefaultBufferFollowsTheStepSequence) {
  StringBuffer buffer;
  std::vector<std::pair<std::int32_t, std::int32_t>> seen;  // capacity, step at each change
  seen.emplace_back(buffer.capacity(), buffer.growthStep());
  for (int i = 0; i < 1000; ++i) {
    buffer.appendChar('x');
    if (buffer.capacity() != seen.back().first) seen.emplace_back(buffer.capacity(), buffer.growthStep());
    ASSERT_EQ(buffer.text()[buffer.length()], 0);
  }
  EXPECT_EQ(buffer.length(), 1000);
  std::vector<std::pair<std::int32_t, std::int32_t>> expected = {
      {200, 200}, {400, 200}, {600, 300}, {900, 450}, {1350, 675}};
  EXPECT_EQ(seen, expected);
}

TEST(StringBufferGrowth, ConstructorsSizeTheirBlocks) {
  EXPECT_EQ(StringBuffer("abc").capacity(), 4);
  EXPECT_EQ(StringBuffer(static_cast<const char*>(nullptr)).capacity(), 4);
  EXPECT_EQ(StringBuffer::withSize(0).capacity(), 200);
  StringBuffer sized = StringBuffer::withSize(50);
  EXPECT_EQ(sized.capacity(), 50);
  EXPECT_EQ(sized.growthStep(), 50);
  StringBuffer source("hello");
  source.reserve(100);
  StringBuffer copy(source);
  EXPECT_EQ(copy.capacity(), 6);
  EXPECT_STREQ(copy.text(), "hello");
}

TEST(StringBufferGrowth, TextAppendAddsOneSpareByteAndBytesAppendNone) {
  StringBuffer text("ab");  // capacity 3
  text.append("cd");         // 2 + 2 >= 3: 2 + 2 + 200 + 1
  EXPECT_EQ(text.capacity(), 205);
  StringBuffer bytes("ab");
  bytes.appendBytes("cd", 2);
  EXPECT_EQ(bytes.capacity(), 204);
  StringBuffer reserved("ab");
  reserved.reserve(10);
  EXPECT_EQ(reserved.capacity(), 213);
  EXPECT_EQ(reserved.growthStep(), 200);  // reserve leaves the step alone
}

TEST(StringBufferGrowth, LargeTextsGrowGeometricallyPastTheStepLimit) {
  StringBuffer buffer;
  std::string chunk(100000, 'a');
  int reallocations = 0;
  std::int32_t capacity = buffer.capacity();
  for (int i = 0; i < 200; ++i) {  // 20 MB
    buffer.append(chunk.c_str());
    if (buffer.capacity() != capacity) {
      ++reallocations;
      capacity = buffer.capacity();
    }
  }
  EXPECT_EQ(buffer.length(), 20000000);
  EXPECT_LT(reallocations, 30);
}

TEST(StringBufferEdits, AppendingEmptyOrNullChangesNothing) {
  StringBuffer buffer("abc");
  buffer.append("");
  buffer.append(nullptr);
  buffer.appendBytes(nullptr, 3);
  buffer.appendBytes("x", 0);
  EXPECT_EQ(buffer.length(), 3);
  EXPECT_STREQ(buffer.text(), "abc");
}

TEST(StringBufferEdits, AppendingFromItselfIsSafe) {
  StringBuffer buffer("abc");
  buffer.append(buffer.text());
  EXPECT_STREQ(buffer.text(), "abcabc");
  buffer.setText(buffer.text() + 2);
  EXPECT_STREQ(buffer.text(), "cabc");
  buffer.appendBytes(buffer.text(), buffer.length());
  EXPECT_STREQ(buffer.text(), "cabccabc");
}

struct TextCase {
  const char* name;
  const char* input;
  void (*operation)(StringBuffer&);
  const char* expected;
};

class StringBufferTextOps : public ::testing::TestWithParam<TextCase> {};

TEST_P(StringBufferTextOps, GivesExpectedText) {
  const TextCase& c = GetParam();
  StringBuffer buffer(c.input);
  c.operation(buffer);
  EXPECT_STREQ(buffer.text(), c.expected);
  EXPECT_EQ(buffer.length(), static_cast<std::int32_t>(std::strlen(c.expected)));
}

const TextCase kTextCases[] = {
    {"TrimSpacesTabs", " \t ab c\t ", [](StringBuffer& b) { b.trimSpacesTabs(); }, "ab c"},
    {"TrimSpacesTabsKeepsNewlines", "\n ab \r", [](StringBuffer& b) { b.trimSpacesTabs(); }, "\n ab \r"},
    {"TrimSpacesOnly", "   ", [](StringBuffer& b) { b.trimSpacesTabs(); }, ""},
    {"TrimWhitespace", "\r\n\t ab \n", [](StringBuffer& b) { b.trimWhitespace(); }, "ab"},
    {"Collapse", "a\t\r\nb  c ", [](StringBuffer& b) { b.collapseWhitespace(); }, "a b c "},
    {"CollapseControlsOnly", "\t\r\n", [](StringBuffer& b) { b.collapseWhitespace(); }, " "},
    {"ReplaceAllShrinks", "aaaa", [](StringBuffer& b) { EXPECT_EQ(b.replaceAll("aa", "a"), 2); }, "aa"},
    {"ReplaceAllGrows", "a-b-c", [](StringBuffer& b) { EXPECT_EQ(b.replaceAll("-", "--"), 2); }, "a--b--c"},
    {"ReplaceAllNullWith", "a-b", [](StringBuffer& b) { EXPECT_EQ(b.replaceAll("-", nullptr), 1); }, "ab"},
    {"ReplaceAllEmptyFind", "abc", [](StringBuffer& b) { EXPECT_EQ(b.replaceAll("", "x"), 0); }, "abc"},
    {"ReplaceAllAbsent", "abc", [](StringBuffer& b) { EXPECT_EQ(b.replaceAll("z", "x"), 0); }, "abc"},
    {"ReplaceAllWithByte", "a--b", [](StringBuffer& b) { EXPECT_EQ(b.replaceAllWithByte("--", '+'), 1); }, "a+b"},
    {"ReplaceFirst", "abab", [](StringBuffer& b) { EXPECT_TRUE(b.replaceFirst("b", "XY")); }, "aXYab"},
    {"ReplaceFirstEmptyWith", "abab", [](StringBuffer& b) { EXPECT_TRUE(b.replaceFirst("ba", "")); }, "ab"},
    {"ReplaceFirstNullWithKeepsText", "abab", [](StringBuffer& b) { EXPECT_TRUE(b.replaceFirst("ba", nullptr)); }, "abab"},
    {"ReplaceFirstEmptyFind", "abc", [](StringBuffer& b) { EXPECT_FALSE(b.replaceFirst("", "x")); }, "abc"},
    {"DropLastTooMany", "abc", [](StringBuffer& b) { b.dropLast(5); }, ""},
    {"DropLastNegative", "abc", [](StringBuffer& b) { b.dropLast(-1); }, ""},
    {"DropLastOne", "abc", [](StringBuffer& b) { b.dropLast(1); }, "ab"},
    {"RemoveByte", "\xE9" "a\xE9" "b", [](StringBuffer& b) { b.removeByte(0x1E9); }, "ab"},
    {"ReplaceByte", "banana", [](StringBuffer& b) { b.replaceByte(0x61, 0x62); }, "bbnbnb"},
    {"LowerLatin1", "AbC\xC9\xE9\xDE", [](StringBuffer& b) { b.toLowerLatin1(); }, "abc\xE9\xE9\xFE"},
    {"UpperLatin1", "aBc\xE9\xC9\xFF", [](StringBuffer& b) { b.toUpperLatin1(); }, "ABC\xC9\xC9\xDF"},
    {"TruncateAt", "name;rest;more", [](StringBuffer& b) { b.truncateAt(';'); }, "name"},
    {"TruncateAtAbsent", "name", [](StringBuffer& b) { b.truncateAt(';'); }, "name"},
};

INSTANTIATE_TEST_SUITE_P(Cases, StringBufferTextOps, ::testing::ValuesIn(kTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StringBufferEdits, ReplaceByteWithZeroKeepsLength) {
  StringBuffer buffer("a,b");
  buffer.replaceByte(',', 0);
  EXPECT_EQ(buffer.length(), 3);
  EXPECT_STREQ(buffer.text(), "a");
}

TEST(StringBufferQueries, SearchesFollowTheirNullAndEmptyRules) {
  StringBuffer buffer("hello world");
  EXPECT_TRUE(buffer.contains("lo w"));
  EXPECT_TRUE(buffer.contains(""));
  EXPECT_FALSE(buffer.contains(nullptr));
  EXPECT_FALSE(buffer.contains("World"));
  EXPECT_TRUE(buffer.beginsWith("hell"));
  EXPECT_TRUE(buffer.beginsWith(""));
  EXPECT_FALSE(buffer.beginsWith(nullptr));
  EXPECT_FALSE(buffer.beginsWith("hello world!"));
  EXPECT_TRUE(buffer.endsWith("world"));
  EXPECT_TRUE(buffer.endsWith(""));
  EXPECT_FALSE(buffer.endsWith(nullptr));
  EXPECT_FALSE(buffer.endsWith("xhello world"));
  EXPECT_TRUE(buffer.equalsNoCase("HELLO World"));
  EXPECT_FALSE(buffer.equalsNoCase("HELLO"));
  EXPECT_FALSE(buffer.equalsNoCase(nullptr));
  EXPECT_TRUE(StringBuffer("").equalsNoCase(nullptr));
  EXPECT_FALSE(StringBuffer("\xC9").equalsNoCase("\xE9"));  // only A-Z fold
}

TEST(StringBufferQueries, ByteAccessOutsideGivesZero) {
  StringBuffer buffer("ab");
  EXPECT_EQ(buffer.byteAt(-1), 0);
  EXPECT_EQ(buffer.byteAt(2), 0);
  EXPECT_EQ(buffer.byteAt(1), 'b');
  EXPECT_EQ(buffer.lastByte(), 'b');
  EXPECT_EQ(StringBuffer().lastByte(), 0);
}

TEST(StringBufferLifecycle, DetachHandsOverTheBlock) {
  StringBuffer buffer("abc");
  std::int32_t length = 0;
  char* block = buffer.detach(&length);
  EXPECT_STREQ(block, "abc");
  EXPECT_EQ(length, 3);
  std::free(block);
  EXPECT_EQ(buffer.length(), 0);
  buffer.append("x");
  EXPECT_STREQ(buffer.text(), "x");
}

TEST(StringBufferLifecycle, ShrinkToFitOnlyWhenWorthIt) {
  StringBuffer buffer;
  buffer.append("abc");
  buffer.shrinkToFit();
  EXPECT_EQ(buffer.capacity(), 4);
  StringBuffer tight("abcdef");
  tight.shrinkToFit();
  EXPECT_EQ(tight.capacity(), 7);
}

TEST(StringBufferLifecycle, SystemMessageIsTrimmed) {
  StringBuffer buffer("E: ");
  buffer.appendSystemMessage(2);
  EXPECT_GT(buffer.length(), 3);
  EXPECT_NE(buffer.lastByte(), '\n');
  EXPECT_NE(buffer.lastByte(), '\r');
}

using StringBufferDeathTest = ::testing::Test;
TEST_F(StringBufferDeathTest, UseAfterDestructionStops) {
  alignas(StringBuffer) unsigned char storage[sizeof(StringBuffer)];
  auto* buffer = new (storage) StringBuffer("x");
  buffer->~StringBuffer();
  // Under UBSan the vptr check may stop the call before the buffer's own marker check does.
  EXPECT_DEATH(buffer->append("y"), "StringBuffer used after destruction|invalid vptr");
}

TEST(DataBufferGrowth, FirstGrowthIsTwentyThousandThenGeometric) {
  DataBuffer buffer;
  EXPECT_EQ(buffer.capacity(), 0u);
  buffer.appendByte(1);
  EXPECT_EQ(buffer.capacity(), 20000u);
  std::vector<std::uint8_t> chunk(30000, 7);
  buffer.append(chunk.data(), chunk.size());
  EXPECT_EQ(buffer.capacity(), 30001u);
  int reallocations = 0;
  std::uint32_t capacity = buffer.capacity();
  for (int i = 0; i < 2000; ++i) {  // 60 MB
    buffer.append(chunk.data(), chunk.size());
    if (buffer.capacity() != capacity) {
      ++reallocations;
      capacity = buffer.capacity();
    }
  }
  EXPECT_EQ(buffer.length(), 30001u + 2000u * 30000u);
  EXPECT_LT(reallocations, 40);
}

TEST(DataBufferEdits, LengthRules) {
  DataBuffer buffer;
  buffer.append("abcdef", 6);
  buffer.shrinkBy(2);
  EXPECT_EQ(buffer.length(), 4u);
  buffer.shrinkBy(10);
  EXPECT_EQ(buffer.length(), 0u);
  buffer.setLength(buffer.capacity() + 5);
  EXPECT_EQ(buffer.length(), buffer.capacity());
  EXPECT_EQ(buffer.byteAt(-1), nullptr);
  EXPECT_EQ(buffer.byteAt(buffer.length()), nullptr);
  EXPECT_NE(buffer.byteAt(0), nullptr);
}

TEST(DataBufferEdits, WideStringsCarryTheirTerminator) {
  DataBuffer buffer;
  buffer.appendWideString(u"ab");
  EXPECT_EQ(test::contents(buffer), test::hex("61 00 62 00 00 00"));
  buffer.clear();
  buffer.appendWideString(nullptr);
  EXPECT_EQ(test::contents(buffer), test::hex("00 00"));
}

TEST(DataBufferEdits, BorrowedBlocksAreCopiedOnGrowthAndNeverFreed) {
  static std::uint8_t block[4] = {1, 2, 3, 4};
  DataBuffer buffer;
  buffer.adoptBorrowed(block, 4);
  EXPECT_TRUE(buffer.isBorrowed());
  buffer.appendByte(5);
  EXPECT_FALSE(buffer.isBorrowed());
  EXPECT_EQ(test::contents(buffer), test::hex("01 02 03 04 05"));
  EXPECT_EQ(block[0], 1);
}

TEST(DataBufferEdits, AppendToItself) {
  DataBuffer buffer;
  buffer.append("xy", 2);
  buffer.appendBuffer(buffer);
  EXPECT_EQ(test::contents(buffer), test::bytesOf("xyxy"));
}

}  // namespace
}  // namespace vk
