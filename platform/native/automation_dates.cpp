// Automation dates: civil calendar arithmetic and the ISO-like date text of coercions.
#include "platform/native/automation_internal.h"

#ifndef _WIN32
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/calendar.h"

namespace vk::platform::automation {

// Dates: civil calendar <-> days since 1899-12-30. The time of a negative date is its
// fraction's magnitude, as automation dates count it.
constexpr double kDateMin = -657434.0;  // 0100-01-01
constexpr double kDateMax = 2958465.0;  // 9999-12-31
// Day numbers of automation dates (day 0 is 1899-12-30) on the one calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  return calendar::daysFromCivil(y, m, d) - calendar::kAutomationDayZero;
}

void civilFromDays(std::int64_t days, std::int64_t* y, unsigned* m, unsigned* d) {
  const calendar::CivilDate civil = calendar::civilFromDays(days + calendar::kAutomationDayZero);
  *y = civil.year;
  *m = civil.month;
  *d = civil.day;
}

bool validDateRange(double date) { return date > kDateMin - 1.0 && date < kDateMax + 1.0; }

// "YYYY-MM-DD" when there is no time of day, "HH:MM:SS" when there is no day, else both.
BSTR formatDate(DATE date) {
  if (!validDateRange(date)) return nullptr;
  std::int64_t days = static_cast<std::int64_t>(date);  // toward zero
  double fraction = std::fabs(date - static_cast<double>(days));
  std::int64_t seconds = static_cast<std::int64_t>(std::floor(fraction * 86400.0 + 0.5));
  if (seconds >= 86400) {
    seconds -= 86400;
    days += date < 0 ? -1 : 1;
  }
  std::int64_t year = 0;
  unsigned month = 0, day = 0;
  civilFromDays(days, &year, &month, &day);
  char buffer[40];
  int length = 0;
  if (days != 0 || seconds == 0) {
    length = std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(year), month, day);
  }
  if (seconds != 0) {
    length += std::snprintf(buffer + length, sizeof buffer - static_cast<std::size_t>(length),
                            "%s%02d:%02d:%02d", length > 0 ? " " : "", static_cast<int>(seconds / 3600),
                            static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  }
  return wideFromAscii(buffer, static_cast<std::size_t>(length));
}

// Reads exactly `count` digits at *p.
bool readDigits(const char*& p, const char* end, int count, unsigned* value) {
  *value = 0;
  for (int i = 0; i < count; ++i, ++p) {
    if (p >= end || *p < '0' || *p > '9') return false;
    *value = *value * 10 + static_cast<unsigned>(*p - '0');
  }
  return true;
}

// "HH:MM" or "HH:MM:SS" as a fraction of a day.
bool parseTime(const char*& p, const char* end, double* fraction) {
  unsigned hour = 0, minute = 0, second = 0;
  if (!readDigits(p, end, 2, &hour) || p >= end || *p++ != ':' || !readDigits(p, end, 2, &minute)) {
    return false;
  }
  if (p < end && *p == ':') {
    ++p;
    if (!readDigits(p, end, 2, &second)) return false;
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  *fraction = static_cast<double>(hour * 3600 + minute * 60 + second) / 86400.0;
  return true;
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" (or with 'T'), or "HH:MM[:SS]".
HRESULT parseDate(BSTR text, DATE* out) {
  char buffer[64];
  std::size_t length = 0;
  if (!trimmedAscii(text, buffer, sizeof buffer, &length) || length == 0) return DISP_E_TYPEMISMATCH;
  const char* p = buffer;
  const char* end = buffer + length;
  double fraction = 0;
  if (length >= 3 && buffer[2] == ':') {
    if (!parseTime(p, end, &fraction) || p != end) return DISP_E_TYPEMISMATCH;
    *out = fraction;
    return S_OK;
  }
  unsigned year = 0, month = 0, day = 0;
  if (!readDigits(p, end, 4, &year) || p >= end || *p++ != '-' || !readDigits(p, end, 2, &month) ||
      p >= end || *p++ != '-' || !readDigits(p, end, 2, &day)) {
    return DISP_E_TYPEMISMATCH;
  }
  if (p < end) {
    if (*p != ' ' && *p != 'T') return DISP_E_TYPEMISMATCH;
    ++p;
    if (!parseTime(p, end, &fraction) || p != end) return DISP_E_TYPEMISMATCH;
  }
  if (year < 100 || month < 1 || month > 12 || day < 1) return DISP_E_TYPEMISMATCH;
  static const unsigned kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  unsigned monthDays = kMonthDays[month - 1] + ((month == 2 && leap) ? 1 : 0);
  if (day > monthDays) return DISP_E_TYPEMISMATCH;
  double days = static_cast<double>(daysFromCivil(year, month, day));
  *out = days < 0 ? days - fraction : days + fraction;
  return S_OK;
}

}  // namespace vk::platform::automation

#endif  // !_WIN32
