// The text members on the string object: argument conventions (null as empty, results
// exactly 1 or 0, signed bytes, S_OK on every path) and member behaviour end to end.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ansi_scope.h"
#include "component/vkstring.h"

namespace vk {
namespace {

// An automation string for the length of a test.
class Arg {
 public:
  explicit Arg(const std::u16string& text)
      : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Arg() { SysFreeString(bstr_); }
  Arg(const Arg&) = delete;
  Arg& operator=(const Arg&) = delete;
  operator BSTR() const { return bstr_; }

 private:
  BSTR bstr_;
};

std::u16string take(BSTR text) {
  std::u16string units(text == nullptr ? u"" : std::u16string(text, SysStringLen(text)));
  SysFreeString(text);
  return units;
}

class Object {
 public:
  explicit Object(const std::u16string& text) : object_(new VkString) {
    object_->AddRef();
    Arg value(text);
    object_->put_Str(value);
  }
  ~Object() { object_->Release(); }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  VkString* operator->() const { return object_; }
  VkString& operator*() const { return *object_; }
  std::u16string str() const {
    BSTR text = nullptr;
    EXPECT_EQ(object_->get_Str(&text), S_OK);
    EXPECT_NE(text, nullptr);
    return take(text);
  }

 private:
  VkString* object_;
};

// A member call: its return code and, for members that answer one, the integer result.
struct Outcome {
  HRESULT hr = S_OK;
  bool hasNumber = false;
  LONG number = 0;
};

using Call = std::function<Outcome(VkString&)>;

struct MemberCase {
  const char* name;
  std::int32_t codePage;
  std::u16string text;
  Call call;
  std::u16string expectedStr;   // the object's text afterwards
  LONG expectedNumber;  // when the member answers a number
};

void PrintTo(const MemberCase& c, std::ostream* os) { *os << c.name; }

Outcome number(HRESULT hr, LONG n) {
  Outcome o;
  o.hr = hr;
  o.hasNumber = true;
  o.number = n;
  return o;
}

Outcome none(HRESULT hr) {
  Outcome o;
  o.hr = hr;
  return o;
}

// Members with a string argument, passed as a real automation string or as null.
Call withArg(const std::u16string& a, std::function<HRESULT(VkString&, BSTR, LONG*)> member) {
  return [a, member](VkString& o) {
    Arg arg(a);
    LONG n = -99;
    HRESULT hr = member(o, arg, &n);
    return number(hr, n);
  };
}

Call withNull(std::function<HRESULT(VkString&, BSTR, LONG*)> member) {
  return [member](VkString& o) {
    LONG n = -99;
    HRESULT hr = member(o, nullptr, &n);
    return number(hr, n);
  };
}

HRESULT contains(VkString& o, BSTR s, LONG* n) { return o.Contains(s, n); }
HRESULT beginsWith(VkString& o, BSTR s, LONG* n) { return o.BeginsWith(s, n); }
HRESULT endsWith(VkString& o, BSTR s, LONG* n) { return o.EndsWith(s, n); }
HRESULT matchesCi(VkString& o, BSTR s, LONG* n) { return o.Matches(s, 0, n); }
HRESULT matchesCs(VkString& o, BSTR s, LONG* n) { return o.Matches(s, 1, n); }
HRESULT strCompCi(VkString& o, BSTR s, LONG* n) { return o.StrComp(s, 0, n); }
HRESULT strCompCs(VkString& o, BSTR s, LONG* n) { return o.StrComp(s, 1, n); }

Call chopAfter(const std::u16string& a) {
  return [a](VkString& o) {
    Arg arg(a);
    return none(o.ChopAfter(arg));
  };
}

Call chopBefore(const std::u16string& a) {
  return [a](VkString& o) {
    Arg arg(a);
    return none(o.ChopBefore(arg));
  };
}

Call replaceAll(const std::u16string& a, const std::u16string& b) {
  return [a, b](VkString& o) {
    Arg find(a), with(b);
    return none(o.ReplaceAll(find, with));
  };
}

Call replaceFirst(const std::u16string& a, const std::u16string& b) {
  return [a, b](VkString& o) {
    Arg find(a), with(b);
    return none(o.ReplaceFirst(find, with));
  };
}

Call noArgs(HRESULT (VkString::*member)()) {
  return [member](VkString& o) { return none((o.*member)()); };
}

Call count(HRESULT (VkString::*property)(LONG*)) {
  return [property](VkString& o) {
    LONG n = -99;
    HRESULT hr = (o.*property)(&n);
    return number(hr, n);
  };
}

class TextMembers : public ::testing::TestWithParam<MemberCase> {};

TEST_P(TextMembers, AnswerOnTheObject) {
  const MemberCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  Object object(c.text);
  Outcome outcome = c.call(*object);
  EXPECT_EQ(outcome.hr, S_OK);
  if (outcome.hasNumber) {
    EXPECT_EQ(outcome.number, c.expectedNumber);
  }
  EXPECT_EQ(object.str(), c.expectedStr);
}

const MemberCase kMemberCases[] = {
    // Null arguments behave as empty ones; yes/no results are exactly 1 or 0.
    {"ContainsNull", 1252, u"", withNull(contains), u"", 1},
    {"ContainsEmpty", 1252, u"", withArg(u"", contains), u"", 1},
    {"ContainsYes", 1252, u"abc", withArg(u"bc", contains), u"abc", 1},
    {"ContainsNo", 1252, u"abc", withArg(u"x", contains), u"abc", 0},
    {"BeginsWithNull", 1252, u"abc", withNull(beginsWith), u"abc", 1},
    {"BeginsWithNo", 1252, u"abc", withArg(u"b", beginsWith), u"abc", 0},
    {"EndsWithNull", 1252, u"abc", withNull(endsWith), u"abc", 1},
    {"EndsWithLonger", 1252, u"bc", withArg(u"abc", endsWith), u"bc", 0},
    {"EndsWithGreek", 1252, u"x\u03B1", withArg(u"\u03B1", endsWith), u"x\u03B1", 1},
    {"MatchesNullOnEmpty", 1252, u"", withNull(matchesCi), u"", 1},
    {"MatchesNullOnText", 1252, u"a", withNull(matchesCi), u"a", 0},
    {"MatchesCaseInsensitive", 1252, u"ABC", withArg(u"a*c", matchesCi), u"ABC", 1},
    {"MatchesCaseSensitive", 1252, u"ABC", withArg(u"a*c", matchesCs), u"ABC", 0},
    {"MatchesNoBacktracking", 1252, u"ab", withArg(u"a*b*b", matchesCs), u"ab", 0},
    {"MatchesAccentNotFolded", 1252, u"\u00C9", withArg(u"\u00E9", matchesCi), u"\u00C9", 0},
    {"StrCompNullOnEmpty", 1252, u"", withNull(strCompCs), u"", 0},
    {"StrCompNullOnText", 1252, u"a", withNull(strCompCs), u"a", 1},
    {"StrCompCaseSensitive", 1252, u"abc", withArg(u"ABC", strCompCs), u"abc", 1},
    {"StrCompCaseInsensitive", 1252, u"abc", withArg(u"ABC", strCompCi), u"abc", 0},
    {"StrCompPrefix", 1252, u"ab", withArg(u"abc", strCompCi), u"ab", -1},
    // Replacements and trims.
    {"ReplaceAllNonOverlapping", 1252, u"aaa", replaceAll(u"aa", u"b"), u"ba", 0},
    {"ReplaceAllEmptyFind", 1252, u"abc", replaceAll(u"", u"x"), u"abc", 0},
    {"ReplaceAllDeletes", 1252, u"a-b-c", replaceAll(u"-", u""), u"abc", 0},
    {"ReplaceFirstOnly", 1252, u"abab", replaceFirst(u"ab", u"\u03B1"), u"\u03B1ab", 0},
    {"TrimKeepsCrLf", 1252, u"\r\n x ", noArgs(&VkString::Trim), u"\r\n x", 0},
    {"Trim2RemovesCrLf", 1252, u"\r\n x ", noArgs(&VkString::Trim2), u"x", 0},
    {"TrimInsideOneSpaceAtEnds", 1252, u" a \t\t b ", noArgs(&VkString::TrimInside), u" a b ", 0},
    // Chopping, including the wide-form cut of ChopAfter.
    {"ChopAfter", 1252, u"hello world", chopAfter(u"lo"), u"hello", 0},
    {"ChopAfterEmptyEmpties", 1252, u"hello world", chopAfter(u""), u"", 0},
    {"ChopAfterAbsent", 1252, u"hello world", chopAfter(u"xyz"), u"hello world", 0},
    {"ChopAfterKeepsGreek", 1252, u"\u03B1abc", chopAfter(u"a"), u"\u03B1a", 0},
    {"ChopAfterKanji932", 932, u"\u65E5\u672C\u8A9Eabc", chopAfter(u"\u672C"), u"\u65E5\u672C", 0},
    {"ChopBefore", 1252, u"hello world", chopBefore(u"wor"), u"world", 0},
    {"ChopBeforeAtStart", 1252, u"hello world", chopBefore(u"hel"), u"hello world", 0},
    // Markup.
    {"HtmlEntityEncode", 1252, u"a<b & \"c\"", noArgs(&VkString::HtmlEntityEncode),
     u"a&lt;b &amp; &quot;c&quot;", 0},
    {"HtmlEntityDecodeTableOrder", 1252, u"&amp;lt;", noArgs(&VkString::HtmlEntityDecode), u"<", 0},
    {"HtmlEntityDecodeEuro", 1252, u"&euro;&#8364;&#x20AC;",
     noArgs(&VkString::HtmlEntityDecode), u"\u20AC\u20AC\u20AC", 0},
    {"HtmlEntityDecodeAboveFFFF", 1252, u"&#x1F600;", noArgs(&VkString::HtmlEntityDecode),
     u"\U0001F600", 0},
    {"StripHtmlQuotes", 1252, u"<a href=\"x>y\">link</a>", noArgs(&VkString::StripHtml), u"link", 0},
    {"StripHtmlEscapeOneByte", 1252, u"<i\\x>after", noArgs(&VkString::StripHtml), u"after", 0},
    // Word forms go through the ANSI form.
    {"Pluralize", 1252, u"city", noArgs(&VkString::Pluralize), u"cities", 0},
    {"PluralizeLosesGreek", 1252, u"\u03B1box", noArgs(&VkString::Pluralize), u"boxes", 0},
    {"Unpluralize", 1252, u"wolves", noArgs(&VkString::Unpluralize), u"wolf", 0},
    {"UnpluralizeToEmpty", 1252, u"s", noArgs(&VkString::Unpluralize), u"", 0},
    // Script counts.
    {"NumAscii", 1252, u"abcd\u00E9", count(&VkString::get_NumAscii), u"abcd\u00E9", 4},
    {"NumLatin", 1252, u"abcd\u00E9", count(&VkString::get_NumLatin), u"abcd\u00E9", 1},
    {"NumCentralEuro", 1252, u"\u0100\u02C7\u0301", count(&VkString::get_NumCentralEuro),
     u"\u0100\u02C7\u0301", 2},
    {"NumGreek", 1252, u"\u03B1\u03B2", count(&VkString::get_NumGreek), u"\u03B1\u03B2", 2},
    {"NumHebrew", 1252, u"\u05D0", count(&VkString::get_NumHebrew), u"\u05D0", 1},
    {"NumArabic", 1252, u"\u0627\u0628", count(&VkString::get_NumArabic), u"\u0627\u0628", 2},
    {"NumJapanese", 1252, u"\u65E5\u672C\u8A9E\u3072\u3089", count(&VkString::get_NumJapanese),
     u"\u65E5\u672C\u8A9E\u3072\u3089", 2},
    {"NumChinese", 1252, u"\u65E5\u672C\u8A9E\u3072\u3089", count(&VkString::get_NumChinese),
     u"\u65E5\u672C\u8A9E\u3072\u3089", 3},
    {"NumKoreanBoundary", 1252, u"\uD7AF\uD7B0", count(&VkString::get_NumKorean),
     u"\uD7AF\uD7B0", 1},
    {"NumChineseBoundary", 1252, u"\u9FAF\u9FB0", count(&VkString::get_NumChinese),
     u"\u9FAF\u9FB0", 1},
    {"NumThai", 1252, u"\u0E01", count(&VkString::get_NumThai), u"\u0E01", 1},
    {"NumCyrillic", 1252, u"\u0416\u0430", count(&VkString::get_NumCyrillic), u"\u0416\u0430", 2},
    {"NumAsciiEmpty", 1252, u"", count(&VkString::get_NumAscii), u"", 0},
    {"NumAsciiSurrogatePair", 1252, u"\U0001F600", count(&VkString::get_NumAscii), u"\U0001F600", 0},
};

INSTANTIATE_TEST_SUITE_P(Component, TextMembers, ::testing::ValuesIn(kMemberCases));

// The ANSI members answer signed bytes and edit the ANSI form.
struct AnsiMemberCase {
  const char* name;
  std::int32_t codePage;
  std::u16string text;
  Call call;
  std::u16string expectedStr;
  LONG expectedNumber;
  LONG expectedLength;  // Length afterwards
};

void PrintTo(const AnsiMemberCase& c, std::ostream* os) { *os << c.name; }

Call lastAnsiChar() {
  return [](VkString& o) {
    LONG n = -99;
    HRESULT hr = o.LastAnsiChar(&n);
    return number(hr, n);
  };
}

Call ansiCharAt(LONG index) {
  return [index](VkString& o) {
    LONG n = -99;
    HRESULT hr = o.AnsiCharAt(index, &n);
    return number(hr, n);
  };
}

Call removeAnsiChar(LONG c) {
  return [c](VkString& o) { return none(o.RemoveAnsiChar(c)); };
}

Call replaceAnsiChar(LONG a, LONG b) {
  return [a, b](VkString& o) { return none(o.ReplaceAnsiChar(a, b)); };
}

Call shorten(LONG n) {
  return [n](VkString& o) { return none(o.Shorten(n)); };
}

class AnsiMembers : public ::testing::TestWithParam<AnsiMemberCase> {};

TEST_P(AnsiMembers, AnswerSignedBytesAndCountAnsiBytes) {
  const AnsiMemberCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  Object object(c.text);
  Outcome outcome = c.call(*object);
  EXPECT_EQ(outcome.hr, S_OK);
  if (outcome.hasNumber) {
    EXPECT_EQ(outcome.number, c.expectedNumber);
  }
  LONG length = -1;
  EXPECT_EQ(object->Length(&length), S_OK);
  EXPECT_EQ(length, c.expectedLength);
  EXPECT_EQ(object.str(), c.expectedStr);
}

const AnsiMemberCase kAnsiMemberCases[] = {
    {"LastAnsiCharSigned", 1252, u"caf\u00E9", lastAnsiChar(), u"caf\u00E9", -23, 4},
    {"LastAnsiCharEmpty", 1252, u"", lastAnsiChar(), u"", 0, 0},
    {"AnsiCharAtAscii", 1252, u"A", ansiCharAt(0), u"A", 65, 1},
    {"AnsiCharAtPastEnd", 1252, u"A", ansiCharAt(1), u"A", 0, 1},
    {"AnsiCharAtNegative", 1252, u"A", ansiCharAt(-1), u"A", 0, 1},
    {"AnsiCharAt932Lead", 932, u"\u65E5", ansiCharAt(0), u"\u65E5", -109, 2},
    {"RemoveAnsiCharUnsigned", 1252, u"\u00E9t\u00E9", removeAnsiChar(233), u"t", 0, 1},
    {"RemoveAnsiCharSigned", 1252, u"\u00E9t\u00E9", removeAnsiChar(-23), u"t", 0, 1},
    {"ReplaceAnsiChar", 1252, u"banana", replaceAnsiChar('a', 'o'), u"bonono", 0, 6},
    {"ShortenZeroCountsBytes932", 932, u"\u65E5\u672C", shorten(0), u"\u65E5\u672C", 0, 4},
    {"ShortenNegative", 1252, u"abc", shorten(-1), u"", 0, 0},
    {"ShortenTooMany", 1252, u"abc", shorten(100), u"", 0, 0},
    {"ShortenLosesGreek", 1252, u"\u03B1abc", shorten(1), u"ab", 0, 2},
};

INSTANTIATE_TEST_SUITE_P(Component, AnsiMembers, ::testing::ValuesIn(kAnsiMemberCases));

// Slices answer new strings, never null, and leave the text alone.
struct SliceMemberCase {
  const char* name;
  std::int32_t codePage;
  std::u16string text;
  char slice;  // 'L', 'R', 'M'
  LONG idx;
  LONG count;
  std::u16string expected;
};

void PrintTo(const SliceMemberCase& c, std::ostream* os) { *os << c.name; }

class SliceMembers : public ::testing::TestWithParam<SliceMemberCase> {};

TEST_P(SliceMembers, AnswerNewStrings) {
  const SliceMemberCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  Object object(c.text);
  BSTR result = nullptr;
  HRESULT hr = c.slice == 'L'   ? object->Left(c.count, &result)
               : c.slice == 'R' ? object->Right(c.count, &result)
                                : object->Mid(c.idx, c.count, &result);
  EXPECT_EQ(hr, S_OK);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(take(result), c.expected);
  EXPECT_EQ(object.str(), c.text);
}

const SliceMemberCase kSliceMemberCases[] = {
    {"LeftTwo", 1252, u"abc", 'L', 0, 2, u"ab"},
    {"LeftZero", 1252, u"abc", 'L', 0, 0, u""},
    {"LeftGreekFirst", 1252, u"\u03B1abc", 'L', 0, 1, u"\u03B1"},
    {"LeftKanji932", 932, u"\u65E5\u672Cabc", 'L', 0, 3, u"\u65E5\u672Ca"},
    {"RightGreek", 1252, u"\u03B1abc", 'R', 0, 3, u"abc"},
    {"MidToEnd", 1252, u"abc", 'M', 1, 5, u"bc"},
    {"MidNegativeIndex", 1252, u"abc", 'M', -2, 2, u""},
    {"MidPastEnd", 1252, u"abc", 'M', 4, 1, u""},
    {"RightOfEmpty", 1252, u"", 'R', 0, 3, u""},
};

INSTANTIATE_TEST_SUITE_P(Component, SliceMembers, ::testing::ValuesIn(kSliceMemberCases));

TEST(TextMemberResults, NullResultPointersAreTolerated) {
  Object object(u"abc");
  EXPECT_EQ(object->Left(1, nullptr), S_OK);
  EXPECT_EQ(object->Right(1, nullptr), S_OK);
  EXPECT_EQ(object->Mid(0, 1, nullptr), S_OK);
  EXPECT_EQ(object->Contains(nullptr, nullptr), S_OK);
  EXPECT_EQ(object->get_NumAscii(nullptr), S_OK);
  EXPECT_EQ(object->LastAnsiChar(nullptr), S_OK);
  EXPECT_EQ(object.str(), u"abc");
}

}  // namespace
}  // namespace vk
