// Everything that depends on the machine's time zone, under explicit TZ settings and a pinned
// clock: the zone bias the platform reports, the offset RFC 822 texts are written with, the
// local time RFC 822 texts are read into, and the round trips of both forms.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "date_test_support.h"
#include "dates/date_parser.h"
#include "dates/date_text.h"
#include "platform/time_services.h"
#include "text/xstring.h"

namespace vk {
namespace {

using test::ClockScope;
using test::referenceDate;
using test::referenceUnixSeconds;
using test::TimeZoneScope;

// A zone and the moment taken as "now".
struct Setting {
  const char* zone;
  std::int64_t now;
};

const Setting kUtc{"UTC", referenceUnixSeconds(2024, 3, 1, 12)};
const Setting kNewYorkMarch{"America/New_York", referenceUnixSeconds(2024, 3, 1, 12)};
const Setting kNewYorkJuly{"America/New_York", referenceUnixSeconds(2024, 7, 1, 12)};
const Setting kKolkata{"Asia/Kolkata", referenceUnixSeconds(2024, 3, 1, 12)};
const Setting kAdelaideJuly{"Australia/Adelaide", referenceUnixSeconds(2024, 7, 1, 12)};
const Setting kAdelaideJanuary{"Australia/Adelaide", referenceUnixSeconds(2024, 1, 15, 12)};

std::string text(XString& value) { return value.getUtf8(); }

// ---- The zone as the platform reports it

struct BiasCase {
  Setting setting;
  std::int32_t bias;
  std::int32_t daylightBias;
  bool daylight;
};

class ZoneBiasReport : public ::testing::TestWithParam<BiasCase> {};

TEST_P(ZoneBiasReport, SplitsStandardAndDaylight) {
  const BiasCase& c = GetParam();
  const TimeZoneScope zone(c.setting.zone);
  const ClockScope clock(c.setting.now);
  const platform::ZoneBias bias = platform::currentZoneBias();
  EXPECT_EQ(bias.bias, c.bias);
  EXPECT_EQ(bias.daylightBias, c.daylightBias);
  EXPECT_EQ(bias.daylightInEffect, c.daylight);
  EXPECT_EQ(bias.standardBias, 0);
}

INSTANTIATE_TEST_SUITE_P(Zones, ZoneBiasReport,
                         ::testing::Values(BiasCase{kUtc, 0, 0, false},
                                           BiasCase{kNewYorkMarch, 300, -60, false},
                                           BiasCase{kNewYorkJuly, 300, -60, true},
                                           BiasCase{kKolkata, -330, 0, false},
                                           BiasCase{kAdelaideJuly, -570, -60, false},
                                           BiasCase{kAdelaideJanuary, -570, -60, true}));

// ---- The offset written after an RFC 822 date

struct OffsetCase {
  Setting setting;
  const char* offset;
};

std::ostream& operator<<(std::ostream& os, const OffsetCase& c) {
  return os << c.setting.zone << " at " << c.setting.now;
}

class Rfc822Offset : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(Rfc822Offset, IsTheMachinesOffsetNow) {
  const TimeZoneScope zone(GetParam().setting.zone);
  const ClockScope clock(GetParam().setting.now);
  StringBuffer written;
  DateParser().formatRfc822(SYSTEMTIME{2024, 3, 2, 5, 14, 3, 7, 0}, written);
  EXPECT_EQ(std::string(written.text()), std::string("Tue, 05 Mar 2024 14:03:07 ") + GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, Rfc822Offset,
    ::testing::Values(OffsetCase{kUtc, "+0000"}, OffsetCase{kNewYorkMarch, "-0500"},
                      OffsetCase{kNewYorkJuly, "-0400"}, OffsetCase{kKolkata, "+0530"},
                      OffsetCase{kAdelaideJuly, "+0930"}, OffsetCase{kAdelaideJanuary, "+1030"},
                      // New York's clocks go forward at 02:00 local (07:00 UTC) on 10 March 2024.
                      OffsetCase{{"America/New_York", referenceUnixSeconds(2024, 3, 10, 6, 59, 59)}, "-0500"},
                      OffsetCase{{"America/New_York", referenceUnixSeconds(2024, 3, 10, 7, 0, 0)}, "-0400"},
                      OffsetCase{{"America/St_Johns", referenceUnixSeconds(2024, 1, 15)}, "-0330"},
                      OffsetCase{{"America/St_Johns", referenceUnixSeconds(2024, 7, 15)}, "-0230"},
                      OffsetCase{{"Pacific/Chatham", referenceUnixSeconds(2024, 7, 15)}, "+1245"},
                      // Less than an hour west of UTC keeps its sign.
                      OffsetCase{{"<-0030>0:30", referenceUnixSeconds(2024, 3, 1)}, "-0030"},
                      OffsetCase{{"<+0030>-0:30", referenceUnixSeconds(2024, 3, 1)}, "+0030"},
                      OffsetCase{{"<-1130>11:30", referenceUnixSeconds(2024, 3, 1)}, "-1130"}));

// ---- RFC 822 texts read into local time

struct LocalCase {
  Setting setting;
  const char* text;
  bool hasDate;
  int year, month, day, hour, minute, second;  // local
};

std::ostream& operator<<(std::ostream& os, const LocalCase& c) {
  return os << c.setting.zone << ": \"" << c.text << '"';
}

class Rfc822ToLocal : public ::testing::TestWithParam<LocalCase> {};

TEST_P(Rfc822ToLocal, UsesTheOffsetInEffectNow) {
  const LocalCase& c = GetParam();
  const TimeZoneScope zone(c.setting.zone);
  const ClockScope clock(c.setting.now);
  XString value;
  value.setFromUtf8(c.text);
  const double expected = c.hasDate ? referenceDate(c.year, c.month, c.day, c.hour, c.minute, c.second) : 0.0;
  EXPECT_NEAR(dateFromRfc822Text(value), expected, 1e-9);
}

LocalCase noDate(const Setting& setting, const char* text) {
  return LocalCase{setting, text, false, 0, 0, 0, 0, 0, 0};
}

const char* const kExample = "Tue, 05 Mar 2024 14:03:07 -0500";

INSTANTIATE_TEST_SUITE_P(
    Zones, Rfc822ToLocal,
    ::testing::Values(LocalCase{kUtc, kExample, true, 2024, 3, 5, 19, 3, 7},
                      LocalCase{kNewYorkMarch, kExample, true, 2024, 3, 5, 14, 3, 7},
                      // The offset in effect now, not the one of the date's season.
                      LocalCase{kNewYorkJuly, kExample, true, 2024, 3, 5, 15, 3, 7},
                      LocalCase{kKolkata, kExample, true, 2024, 3, 6, 0, 33, 7},
                      LocalCase{kAdelaideJuly, kExample, true, 2024, 3, 6, 4, 33, 7},
                      LocalCase{kAdelaideJanuary, kExample, true, 2024, 3, 6, 5, 33, 7},
                      LocalCase{kKolkata, "2024-03-05T14:03:07Z", true, 2024, 3, 5, 19, 33, 7},
                      LocalCase{kNewYorkJuly, "31 Dez 2023 23:30:00 -0100", true, 2023, 12, 31, 20, 30, 0},
                      LocalCase{kKolkata, "1601-01-01T00:00:00Z", true, 1601, 1, 1, 5, 30, 0},
                      // File times start in 1601, on either side of the conversion.
                      noDate(kKolkata, "1600-12-31T23:00:00Z"), noDate(kNewYorkMarch, "1601-01-01T00:30:00Z"),
                      // Local time past the end of 9999 is no automation date.
                      noDate(kKolkata, "31 Dec 9999 23:00:00 GMT"),
                      LocalCase{kNewYorkMarch, "31 Dec 9999 23:00:00 GMT", true, 9999, 12, 31, 18, 0, 0},
                      noDate(kNewYorkMarch, "05 Mar 2024"), noDate(kNewYorkMarch, "")));

TEST(Rfc822ToLocalAnchor, MatchesTheWrittenValueAtUtc) {
  const TimeZoneScope zone("UTC");
  XString value;
  value.setFromUtf8(kExample);
  EXPECT_NEAR(dateFromRfc822Text(value), 45356.7938310185, 1e-10);
}

// ---- RFC 822 texts appended

struct AppendCase {
  Setting setting;
  const char* written;
};

class Rfc822Append : public ::testing::TestWithParam<AppendCase> {};

TEST_P(Rfc822Append, WritesTheFieldsAsLocalTime) {
  const TimeZoneScope zone(GetParam().setting.zone);
  const ClockScope clock(GetParam().setting.now);
  XString value;
  value.setFromUtf8("at ");
  appendRfc822Date(value, 45356.585497685184);
  EXPECT_EQ(text(value), std::string("at ") + GetParam().written);
  // Out of range: nothing, not the current time.
  appendRfc822Date(value, 3000000.0);
  appendRfc822Date(value, -657435.0);
  EXPECT_EQ(text(value), std::string("at ") + GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Zones, Rfc822Append,
                         ::testing::Values(AppendCase{kUtc, "Tue, 05 Mar 2024 14:03:07 +0000"},
                                           AppendCase{kNewYorkMarch, "Tue, 05 Mar 2024 14:03:07 -0500"},
                                           AppendCase{kNewYorkJuly, "Tue, 05 Mar 2024 14:03:07 -0400"},
                                           AppendCase{kKolkata, "Tue, 05 Mar 2024 14:03:07 +0530"},
                                           AppendCase{kAdelaideJuly, "Tue, 05 Mar 2024 14:03:07 +0930"}));

// ---- Round trips

class RoundTrip : public ::testing::TestWithParam<Setting> {};

// Appending a date and reading the text back gives the same date to the second, in both forms.
// RFC 822 reads years before 1900 as two-digit years, so its dates start in 1900.
TEST_P(RoundTrip, AppendThenParseKeepsTheDate) {
  const TimeZoneScope zone(GetParam().zone);
  const ClockScope clock(GetParam().now);
  std::mt19937_64 random(20240305);
  std::uniform_real_distribution<double> anyDate(-657434.0, 2958465.99);
  std::uniform_real_distribution<double> rfc822Date(3.0, 2958464.0);
  for (int i = 0; i < 1500; ++i) {
    const double date = anyDate(random);
    XString value;
    appendRfc3339Date(value, date);
    const double back = dateFromRfc3339Text(value);
    ASSERT_NEAR(test::lineSeconds(back), test::lineSeconds(date), 0.5 + 1e-4)
        << text(value) << " from " << date;

    const double localDate = rfc822Date(random);
    XString local;
    appendRfc822Date(local, localDate);
    const double localBack = dateFromRfc822Text(local);
    ASSERT_NEAR(test::lineSeconds(localBack), test::lineSeconds(localDate), 0.5 + 1e-4)
        << text(local) << " from " << localDate;
  }
}

INSTANTIATE_TEST_SUITE_P(Zones, RoundTrip,
                         ::testing::Values(kUtc, kNewYorkMarch, kNewYorkJuly, kKolkata, kAdelaideJuly,
                                           kAdelaideJanuary));

}  // namespace
}  // namespace vk
