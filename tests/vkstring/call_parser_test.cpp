// The command-line client's call syntax, date literals and UTF-8 handling.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tools/vkstring/call_parser.h"
#include "tools/vkstring/utf.h"

namespace vk::cli {
namespace {

// One argument in a compact form for comparison: S:text, I:42, D:iso, -, F:path.
std::string describe(const Argument& a) {
  switch (a.kind) {
    case ArgumentKind::String: return "S:" + a.text;
    case ArgumentKind::Integer: return "I:" + std::to_string(a.integer);
    case ArgumentKind::Date: return "D:" + isoText(a.date);
    case ArgumentKind::StandardInput: return "-";
    case ArgumentKind::File: return "F:" + a.text;
  }
  return "?";
}

std::string describe(const Call& c) {
  std::string text = c.name + (c.form == CallForm::Put ? " =" : "");
  for (const Argument& a : c.arguments) text += " [" + describe(a) + "]";
  return text;
}

TEST(CallParser, WellFormedCalls) {
  struct Case {
    const char* text;
    const char* parsed;
  } cases[] = {
      {"Str", "Str"},
      {"  Length  ", "Length"},
      {"Trim()", "Trim"},
      {"Trim ( )", "Trim"},
      {"Append(\"abc\")", "Append [S:abc]"},
      {"Append(\"\")", "Append [S:]"},
      {"Append(\"say \"\"hi\"\"\")", "Append [S:say \"hi\"]"},
      {"Append(\"\"\"\")", "Append [S:\"]"},
      {"Append(\"a, b) c\")", "Append [S:a, b) c]"},
      {"Append(\"héllo 😀\")", "Append [S:héllo 😀]"},
      {"ReplaceAll( \"a\" ,\"b\" )", "ReplaceAll [S:a] [S:b]"},
      {"Left(3)", "Left [I:3]"},
      {"Mid(-1, +2)", "Mid [I:-1] [I:2]"},
      {"Shorten(2147483647)", "Shorten [I:2147483647]"},
      {"Shorten(-2147483648)", "Shorten [I:-2147483648]"},
      {"ReplaceAnsiChar(&H41, &h7a)", "ReplaceAnsiChar [I:65] [I:122]"},
      {"Shorten(&HFFFF)", "Shorten [I:-1]"},  // four digits: a 16-bit value, as in VBScript
      {"Shorten(&H8000)", "Shorten [I:-32768]"},
      {"Shorten(&H10000)", "Shorten [I:65536]"},
      {"Shorten(&HFFFFFFFF)", "Shorten [I:-1]"},
      {"Shorten(&H7FFFFFFF)", "Shorten [I:2147483647]"},
      {"AppendDateRfc3339(#2024-03-05 14:03:07#)", "AppendDateRfc3339 [D:2024-03-05T14:03:07]"},
      {"AppendDateRfc822(#3/5/2024#)", "AppendDateRfc822 [D:2024-03-05T00:00:00]"},
      {"AppendMultibyte(-, \"utf-8\")", "AppendMultibyte [-] [S:utf-8]"},
      {"AppendMultibyte(@in.txt, \"shift_jis\")", "AppendMultibyte [F:in.txt] [S:shift_jis]"},
      {"AppendMultibyte(@ dir/my file.bin , \"x\")", "AppendMultibyte [F: dir/my file.bin] [S:x]"},
      {"AppendMultibyte(@\"a,b).bin\", \"x\")", "AppendMultibyte [F:a,b).bin] [S:x]"},
      {"Str = \"x\"", "Str = [S:x]"},
      {"Str=\"\"", "Str = [S:]"},
      {"Str = 5", "Str = [I:5]"},
      {"Str = @some file.txt  ", "Str = [F:some file.txt]"},
      {"_odd_Name9", "_odd_Name9"},
  };
  for (const Case& c : cases) {
    Call call;
    std::string error;
    ASSERT_TRUE(parseCall(c.text, &call, &error)) << c.text << ": " << error;
    EXPECT_EQ(describe(call), c.parsed) << c.text;
    EXPECT_EQ(call.source, c.text);
  }
}

TEST(CallParser, MalformedCallsSayWhatAndWhere) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "expected a member name at column 1"},
      {"   ", "expected a member name at column 4"},
      {"9Lives", "expected a member name at column 1"},
      {"(\"x\")", "expected a member name at column 1"},
      {"Append(", "expected an argument at column 8"},
      {"Append(\"x\"", "expected ',' or ')' after an argument at column 11"},
      {"Append(\"x\" \"y\")", "expected ',' or ')' after an argument at column 12"},
      {"Mid(1,,2)", "expected an argument at column 7"},
      {"Mid(1,)", "expected an argument at column 7"},
      {"Append(\"abc)", "the string is not closed with '\"' at column 8"},
      {"Append(\"é\" x)", "expected ',' or ')' after an argument at column 12"},
      {"Append(\"\xC3\x28\")", "the string is not valid UTF-8 at column 8"},
      {"Append(\"\xED\xA0\x80\")", "the string is not valid UTF-8 at column 8"},  // a surrogate
      {"Append(abc)", "expected a string in double quotes, a number, a #date#, '-' or '@file' at column 8"},
      {"Append('abc')", "expected a string in double quotes"},
      {"Left(2147483648)", "the number does not fit in 32 bits at column 6"},
      {"Left(-2147483649)", "the number does not fit in 32 bits at column 6"},
      {"Left(99999999999999999999999)", "the number does not fit in 32 bits"},
      {"Left(1.5)", "a number must be an integer written in digits at column 6"},
      {"Left(12abc)", "a number must be an integer written in digits"},
      {"Left(&H)", "a hexadecimal number is written &H followed by digits at column 6"},
      {"Left(&O17)", "a hexadecimal number is written &H followed by digits"},
      {"Left(&H123456789)", "a hexadecimal number has at most 8 digits"},
      {"Left(+)", "expected digits at column 6"},
      {"AppendDateRfc822(#2024-03-05)", "the date is not closed with '#' at column 18"},
      {"AppendDateRfc822(#2024-02-30#)", "bad date #2024-02-30#: there is no such day in that month"},
      {"AppendMultibyte(@, \"x\")", "'@' must be followed by a file name at column 17"},
      {"AppendMultibyte(@\"\", \"x\")", "'@' must be followed by a file name"},
      {"Str =", "expected an argument at column 6"},
      {"Str = \"a\" \"b\"", "unexpected text after the call at column 11"},
      {"Str \"a\"", "unexpected text after the call at column 5"},
      {"Trim() x", "unexpected text after the call at column 8"},
      {"Trim;Str", "unexpected text after the call at column 5"},
  };
  for (const Case& c : cases) {
    Call call;
    std::string error;
    EXPECT_FALSE(parseCall(c.text, &call, &error)) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
  }
}

TEST(DateLiterals, FormsAndRanges) {
  struct Case {
    const char* text;
    const char* iso;  // null: refused, with `error` in the message
    const char* error;
  } cases[] = {
      {"2024-03-05", "2024-03-05T00:00:00", nullptr},
      {" 2024-03-05 14:03 ", "2024-03-05T14:03:00", nullptr},
      {"2024-03-05T14:03:07", "2024-03-05T14:03:07", nullptr},
      {"2024-3-5 4:05:06", "2024-03-05T04:05:06", nullptr},
      {"3/5/2024", "2024-03-05T00:00:00", nullptr},
      {"12/31/9999 23:59:59", "9999-12-31T23:59:59", nullptr},
      {"1/1/100", "0100-01-01T00:00:00", nullptr},
      {"3/5/2024 2:03:07 PM", "2024-03-05T14:03:07", nullptr},
      {"3/5/2024 12:00 am", "2024-03-05T00:00:00", nullptr},
      {"3/5/2024 12:30 PM", "2024-03-05T12:30:00", nullptr},
      {"2/29/2024", "2024-02-29T00:00:00", nullptr},
      {"2000-02-29", "2000-02-29T00:00:00", nullptr},
      {"1900-02-29", nullptr, "no such day"},
      {"2023-02-29", nullptr, "no such day"},
      {"2024-13-01", nullptr, "no such month"},
      {"2024-00-10", nullptr, "no such month"},
      {"99-01-01", nullptr, "between 100 and 9999"},
      {"1/1/99", nullptr, "between 100 and 9999"},
      {"2024-03-05 24:00", nullptr, "no such time"},
      {"2024-03-05 10:60", nullptr, "no such time"},
      {"2024-03-05 10", nullptr, "H:MM"},
      {"3/5/2024 13:00 PM", nullptr, "between 1 and 12"},
      {"3/5/2024 0:10 AM", nullptr, "between 1 and 12"},
      {"2024-03-05 2:00 PM", nullptr, "unexpected text"},  // AM/PM belongs to the VBScript form
      {"2024/03/05", nullptr, "M/D/YYYY"},
      {"", nullptr, "must start with"},
      {"today", nullptr, "must start with"},
      {"2024-03-05x", nullptr, "unexpected text"},
  };
  for (const Case& c : cases) {
    CalendarTime time;
    std::string error;
    bool ok = parseDateLiteral(c.text, &time, &error);
    if (c.iso != nullptr) {
      ASSERT_TRUE(ok) << c.text << ": " << error;
      EXPECT_EQ(isoText(time), c.iso) << c.text;
    } else {
      EXPECT_FALSE(ok) << c.text;
      EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
    }
  }
}

TEST(AutomationDates, KnownDaysAndTheNegativeRule) {
  struct Case {
    CalendarTime time;
    double date;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0}, 0.0},
      {{1899, 12, 31, 0, 0, 0}, 1.0},
      {{1900, 1, 1, 0, 0, 0}, 2.0},
      {{1900, 3, 1, 0, 0, 0}, 61.0},
      {{1899, 12, 30, 6, 0, 0}, 0.25},
      {{1899, 12, 29, 6, 0, 0}, -1.25},  // the time of day counts away from zero before day 0
      {{1899, 12, 29, 0, 0, 0}, -1.0},
      {{2024, 3, 5, 0, 0, 0}, 45356.0},
      {{2024, 3, 5, 18, 0, 0}, 45356.75},
      {{100, 1, 1, 0, 0, 0}, -657434.0},
      {{9999, 12, 31, 0, 0, 0}, 2958465.0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(automationDate(c.time), c.date) << isoText(c.time);
    CalendarTime back;
    ASSERT_TRUE(calendarTimeOf(c.date, &back)) << c.date;
    EXPECT_EQ(isoText(back), isoText(c.time)) << c.date;
  }
}

TEST(AutomationDates, ToTheNearestSecondAndOnlyInRange) {
  struct Case {
    double date;
    const char* iso;  // null: out of range
  } cases[] = {
      {45356.0 + 86399.4 / 86400, "2024-03-05T23:59:59"},
      {45356.0 + 86399.6 / 86400, "2024-03-06T00:00:00"},  // rounds into the next day
      {-1.0 - 86399.6 / 86400, "1899-12-28T00:00:00"},
      {2958465.0 + 86399.0 / 86400, "9999-12-31T23:59:59"},
      {2958466.0, nullptr},
      {-657434.5, "0100-01-01T12:00:00"},
      {-657435.0, nullptr},
      {1e300, nullptr},
      {-1e300, nullptr},
  };
  for (const Case& c : cases) {
    CalendarTime time;
    bool ok = calendarTimeOf(c.date, &time);
    if (c.iso == nullptr) {
      EXPECT_FALSE(ok) << c.date;
    } else {
      ASSERT_TRUE(ok) << c.date;
      EXPECT_EQ(isoText(time), c.iso) << c.date;
    }
  }
  CalendarTime time;
  EXPECT_FALSE(calendarTimeOf(std::nan(""), &time));
}

TEST(AutomationDates, EveryDayOfFourCenturiesRoundTrips) {
  for (double day = -1000.0; day < 146097.0 - 1000.0; day += 1.0) {
    CalendarTime time;
    ASSERT_TRUE(calendarTimeOf(day, &time)) << day;
    ASSERT_EQ(automationDate(time), day) << isoText(time);
  }
}

TEST(Utf, ConversionsBothWays) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"", u""},
      {"abc", u"abc"},
      {"h\xC3\xA9llo", u"h\u00E9llo"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xEF\xBF\xBF", u"\uFFFF"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const Case& c : cases) {
    std::u16string units;
    EXPECT_TRUE(utf8ToUtf16(c.utf8, &units));
    EXPECT_EQ(units, c.utf16);
    EXPECT_EQ(utf16ToUtf8(c.utf16.data(), c.utf16.size()), c.utf8);
  }
}

TEST(Utf, IllFormedInput) {
  const char* refused[] = {
      "\x80",              // a continuation byte alone
      "\xC3",              // cut short
      "\xE2\x82",          // cut short
      "\xC0\xAF",          // overlong
      "\xE0\x80\xAF",      // overlong
      "\xF0\x80\x80\xAF",  // overlong
      "\xED\xB0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xF8\x88\x80\x80\x80",
      "\xFF",
      "ok\xC3(",
  };
  for (const char* text : refused) {
    std::u16string units;
    EXPECT_FALSE(utf8ToUtf16(text, &units)) << text;
  }
  // Unpaired surrogates in a string result print as U+FFFD instead of ill-formed bytes.
  struct Case {
    std::u16string units;
    const char* utf8;
  } lone[] = {
      {std::u16string(1, char16_t(0xD800)), "\xEF\xBF\xBD"},
      {std::u16string(1, char16_t(0xDC00)) + u"x", "\xEF\xBF\xBDx"},
      {u"a" + std::u16string(1, char16_t(0xD83D)), "a\xEF\xBF\xBD"},
  };
  for (const Case& c : lone) EXPECT_EQ(utf16ToUtf8(c.units.data(), c.units.size()), c.utf8);
}

}  // namespace
}  // namespace vk::cli
