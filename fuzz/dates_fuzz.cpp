// The RFC 822 and RFC 3339 date parsers on arbitrary text. Checks: a date that parses is a
// real calendar date and time that converts to an automation date; written back as RFC 3339
// (years 1000 on, which are written with four digits) it reads back to the same fields.
#include <string>

#include "dates/date_parser.h"
#include "fuzz_check.h"

namespace {

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysIn(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leap(year) ? 29 : kDays[month - 1];
}

void checkParsed(const vk::DateParser& parser, const SYSTEMTIME& t) {
  FUZZ_CHECK(t.wYear >= 1 && t.wYear <= 9999);
  FUZZ_CHECK(t.wMonth >= 1 && t.wMonth <= 12);
  FUZZ_CHECK(t.wDay >= 1 && t.wDay <= daysIn(t.wYear, t.wMonth));
  FUZZ_CHECK(t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60);
  if (t.wYear < 1000) return;
  DATE date = 0;
  FUZZ_CHECK(parser.fieldsToDate(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, &date));
  vk::StringBuffer written;
  parser.formatRfc3339(t, written);
  SYSTEMTIME again{};
  FUZZ_CHECK(parser.parseRfc3339(written, &again));
  FUZZ_CHECK(again.wYear == t.wYear && again.wMonth == t.wMonth && again.wDay == t.wDay &&
             again.wHour == t.wHour && again.wMinute == t.wMinute && again.wSecond == t.wSecond);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1024) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const vk::DateParser parser;

  SYSTEMTIME t{};
  if (parser.parseRfc822(text.c_str(), &t)) checkParsed(parser, t);
  SYSTEMTIME u{};
  if (parser.parseRfc3339(vk::StringBuffer(text.c_str()), &u)) checkParsed(parser, u);
  return 0;
}
