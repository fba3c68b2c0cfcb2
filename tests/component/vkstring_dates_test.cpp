// The date members of the string object: ParseDateRfc3339, ParseDateRfc822 (day 0 when the
// text holds no date), AppendDateRfc3339 and AppendDateRfc822 (nothing for a date out of
// range). Every member answers S_OK.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "component/vkstring.h"
#include "dates/date_test_support.h"

namespace vk {
namespace {

using test::referenceDate;

class Object {
 public:
  Object() : object_(new VkString) { object_->AddRef(); }
  ~Object() { object_->Release(); }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  VkString* operator->() const { return object_; }

  void set(const std::u16string& text) {
    BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    EXPECT_EQ(object_->put_Str(value), S_OK);
    SysFreeString(value);
  }
  std::u16string str() const {
    BSTR value = nullptr;
    EXPECT_EQ(object_->get_Str(&value), S_OK);
    std::u16string text(value, SysStringLen(value));
    SysFreeString(value);
    return text;
  }

 private:
  VkString* object_;
};

enum class Form { Rfc3339, Rfc822 };

struct ParseCase {
  Form form;
  const char16_t* text;
  double date;
};

class DateMembersParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(DateMembersParse, AnswersTheDateOrDayZero) {
  const test::TimeZoneScope zone("UTC");
  Object o;
  o.set(GetParam().text);
  DATE date = -99.0;
  const HRESULT hr =
      GetParam().form == Form::Rfc3339 ? o->ParseDateRfc3339(&date) : o->ParseDateRfc822(&date);
  EXPECT_EQ(hr, S_OK);
  EXPECT_NEAR(date, GetParam().date, 1e-9);
  EXPECT_EQ(o.str(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DateMembersParse,
    ::testing::Values(
        ParseCase{Form::Rfc3339, u"2024-03-05T14:03:07Z", 45356.5854976852},
        ParseCase{Form::Rfc3339, u"2024-03-05T14:03:07.250+05:30", referenceDate(2024, 3, 5, 8, 33, 7)},
        ParseCase{Form::Rfc3339, u"1899-12-30T00:30:00+01:00", referenceDate(1899, 12, 29, 23, 30, 0)},
        ParseCase{Form::Rfc822, u"Tue, 05 Mar 2024 14:03:07 -0500", 45356.7938310185},
        ParseCase{Form::Rfc822, u"2024-03-05T14:03:07Z", 45356.5854976852},
        ParseCase{Form::Rfc822, u"5 mar 24 14:03 GMT", referenceDate(2024, 3, 5, 14, 3, 0)},
        // No date: day 0, 30 December 1899 00:00.
        ParseCase{Form::Rfc3339, u"", 0.0}, ParseCase{Form::Rfc822, u"", 0.0},
        ParseCase{Form::Rfc3339, u"2024-03-05", 0.0}, ParseCase{Form::Rfc3339, u"2024-04-31T12:00:00Z", 0.0},
        ParseCase{Form::Rfc3339, u"Tue, 05 Mar 2024 14:03:07 -0500", 0.0},
        ParseCase{Form::Rfc822, u"05 Mar 2024", 0.0},
        ParseCase{Form::Rfc822, u"Tue, 05 Foo 2024 14:03:07", 0.0},
        ParseCase{Form::Rfc822, u"05 Mar 2024 24:00:00 GMT", 0.0}));

struct AppendCase {
  Form form;
  double date;
  const char16_t* text;  // empty when nothing is appended
};

class DateMembersAppend : public ::testing::TestWithParam<AppendCase> {};

TEST_P(DateMembersAppend, AppendsTheTextOrNothing) {
  const test::TimeZoneScope zone("UTC");
  Object o;
  o.set(u"\u65E5\u4ED8: ");
  const HRESULT hr = GetParam().form == Form::Rfc3339 ? o->AppendDateRfc3339(GetParam().date)
                                                      : o->AppendDateRfc822(GetParam().date);
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(o.str(), std::u16string(u"\u65E5\u4ED8: ") + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, DateMembersAppend,
    ::testing::Values(AppendCase{Form::Rfc3339, 45356.585497685184, u"2024-03-05T14:03:07Z"},
                      AppendCase{Form::Rfc3339, 0.0, u"1899-12-30T00:00:00Z"},
                      AppendCase{Form::Rfc3339, -1.25, u"1899-12-29T06:00:00Z"},
                      AppendCase{Form::Rfc3339, 0.99999999, u"1899-12-31T00:00:00Z"},
                      AppendCase{Form::Rfc3339, referenceDate(999, 6, 15, 12, 0, 0), u"999-06-15T12:00:00Z"},
                      AppendCase{Form::Rfc822, 45356.585497685184, u"Tue, 05 Mar 2024 14:03:07 +0000"},
                      AppendCase{Form::Rfc822, -1.25, u"Fri, 29 Dec 1899 06:00:00 +0000"},
                      // Out of range: nothing, rather than the current time.
                      AppendCase{Form::Rfc3339, 3000000.0, u""}, AppendCase{Form::Rfc822, 3000000.0, u""},
                      AppendCase{Form::Rfc3339, -657435.0, u""},
                      AppendCase{Form::Rfc3339, std::numeric_limits<double>::quiet_NaN(), u""}));

TEST(DateMembers, TwoAppendsLeaveBothDates) {
  Object o;
  EXPECT_EQ(o->AppendDateRfc3339(45356.585497685184), S_OK);
  EXPECT_EQ(o->AppendDateRfc3339(0.0), S_OK);
  EXPECT_EQ(o.str(), u"2024-03-05T14:03:07Z1899-12-30T00:00:00Z");
}

// An embedded zero unit ends the text that the parsers see.
TEST(DateMembers, ReadUpToAnEmbeddedZero) {
  Object o;
  o.set(std::u16string(u"2024-03-05T14:03:07Z\0+05:30", 27));
  DATE date = 0;
  EXPECT_EQ(o->ParseDateRfc3339(&date), S_OK);
  EXPECT_NEAR(date, 45356.5854976852, 1e-10);
}

TEST(DateMembers, NullResultPointerIsHarmless) {
  Object o;
  o.set(u"2024-03-05T14:03:07Z");
  EXPECT_EQ(o->ParseDateRfc3339(nullptr), S_OK);
  EXPECT_EQ(o->ParseDateRfc822(nullptr), S_OK);
}

// A date appended as RFC 822 under a zone east of UTC reads back as the same local date.
TEST(DateMembers, Rfc822RoundTripUnderKolkata) {
  const test::TimeZoneScope zone("Asia/Kolkata");
  Object o;
  EXPECT_EQ(o->AppendDateRfc822(45356.585497685184), S_OK);
  EXPECT_EQ(o.str(), u"Tue, 05 Mar 2024 14:03:07 +0530");
  DATE date = 0;
  EXPECT_EQ(o->ParseDateRfc822(&date), S_OK);
  EXPECT_NEAR(date, referenceDate(2024, 3, 5, 14, 3, 7), 1e-9);
}

}  // namespace
}  // namespace vk
