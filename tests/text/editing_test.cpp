// Editing and searching at the level of the text value: trims, replacements, searches, the
// ANSI byte members, slices, comparison and chopping, with the forms each leaves current.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "ansi_scope.h"
#include "text/editing.h"
#include "value_helpers.h"

namespace vk {
namespace {

using test::currentForms;
using test::take;
using test::valueOf;
using test::wideOf;

// ---------------------------------------------------------------------------------------
// Trims: always on the UTF-8 form, which is left the only current form.

struct TrimCase {
  const char* name;
  void (XString::*trim)();
  std::u16string text;
  std::u16string expected;
};

void PrintTo(const TrimCase& c, std::ostream* os) { *os << c.name; }

class Trims : public ::testing::TestWithParam<TrimCase> {};

TEST_P(Trims, GiveTheExpectedTextOnTheUtf8Form) {
  const TrimCase& c = GetParam();
  XString value = valueOf(c.text);
  (value.*c.trim)();
  EXPECT_EQ(currentForms(value), "U");
  EXPECT_EQ(wideOf(value), c.expected);
}

const TrimCase kTrimCases[] = {
    {"TrimSpacesAndTabs", &XString::trim, u" \t a b \t ", u"a b"},
    {"TrimKeepsLeadingCrLf", &XString::trim, u"\r\n x ", u"\r\n x"},
    {"TrimKeepsNonAscii", &XString::trim, u"  \u00E9\u03B1  ", u"\u00E9\u03B1"},
    {"Trim2RemovesCrLf", &XString::trim2, u"\r\n x \n", u"x"},
    {"Trim2OnlyWhitespace", &XString::trim2, u" \t\r\n", u""},
    {"TrimInsideKeepsOneSpaceAtEnds", &XString::trimInside, u" a \t\t b ", u" a b "},
    {"TrimInsideControlsBecomeOneSpace", &XString::trimInside, u"\t\r\n", u" "},
    {"TrimInsideLineBreaks", &XString::trimInside, u"a\r\n\r\nb", u"a b"},
    {"TrimInsideLongLeadingRun", &XString::trimInside, u"    \u03B2   \u03B3", u" \u03B2 \u03B3"},
};

INSTANTIATE_TEST_SUITE_P(Editing, Trims, ::testing::ValuesIn(kTrimCases));

// ---------------------------------------------------------------------------------------
// Replacements on the UTF-8 form: left to right, non-overlapping, inserted text never
// searched again; nothing replaced leaves the flags as they were.

struct ReplaceCase {
  const char* name;
  bool all;
  std::u16string text;
  std::u16string find;
  std::u16string with;
  std::u16string expected;
  std::int32_t count;  // replacements (for ReplaceFirst 0 or 1)
};

void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.name; }

class Replacements : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(Replacements, ReplaceAsScannedLeftToRight) {
  const ReplaceCase& c = GetParam();
  XString value = valueOf(c.text);
  std::string find = test::utf8Of(c.find);
  std::string with = test::utf8Of(c.with);
  std::int32_t count = c.all ? value.replaceAll(find.c_str(), with.c_str())
                             : (value.replaceFirst(find.c_str(), with.c_str()) ? 1 : 0);
  EXPECT_EQ(count, c.count);
  // A replacement leaves only the UTF-8 form current; without one the wide form stays
  // current beside the UTF-8 form made for the search.
  EXPECT_EQ(currentForms(value), c.count == 0 ? "WU" : "U");
  EXPECT_EQ(wideOf(value), c.expected);
}

const ReplaceCase kReplaceCases[] = {
    {"AllNonOverlapping", true, u"aaa", u"aa", u"b", u"ba", 1},
    {"AllPairs", true, u"aaaa", u"aa", u"a", u"aa", 2},
    {"AllDeletes", true, u"abcabc", u"b", u"", u"acac", 2},
    {"AllEmptyFindChangesNothing", true, u"abc", u"", u"x", u"abc", 0},
    {"AllInsertedTextNotSearched", true, u"a-b-c", u"-", u"--", u"a--b--c", 2},
    {"AllMultiByte", true, u"\u03B1\u03B2\u03B1", u"\u03B1", u"a", u"a\u03B2a", 2},
    {"AllGrowsText", true, u"<<<", u"<", u"&lt;", u"&lt;&lt;&lt;", 3},
    {"FirstOnly", false, u"abab", u"ab", u"X", u"Xab", 1},
    {"FirstEmptyFind", false, u"abc", u"", u"x", u"abc", 0},
    {"FirstNonAscii", false, u"\u00E9 \u00E0 \u00E9", u"\u00E9", u"e", u"e \u00E0 \u00E9", 1},
    {"FirstDeletes", false, u"a--b", u"--", u"", u"ab", 1},
};

INSTANTIATE_TEST_SUITE_P(Editing, Replacements, ::testing::ValuesIn(kReplaceCases));

// ---------------------------------------------------------------------------------------
// Searches on the UTF-8 form: byte-exact, an empty needle always found.

enum class Search { Contains, BeginsWith, EndsWith };

struct SearchCase {
  const char* name;
  Search search;
  std::u16string text;
  std::u16string needle;
  bool expected;
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

class Searches : public ::testing::TestWithParam<SearchCase> {};

TEST_P(Searches, AnswerOnBytesOfTheUtf8Form) {
  const SearchCase& c = GetParam();
  XString value = valueOf(c.text);
  std::string needle = test::utf8Of(c.needle);
  bool found = c.search == Search::Contains     ? value.contains(needle.c_str())
               : c.search == Search::BeginsWith ? value.beginsWith(needle.c_str())
                                                : value.endsWith(needle.c_str());
  EXPECT_EQ(found, c.expected);
  EXPECT_EQ(wideOf(value), c.text);
}

const SearchCase kSearchCases[] = {
    {"ContainsEmptyOnEmpty", Search::Contains, u"", u"", true},
    {"ContainsCaseSensitive", Search::Contains, u"abc", u"B", false},
    {"ContainsNonAscii", Search::Contains, u"x\u00E9y", u"\u00E9", true},
    {"ContainsNoNormalisation", Search::Contains, u"e\u0301", u"\u00E9", false},
    {"BeginsWithOther", Search::BeginsWith, u"abc", u"bc", false},
    {"BeginsWithLonger", Search::BeginsWith, u"ab", u"abc", false},
    {"EndsWithSuffix", Search::EndsWith, u"abc", u"bc", true},
    {"EndsWithLonger", Search::EndsWith, u"bc", u"abc", false},
    {"EndsWithMultiByte", Search::EndsWith, u"a\U0001F600", u"\U0001F600", true},
};

INSTANTIATE_TEST_SUITE_P(Editing, Searches, ::testing::ValuesIn(kSearchCases));

// ---------------------------------------------------------------------------------------
// The ANSI byte members: results are signed bytes; edits leave only the ANSI form current.

enum class ByteQuery { Last, At };

struct ByteQueryCase {
  const char* name;
  std::int32_t codePage;
  std::u16string text;
  ByteQuery query;
  std::int32_t index;
  std::int32_t expected;
};

void PrintTo(const ByteQueryCase& c, std::ostream* os) { *os << c.name; }

class AnsiByteQueries : public ::testing::TestWithParam<ByteQueryCase> {};

TEST_P(AnsiByteQueries, AnswerSignedBytes) {
  const ByteQueryCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  XString value = valueOf(c.text);
  std::uint8_t byte = c.query == ByteQuery::Last ? value.lastAnsiChar() : value.ansiCharAt(c.index);
  EXPECT_EQ(editing::signedByte(byte), c.expected);
  EXPECT_EQ(wideOf(value), c.text);
}

const ByteQueryCase kByteQueryCases[] = {
    {"LastEAcute", 1252, u"caf\u00E9", ByteQuery::Last, 0, -23},
    {"LastOfEmpty", 1252, u"", ByteQuery::Last, 0, 0},
    {"LastEuroIs0x80", 1252, u"\u20AC", ByteQuery::Last, 0, -128},
    {"AtZero", 1252, u"A", ByteQuery::At, 0, 65},
    {"AtPastEnd", 1252, u"A", ByteQuery::At, 1, 0},
    {"AtNegative", 1252, u"A", ByteQuery::At, -1, 0},
    {"AtHighByte", 1252, u"x\u00E9", ByteQuery::At, 1, -23},
    {"At932LeadByte", 932, u"\u65E5", ByteQuery::At, 0, -109},        // 0x93
    {"At932TrailByte", 932, u"\u65E5", ByteQuery::At, 1, -6},         // 0xFA
    {"Last932AsciiTrail", 932, u"\u8868", ByteQuery::Last, 0, 0x5C},  // 0x95 0x5C
};

INSTANTIATE_TEST_SUITE_P(Editing, AnsiByteQueries, ::testing::ValuesIn(kByteQueryCases));

TEST(AnsiByteQueries, NegativeIndexDoesNotConvert) {
  test::AnsiCodePageScope ansi(1252);
  XString value = valueOf(u"A");
  EXPECT_EQ(value.ansiCharAt(-5), 0);
  EXPECT_EQ(currentForms(value), "W");
  EXPECT_EQ(value.ansiCharAt(0), 'A');
  EXPECT_EQ(currentForms(value), "WA");
}

enum class ByteEdit { Remove, Replace, Shorten };

struct ByteEditCase {
  const char* name;
  std::u16string text;
  ByteEdit edit;
  std::int32_t a;
  std::int32_t b;
  std::u16string expected;
};

void PrintTo(const ByteEditCase& c, std::ostream* os) { *os << c.name; }

class AnsiByteEdits : public ::testing::TestWithParam<ByteEditCase> {};

TEST_P(AnsiByteEdits, EditTheAnsiForm) {
  const ByteEditCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  XString value = valueOf(c.text);
  switch (c.edit) {
    case ByteEdit::Remove: value.removeAnsiChar(c.a); break;
    case ByteEdit::Replace: value.replaceAnsiChar(c.a, c.b); break;
    case ByteEdit::Shorten: value.shorten(c.a); break;
  }
  EXPECT_EQ(currentForms(value), "A");
  EXPECT_EQ(value.length(), static_cast<std::int32_t>(c.expected.size()));
  EXPECT_EQ(wideOf(value), c.expected);
}

const ByteEditCase kByteEditCases[] = {
    {"RemoveUnsigned", u"caf\u00E9 \u00E9", ByteEdit::Remove, 233, 0, u"caf "},
    {"RemoveSigned", u"caf\u00E9 \u00E9", ByteEdit::Remove, -23, 0, u"caf "},
    {"RemoveLowEightBits", u"banana", ByteEdit::Remove, 0x161, 0, u"bnn"},
    {"ReplaceAscii", u"banana", ByteEdit::Replace, 'a', 'b', u"bbnbnb"},
    {"ReplaceSignedToAscii", u"caf\u00E9", ByteEdit::Replace, -23, 'e', u"cafe"},
    {"ReplaceToHighByte", u"cafe", ByteEdit::Replace, 'e', 0xE9, u"caf\u00E9"},
    {"ShortenNegativeEmpties", u"abc", ByteEdit::Shorten, -1, 0, u""},
    {"ShortenTooMany", u"abc", ByteEdit::Shorten, 100, 0, u""},
    {"ShortenOne", u"caf\u00E9", ByteEdit::Shorten, 1, 0, u"caf"},
    {"ShortenDropsWhatAnsiLacks", u"\u03B1bc", ByteEdit::Shorten, 0, 0, u"bc"},
};

INSTANTIATE_TEST_SUITE_P(Editing, AnsiByteEdits, ::testing::ValuesIn(kByteEditCases));

// ---------------------------------------------------------------------------------------
// Slices: Left, Right and Mid take UTF-16 units from the wide form.

enum class Slice { Left, Right, Mid };

struct SliceCase {
  const char* name;
  std::u16string text;
  Slice slice;
  std::int32_t idx;  // Mid only
  std::int32_t count;
  std::u16string expected;
};

void PrintTo(const SliceCase& c, std::ostream* os) { *os << c.name; }

BSTR sliceOf(XString& value, const SliceCase& c) {
  switch (c.slice) {
    case Slice::Left: return editing::left(value, c.count);
    case Slice::Right: return editing::right(value, c.count);
    case Slice::Mid: return editing::mid(value, c.idx, c.count);
  }
  return nullptr;
}

class Slices : public ::testing::TestWithParam<SliceCase> {};

TEST_P(Slices, TakeUnitsOfTheWideForm) {
  const SliceCase& c = GetParam();
  XString value = valueOf(c.text);
  BSTR result = sliceOf(value, c);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(take(result), c.expected);
  // The value itself is not changed (an empty value has every form current).
  EXPECT_EQ(currentForms(value), c.text.empty() ? "WAU" : "W");
  EXPECT_EQ(wideOf(value), c.text);
}

const SliceCase kSliceCases[] = {
    {"LeftMoreThanLength", u"abc", Slice::Left, 0, 5, u"abc"},
    {"LeftZero", u"abc", Slice::Left, 0, 0, u""},
    {"LeftNegative", u"abc", Slice::Left, 0, -3, u""},
    {"LeftMaximum", u"abc", Slice::Left, 0, INT_MAX, u"abc"},
    {"LeftKeepsNonAnsi", u"\u03B1abc", Slice::Left, 0, 1, u"\u03B1"},
    {"LeftHalfSurrogatePair", u"\U0001F600x", Slice::Left, 0, 1, u"\xD83D"},
    {"RightMoreThanLength", u"abc", Slice::Right, 0, 5, u"abc"},
    {"RightNegative", u"abc", Slice::Right, 0, INT_MIN, u""},
    {"RightKeepsNonAnsi", u"\u03B1abc", Slice::Right, 0, 4, u"\u03B1abc"},
    {"MidToEnd", u"abc", Slice::Mid, 1, 5, u"bc"},
    {"MidAtEnd", u"abc", Slice::Mid, 3, 1, u""},
    {"MidPastEnd", u"abc", Slice::Mid, 4, 1, u""},
    {"MidNegativeIndex", u"abc", Slice::Mid, -1, 2, u""},
    {"MidMostNegativeIndex", u"abc", Slice::Mid, INT_MIN, INT_MAX, u""},
    {"MidMaximumCount", u"abc", Slice::Mid, 1, INT_MAX, u"bc"},
    {"MidMaximumIndex", u"abc", Slice::Mid, INT_MAX, 1, u""},
    {"MidEmbeddedZero", std::u16string(u"a\0bc", 4), Slice::Mid, 1, 2, std::u16string(u"\0b", 2)},
};

INSTANTIATE_TEST_SUITE_P(Editing, Slices, ::testing::ValuesIn(kSliceCases));

// Left cuts the wide form, so a character the ANSI code page lacks is kept, and a multi-byte
// ANSI code page does not shift the cut. Counts follow length, which counts ANSI bytes while
// the ANSI form is current.
struct AnsiSliceCase {
  const char* name;
  std::int32_t codePage;
  std::u16string text;
  bool ansiCurrent;  // make the ANSI form current beside the wide form first
  Slice slice;
  std::int32_t idx;
  std::int32_t count;
  std::u16string expected;
};

void PrintTo(const AnsiSliceCase& c, std::ostream* os) { *os << c.name; }

class SlicesUnderAnsiCodePages : public ::testing::TestWithParam<AnsiSliceCase> {};

TEST_P(SlicesUnderAnsiCodePages, CutTheWideForm) {
  const AnsiSliceCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  XString value = valueOf(c.text);
  if (c.ansiCurrent) value.ansiCharAt(0);
  SliceCase slice{c.name, c.text, c.slice, c.idx, c.count, c.expected};
  EXPECT_EQ(take(sliceOf(value, slice)), c.expected);
  EXPECT_EQ(wideOf(value), c.text);
}

const AnsiSliceCase kAnsiSliceCases[] = {
    {"LeftGreekFirst1252", 1252, u"\u03B1abc", false, Slice::Left, 0, 1, u"\u03B1"},
    {"RightGreekFirst1252", 1252, u"\u03B1abc", false, Slice::Right, 0, 3, u"abc"},
    {"LeftLossyAnsiCurrent1252", 1252, u"\u03B1abc", true, Slice::Left, 0, 9, u"\u03B1ab"},
    {"LeftKanji932", 932, u"\u65E5\u672Cabc", false, Slice::Left, 0, 3, u"\u65E5\u672Ca"},
    {"LeftKanjiAnsiCurrent932", 932, u"\u65E5\u672Cabc", true, Slice::Left, 0, 3, u"\u65E5\u672Ca"},
    {"LeftKanjiAnsiCurrentAll932", 932, u"\u65E5\u672Cabc", true, Slice::Left, 0, 99, u"\u65E5\u672Cabc"},
    {"RightKanjiAnsiCurrent932", 932, u"\u65E5\u672Cabc", true, Slice::Right, 0, 4, u"\u672Cabc"},
    {"MidKanjiAnsiCurrent932", 932, u"\u65E5\u672Cabc", true, Slice::Mid, 1, 2, u"\u672Ca"},
};

INSTANTIATE_TEST_SUITE_P(Editing, SlicesUnderAnsiCodePages, ::testing::ValuesIn(kAnsiSliceCases));

// ---------------------------------------------------------------------------------------
// StrComp: ANSI forms, unsigned bytes, folding only A-Z; exactly -1, 0 or 1.

struct CompareCase {
  const char* name;
  std::u16string text;
  std::u16string other;
  bool caseSensitive;
  std::int32_t expected;
};

void PrintTo(const CompareCase& c, std::ostream* os) { *os << c.name; }

class StrComps : public ::testing::TestWithParam<CompareCase> {};

TEST_P(StrComps, CompareAnsiForms) {
  const CompareCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  XString value = valueOf(c.text);
  XString other = valueOf(c.other);
  EXPECT_EQ(editing::strComp(value, other, c.caseSensitive), c.expected);
  EXPECT_EQ(currentForms(value), c.text.empty() ? "WAU" : "WA");
}

const CompareCase kCompareCases[] = {
    {"CaseSensitiveDiffers", u"abc", u"ABC", true, 1},   {"CaseInsensitiveEqual", u"abc", u"ABC", false, 0},
    {"ProperPrefixFirst", u"ab", u"abc", true, -1},      {"EmptyFirst", u"", u"a", true, -1},
    {"UnsignedHighByte", u"\u00E9", u"e", true, 1},      {"NoLatin1Folding", u"\u00C9", u"\u00E9", false, -1},
    {"FoldsToLowerCase", u"[", u"A", false, -1},         {"BracketAboveUpperCase", u"[", u"A", true, 1},
    {"FarApartIsStillOne", u"\u00FF", u"\x01", true, 1},
};

INSTANTIATE_TEST_SUITE_P(Editing, StrComps, ::testing::ValuesIn(kCompareCases));

// ---------------------------------------------------------------------------------------
// Chopping: the occurrence is found in the UTF-8 form and counted in UTF-16 units; the cut is
// made on the wide form.

struct ChopCase {
  const char* name;
  std::int32_t codePage;
  std::u16string text;
  bool ansiCurrent;
  bool after;  // ChopAfter, else ChopBefore
  std::u16string needle;
  std::u16string expected;
};

void PrintTo(const ChopCase& c, std::ostream* os) { *os << c.name; }

class Chops : public ::testing::TestWithParam<ChopCase> {};

TEST_P(Chops, KeepTheRightUnits) {
  const ChopCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  XString value = valueOf(c.text);
  if (c.ansiCurrent) value.ansiCharAt(0);
  std::string needle = test::utf8Of(c.needle);
  if (c.after) {
    editing::chopAfter(value, needle.c_str());
  } else {
    editing::chopBefore(value, needle.c_str());
  }
  if (c.expected != c.text && !c.expected.empty()) { EXPECT_EQ(currentForms(value), "W"); }
  EXPECT_EQ(wideOf(value), c.expected);
}

const ChopCase kChopCases[] = {
    {"AfterMiddle", 1252, u"hello world", false, true, u"lo", u"hello"},
    {"AfterEmptyEmpties", 1252, u"hello world", false, true, u"", u""},
    {"AfterAtEnd", 1252, u"hello world", false, true, u"world", u"hello world"},
    {"AfterFirstOccurrence", 1252, u"abcabc", false, true, u"b", u"ab"},
    {"AfterSurrogatePair", 1252, u"a\U0001F600b", false, true, u"\U0001F600", u"a\U0001F600"},
    {"AfterKeepsGreek", 1252, u"\u03B1abc", false, true, u"a", u"\u03B1a"},
    {"AfterLossyAnsiCurrent", 1252, u"\u03B1abc", true, true, u"b", u"\u03B1ab"},
    {"AfterKanji932", 932, u"\u65E5\u672C\u8A9Eabc", false, true, u"\u672C", u"\u65E5\u672C"},
    {"AfterKanjiAnsiCurrent932", 932, u"\u65E5\u672C\u8A9Eabc", true, true, u"a", u"\u65E5\u672C\u8A9Ea"},
    {"BeforeMiddle", 1252, u"hello world", false, false, u"wor", u"world"},
    {"BeforeAtStart", 1252, u"hello world", false, false, u"hel", u"hello world"},
    {"BeforeAfterSurrogatePair", 1252, u"a\U0001F600b", false, false, u"b", u"b"},
    {"BeforeKeepsGreek", 1252, u"x\u03B1bc", false, false, u"\u03B1", u"\u03B1bc"},
    {"BeforeLossyAnsiCurrent", 1252, u"\u03B1abc", true, false, u"c", u"c"},
    {"BeforeKanji932", 932, u"\u65E5\u672C\u8A9Eabc", true, false, u"\u8A9E", u"\u8A9Eabc"},
};

INSTANTIATE_TEST_SUITE_P(Editing, Chops, ::testing::ValuesIn(kChopCases));

}  // namespace
}  // namespace vk
