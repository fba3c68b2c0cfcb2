#include <gtest/gtest.h>

#include <cstdlib>
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
  text.append("cd");        // 2 + 2 >= 3: 2 + 2 + 200 + 1
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
    {"ReplaceAllWithByte", "a--b", [](StringBuffer& b) { EXPECT_EQ(b.replaceAllWithByte("--", '+'), 1); },
     "a+b"},
    {"ReplaceFirst", "abab", [](StringBuffer& b) { EXPECT_TRUE(b.replaceFirst("b", "XY")); }, "aXYab"},
    {"ReplaceFirstEmptyWith", "abab", [](StringBuffer& b) { EXPECT_TRUE(b.replaceFirst("ba", "")); }, "ab"},
    {"ReplaceFirstNullWithKeepsText", "abab",
     [](StringBuffer& b) { EXPECT_TRUE(b.replaceFirst("ba", nullptr)); }, "abab"},
    {"ReplaceFirstEmptyFind", "abc", [](StringBuffer& b) { EXPECT_FALSE(b.replaceFirst("", "x")); }, "abc"},
    {"DropLastTooMany", "abc", [](StringBuffer& b) { b.dropLast(5); }, ""},
    {"DropLastNegative", "abc", [](StringBuffer& b) { b.dropLast(-1); }, ""},
    {"DropLastOne", "abc", [](StringBuffer& b) { b.dropLast(1); }, "ab"},
    {"RemoveByte",
     "\xE9"
     "a\xE9"
     "b",
     [](StringBuffer& b) { b.removeByte(0x1E9); }, "ab"},
    {"ReplaceByte", "banana", [](StringBuffer& b) { b.replaceByte(0x61, 0x62); }, "bbnbnb"},
    {"LowerLatin1", "AbC\xC9\xE9\xDE", [](StringBuffer& b) { b.toLowerLatin1(); }, "abc\xE9\xE9\xFE"},
    {"UpperLatin1", "aBc\xE9\xC9\xFF", [](StringBuffer& b) { b.toUpperLatin1(); }, "ABC\xC9\xC9\xDF"},
    {"TruncateAt", "name;rest;more", [](StringBuffer& b) { b.truncateAt(';'); }, "name"},
    {"TruncateAtAbsent", "name", [](StringBuffer& b) { b.truncateAt(';'); }, "name"},
};

INSTANTIATE_TEST_SUITE_P(Cases, StringBufferTextOps, ::testing::ValuesIn(kTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ReplaceAll rewrites the text in its own block: in place when the replacement is no longer
// than the pattern, after one exact resize when it is longer. Texts are put in blocks with no
// spare byte, so that a write or read past the end is caught by the address sanitizer; the
// bytes after an embedded NUL are never searched but must stay after the last replacement.
struct ReplaceAllCase {
  const char* name;
  std::string text;
  const char* find;
  const char* with;
  std::string expected;
  std::int32_t count;
};

void PrintTo(const ReplaceAllCase& c, std::ostream* os) { *os << c.name; }

StringBuffer exactBuffer(const std::string& bytes) {
  StringBuffer buffer = StringBuffer::withSize(static_cast<std::int32_t>(bytes.size() + 1));
  buffer.appendBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return buffer;
}

std::string contentOf(const StringBuffer& buffer) {
  return std::string(buffer.text(), static_cast<std::size_t>(buffer.length()));
}

class StringBufferReplaceAll : public ::testing::TestWithParam<ReplaceAllCase> {};

TEST_P(StringBufferReplaceAll, RewritesTheTextInItsBlock) {
  const ReplaceAllCase& c = GetParam();
  StringBuffer buffer = exactBuffer(c.text);
  EXPECT_EQ(buffer.replaceAll(c.find, c.with), c.count);
  EXPECT_EQ(test::show(test::bytesOf(contentOf(buffer))), test::show(test::bytesOf(c.expected)));
  EXPECT_EQ(buffer.text()[buffer.length()], 0);
}

const ReplaceAllCase kReplaceAllCases[] = {
    {"EqualLength", "the cat, the hat", "the", "THE", "THE cat, THE hat", 2},
    {"EqualAdjacent", "aaaa", "a", "b", "bbbb", 4},
    {"EqualWholeText", "abc", "abc", "xyz", "xyz", 1},
    {"ShorterAtBothEnds", "xabxabx", "x", "", "abab", 3},
    {"ShorterInside", "one--two--three", "--", "-", "one-two-three", 2},
    {"ShorterWholeTextGoes", "abcabc", "abc", "", "", 2},
    {"ShorterNonOverlapping", "aaaaa", "aa", "b", "bba", 2},
    {"LongerAtBothEnds", "-a-", "-", "<->", "<->a<->", 2},
    {"LongerAdjacentNotSearchedAgain", "---", "-", "+-+", "+-++-++-+", 3},
    {"LongerHoldsThePattern", "aXa", "a", "aa", "aaXaa", 2},
    {"LongerNonOverlapping", "aaa", "aa", "bbb", "bbba", 1},
    {"LongerMultiByte", "\xCE\xB1-\xCE\xB1", "\xCE\xB1", "\xE6\x97\xA5\xE6\x9C\xAC",
     "\xE6\x97\xA5\xE6\x9C\xAC-\xE6\x97\xA5\xE6\x9C\xAC", 2},
    {"NullWithDeletes", "a-b-", "-", nullptr, "ab", 2},
    {"AbsentLeavesTheText", "abc", "z", "zzz", "abc", 0},
    {"PatternLongerThanText", "ab", "abc", "x", "ab", 0},
    {"EqualKeepsBytesAfterNul", std::string("a-b\0c-d", 7), "-", "+", std::string("a+b\0c-d", 7), 1},
    {"ShorterKeepsBytesAfterNul", std::string("a--b\0c--d", 9), "--", "", std::string("ab\0c--d", 7), 1},
    {"LongerKeepsBytesAfterNul", std::string("a-b\0c-d", 7), "-", "<>", std::string("a<>b\0c-d", 8), 1},
    {"NothingBeforeTheNul", std::string("\0a-a", 4), "-", "<>", std::string("\0a-a", 4), 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, StringBufferReplaceAll, ::testing::ValuesIn(kReplaceAllCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The same rule written plainly on std::string, against which random texts are checked.
std::string replacedPlainly(const std::string& text, const std::string& find, const std::string& with,
                            std::int32_t* count) {
  std::string out;
  std::size_t at = 0;
  *count = 0;
  for (std::size_t hit = text.find(find); hit != std::string::npos; hit = text.find(find, at)) {
    out.append(text, at, hit - at);
    out += with;
    at = hit + find.size();
    ++*count;
  }
  return out + text.substr(at);
}

TEST(StringBufferReplaceAllRandom, AgreesWithThePlainRuleForEveryLengthRelation) {
  const struct {
    const char* find;
    const char* with;
  } pairs[] = {{"ab", "ba"}, {"aa", "b"}, {"ab", ""}, {"a", "bab"}, {"b", "aabb"}, {"aba", "abab"}};
  std::uint64_t state = 99;
  for (const auto& pair : pairs) {
    for (int round = 0; round < 300; ++round) {
      std::string text;
      for (int i = 0, n = round % 50; i < n; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        text += "abc"[(state >> 33) % 3];
      }
      std::int32_t expectedCount = 0;
      std::string expected = replacedPlainly(text, pair.find, pair.with, &expectedCount);
      StringBuffer buffer = exactBuffer(text);
      ASSERT_EQ(buffer.replaceAll(pair.find, pair.with), expectedCount) << text;
      ASSERT_EQ(contentOf(buffer), expected) << text << " " << pair.find << "->" << pair.with;
    }
  }
}

// The pattern or the replacement may be text of the buffer itself, which the rewrite must not
// overwrite or move while it still reads it.
struct AliasCase {
  const char* name;
  const char* text;
  int findAt;  // offset into the buffer, or -1 for the literal
  const char* find;
  int withAt;
  const char* with;
  const char* expected;
};

class StringBufferReplaceAllAliases : public ::testing::TestWithParam<AliasCase> {};

TEST_P(StringBufferReplaceAllAliases, ReadTheirArgumentsAsTheyWere) {
  const AliasCase& c = GetParam();
  StringBuffer buffer(c.text);
  const char* find = c.findAt >= 0 ? buffer.text() + c.findAt : c.find;
  const char* with = c.withAt >= 0 ? buffer.text() + c.withAt : c.with;
  buffer.replaceAll(find, with);
  EXPECT_STREQ(buffer.text(), c.expected);
}

const AliasCase kAliasCases[] = {
    {"ShorterPatternInside", "aXbX", 3, nullptr, -1, "", "ab"},
    {"ShorterBothInside", "abcab", 3, nullptr, 4, nullptr, "bcb"},
    {"LongerReplacementInside", "aXbX", -1, "a", 1, nullptr, "XbXXbX"},
    {"LongerBothInside", "bab", 2, nullptr, 1, nullptr, "abaab"},
};

INSTANTIATE_TEST_SUITE_P(Cases, StringBufferReplaceAllAliases, ::testing::ValuesIn(kAliasCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StringBufferReplaceAllBlock, GrowsOnceToTheExactLengthAndShrinksInPlace) {
  StringBuffer grown = exactBuffer("a-b-c");
  EXPECT_EQ(grown.replaceAll("-", "<=>"), 2);
  EXPECT_STREQ(grown.text(), "a<=>b<=>c");
  EXPECT_EQ(grown.capacity(), grown.length() + 1);

  StringBuffer roomy = StringBuffer::withSize(100);
  roomy.append("a-b");
  const char* block = roomy.text();
  EXPECT_EQ(roomy.replaceAll("-", "<=>"), 1);
  EXPECT_EQ(roomy.text(), block);  // room enough: the block stays
  EXPECT_EQ(roomy.replaceAll("<=>", "-"), 1);
  EXPECT_EQ(roomy.text(), block);
  EXPECT_STREQ(roomy.text(), "a-b");
}

// ---------------------------------------------------------------------------------------
// Handing blocks over

TEST(StringBufferBlocks, SwapExchangesContentsAndSteps) {
  StringBuffer a = StringBuffer::withSize(50);
  a.append("first");
  StringBuffer b("second");
  const char* blockA = a.text();
  a.swap(b);
  EXPECT_STREQ(a.text(), "second");
  EXPECT_STREQ(b.text(), "first");
  EXPECT_EQ(b.text(), blockA);
  EXPECT_EQ(b.capacity(), 50);
  EXPECT_EQ(b.growthStep(), 50);
  EXPECT_EQ(a.growthStep(), 200);
}

struct AdoptCase {
  const char* name;
  std::string bytes;
  enum { OwnedWithRoom, OwnedFull, Borrowed } block;
};

void PrintTo(const AdoptCase& c, std::ostream* os) { *os << c.name; }

class StringBufferAdoptBytes : public ::testing::TestWithParam<AdoptCase> {};

// An owned block is taken over (given room for the terminator if it has none); a borrowed one
// is copied and left to its owner. Either way the data buffer continues empty.
TEST_P(StringBufferAdoptBytes, TakesTheBytesAndEmptiesTheSource) {
  const AdoptCase& c = GetParam();
  std::string borrowed = c.bytes;
  DataBuffer source;
  switch (c.block) {
    case AdoptCase::OwnedWithRoom: source.append(c.bytes.data(), c.bytes.size()); break;
    case AdoptCase::OwnedFull: {
      void* block = std::malloc(c.bytes.size());
      std::memcpy(block, c.bytes.data(), c.bytes.size());
      source.adopt(block, static_cast<std::uint32_t>(c.bytes.size()));
      break;
    }
    case AdoptCase::Borrowed:
      source.adoptBorrowed(&borrowed[0], static_cast<std::uint32_t>(borrowed.size()));
      break;
  }
  const std::uint8_t* sourceBlock = source.data();
  StringBuffer buffer("old text");
  buffer.adoptBytes(source);
  EXPECT_EQ(test::show(test::bytesOf(contentOf(buffer))), test::show(test::bytesOf(c.bytes)));
  EXPECT_EQ(buffer.text()[buffer.length()], 0);
  EXPECT_GT(buffer.capacity(), buffer.length());
  EXPECT_EQ(source.length(), 0u);
  if (c.block == AdoptCase::OwnedWithRoom && !c.bytes.empty()) {
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(buffer.text()), sourceBlock);
    EXPECT_EQ(source.data(), nullptr);
  }
  if (c.block == AdoptCase::Borrowed) {
    EXPECT_NE(reinterpret_cast<const std::uint8_t*>(buffer.text()), sourceBlock);
    EXPECT_EQ(borrowed, c.bytes);
  }
  buffer.append("!");
  EXPECT_EQ(contentOf(buffer), c.bytes + "!");
}

const AdoptCase kAdoptCases[] = {
    {"OwnedWithRoom", "abc", AdoptCase::OwnedWithRoom},
    {"OwnedWithEmbeddedZero", std::string("a\0b", 3), AdoptCase::OwnedWithRoom},
    {"OwnedFull", "abcdef", AdoptCase::OwnedFull},
    {"Borrowed", "xyz", AdoptCase::Borrowed},
    {"Empty", "", AdoptCase::OwnedWithRoom},
};

INSTANTIATE_TEST_SUITE_P(Cases, StringBufferAdoptBytes, ::testing::ValuesIn(kAdoptCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StringBufferBlocks, SetLengthStaysInsideTheBlockAndTerminates) {
  StringBuffer buffer = StringBuffer::withSize(8);
  std::memcpy(buffer.data(), "abcdefg", 7);
  buffer.setLength(5);
  EXPECT_STREQ(buffer.text(), "abcde");
  buffer.setLength(100);
  EXPECT_EQ(buffer.length(), 7);
  EXPECT_EQ(buffer.text()[7], 0);
  buffer.setLength(-3);
  EXPECT_EQ(buffer.length(), 0);
  EXPECT_STREQ(buffer.text(), "");
}

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
