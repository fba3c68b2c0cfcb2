#include "platform/time_services.h"

#include <atomic>
#include <cmath>
#include <ctime>
#include <initializer_list>

#include "platform/calendar.h"

namespace vk::platform {
namespace {

std::atomic<bool> clockPinned{false};
std::atomic<std::int64_t> pinnedSeconds{0};

// The automation date range: 1 January 100 to 31 December 9999, as day numbers.
constexpr std::int64_t kFirstDateDay = -657434;
constexpr std::int64_t kLastDateDay = 2958465;

// Days from 1899-12-30 (day 0 of automation dates) to 1970-01-01.
constexpr std::int64_t kUnixEpochDateDay = 25569;
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// 1970-01-01 was a Thursday.
WORD weekdayFromDays(std::int64_t daysFromEpoch) {
  std::int64_t w = (daysFromEpoch + 4) % 7;
  if (w < 0) w += 7;
  return static_cast<WORD>(w);
}

bool isValidRecord(const SYSTEMTIME& t) {
  if (t.wMonth < 1 || t.wMonth > 12) return false;
  if (t.wDay < 1 || t.wDay > calendar::daysInMonth(t.wYear, t.wMonth)) return false;
  return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

// Fills a record from seconds since 1970 (and milliseconds); false when the year does not
// fit between `minYear` and `maxYear`.
bool recordFromUnixSeconds(std::int64_t seconds, WORD milliseconds, std::int64_t minYear,
                           std::int64_t maxYear, SYSTEMTIME* out) {
  const std::int64_t days = floorDiv(seconds, kSecondsPerDay);
  const std::int64_t secondOfDay = seconds - days * kSecondsPerDay;
  const calendar::CivilDate date = calendar::civilFromDays(days);
  if (date.year < minYear || date.year > maxYear) return false;
  out->wYear = static_cast<WORD>(date.year);
  out->wMonth = static_cast<WORD>(date.month);
  out->wDay = static_cast<WORD>(date.day);
  out->wDayOfWeek = weekdayFromDays(days);
  out->wHour = static_cast<WORD>(secondOfDay / 3600);
  out->wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
  out->wSecond = static_cast<WORD>(secondOfDay % 60);
  out->wMilliseconds = milliseconds;
  return true;
}

#ifndef _WIN32
std::int64_t unixSecondsOf(const SYSTEMTIME& t) {
  return calendar::daysFromCivil(t.wYear, t.wMonth, t.wDay) * kSecondsPerDay + t.wHour * 3600 +
         t.wMinute * 60 + t.wSecond;
}

std::int64_t nowUnixSeconds(WORD* milliseconds) {
  if (clockPinned.load(std::memory_order_acquire)) {
    if (milliseconds != nullptr) *milliseconds = 0;
    return pinnedSeconds.load(std::memory_order_relaxed);
  }
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  if (milliseconds != nullptr) *milliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
  return static_cast<std::int64_t>(ts.tv_sec);
}

struct LocalOffset {
  bool ok = false;
  bool daylight = false;
  std::int32_t minutesWest = 0;  // UTC = local + minutesWest
};

LocalOffset localOffsetAt(std::int64_t unixSeconds) {
  LocalOffset result;
  const auto t = static_cast<time_t>(unixSeconds);
  tm local{};
  if (localtime_r(&t, &local) == nullptr) return result;
  result.ok = true;
  result.daylight = local.tm_isdst > 0;
  result.minutesWest = static_cast<std::int32_t>(-(local.tm_gmtoff / 60));
  return result;
}
#endif

}  // namespace

void setClockOverride(std::int64_t unixSeconds) {
  pinnedSeconds.store(unixSeconds, std::memory_order_relaxed);
  clockPinned.store(true, std::memory_order_release);
}

void clearClockOverride() { clockPinned.store(false, std::memory_order_release); }

// The automation-date conversions are plain calendar arithmetic on both builds: they give what
// oleaut32 gives for every date in range, without its two-digit-year window for years below 100.
bool systemTimeToVariantTime(const SYSTEMTIME& time, DATE* date) {
  if (date == nullptr || !isValidRecord(time)) return false;
  const std::int64_t day = calendar::daysFromCivil(time.wYear, time.wMonth, time.wDay) + kUnixEpochDateDay;
  if (day < kFirstDateDay || day > kLastDateDay) return false;
  const double fraction = static_cast<double>(time.wHour * 3600 + time.wMinute * 60 + time.wSecond) /
                          static_cast<double>(kSecondsPerDay);
  const auto whole = static_cast<double>(day);
  *date = day >= 0 ? whole + fraction : whole - fraction;
  return true;
}

bool variantTimeToSystemTime(DATE date, SYSTEMTIME* time) {
  if (time == nullptr || std::isnan(date)) return false;
  if (date >= static_cast<double>(kLastDateDay + 1) || date <= static_cast<double>(kFirstDateDay - 1)) {
    return false;
  }
  // The integer part is the day; the fraction's magnitude is the time of day on either side
  // of day 0. Rounding up to midnight moves to the following calendar day.
  const double whole = std::trunc(date);
  std::int64_t day = static_cast<std::int64_t>(whole);
  auto seconds = static_cast<std::int64_t>(
      std::floor(std::fabs(date - whole) * static_cast<double>(kSecondsPerDay) + 0.5));
  if (seconds >= kSecondsPerDay) {
    seconds -= kSecondsPerDay;
    ++day;
  }
  if (day < kFirstDateDay || day > kLastDateDay) return false;
  return recordFromUnixSeconds((day - kUnixEpochDateDay) * kSecondsPerDay + seconds, 0, 100, 9999, time);
}

#ifdef _WIN32

// The system keeps the zone and the clock; the clock override only serves the native build's
// tests and is not consulted here.
ZoneBias currentZoneBias() {
  TIME_ZONE_INFORMATION info{};
  const DWORD state = GetTimeZoneInformation(&info);
  ZoneBias zone;
  zone.bias = info.Bias;
  zone.standardBias = info.StandardBias;
  zone.daylightBias = info.DaylightBias;
  zone.daylightInEffect = state == TIME_ZONE_ID_DAYLIGHT;
  return zone;
}

void currentUtcTime(SYSTEMTIME* now) {
  if (now != nullptr) GetSystemTime(now);
}

bool utcToLocal(const SYSTEMTIME& utc, SYSTEMTIME* local) {
  FILETIME utcFile{};
  FILETIME localFile{};
  return local != nullptr && SystemTimeToFileTime(&utc, &utcFile) &&
         FileTimeToLocalFileTime(&utcFile, &localFile) && FileTimeToSystemTime(&localFile, local);
}

#else

ZoneBias currentZoneBias() {
  tzset();  // pick up a changed TZ: the zone is read afresh at every call
  ZoneBias zone;
  const std::int64_t now = nowUnixSeconds(nullptr);
  const LocalOffset here = localOffsetAt(now);
  if (!here.ok) return zone;
  // The other season's offset, looked for half a year away in either direction, splits the
  // current offset into a standard bias and a daylight bias the way Windows reports them.
  LocalOffset other;
  for (std::int64_t step : {182 * kSecondsPerDay, -182 * kSecondsPerDay}) {
    LocalOffset candidate = localOffsetAt(now + step);
    if (candidate.ok && candidate.daylight != here.daylight) {
      other = candidate;
      break;
    }
  }
  zone.daylightInEffect = here.daylight;
  if (here.daylight && other.ok) {
    zone.bias = other.minutesWest;
    zone.daylightBias = here.minutesWest - other.minutesWest;
  } else {
    zone.bias = here.minutesWest;
    if (other.ok) zone.daylightBias = other.minutesWest - here.minutesWest;
  }
  return zone;
}

void currentUtcTime(SYSTEMTIME* now) {
  if (now == nullptr) return;
  WORD milliseconds = 0;
  const std::int64_t seconds = nowUnixSeconds(&milliseconds);
  if (!recordFromUnixSeconds(seconds, milliseconds, 0, 65535, now)) *now = SYSTEMTIME{};
}

// File times start on 1 January 1601 and end in 30827.
bool utcToLocal(const SYSTEMTIME& utc, SYSTEMTIME* local) {
  if (local == nullptr || !isValidRecord(utc) || utc.wYear < 1601 || utc.wYear > 30827) { return false; }
  const ZoneBias zone = currentZoneBias();
  const std::int64_t biasMinutes =
      static_cast<std::int64_t>(zone.bias) + (zone.daylightInEffect ? zone.daylightBias : 0);
  const std::int64_t localSeconds = unixSecondsOf(utc) - biasMinutes * 60;
  return recordFromUnixSeconds(localSeconds, utc.wMilliseconds, 1601, 30827, local);
}

#endif

}  // namespace vk::platform
