// Helpers for the date tests: a reference calendar that counts days one year and one month at
// a time (independent of the formulas under test), and scopes that set the time zone and pin
// the clock for the length of a test.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "platform/time_services.h"

namespace vk::test {

inline bool referenceLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

inline int referenceMonthLength(int year, int month) {
  switch (month) {
    case 2: return referenceLeap(year) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    default: return 31;
  }
}

// Day number counted from 30 December 1899 = 0 (so 1 January 1900 = 2), year by year.
inline std::int64_t referenceDay(int year, int month, int day) {
  std::int64_t n = 2;
  for (int y = 1900; y < year; ++y) n += referenceLeap(y) ? 366 : 365;
  for (int y = year; y < 1900; ++y) n -= referenceLeap(y) ? 366 : 365;
  for (int m = 1; m < month; ++m) n += referenceMonthLength(year, m);
  return n + day - 1;
}

// The automation date of a moment: before day 0 the time of day is subtracted.
inline double referenceDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  const std::int64_t n = referenceDay(year, month, day);
  const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
  return n >= 0 ? static_cast<double>(n) + time : static_cast<double>(n) - time;
}

// Seconds since 1970-01-01 UTC; 1970-01-01 is day 25569.
inline std::int64_t referenceUnixSeconds(int year, int month, int day, int hour = 0, int minute = 0,
                                         int second = 0) {
  return (referenceDay(year, month, day) - 25569) * 86400 + hour * 3600 + minute * 60 + second;
}

// A date as a count of seconds on one straight line: the day times 86400 plus the time of day,
// whichever side of day 0 the date lies on.
inline double lineSeconds(double date) {
  const double whole = static_cast<double>(static_cast<std::int64_t>(date));
  const double fraction = date >= whole ? date - whole : whole - date;
  return whole * 86400.0 + fraction * 86400.0;
}

inline std::string fieldsText(const SYSTEMTIME& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return text;
}

inline std::string fieldsText(int y, int mo, int d, int h, int mi, int s) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  return text;
}

// Sets TZ (and tzset) for one scope, restoring the previous setting afterwards. A named zone
// needs the system's zone database (Debian's tzdata).
class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* zone) {
    const char* previous = std::getenv("TZ");
    hadPrevious_ = previous != nullptr;
    if (hadPrevious_) previous_ = previous;
    if (zone[0] != '<' && std::string(zone).find('/') != std::string::npos) {
      std::ifstream file(std::string("/usr/share/zoneinfo/") + zone);
      if (!file) ADD_FAILURE() << "zone " << zone << " is not installed (package tzdata)";
    }
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZoneScope() {
    if (hadPrevious_) {
      setenv("TZ", previous_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  TimeZoneScope(const TimeZoneScope&) = delete;
  TimeZoneScope& operator=(const TimeZoneScope&) = delete;

 private:
  bool hadPrevious_ = false;
  std::string previous_;
};

// Pins the time services' "now" for one scope.
class ClockScope {
 public:
  explicit ClockScope(std::int64_t unixSeconds) { platform::setClockOverride(unixSeconds); }
  ~ClockScope() { platform::clearClockOverride(); }
  ClockScope(const ClockScope&) = delete;
  ClockScope& operator=(const ClockScope&) = delete;
};

}  // namespace vk::test
