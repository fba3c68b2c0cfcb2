// The text members on the string object: the boundary conventions (null arguments as empty
// ones, yes/no results exactly 1 or 0, signed bytes, S_OK and a written result on every path)
// and the mended members end to end.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ansi_scope.h"
#include "component/vkstring.h"

namespace vk {
namespace {

std::u16string take(BSTR text) {
  std::u16string units(text == nullptr ? u"" : std::u16string(text, SysStringLen(text)));
  SysFreeString(text);
  return units;
}

// An automation string argument; a null pointer stands for a null argument.
struct Arg {
  explicit Arg(const char16_t* text) : bstr(text == nullptr ? nullptr : SysAllocString(text)) {}
  ~Arg() { SysFreeString(bstr); }
  Arg(const Arg&) = delete;
  Arg& operator=(const Arg&) = delete;
  BSTR bstr;
};

// A member call: answers the member's integer result, or 0 for members without one. Every
// call must answer S_OK.
using Call = std::function<LONG(VkString&)>;

struct MemberCase {
  const char* name;
  std::int32_t codePage;
  const char16_t* text;
  Call call;
  LONG expected;          // the call's answer
  const char16_t* after;  // the object's text afterwards
  LONG lengthAfter;       // Length afterwards, or -1 to skip
};

void PrintTo(const MemberCase& c, std::ostream* os) { *os << c.name; }

// The result once the call has returned S_OK.
LONG answer(HRESULT hr, const LONG& result) {
  EXPECT_EQ(hr, S_OK);
  return result;
}

Call searching(HRESULT (VkString::*member)(BSTR, LONG*), const char16_t* argument) {
  return [member, argument](VkString& o) {
    Arg arg(argument);
    LONG n = -99;
    return answer((o.*member)(arg.bstr, &n), n);
  };
}

Call flagged(HRESULT (VkString::*member)(BSTR, LONG, LONG*), const char16_t* argument, LONG flag) {
  return [member, argument, flag](VkString& o) {
    Arg arg(argument);
    LONG n = -99;
    return answer((o.*member)(arg.bstr, flag, &n), n);
  };
}

Call editing(HRESULT (VkString::*member)(BSTR), const char16_t* argument) {
  return [member, argument](VkString& o) {
    Arg arg(argument);
    return answer((o.*member)(arg.bstr), 0);
  };
}

Call plain(HRESULT (VkString::*member)()) {
  return [member](VkString& o) { return answer((o.*member)(), 0); };
}

Call reading(HRESULT (VkString::*member)(LONG*)) {
  return [member](VkString& o) {
    LONG n = -99;
    return answer((o.*member)(&n), n);
  };
}

Call byteAt(LONG index) {
  return [index](VkString& o) {
    LONG n = -99;
    return answer(o.AnsiCharAt(index, &n), n);
  };
}

Call withCount(HRESULT (VkString::*member)(LONG), LONG value) {
  return [member, value](VkString& o) { return answer((o.*member)(value), 0); };
}

class TextMembers : public ::testing::TestWithParam<MemberCase> {};

TEST_P(TextMembers, AnswerOnTheObject) {
  const MemberCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  auto* object = new VkString;
  object->AddRef();
  Arg text(c.text);
  ASSERT_EQ(object->put_Str(text.bstr), S_OK);
  EXPECT_EQ(c.call(*object), c.expected);
  if (c.lengthAfter >= 0) {
    LONG length = -1;
    EXPECT_EQ(object->Length(&length), S_OK);
    EXPECT_EQ(length, c.lengthAfter);
  }
  BSTR str = nullptr;
  EXPECT_EQ(object->get_Str(&str), S_OK);
  EXPECT_EQ(take(str), std::u16string(c.after));
  object->Release();
}

using V = VkString;

const MemberCase kMemberCases[] = {
    // Null arguments behave as empty ones; yes/no answers are exactly 1 or 0.
    {"ContainsNullOnEmpty", 1252, u"", searching(&V::Contains, nullptr), 1, u"", -1},
    {"ContainsNo", 1252, u"abc", searching(&V::Contains, u"x"), 0, u"abc", -1},
    {"BeginsWithNull", 1252, u"abc", searching(&V::BeginsWith, nullptr), 1, u"abc", -1},
    {"EndsWithGreek", 1252, u"x\u03B1", searching(&V::EndsWith, u"\u03B1"), 1, u"x\u03B1", -1},
    {"EndsWithLonger", 1252, u"bc", searching(&V::EndsWith, u"abc"), 0, u"bc", -1},
    {"MatchesNullOnEmpty", 1252, u"", flagged(&V::Matches, nullptr, 0), 1, u"", -1},
    {"MatchesNullOnText", 1252, u"a", flagged(&V::Matches, nullptr, 0), 0, u"a", -1},
    {"MatchesFlagAnyNonZero", 1252, u"ABC", flagged(&V::Matches, u"a*c", 7), 0, u"ABC", -1},
    {"MatchesCaseInsensitive", 1252, u"ABC", flagged(&V::Matches, u"a*c", 0), 1, u"ABC", -1},
    {"StrCompNullOnText", 1252, u"a", flagged(&V::StrComp, nullptr, 1), 1, u"a", -1},
    {"StrCompCaseSensitive", 1252, u"abc", flagged(&V::StrComp, u"ABC", 1), 1, u"abc", -1},
    {"StrCompCaseInsensitive", 1252, u"abc", flagged(&V::StrComp, u"ABC", 0), 0, u"abc", -1},
    {"ChopAfterNullEmpties", 1252, u"abc", editing(&V::ChopAfter, nullptr), 0, u"", -1},
    {"ChopBeforeNull", 1252, u"abc", editing(&V::ChopBefore, nullptr), 0, u"abc", -1},
    // The ANSI members answer signed bytes; their edits leave Length counting ANSI bytes.
    {"LastAnsiCharSigned", 1252, u"caf\u00E9", reading(&V::LastAnsiChar), -23, u"caf\u00E9", 4},
    {"AnsiCharAtAscii", 1252, u"A", byteAt(0), 65, u"A", 1},
    {"AnsiCharAtPastEnd", 1252, u"A", byteAt(1), 0, u"A", 1},
    {"AnsiCharAtLeadByte932", 932, u"\u65E5", byteAt(0), -109, u"\u65E5", 2},
    {"RemoveAnsiCharSigned", 1252, u"\u00E9t\u00E9", withCount(&V::RemoveAnsiChar, -23), 0, u"t", 1},
    {"ShortenZeroCounts932Bytes", 932, u"\u65E5\u672C", withCount(&V::Shorten, 0), 0, u"\u65E5\u672C", 4},
    {"ShortenNegativeEmpties", 1252, u"abc", withCount(&V::Shorten, -1), 0, u"", 0},
    // ChopAfter cuts the wide form, keeping what the ANSI code page lacks.
    {"ChopAfterKeepsGreek", 1252, u"\u03B1abc", editing(&V::ChopAfter, u"a"), 0, u"\u03B1a", 2},
    {"ChopAfterKanji932", 932, u"\u65E5\u672C\u8A9Eabc", editing(&V::ChopAfter, u"\u672C"), 0,
     u"\u65E5\u672C", 2},
    {"ChopBefore", 1252, u"hello world", editing(&V::ChopBefore, u"wor"), 0, u"world", 5},
    // One member of each other family, end to end.
    {"ReplaceAllNonOverlapping", 1252, u"aaa",
     [](VkString& o) {
       Arg find(u"aa"), with(u"b");
       return answer(o.ReplaceAll(find.bstr, with.bstr), 0);
     },
     0, u"ba", -1},
    {"ReplaceFirstNullReplacementDeletes", 1252, u"abab",
     [](VkString& o) {
       Arg find(u"ab");
       return answer(o.ReplaceFirst(find.bstr, nullptr), 0);
     },
     0, u"ab", -1},
    {"TrimInside", 1252, u" a \t\t b ", plain(&V::TrimInside), 0, u" a b ", -1},
    {"HtmlEntityEncode", 1252, u"a<b & \"c\"", plain(&V::HtmlEntityEncode), 0, u"a&lt;b &amp; &quot;c&quot;",
     -1},
    {"HtmlEntityDecode", 1252, u"&amp;lt;&euro;&#x20AC;&#x1F600;", plain(&V::HtmlEntityDecode), 0,
     u"<\u20AC\u20AC\U0001F600", -1},
    {"StripHtml", 1252, u"<a href=\"x>y\">link</a>", plain(&V::StripHtml), 0, u"link", -1},
    {"PluralizeThroughAnsi", 1252, u"\u03B1city", plain(&V::Pluralize), 0, u"cities", 6},
    {"Unpluralize", 1252, u"wolves", plain(&V::Unpluralize), 0, u"wolf", 4},
    // The script counts, one property each.
    {"NumAscii", 1252, u"abcd\u00E9", reading(&V::get_NumAscii), 4, u"abcd\u00E9", -1},
    {"NumLatin", 1252, u"abcd\u00E9", reading(&V::get_NumLatin), 1, u"abcd\u00E9", -1},
    {"NumCentralEuro", 1252, u"\u0100\u02C7\u0301", reading(&V::get_NumCentralEuro), 2, u"\u0100\u02C7\u0301",
     -1},
    {"NumGreek", 1252, u"\u03B1\u03B2", reading(&V::get_NumGreek), 2, u"\u03B1\u03B2", -1},
    {"NumHebrew", 1252, u"\u05D0", reading(&V::get_NumHebrew), 1, u"\u05D0", -1},
    {"NumArabic", 1252, u"\u0627\u0628", reading(&V::get_NumArabic), 2, u"\u0627\u0628", -1},
    {"NumJapanese", 1252, u"\u65E5\u3072\u3089", reading(&V::get_NumJapanese), 2, u"\u65E5\u3072\u3089", -1},
    {"NumKoreanBoundary", 1252, u"\uD7AF\uD7B0", reading(&V::get_NumKorean), 1, u"\uD7AF\uD7B0", -1},
    {"NumChineseBoundary", 1252, u"\u9FAF\u9FB0", reading(&V::get_NumChinese), 1, u"\u9FAF\u9FB0", -1},
    {"NumThai", 1252, u"\u0E01", reading(&V::get_NumThai), 1, u"\u0E01", -1},
    {"NumCyrillic", 1252, u"\u0416\u0430", reading(&V::get_NumCyrillic), 2, u"\u0416\u0430", -1},
    {"NumAsciiSurrogatePair", 1252, u"\U0001F600", reading(&V::get_NumAscii), 0, u"\U0001F600", -1},
};

INSTANTIATE_TEST_SUITE_P(Component, TextMembers, ::testing::ValuesIn(kMemberCases));

// Slices answer new strings, never null, and leave the text alone.
struct SliceCase {
  const char* name;
  std::int32_t codePage;
  const char16_t* text;
  char slice;  // 'L', 'R' or 'M'
  LONG idx;
  LONG count;
  const char16_t* expected;
};

void PrintTo(const SliceCase& c, std::ostream* os) { *os << c.name; }

class SliceMembers : public ::testing::TestWithParam<SliceCase> {};

TEST_P(SliceMembers, AnswerNewStrings) {
  const SliceCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  auto* object = new VkString;
  object->AddRef();
  Arg text(c.text);
  object->put_Str(text.bstr);
  BSTR result = nullptr;
  HRESULT hr = c.slice == 'L'   ? object->Left(c.count, &result)
               : c.slice == 'R' ? object->Right(c.count, &result)
                                : object->Mid(c.idx, c.count, &result);
  EXPECT_EQ(hr, S_OK);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(take(result), std::u16string(c.expected));
  BSTR str = nullptr;
  object->get_Str(&str);
  EXPECT_EQ(take(str), std::u16string(c.text));
  object->Release();
}

const SliceCase kSliceCases[] = {
    {"LeftZero", 1252, u"abc", 'L', 0, 0, u""},
    {"LeftGreekFirst", 1252, u"\u03B1abc", 'L', 0, 1, u"\u03B1"},
    {"LeftKanji932", 932, u"\u65E5\u672Cabc", 'L', 0, 3, u"\u65E5\u672Ca"},
    {"RightGreek", 1252, u"\u03B1abc", 'R', 0, 3, u"abc"},
    {"RightOfEmpty", 1252, u"", 'R', 0, 3, u""},
    {"MidToEnd", 1252, u"abc", 'M', 1, 5, u"bc"},
    {"MidNegativeIndex", 1252, u"abc", 'M', -2, 2, u""},
};

INSTANTIATE_TEST_SUITE_P(Component, SliceMembers, ::testing::ValuesIn(kSliceCases));

TEST(TextMemberResults, NullResultPointersAreTolerated) {
  auto* object = new VkString;
  object->AddRef();
  Arg text(u"abc");
  object->put_Str(text.bstr);
  EXPECT_EQ(object->Left(1, nullptr), S_OK);
  EXPECT_EQ(object->Mid(0, 1, nullptr), S_OK);
  EXPECT_EQ(object->Contains(nullptr, nullptr), S_OK);
  EXPECT_EQ(object->get_NumAscii(nullptr), S_OK);
  EXPECT_EQ(object->LastAnsiChar(nullptr), S_OK);
  BSTR str = nullptr;
  object->get_Str(&str);
  EXPECT_EQ(take(str), u"abc");
  object->Release();
}

}  // namespace
}  // namespace vk
