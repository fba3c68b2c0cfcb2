// Time services: the broken-down time record, the current UTC time, the machine's time-zone
// bias, UTC-to-local conversion and the automation-date conversions. On Windows these map to
// GetSystemTime, GetTimeZoneInformation, SystemTimeToFileTime / FileTimeToLocalFileTime /
// FileTimeToSystemTime and SystemTimeToVariantTime / VariantTimeToSystemTime; natively they
// are built on the C library's zone rules (localtime_r, tm_gmtoff), which honour TZ.
#pragma once
#include <cstdint>

#include "platform/automation.h"

#ifdef _WIN32
#include <windows.h>
#else
// Broken-down time, as Win32 lays it out.
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;      // 1-12
  WORD wDayOfWeek;  // 0 = Sunday ... 6 = Saturday
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
#endif

namespace vk::platform {

// The machine's zone state now, in the shape GetTimeZoneInformation reports it. All biases are
// minutes with UTC = local + bias (+ daylightBias while daylight time is in effect).
struct ZoneBias {
  std::int32_t bias = 0;
  std::int32_t standardBias = 0;
  std::int32_t daylightBias = 0;
  bool daylightInEffect = false;
};
ZoneBias currentZoneBias();

// The current UTC time to the millisecond.
void currentUtcTime(SYSTEMTIME* now);

// The local time of a UTC instant by the machine's current zone settings. Like
// FileTimeToLocalFileTime this applies the bias in effect now, whatever the instant's own
// season, so that it agrees with the offset that currentZoneBias reports. False when the
// record is not a valid time or either side falls outside the file-time range (1601-30827).
bool utcToLocal(const SYSTEMTIME& utc, SYSTEMTIME* local);

// SystemTimeToVariantTime: the automation date of a record (milliseconds ignored). False for
// fields out of range or a date outside 1 January 100 - 31 December 9999. Before day 0 the
// time of day is subtracted: 29 December 1899 06:00 is -1.25.
bool systemTimeToVariantTime(const SYSTEMTIME& time, DATE* date);

// VariantTimeToSystemTime: the record of an automation date, to the nearest second. False for
// NaN or a date outside 1 January 100 - 31 December 9999.
bool variantTimeToSystemTime(DATE date, SYSTEMTIME* time);

// Pins "now" to a moment (seconds since 1970-01-01 UTC) for every service above, so that
// zone-dependent behaviour can be checked for a chosen season; clearClockOverride returns to
// the real clock.
void setClockOverride(std::int64_t unixSeconds);
void clearClockOverride();

}  // namespace vk::platform
