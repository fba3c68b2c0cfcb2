// Reading and writing RFC 822 and RFC 3339 dates, and the conversions between automation
// dates and calendar fields. Expected moments are written out by hand; expected automation
// dates come from the reference calendar in date_test_support.h.
#include "dates/date_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "date_test_support.h"

namespace vk {
namespace {

using test::fieldsText;
using test::referenceDate;

constexpr const char* kNoDate = "";

struct ParseCase {
  const char* text;
  const char* utc;  // "yyyy-mm-dd hh:mm:ss", or kNoDate when the text must be refused
};

std::ostream& operator<<(std::ostream& os, const ParseCase& c) { return os << '"' << c.text << '"'; }

std::string parse822(const char* text) {
  SYSTEMTIME t{};
  return DateParser().parseRfc822(text, &t) ? fieldsText(t) : kNoDate;
}

std::string parse3339(const char* text) {
  SYSTEMTIME t{};
  return DateParser().parseRfc3339(StringBuffer(text), &t) ? fieldsText(t) : kNoDate;
}

// ---- RFC 822

class Rfc822Parse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Rfc822Parse, GivesTheUtcMoment) { EXPECT_EQ(parse822(GetParam().text), GetParam().utc); }

INSTANTIATE_TEST_SUITE_P(
    WrittenForms, Rfc822Parse,
    ::testing::Values(ParseCase{"Tue, 05 Mar 2024 14:03:07 -0500", "2024-03-05 19:03:07"},
                      ParseCase{"05 Mar 2024 14:03:07 EST", "2024-03-05 19:03:07"},
                      ParseCase{"Tuesday 5 March 2024 14:03:07 -0500", "2024-03-05 19:03:07"},
                      ParseCase{"tue, 05 mar 2024 14:03:07 -05:00", "2024-03-05 19:03:07"},
                      ParseCase{"05   Mar\t2024  14:03:07   -0500  ", "2024-03-05 19:03:07"},
                      ParseCase{"5 mar 24 14:03 GMT", "2024-03-05 14:03:00"},
                      ParseCase{"05 Mar 99 23:30:00 +0100", "1999-03-05 22:30:00"},
                      // The month word may be longer; only its first three letters count.
                      ParseCase{"05 Marchember 2024 14:03:07 GMT", "2024-03-05 14:03:07"},
                      // The second month table.
                      ParseCase{"05 Ian 2024 12:00:00 GMT", "2024-01-05 12:00:00"},
                      ParseCase{"05 Mai 2024 12:00:00 GMT", "2024-05-05 12:00:00"},
                      ParseCase{"05 Okt 2024 12:00:00 GMT", "2024-10-05 12:00:00"},
                      ParseCase{"05 Dez 2024 12:00:00 GMT", "2024-12-05 12:00:00"},
                      // Texts shaped like RFC 3339 are read as RFC 3339.
                      ParseCase{"2024-03-05T14:03:07Z", "2024-03-05 14:03:07"},
                      ParseCase{"2024-03-05T14:03:07+01:00", "2024-03-05 13:03:07"},
                      // Words outside the zone table, and no zone at all, count as UTC.
                      ParseCase{"05 Mar 2024 14:03:07 XYZ", "2024-03-05 14:03:07"},
                      ParseCase{"05 Mar 2024 14:03:07", "2024-03-05 14:03:07"},
                      ParseCase{"05 Mar 2024 14:03:07 (UTC)", "2024-03-05 14:03:07"}));

// The day name is skipped, never compared with the date.
INSTANTIATE_TEST_SUITE_P(
    DayNames, Rfc822Parse,
    ::testing::Values(ParseCase{"Fri, 05 Mar 2024 14:03:07 GMT", "2024-03-05 14:03:07"},
                      ParseCase{"Sunday, 05 Mar 2024 14:03:07 GMT", "2024-03-05 14:03:07"},
                      ParseCase{"Mon ,05 Mar 2024 14:03:07 GMT", "2024-03-05 14:03:07"},
                      // The word runs to the next blank, so the number goes with it.
                      ParseCase{"Tue,05 Mar 2024 14:03:07 GMT", kNoDate}, ParseCase{"Tue,", kNoDate},
                      ParseCase{"Tue, ", kNoDate},
                      ParseCase{"Tue, , 05 Mar 2024 14:03:07 GMT", "2024-03-05 14:03:07"},
                      ParseCase{"Xyz, 05 Mar 2024 14:03:07 GMT", kNoDate}));

// Below 1900 a year is a two-digit year: under 50 in the 2000s, otherwise the 1900s.
INSTANTIATE_TEST_SUITE_P(TwoDigitYears, Rfc822Parse,
                         ::testing::Values(ParseCase{"05 Mar 00 12:00:00 GMT", "2000-03-05 12:00:00"},
                                           ParseCase{"05 Mar 49 12:00:00 GMT", "2049-03-05 12:00:00"},
                                           ParseCase{"05 Mar 50 12:00:00 GMT", "1950-03-05 12:00:00"},
                                           ParseCase{"05 Mar 150 12:00:00 GMT", "2050-03-05 12:00:00"},
                                           ParseCase{"05 Mar 1899 12:00:00 GMT", "3799-03-05 12:00:00"},
                                           ParseCase{"05 Mar 1900 12:00:00 GMT", "1900-03-05 12:00:00"},
                                           ParseCase{"05 Mar 10000 12:00:00 GMT", kNoDate}));

// 10:00 local time under each zone word; the military letters carry RFC 822's signs.
INSTANTIATE_TEST_SUITE_P(ZoneWords, Rfc822Parse,
                         ::testing::Values(ParseCase{"05 Mar 2024 10:00:00 UT", "2024-03-05 10:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 GMT", "2024-03-05 10:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 EST", "2024-03-05 15:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 EDT", "2024-03-05 14:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 CST", "2024-03-05 16:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 MST", "2024-03-05 17:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 PST", "2024-03-05 18:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 PDT", "2024-03-05 17:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 A", "2024-03-05 11:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 Z", "2024-03-05 10:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 M", "2024-03-05 22:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 N", "2024-03-05 09:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 Y", "2024-03-04 22:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 B", "2024-03-05 10:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 CEST", "2024-03-05 10:00:00"},
                                           ParseCase{"05 Mar 2024 10:00:00 est", "2024-03-05 15:00:00"}));

// Numeric zones as "hhmm", "hh:mm" and a bare number of hours, with and without a sign.
INSTANTIATE_TEST_SUITE_P(
    NumericZones, Rfc822Parse,
    ::testing::Values(ParseCase{"05 Mar 2024 10:00:00 +0530", "2024-03-05 04:30:00"},
                      ParseCase{"05 Mar 2024 10:00:00 -0530", "2024-03-05 15:30:00"},
                      ParseCase{"05 Mar 2024 10:00:00 0530", "2024-03-05 04:30:00"},
                      ParseCase{"05 Mar 2024 10:00:00 +05:30", "2024-03-05 04:30:00"},
                      ParseCase{"05 Mar 2024 10:00:00 +5", "2024-03-05 05:00:00"},
                      ParseCase{"05 Mar 2024 10:00:00 -5", "2024-03-05 15:00:00"},
                      ParseCase{"05 Mar 2024 10:00:00 +12", "2024-03-04 22:00:00"},
                      ParseCase{"05 Mar 2024 10:00:00 -0500 (EST)", "2024-03-05 15:00:00"},
                      // A whole day is one roll; two days are more than one roll can mend.
                      ParseCase{"05 Mar 2024 10:00:00 +2400", "2024-03-04 10:00:00"},
                      ParseCase{"05 Mar 2024 10:00:00 +4800", kNoDate},
                      ParseCase{"05 Mar 2024 10:00:00 -4800", kNoDate},
                      ParseCase{"05 Mar 2024 10:00:00 -", kNoDate}));

// Offsets that carry the moment into the day before or after, across month and year ends.
INSTANTIATE_TEST_SUITE_P(DayRolls, Rfc822Parse,
                         ::testing::Values(ParseCase{"01 Jan 2024 00:30:00 +0100", "2023-12-31 23:30:00"},
                                           ParseCase{"31 Dez 2023 23:30:00 -0100", "2024-01-01 00:30:00"},
                                           ParseCase{"01 Mar 2024 00:30:00 +0100", "2024-02-29 23:30:00"},
                                           ParseCase{"29 Feb 2024 23:30:00 -0100", "2024-03-01 00:30:00"},
                                           ParseCase{"01 Mar 2100 01:00:00 +0200", "2100-02-28 23:00:00"},
                                           ParseCase{"31 Dec 9999 23:30:00 +0100", "9999-12-31 22:30:00"},
                                           ParseCase{"31 Dec 9999 23:30:00 -0100", kNoDate}));

// Days and times that do not exist are refused, whatever the zone would make of them.
INSTANTIATE_TEST_SUITE_P(ImpossibleMoments, Rfc822Parse,
                         ::testing::Values(ParseCase{"29 Feb 2024 12:00:00 GMT", "2024-02-29 12:00:00"},
                                           ParseCase{"29 Feb 2000 12:00:00 GMT", "2000-02-29 12:00:00"},
                                           ParseCase{"29 Feb 2023 12:00:00 GMT", kNoDate},
                                           ParseCase{"29 Feb 1900 12:00:00 GMT", kNoDate},
                                           ParseCase{"31 Apr 2024 12:00:00 GMT", kNoDate},
                                           ParseCase{"31 Apr 2024 00:30:00 +0100", kNoDate},
                                           ParseCase{"05 Mar 2024 24:00:00 GMT", kNoDate},
                                           ParseCase{"05 Mar 2024 24:30:00 +0100", kNoDate},
                                           ParseCase{"05 Mar 2024 23:60:00 GMT", kNoDate},
                                           ParseCase{"05 Mar 2024 23:59:60 GMT", kNoDate},
                                           ParseCase{"05 Mar 2024 -1:30:00 +0100", kNoDate},
                                           ParseCase{"-5 Mar 2024 12:00:00 GMT", kNoDate},
                                           ParseCase{"99999999999 Mar 2024 12:00:00 GMT", kNoDate},
                                           ParseCase{"05 Mar 67560 12:00:00 GMT", kNoDate}));

INSTANTIATE_TEST_SUITE_P(
    Unreadable, Rfc822Parse,
    ::testing::Values(ParseCase{"", kNoDate}, ParseCase{"   \t ", kNoDate}, ParseCase{"05 Mar 2024", kNoDate},
                      ParseCase{"Tue, 05 Foo 2024 14:03:07", kNoDate},
                      ParseCase{"05 Ma 2024 14:03:07", kNoDate}, ParseCase{"05 Mar 2024 14", kNoDate},
                      ParseCase{"05 Mar x 14:03:07", kNoDate}, ParseCase{"2024-03-05 14:03:07", kNoDate},
                      ParseCase{"2024-03-05t14:03:07z", kNoDate}));

TEST(Rfc822ParseLimits, NullArgumentsFail) {
  SYSTEMTIME t{};
  EXPECT_FALSE(DateParser().parseRfc822(nullptr, &t));
  EXPECT_FALSE(DateParser().parseRfc822("05 Mar 2024 14:03:07 GMT", nullptr));
}

// Only the first 199 bytes are read: a zone that ends at byte 198 is seen, one that starts at
// byte 199 is not.
TEST(Rfc822ParseLimits, ReadsTheFirst199Bytes) {
  std::string text = "05 Mar 2024 14:03:07 ";
  std::string seen = text + std::string(194 - text.size(), ' ') + "-0500";
  ASSERT_EQ(seen.size(), 199u);
  std::string unseen = text + std::string(199 - text.size(), ' ') + "-0500";
  ASSERT_EQ(unseen.find('-'), 199u);
  EXPECT_EQ(parse822(seen.c_str()), "2024-03-05 19:03:07");
  EXPECT_EQ(parse822(unseen.c_str()), "2024-03-05 14:03:07");
  // A very long text does not disturb the reading of its head.
  std::string longText = "05 Mar 2024 14:03:07 GMT" + std::string(100000, 'x');
  EXPECT_EQ(parse822(longText.c_str()), "2024-03-05 14:03:07");
}

// ---- RFC 3339

class Rfc3339Parse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Rfc3339Parse, GivesTheUtcMoment) { EXPECT_EQ(parse3339(GetParam().text), GetParam().utc); }

INSTANTIATE_TEST_SUITE_P(WrittenForms, Rfc3339Parse,
                         ::testing::Values(ParseCase{"2024-03-05T14:03:07Z", "2024-03-05 14:03:07"},
                                           ParseCase{"2024-03-05T14:03:07", "2024-03-05 14:03:07"},
                                           ParseCase{"20240305T14:03:07Z", "2024-03-05 14:03:07"},
                                           ParseCase{"2024-03-05T14:03:07.250+05:30", "2024-03-05 08:33:07"},
                                           ParseCase{"2024-03-05T14:03:07.999Z", "2024-03-05 14:03:07"},
                                           ParseCase{"2024-03-05T14:03:07-05:00", "2024-03-05 19:03:07"},
                                           ParseCase{"2024-03-05T14:03:07+0530", "2024-03-05 08:33:07"},
                                           ParseCase{"2024-03-05T14:03:07+05", "2024-03-05 09:03:07"},
                                           ParseCase{"0999-06-15T12:00:00Z", "0999-06-15 12:00:00"},
                                           ParseCase{"0100-01-01T00:00:00Z", "0100-01-01 00:00:00"},
                                           ParseCase{"9999-12-31T23:59:59Z", "9999-12-31 23:59:59"}));

INSTANTIATE_TEST_SUITE_P(DayRolls, Rfc3339Parse,
                         ::testing::Values(ParseCase{"2024-01-01T00:30:00+01:00", "2023-12-31 23:30:00"},
                                           ParseCase{"2023-12-31T23:30:00-01:00", "2024-01-01 00:30:00"},
                                           // Across day 0, where the automation date's time of day changes
                                           // direction.
                                           ParseCase{"1899-12-30T00:30:00+01:00", "1899-12-29 23:30:00"},
                                           ParseCase{"1899-12-29T23:30:00-01:00", "1899-12-30 00:30:00"},
                                           ParseCase{"1899-12-31T00:30:00+01:00", "1899-12-30 23:30:00"},
                                           ParseCase{"1899-12-28T22:00:00-03:00", "1899-12-29 01:00:00"},
                                           ParseCase{"0100-01-01T00:30:00+01:00", kNoDate},
                                           ParseCase{"9999-12-31T23:30:00-01:00", kNoDate},
                                           ParseCase{"2024-03-05T10:00:00+48:00", kNoDate}));

INSTANTIATE_TEST_SUITE_P(
    ImpossibleMoments, Rfc3339Parse,
    ::testing::Values(ParseCase{"2024-02-29T12:00:00Z", "2024-02-29 12:00:00"},
                      ParseCase{"2023-02-29T12:00:00Z", kNoDate}, ParseCase{"2024-04-31T12:00:00Z", kNoDate},
                      ParseCase{"2024-13-01T12:00:00Z", kNoDate}, ParseCase{"2024-03-05T24:00:00Z", kNoDate},
                      ParseCase{"2024-03-05T24:00:00-01:00", kNoDate},
                      ParseCase{"2024-03-05T23:60:00Z", kNoDate}, ParseCase{"0099-12-31T23:00:00Z", kNoDate},
                      ParseCase{"67560-03-05T12:00:00Z", kNoDate},
                      ParseCase{"99999999999999999999-03-05T12:00:00Z", kNoDate},
                      ParseCase{"2024-03-05T99999999999:00:00Z", kNoDate}));

INSTANTIATE_TEST_SUITE_P(Unreadable, Rfc3339Parse,
                         ::testing::Values(ParseCase{"", kNoDate}, ParseCase{"2024-03-05", kNoDate},
                                           ParseCase{"2024-03-05t14:03:07z", kNoDate},
                                           ParseCase{"2024-03-05T14:03Z", kNoDate},
                                           ParseCase{"2024-03T14:03:07Z", kNoDate},
                                           ParseCase{"T14:03:07Z", kNoDate},
                                           ParseCase{"2024-03-05Tab:cd:efZ", kNoDate},
                                           ParseCase{"2024-03-05T14:03:07+xx", kNoDate},
                                           ParseCase{"2024-03-05T14:03:07-", kNoDate}));

TEST(Rfc3339ParseLimits, NullRecordFails) {
  EXPECT_FALSE(DateParser().parseRfc3339(StringBuffer("2024-03-05T14:03:07Z"), nullptr));
}

TEST(Rfc3339ParseLimits, SetsTheDayOfWeekOfTheDate) {
  SYSTEMTIME t{};
  ASSERT_TRUE(DateParser().parseRfc3339(StringBuffer("2024-03-05T14:03:07Z"), &t));
  EXPECT_EQ(t.wDayOfWeek, 2);  // a Tuesday
  EXPECT_EQ(t.wMilliseconds, 0);
}

// ---- Day of the week

struct WeekdayCase {
  int year, month, day, weekday;
};

class DayOfWeek : public ::testing::TestWithParam<WeekdayCase> {};

TEST_P(DayOfWeek, MatchesTheCalendar) {
  const WeekdayCase& c = GetParam();
  EXPECT_EQ(DateParser().dayOfWeek(c.year, c.month, c.day), c.weekday)
      << c.year << '-' << c.month << '-' << c.day;
}

INSTANTIATE_TEST_SUITE_P(
    KnownDays, DayOfWeek,
    ::testing::Values(WeekdayCase{2024, 3, 5, 2}, WeekdayCase{1899, 12, 30, 6}, WeekdayCase{2000, 1, 1, 6},
                      WeekdayCase{1970, 1, 1, 4}, WeekdayCase{1900, 3, 1, 4}, WeekdayCase{2024, 2, 29, 4},
                      WeekdayCase{1, 1, 1, 1}, WeekdayCase{9999, 12, 31, 5}, WeekdayCase{1582, 10, 15, 5},
                      // A month that does not exist gives Sunday rather than a stray read.
                      WeekdayCase{2024, 0, 5, 0}, WeekdayCase{2024, 13, 5, 0}));

TEST(DayOfWeekProperty, FollowsTheReferenceDayCount) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<int> years(1, 9999);
  std::uniform_int_distribution<int> months(1, 12);
  for (int i = 0; i < 500; ++i) {
    const int y = years(random);
    const int m = months(random);
    const int d = 1 + static_cast<int>(random() % test::referenceMonthLength(y, m));
    // Day 0 was a Saturday.
    const std::int64_t n = test::referenceDay(y, m, d);
    const int expected = static_cast<int>(((n + 6) % 7 + 7) % 7);
    ASSERT_EQ(DateParser().dayOfWeek(y, m, d), expected) << y << '-' << m << '-' << d;
  }
}

// ---- Calendar fields to automation dates

struct FieldsCase {
  int year, month, day, hour, minute, second;
  bool valid;
};

class FieldsToDate : public ::testing::TestWithParam<FieldsCase> {};

TEST_P(FieldsToDate, CountsDaysAndTime) {
  const FieldsCase& c = GetParam();
  DATE date = 123.0;
  const bool ok = DateParser().fieldsToDate(c.year, c.month, c.day, c.hour, c.minute, c.second, &date);
  ASSERT_EQ(ok, c.valid);
  if (c.valid) {
    EXPECT_NEAR(date, referenceDate(c.year, c.month, c.day, c.hour, c.minute, c.second), 1e-9);
  } else {
    EXPECT_EQ(date, 123.0);  // untouched
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dates, FieldsToDate,
    ::testing::Values(FieldsCase{2024, 3, 5, 14, 3, 7, true}, FieldsCase{1899, 12, 30, 0, 0, 0, true},
                      FieldsCase{1899, 12, 29, 6, 0, 0, true}, FieldsCase{1899, 12, 31, 23, 59, 59, true},
                      FieldsCase{1900, 2, 28, 12, 0, 0, true}, FieldsCase{1900, 3, 1, 0, 0, 0, true},
                      FieldsCase{2000, 2, 29, 0, 0, 0, true}, FieldsCase{999, 6, 15, 12, 0, 0, true},
                      FieldsCase{100, 1, 1, 0, 0, 0, true}, FieldsCase{9999, 12, 31, 23, 59, 59, true}));

INSTANTIATE_TEST_SUITE_P(
    Refused, FieldsToDate,
    ::testing::Values(FieldsCase{10000, 1, 1, 0, 0, 0, false}, FieldsCase{99, 12, 31, 0, 0, 0, false},
                      FieldsCase{0, 1, 1, 0, 0, 0, false}, FieldsCase{2024, 0, 1, 0, 0, 0, false},
                      FieldsCase{2024, 13, 1, 0, 0, 0, false}, FieldsCase{2024, 3, 0, 0, 0, 0, false},
                      FieldsCase{2024, 3, 32, 0, 0, 0, false}, FieldsCase{2024, 4, 31, 0, 0, 0, false},
                      FieldsCase{2023, 2, 29, 0, 0, 0, false}, FieldsCase{1900, 2, 29, 0, 0, 0, false},
                      FieldsCase{2024, 3, 5, 24, 0, 0, false}, FieldsCase{2024, 3, 5, 0, 60, 0, false},
                      FieldsCase{2024, 3, 5, 0, 0, 60, false}, FieldsCase{2024, 3, 5, -1, 0, 0, false},
                      FieldsCase{-2024, 3, 5, 0, 0, 0, false}));

TEST(FieldsToDateAnchors, MatchTheWrittenValues) {
  DATE date = 0;
  ASSERT_TRUE(DateParser().fieldsToDate(2024, 3, 5, 14, 3, 7, &date));
  EXPECT_NEAR(date, 45356.5854976852, 1e-10);
  ASSERT_TRUE(DateParser().fieldsToDate(1899, 12, 29, 6, 0, 0, &date));
  EXPECT_DOUBLE_EQ(date, -1.25);
  ASSERT_TRUE(DateParser().fieldsToDate(100, 1, 1, 0, 0, 0, &date));
  EXPECT_DOUBLE_EQ(date, -657434.0);
  ASSERT_TRUE(DateParser().fieldsToDate(9999, 12, 31, 0, 0, 0, &date));
  EXPECT_DOUBLE_EQ(date, 2958465.0);
  EXPECT_FALSE(DateParser().fieldsToDate(2024, 3, 5, 0, 0, 0, nullptr));
}

// ---- Automation dates to calendar fields (seen through the RFC 3339 text)

struct DateTextCase {
  double date;
  const char* text;  // kNoDate when the date is out of range
};

std::ostream& operator<<(std::ostream& os, const DateTextCase& c) { return os.precision(17), os << c.date; }

class DateToFields : public ::testing::TestWithParam<DateTextCase> {};

TEST_P(DateToFields, WritesTheNearestSecond) {
  const DateParser parser;
  SYSTEMTIME t{};
  const bool ok = parser.dateToFields(GetParam().date, &t);
  std::string written = kNoDate;
  if (ok) {
    StringBuffer text;
    parser.formatRfc3339(t, text);
    written = text.text();
  }
  EXPECT_EQ(written, GetParam().text);
}

constexpr double kSecond = 1.0 / 86400.0;

INSTANTIATE_TEST_SUITE_P(
    Dates, DateToFields,
    ::testing::Values(
        DateTextCase{45356.585497685184, "2024-03-05T14:03:07Z"}, DateTextCase{0.0, "1899-12-30T00:00:00Z"},
        DateTextCase{-1.25, "1899-12-29T06:00:00Z"}, DateTextCase{-0.25, "1899-12-30T06:00:00Z"},
        DateTextCase{-2.75, "1899-12-28T18:00:00Z"}, DateTextCase{2.0, "1900-01-01T00:00:00Z"},
        DateTextCase{60.0, "1900-02-28T00:00:00Z"}, DateTextCase{61.0, "1900-03-01T00:00:00Z"},
        DateTextCase{36526.0, "2000-01-01T00:00:00Z"}, DateTextCase{36585.0, "2000-02-29T00:00:00Z"},
        DateTextCase{-657434.0, "100-01-01T00:00:00Z"}, DateTextCase{2958465.0, "9999-12-31T00:00:00Z"}));

// To the nearest second; a date within half a second of midnight belongs to the next day, on
// either side of day 0.
INSTANTIATE_TEST_SUITE_P(Rounding, DateToFields,
                         ::testing::Values(DateTextCase{0.99999999, "1899-12-31T00:00:00Z"},
                                           DateTextCase{1.0 + 0.4 * kSecond, "1899-12-31T00:00:00Z"},
                                           DateTextCase{1.0 + 0.6 * kSecond, "1899-12-31T00:00:01Z"},
                                           DateTextCase{2.0 - 0.6 * kSecond, "1899-12-31T23:59:59Z"},
                                           DateTextCase{-1.0 - 0.6 * kSecond, "1899-12-29T00:00:01Z"},
                                           DateTextCase{-1.0 - 0.4 * kSecond, "1899-12-29T00:00:00Z"},
                                           DateTextCase{-1.99999999, "1899-12-30T00:00:00Z"},
                                           DateTextCase{-2.0 + 0.6 * kSecond, "1899-12-29T23:59:59Z"},
                                           DateTextCase{-0.99999999, "1899-12-31T00:00:00Z"}));

// The first and last day are whole days; half a second short of 1 January 10000 is past the
// end; beyond that there is no date at all.
INSTANTIATE_TEST_SUITE_P(Range, DateToFields,
                         ::testing::Values(DateTextCase{2958465.5, "9999-12-31T12:00:00Z"},
                                           DateTextCase{2958466.0 - 1.2 * kSecond, "9999-12-31T23:59:59Z"},
                                           DateTextCase{-657434.5, "100-01-01T12:00:00Z"},
                                           DateTextCase{-657435.0 + 1.2 * kSecond, "100-01-01T23:59:59Z"},
                                           DateTextCase{2958466.0 - 0.4 * kSecond, kNoDate},
                                           DateTextCase{2958466.0, kNoDate}, DateTextCase{3000000.0, kNoDate},
                                           DateTextCase{-657435.0, kNoDate}, DateTextCase{-1e300, kNoDate},
                                           DateTextCase{1e300, kNoDate},
                                           DateTextCase{std::numeric_limits<double>::infinity(), kNoDate},
                                           DateTextCase{-std::numeric_limits<double>::infinity(), kNoDate},
                                           DateTextCase{std::numeric_limits<double>::quiet_NaN(), kNoDate}));

// Out of range the record holds the current UTC time.
TEST(DateToFieldsRange, OutOfRangeGivesTheCurrentUtcTime) {
  const test::ClockScope clock(test::referenceUnixSeconds(2024, 7, 1, 8, 9, 10));
  SYSTEMTIME t{};
  EXPECT_FALSE(DateParser().dateToFields(3000000.0, &t));
  EXPECT_EQ(fieldsText(t), "2024-07-01 08:09:10");
  EXPECT_EQ(t.wDayOfWeek, 1);  // a Monday
  EXPECT_FALSE(DateParser().dateToFields(0.0, nullptr));
}

// Two independent calendars agree: the parser's day arithmetic and the platform's
// automation-date conversions.
TEST(DateToFieldsProperty, AgreesWithThePlatformConversions) {
  const DateParser parser;
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> dates(-657434.0, 2958465.9);
  for (int i = 0; i < 3000; ++i) {
    const double date = dates(random);
    SYSTEMTIME mine{};
    SYSTEMTIME platforms{};
    ASSERT_TRUE(parser.dateToFields(date, &mine)) << date;
    ASSERT_TRUE(platform::variantTimeToSystemTime(date, &platforms)) << date;
    ASSERT_EQ(fieldsText(mine), fieldsText(platforms)) << date;
    ASSERT_EQ(mine.wDayOfWeek, platforms.wDayOfWeek) << date;
    DATE back = 0;
    DATE platformBack = 0;
    ASSERT_TRUE(parser.fieldsToDate(mine.wYear, mine.wMonth, mine.wDay, mine.wHour, mine.wMinute,
                                    mine.wSecond, &back));
    ASSERT_TRUE(platform::systemTimeToVariantTime(mine, &platformBack));
    ASSERT_DOUBLE_EQ(back, platformBack);
    ASSERT_NEAR(test::lineSeconds(back), test::lineSeconds(date), 0.5 + 1e-4) << date;
  }
}

// ---- Writing

struct FormatCase {
  SYSTEMTIME time;
  const char* rfc3339;
  const char* rfc822;  // under UTC
};

class Format : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Format, WritesBothForms) {
  const test::TimeZoneScope zone("UTC");
  const DateParser parser;
  StringBuffer text("previous content");
  parser.formatRfc3339(GetParam().time, text);
  EXPECT_STREQ(text.text(), GetParam().rfc3339);
  parser.formatRfc822(GetParam().time, text);
  EXPECT_STREQ(text.text(), GetParam().rfc822);
}

// Fields: year, month, day of week, day, hour, minute, second, milliseconds.
INSTANTIATE_TEST_SUITE_P(
    Records, Format,
    ::testing::Values(
        FormatCase{{2024, 3, 2, 5, 14, 3, 7, 0}, "2024-03-05T14:03:07Z", "Tue, 05 Mar 2024 14:03:07 +0000"},
        FormatCase{{999, 1, 3, 2, 3, 4, 5, 0}, "999-01-02T03:04:05Z", "Wed, 02 Jan 999 03:04:05 +0000"},
        FormatCase{{100, 1, 5, 1, 0, 0, 0, 0}, "100-01-01T00:00:00Z", "Fri, 01 Jan 100 00:00:00 +0000"},
        FormatCase{
            {9999, 12, 5, 31, 23, 59, 59, 0}, "9999-12-31T23:59:59Z", "Fri, 31 Dec 9999 23:59:59 +0000"},
        FormatCase{
            {2024, 12, 6, 28, 0, 0, 0, 999}, "2024-12-28T00:00:00Z", "Sat, 28 Dec 2024 00:00:00 +0000"},
        // Names out of their tables fall back to the first entry.
        FormatCase{{2024, 0, 7, 5, 1, 2, 3, 0}, "2024-00-05T01:02:03Z", "Sun, 05 Jan 2024 01:02:03 +0000"},
        FormatCase{
            {2024, 13, 65535, 5, 1, 2, 3, 0}, "2024-13-05T01:02:03Z", "Sun, 05 Jan 2024 01:02:03 +0000"}));

}  // namespace
}  // namespace vk
