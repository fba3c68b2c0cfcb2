// The date operations on a text value: RFC 3339 read from the value as UTC (day 0 when there
// is no date), and dates appended in RFC 3339 form (nothing when out of range).
#include "dates/date_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "date_test_support.h"
#include "text/xstring.h"

namespace vk {
namespace {

using test::referenceDate;

std::u16string wideOf(XString& value) {
  BSTR text = value.toWideString();
  std::u16string result(text, SysStringLen(text));
  SysFreeString(text);
  return result;
}

struct ReadCase {
  const char* text;
  double date;
};

std::ostream& operator<<(std::ostream& os, const ReadCase& c) { return os << '"' << c.text << '"'; }

class Rfc3339Read : public ::testing::TestWithParam<ReadCase> {};

TEST_P(Rfc3339Read, GivesTheUtcDateOrDayZero) {
  XString value;
  value.setFromUtf8(GetParam().text);
  EXPECT_NEAR(dateFromRfc3339Text(value), GetParam().date, 1e-9);
  EXPECT_EQ(std::string(value.getUtf8()), GetParam().text);  // reading leaves the text alone
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Rfc3339Read,
    ::testing::Values(
        ReadCase{"2024-03-05T14:03:07Z", 45356.5854976852},
        ReadCase{"2024-03-05T14:03:07.250+05:30", referenceDate(2024, 3, 5, 8, 33, 7)},
        ReadCase{"20240305T14:03:07Z", referenceDate(2024, 3, 5, 14, 3, 7)},
        ReadCase{"1899-12-30T00:30:00+01:00", referenceDate(1899, 12, 29, 23, 30, 0)},
        ReadCase{"1899-12-29T06:00:00Z", -1.25},
        ReadCase{"0100-01-01T00:00:00Z", -657434.0},
        ReadCase{"9999-12-31T00:00:00Z", 2958465.0},
        // No date: day 0.
        ReadCase{"", 0.0}, ReadCase{"not a date", 0.0}, ReadCase{"2024-03-05", 0.0},
        ReadCase{"2024-03-05T14:03Z", 0.0}, ReadCase{"2024-04-31T12:00:00Z", 0.0},
        ReadCase{"2024-03-05T24:00:00Z", 0.0}, ReadCase{"2024-03-05T10:00:00+48:00", 0.0},
        // RFC 822 is not RFC 3339.
        ReadCase{"Tue, 05 Mar 2024 14:03:07 -0500", 0.0}));

TEST(Rfc3339ReadForms, ReadsAValueSetFromWideText) {
  XString value;
  const std::u16string wide = u"2024-03-05T14:03:07Z";
  value.setFromWide(wide.data(), static_cast<std::uint32_t>(wide.size()));
  EXPECT_NEAR(dateFromRfc3339Text(value), 45356.5854976852, 1e-10);
  // An embedded zero unit ends the text that the parser sees.
  const std::u16string cut(u"2024-03-05T14:03:07Z\0garbage", 28);
  value.setFromWide(cut.data(), static_cast<std::uint32_t>(cut.size()));
  EXPECT_NEAR(dateFromRfc3339Text(value), 45356.5854976852, 1e-10);
}

struct WriteCase {
  double date;
  const char* text;  // "" when nothing is appended
};

std::ostream& operator<<(std::ostream& os, const WriteCase& c) {
  return os.precision(17), os << c.date;
}

class Rfc3339Write : public ::testing::TestWithParam<WriteCase> {};

TEST_P(Rfc3339Write, AppendsTheDateOrNothing) {
  XString value;
  value.setFromWide(u"On ");
  appendRfc3339Date(value, GetParam().date);
  const std::string expected = std::string("On ") + GetParam().text;
  EXPECT_EQ(std::string(value.getUtf8()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, Rfc3339Write,
    ::testing::Values(WriteCase{45356.585497685184, "2024-03-05T14:03:07Z"},
                      WriteCase{0.0, "1899-12-30T00:00:00Z"},
                      WriteCase{-1.25, "1899-12-29T06:00:00Z"},
                      WriteCase{0.99999999, "1899-12-31T00:00:00Z"},
                      WriteCase{referenceDate(999, 6, 15, 12, 0, 0), "999-06-15T12:00:00Z"},
                      WriteCase{-657434.0, "100-01-01T00:00:00Z"},
                      WriteCase{2958465.75, "9999-12-31T18:00:00Z"},
                      // Out of range: nothing at all.
                      WriteCase{3000000.0, ""}, WriteCase{-700000.0, ""},
                      WriteCase{std::numeric_limits<double>::quiet_NaN(), ""},
                      WriteCase{std::numeric_limits<double>::infinity(), ""}));

TEST(Rfc3339WriteForms, AppendsOneDateAfterAnother) {
  XString value;
  appendRfc3339Date(value, 45356.585497685184);
  value.appendUtf8(" / ");
  appendRfc3339Date(value, 0.0);
  EXPECT_EQ(wideOf(value), u"2024-03-05T14:03:07Z / 1899-12-30T00:00:00Z");
}

TEST(Rfc3339WriteForms, KeepsTextThatIsNotAscii) {
  XString value;
  value.setFromWide(u"\u65E5\u4ED8 ");
  appendRfc3339Date(value, 45356.585497685184);
  EXPECT_EQ(wideOf(value), u"\u65E5\u4ED8 2024-03-05T14:03:07Z");
  EXPECT_TRUE(value.isUtf8Current());
}

}  // namespace
}  // namespace vk
