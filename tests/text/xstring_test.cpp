// The text value: which forms are current after each operation, the order in which missing
// forms are produced, and what passes through the ANSI code page.
#include <gtest/gtest.h>

#include <string>

#include "ansi_scope.h"
#include "text/xstring.h"

namespace vk {
namespace {

std::u16string wideOf(XString& value) {
  BSTR text = value.toWideString();
  std::u16string result(text, SysStringLen(text));
  SysFreeString(text);
  return result;
}

XString fromWide(const std::u16string& text) {
  XString value;
  value.setFromWide(text.data(), static_cast<std::uint32_t>(text.size()));
  return value;
}

// "W", "A", "U" for the current forms, in that order.
std::string flags(const XString& value) {
  std::string out;
  if (value.isWideCurrent()) out += 'W';
  if (value.isAnsiCurrent()) out += 'A';
  if (value.isUtf8Current()) out += 'U';
  return out;
}

TEST(XStringBasics, NewValueIsEmptyInEveryForm) {
  XString value;
  EXPECT_EQ(flags(value), "WAU");
  EXPECT_EQ(value.length(), 0);
  BSTR text = value.toWideString();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text), 0u);
  SysFreeString(text);
  EXPECT_STREQ(value.getUtf8(), "");
}

TEST(XStringBasics, LengthsCountUnitsAndBytes) {
  XString abc = fromWide(u"abc");
  EXPECT_EQ(abc.length(), 3);
  EXPECT_EQ(abc.utf8Length(), 3);
  XString e = fromWide(u"\u00E9");
  EXPECT_EQ(e.utf8Length(), 2);
  EXPECT_EQ(e.length(), 1);
  XString emoji = fromWide(u"\U0001F600");
  EXPECT_EQ(emoji.length(), 2);
  EXPECT_EQ(emoji.utf8Length(), 4);
}

TEST(XStringBasics, IndexOfCountsUtf16Units) {
  XString value = fromWide(u"a\u00E9b");
  EXPECT_EQ(value.indexOf("b"), 2);
  EXPECT_EQ(value.indexOf(""), 0);
  EXPECT_EQ(value.indexOf("z"), -1);
  EXPECT_EQ(value.indexOf(nullptr), -1);
  XString pair = fromWide(u"\U0001F600x");
  EXPECT_EQ(pair.indexOf("x"), 2);
}

TEST(XStringBasics, EmbeddedZeroUnitsStayInTheWideForm) {
  XString value = fromWide(std::u16string(u"a\0b", 3));
  EXPECT_EQ(wideOf(value), std::u16string(u"a\0b", 3));
  EXPECT_EQ(value.length(), 3);
}

TEST(XStringBasics, NullAndEmptySettersClear) {
  XString value = fromWide(u"x");
  value.setFromWide(nullptr, 5);
  EXPECT_EQ(flags(value), "WAU");
  value.setFromUtf8("x");
  value.setFromAnsi("");
  EXPECT_EQ(flags(value), "WAU");
  value.setFromUtf8("\0abc", 4);
  EXPECT_EQ(flags(value), "WAU");
  value.setFromBstr(nullptr);
  EXPECT_EQ(value.length(), 0);
}

struct FlagCase {
  const char* name;
  void (*operation)(XString&);
  const char* expectedFlags;
};

class XStringFlags : public ::testing::TestWithParam<FlagCase> {};

// Every case starts from a value set from wide text ("  a b  ", wide form only).
TEST_P(XStringFlags, LeaveTheExpectedFormsCurrent) {
  XString value = fromWide(u"  a b  ");
  GetParam().operation(value);
  EXPECT_EQ(flags(value), GetParam().expectedFlags);
}

const FlagCase kFlagCases[] = {
    {"SetFromWide", [](XString&) {}, "W"},
    {"SetFromAnsi", [](XString& v) { v.setFromAnsi("x"); }, "A"},
    {"SetFromUtf8", [](XString& v) { v.setFromUtf8("x"); }, "U"},
    {"GetUtf8AddsUtf8", [](XString& v) { v.getUtf8(); }, "WU"},
    {"GetAnsiAddsAnsi", [](XString& v) { v.getAnsi(); }, "WA"},
    {"LengthAddsNothing", [](XString& v) { v.length(); }, "W"},
    {"Utf8LengthAddsUtf8", [](XString& v) { v.utf8Length(); }, "WU"},
    {"Trim", [](XString& v) { v.trim(); }, "U"},
    {"Trim2", [](XString& v) { v.trim2(); }, "U"},
    {"TrimInside", [](XString& v) { v.trimInside(); }, "U"},
    {"ContainsOnlyAddsUtf8", [](XString& v) { v.contains("a"); }, "WU"},
    {"BeginsWithOnlyAddsUtf8", [](XString& v) { v.beginsWith("a"); }, "WU"},
    {"ReplaceAllWithoutHit", [](XString& v) { v.replaceAll("z", "y"); }, "WU"},
    {"ReplaceAllWithHit", [](XString& v) { v.replaceAll("a", "y"); }, "U"},
    {"ReplaceFirstWithoutHit", [](XString& v) { v.replaceFirst("z", "y"); }, "WU"},
    {"ReplaceFirstWithHit", [](XString& v) { v.replaceFirst("a", "y"); }, "U"},
    {"ShortenZero", [](XString& v) { v.shorten(0); }, "A"},
    {"RemoveAnsiChar", [](XString& v) { v.removeAnsiChar('z'); }, "A"},
    {"ReplaceAnsiChar", [](XString& v) { v.replaceAnsiChar('z', 'y'); }, "A"},
    {"AnsiCharAt", [](XString& v) { v.ansiCharAt(0); }, "WA"},
    {"AnsiCharAtNegativeConvertsNothing", [](XString& v) { v.ansiCharAt(-1); }, "W"},
    {"LastAnsiChar", [](XString& v) { v.lastAnsiChar(); }, "WA"},
    {"AppendUtf8", [](XString& v) { v.appendUtf8("x"); }, "U"},
    {"AppendAnsi", [](XString& v) { v.appendAnsi("x"); }, "A"},
    {"AppendWide", [](XString& v) { v.appendWide(u"x"); }, "W"},
    {"Clear", [](XString& v) { v.clear(); }, "WAU"},
    {"IsAnsiExactAddsAnsi", [](XString& v) { v.isAnsiExact(); }, "WA"},
    {"EqualsAnsiNoCaseAddsAnsi", [](XString& v) { v.equalsAnsiNoCase("x"); }, "WA"},
};

INSTANTIATE_TEST_SUITE_P(Operations, XStringFlags, ::testing::ValuesIn(kFlagCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XStringConversion, AnsiOperationsLoseWhatTheCodePageLacks) {
  test::AnsiCodePageScope ansi(1252);
  XString value = fromWide(u"a\u03A9b\u00E9");
  value.shorten(0);
  EXPECT_EQ(wideOf(value), u"ab\u00E9");
  EXPECT_EQ(value.length(), 3);
}

// A byte lookup needs the ANSI form; the text itself must survive a later UTF-8 operation.
TEST(XStringConversion, QueriesThroughTheAnsiFormDoNotDegradeTheText) {
  test::AnsiCodePageScope ansi(1252);
  XString value = fromWide(u" \u03A9mega ");
  EXPECT_EQ(value.ansiCharAt(0), ' ');
  value.lastAnsiChar();
  value.trim();
  EXPECT_EQ(wideOf(value), u"\u03A9mega");
}

TEST(XStringConversion, Utf8IsMadeFromAnsiWhenAnsiIsTheOnlyForm) {
  test::AnsiCodePageScope ansi(1252);
  XString value;
  value.setFromAnsi("caf\xE9");
  EXPECT_STREQ(value.getUtf8(), "caf\xC3\xA9");
  EXPECT_EQ(flags(value), "AU");
  EXPECT_EQ(wideOf(value), u"caf\u00E9");
}

TEST(XStringConversion, WideIsMadeFromUtf8BeforeAnsi) {
  test::AnsiCodePageScope ansi(1252);
  XString value;
  value.setFromUtf8("\xCE\xA9");  // Omega, absent from 1252
  value.getAnsi();                // ANSI form now holds nothing of it
  EXPECT_EQ(flags(value), "AU");
  EXPECT_EQ(wideOf(value), u"\u03A9");
}

TEST(XStringConversion, AnsiExactnessIsCachedAndReset) {
  test::AnsiCodePageScope ansi(1252);
  XString ansiText;
  ansiText.setFromAnsi("abc");
  EXPECT_EQ(ansiText.ansiExactness(), 1);
  EXPECT_TRUE(ansiText.isAnsiExact());
  EXPECT_EQ(flags(ansiText), "A");  // answered without converting

  XString greek = fromWide(u"\u03A9");
  EXPECT_FALSE(greek.isAnsiExact());
  EXPECT_EQ(greek.ansiExactness(), 2);
  greek.appendWide(u"x");
  EXPECT_EQ(greek.ansiExactness(), 0);

  XString latin = fromWide(u"\u00E9t\u00E9");
  EXPECT_TRUE(latin.isAnsiExact());
}

TEST(XStringConversion, MultiByteAnsiCodePageCountsBytes) {
  test::AnsiCodePageScope ansi(932);
  XString value = fromWide(u"\u65E5\u672Cx");
  EXPECT_EQ(value.length(), 3);
  value.shorten(0);
  EXPECT_EQ(value.length(), 5);  // two double-byte characters and one ASCII byte
  EXPECT_EQ(wideOf(value), u"\u65E5\u672Cx");
  EXPECT_EQ(value.ansiCharAt(0), 0x93);
}

TEST(XStringAppend, AppendingAnEmptyValueChangesNothing) {
  test::AnsiCodePageScope ansi(1252);
  XString value = fromWide(u"\u03A9");
  XString cleared;
  value.appendValue(cleared);
  EXPECT_EQ(flags(value), "W");
  XString emptyUtf8;
  emptyUtf8.setFromUtf8("x");
  emptyUtf8.replaceAll("x", "");
  value.appendValue(emptyUtf8);
  EXPECT_EQ(wideOf(value), u"\u03A9");
}

TEST(XStringAppend, AnsiOnlyArgumentKeepsTheOtherCharacters) {
  test::AnsiCodePageScope ansi(1252);
  XString value = fromWide(u"\u03A9");
  XString ansiText;
  ansiText.setFromAnsi("caf\xE9");
  value.appendValue(ansiText);
  EXPECT_EQ(wideOf(value), u"\u03A9caf\u00E9");
}

TEST(XStringAppend, AnsiOntoAnsiStaysAnsi) {
  test::AnsiCodePageScope ansi(1252);
  XString value;
  value.setFromAnsi("ab");
  XString more;
  more.setFromAnsi("cd");
  value.appendValue(more);
  EXPECT_EQ(flags(value), "A");
  EXPECT_STREQ(value.getAnsi(), "abcd");
}

TEST(XStringAppend, WideArgumentKeepsEmbeddedZeros) {
  XString value = fromWide(u"x");
  XString argument = fromWide(std::u16string(u"a\0b", 3));
  value.appendValue(argument);
  EXPECT_EQ(wideOf(value), std::u16string(u"xa\0b", 4));
}

TEST(XStringAppend, Utf8ArgumentIsAppendedAsUtf8) {
  XString value = fromWide(u"x");
  XString argument;
  argument.setFromUtf8("\xE2\x82\xAC");
  value.appendValue(argument);
  EXPECT_EQ(flags(value), "U");
  EXPECT_EQ(wideOf(value), u"x\u20AC");
}

TEST(XStringCopy, CopyKeepsFormsAndFlags) {
  XString value = fromWide(u"abc");
  value.getUtf8();
  XString copy(value);
  EXPECT_EQ(flags(copy), "WU");
  EXPECT_STREQ(copy.getUtf8(), "abc");
  EXPECT_NE(copy.serialNumber(), value.serialNumber());
}

// A leading U+FEFF or U+FFFE is a character of the text: producing one form from another keeps
// it, where the engine would take it for a byte-order mark of the bytes and drop it (or, for
// U+FFFE, read the rest as big-endian).
struct MarkCase {
  const char* name;
  const char* utf8;  // set as the UTF-8 form, or "" to set `wide` instead
  std::u16string wide;
  std::u16string expectedWide;
  const char* expectedUtf8;
  const char* expectedAnsi;  // code page 1252, which has neither character
};

class XStringMarks : public ::testing::TestWithParam<MarkCase> {};

TEST_P(XStringMarks, SurviveBetweenForms) {
  const MarkCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  XString value;
  if (*c.utf8 != 0) {
    value.setFromUtf8(c.utf8);
  } else {
    value.setFromWide(c.wide.data(), static_cast<std::uint32_t>(c.wide.size()));
  }
  EXPECT_EQ(wideOf(value), c.expectedWide);
  EXPECT_STREQ(value.getUtf8(), c.expectedUtf8);
  XString again;
  if (*c.utf8 != 0) {
    again.setFromUtf8(c.utf8);
  } else {
    again.setFromWide(c.wide.data(), static_cast<std::uint32_t>(c.wide.size()));
  }
  EXPECT_STREQ(again.getAnsi(), c.expectedAnsi);
  EXPECT_FALSE(again.isAnsiExact());
}

const MarkCase kMarkCases[] = {
    {"Utf8MarkThenText",
     "\xEF\xBB\xBF"
     "A",
     u"",
     u"\uFEFF"
     u"A",
     "\xEF\xBB\xBF"
     "A",
     "A"},
    {"Utf8MarkAlone", "\xEF\xBB\xBF", u"", u"\uFEFF", "\xEF\xBB\xBF", ""},
    {"Utf8TwoMarks",
     "\xEF\xBB\xBF\xEF\xBB\xBF"
     "ab",
     u"",
     u"\uFEFF\uFEFF"
     u"ab",
     "\xEF\xBB\xBF\xEF\xBB\xBF"
     "ab",
     "ab"},
    {"WideMarkThenText", "",
     u"\uFEFF"
     u"A\u00E9",
     u"\uFEFF"
     u"A\u00E9",
     "\xEF\xBB\xBF"
     "A\xC3\xA9",
     "A\xE9"},
    {"WideSwappedMarkIsNotReadBigEndian", "",
     u"\uFFFE"
     u"AB",
     u"\uFFFE"
     u"AB",
     "\xEF\xBF\xBE"
     "AB",
     "AB"},
    {"WideMarkAlone", "", u"\uFEFF", u"\uFEFF", "\xEF\xBB\xBF", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, XStringMarks, ::testing::ValuesIn(kMarkCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Taking over a built UTF-8 text ends as setting the same bytes does (an empty text or one
// that starts with a zero byte clears the value; embedded zeros after the first byte stay),
// and the builder continues empty.
struct AdoptCase {
  const char* name;
  std::string bytes;
};

class XStringAdopt : public ::testing::TestWithParam<AdoptCase> {};

TEST_P(XStringAdopt, EndsAsSettingTheSameBytes) {
  const AdoptCase& c = GetParam();
  XString expected;
  expected.setFromUtf8(c.bytes.data(), static_cast<std::uint32_t>(c.bytes.size()));

  XString fromString = fromWide(u"old \u00E9");
  StringBuffer built = StringBuffer::withSize(static_cast<std::int32_t>(c.bytes.size() + 1));
  built.appendBytes(c.bytes.data(), static_cast<std::int64_t>(c.bytes.size()));
  const char* block = built.text();
  fromString.adoptUtf8(built);

  XString fromData = fromWide(u"old \u00E9");
  DataBuffer data;
  data.append(c.bytes.data(), c.bytes.size());
  fromData.adoptUtf8(data);

  const std::string expectedFlags = flags(expected);
  const std::int32_t expectedLength = expected.utf8Length();
  const std::u16string expectedWide = wideOf(expected);
  for (XString* value : {&fromString, &fromData}) {
    EXPECT_EQ(flags(*value), expectedFlags);
    EXPECT_EQ(value->utf8Length(), expectedLength);
    EXPECT_EQ(wideOf(*value), expectedWide);
  }
  EXPECT_EQ(built.length(), 0);
  EXPECT_EQ(data.length(), 0u);
  // A block with no spare room is kept as it is, not copied.
  if (expectedLength > 0) { EXPECT_EQ(fromString.getUtf8(), block); }
}

const AdoptCase kAdoptCases[] = {
    {"Ascii", "abc"},
    {"MultiByte", "\xCE\xB1\xE6\x97\xA5"},
    {"EmbeddedZero", std::string("a\0b", 3)},
    {"LeadingZeroClears", std::string("\0ab", 3)},
    {"EmptyClears", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, XStringAdopt, ::testing::ValuesIn(kAdoptCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Keeping a run of the wide form's units in place, clamped to what the form holds.
struct KeepCase {
  const char* name;
  std::uint32_t first;
  std::uint32_t count;
  std::u16string expected;
};

class XStringKeepUnits : public ::testing::TestWithParam<KeepCase> {};

TEST_P(XStringKeepUnits, KeepsTheRunAsTheOnlyForm) {
  const KeepCase& c = GetParam();
  XString value;
  value.setFromUtf8(
      "\xCE\xB1"
      "bc\xF0\x9F\x98\x80"
      "d");  // U+1F600 is two units
  value.keepWideUnits(c.first, c.count);
  EXPECT_EQ(flags(value), "W");
  EXPECT_EQ(wideOf(value), c.expected);
  EXPECT_EQ(value.length(), static_cast<std::int32_t>(c.expected.size()));
}

const KeepCase kKeepCases[] = {
    {"Prefix", 0, 2, u"\u03B1b"},
    {"Middle", 1, 4, u"bc\U0001F600"},
    {"Suffix", 3, 3, u"\U0001F600d"},
    {"CountPastTheEnd", 4, 100,
     u"\xDE00"
     "d"},
    {"FirstPastTheEnd", 9, 2, u""},
    {"Whole", 0, 6, u"\u03B1bc\U0001F600d"},
};

INSTANTIATE_TEST_SUITE_P(Cases, XStringKeepUnits, ::testing::ValuesIn(kKeepCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk
