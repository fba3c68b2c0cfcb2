#include "dates/date_parser.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "dates/date_names.h"
#include "platform/calendar.h"

namespace vk {
namespace {

// Day numbers of 1 January 100 and 31 December 9999: the automation date range.
constexpr std::int64_t kFirstDay = -657434;
constexpr std::int64_t kLastDay = 2958465;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kMinutesPerDay = 1440;

// The longest RFC 822 text looked at; the rest is ignored.
constexpr std::size_t kRfc822Limit = 199;

// Day number (0 = 30 December 1899) of a date whose month is 1-12; the day may be any value.
std::int64_t dayNumber(std::int64_t year, int month, std::int64_t day) {
  return calendar::daysFromCivil(year, static_cast<unsigned>(month), 1) + (day - 1) -
         calendar::kAutomationDayZero;
}

// Whether the fields name a moment that exists within the automation date range.
bool fieldsExist(std::int64_t year, std::int64_t month, std::int64_t day, std::int64_t hour,
                 std::int64_t minute, std::int64_t second) {
  if (year < 100 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > calendar::daysInMonth(year, static_cast<unsigned>(month))) return false;
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// ---- Reading numbers the way scanf's %d and %Nd do, in the C locale, without its undefined
// behaviour on overflow: large values saturate (no field accepts them anyway).

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// %d (width 0) or %Nd: optional white space, an optional sign, then at least one digit, the
// sign and digits together taking at most `width` characters.
bool scanInt(const char*& p, int width, int* out) {
  const char* q = p;
  while (isSpace(*q)) ++q;
  int remaining = width > 0 ? width : 1 << 30;
  bool negative = false;
  if ((*q == '+' || *q == '-') && remaining > 0) {
    negative = *q == '-';
    ++q;
    --remaining;
  }
  int value = 0;
  int digits = 0;
  while (remaining > 0 && isDigit(*q)) {
    value = value < 100000000 ? value * 10 + (*q - '0') : 999999999;
    ++q;
    --remaining;
    ++digits;
  }
  if (digits == 0) return false;
  *out = negative ? -value : value;
  p = q;
  return true;
}

// Reads numbers by a pattern of widths and literal separators: "%d:%d" is {0, ':', 0}.
// Answers how many numbers were read before the first mismatch, as scanf counts them.
struct Step {
  bool isNumber;
  int widthOrChar;
};
int scanPattern(const char* p, std::initializer_list<Step> steps, std::initializer_list<int*> outs) {
  int count = 0;
  auto out = outs.begin();
  for (const Step& step : steps) {
    if (step.isNumber) {
      if (!scanInt(p, step.widthOrChar, *out)) break;
      ++out;
      ++count;
    } else {
      if (*p != step.widthOrChar) break;
      ++p;
    }
  }
  return count;
}
constexpr Step num(int width = 0) { return Step{true, width}; }
constexpr Step lit(char c) { return Step{false, c}; }

void skipBlanks(const char*& p) {
  while (isBlank(*p)) ++p;
}
// Steps to the end of a word (the next space, tab or the end of the text).
void skipWord(const char*& p) {
  while (*p != '\0' && !isBlank(*p)) ++p;
}

// Reads "hhmm" (two digits each), or else `separated` "hh:mm", or else a bare number of
// hours: the numeric zones of both forms. A leading '-' (a zone behind UTC) gives the sign
// +1 that brings the time to UTC, its absence -1.
bool readZoneNumber(const char* text, bool allowColon, int* sign, int* hours, int* minutes) {
  *sign = *text == '-' ? 1 : -1;
  if (*text == '-') ++text;
  if (scanPattern(text, {num(2), num(2)}, {hours, minutes}) == 2) return true;
  if (allowColon && scanPattern(text, {num(2), lit(':'), num(2)}, {hours, minutes}) == 2) { return true; }
  if (scanPattern(text, {num()}, {hours}) == 1) {
    *minutes = 0;
    return true;
  }
  return false;
}

// Index of a three-letter name at the start of `word` (which may be longer), or -1.
int findName(const char* word, const char* const* names, int count) {
  for (int i = 0; i < count; ++i) {
    if (std::strncmp(word, names[i], 3) == 0) return i;
  }
  return -1;
}

// ---- Writing numbers without the C library's formatting (and so without any locale).

void appendNumber(std::string& out, std::int64_t value, int minDigits) {
  if (value < 0) {
    out += '-';
    value = -value;
  }
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = n; i < minDigits; ++i) out += '0';
  while (n > 0) out += digits[--n];
}

// "hh:mm:ss", as both written forms have it.
void appendClock(std::string& out, const SYSTEMTIME& time) {
  appendNumber(out, time.wHour, 2);
  out += ':';
  appendNumber(out, time.wMinute, 2);
  out += ':';
  appendNumber(out, time.wSecond, 2);
}

}  // namespace

// ---- Conversions

int DateParser::dayOfWeek(int year, int month, int day) const {
  if (month < 1 || month > 12) return 0;
  // Day 0, 30 December 1899, was a Saturday.
  std::int64_t w = (dayNumber(year, month, day) + 6) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w);
}

bool DateParser::fieldsToDate(int year, int month, int day, int hour, int minute, int second,
                              DATE* out) const {
  if (out == nullptr || !fieldsExist(year, month, day, hour, minute, second)) return false;
  const std::int64_t days = dayNumber(year, month, day);
  const double time =
      static_cast<double>(hour * 3600 + minute * 60 + second) / static_cast<double>(kSecondsPerDay);
  const auto whole = static_cast<double>(days);
  *out = days >= 0 ? whole + time : whole - time;
  return true;
}

bool DateParser::dateToFields(DATE date, SYSTEMTIME* out) const {
  if (out == nullptr) return false;
  bool inRange = !std::isnan(date) && date < static_cast<double>(kLastDay + 1) &&
                 date > static_cast<double>(kFirstDay - 1);
  std::int64_t days = 0;
  std::int64_t seconds = 0;
  if (inRange) {
    // The integer part is the day and the fraction's magnitude the time of day, on either
    // side of day 0. Rounding to the second can reach midnight, which is the start of the
    // next calendar day whichever the sign.
    const double whole = std::trunc(date);
    days = static_cast<std::int64_t>(whole);
    seconds = static_cast<std::int64_t>(
        std::floor(std::fabs(date - whole) * static_cast<double>(kSecondsPerDay) + 0.5));
    if (seconds >= kSecondsPerDay) {
      seconds -= kSecondsPerDay;
      ++days;
    }
    inRange = days >= kFirstDay && days <= kLastDay;
  }
  if (!inRange) {
    platform::currentUtcTime(out);
    out->wMilliseconds = 0;
    return false;
  }

  const calendar::CivilDate civil = calendar::civilFromDays(days + calendar::kAutomationDayZero);
  const std::int64_t year = civil.year;
  const int month = static_cast<int>(civil.month);
  const std::int64_t day = civil.day;

  out->wYear = static_cast<WORD>(year);
  out->wMonth = static_cast<WORD>(month);
  out->wDay = static_cast<WORD>(day);
  out->wDayOfWeek = static_cast<WORD>(dayOfWeek(static_cast<int>(year), month, static_cast<int>(day)));
  out->wHour = static_cast<WORD>(seconds / 3600);
  out->wMinute = static_cast<WORD>(seconds / 60 % 60);
  out->wSecond = static_cast<WORD>(seconds % 60);
  out->wMilliseconds = 0;
  return true;
}

// ---- Offsets

// One calendar day back or forward through the automation date, keeping the time of day.
// The day number moves and the time's magnitude stays, so that crossing day 0 (where the
// time of day stops being added and starts being subtracted) lands on the right day.
bool DateParser::stepOneDay(SYSTEMTIME* time, int direction) const {
  DATE date = 0.0;
  if (!platform::systemTimeToVariantTime(*time, &date)) return false;
  const double whole = std::trunc(date);
  const double fraction = std::fabs(date - whole);
  const double day = whole + direction;
  return platform::variantTimeToSystemTime(day >= 0 ? day + fraction : day - fraction, time);
}

bool DateParser::applyOffset(SYSTEMTIME* time, int sign, int hours, int minutes) const {
  if (time == nullptr) return false;
  std::int64_t m = static_cast<std::int64_t>(time->wHour) * 60 + time->wMinute +
                   static_cast<std::int64_t>(sign) * (static_cast<std::int64_t>(hours) * 60 + minutes);
  if (m < 0) {
    if (!stepOneDay(time, -1)) return false;
    m += kMinutesPerDay;
  } else if (m >= kMinutesPerDay) {
    if (!stepOneDay(time, 1)) return false;
    m -= kMinutesPerDay;
  }
  if (m < 0 || m >= kMinutesPerDay) return false;
  time->wHour = static_cast<WORD>(m / 60);
  time->wMinute = static_cast<WORD>(m % 60);
  return true;
}

// ---- Parsing

bool DateParser::parseRfc3339(const StringBuffer& text, SYSTEMTIME* out) const {
  return parseRfc3339Text(text.text(), out);
}

bool DateParser::parseRfc3339Text(const char* text, SYSTEMTIME* out) const {
  if (text == nullptr || out == nullptr) return false;
  out->wDayOfWeek = 0;
  out->wMilliseconds = 0;

  // The date: the part before the first 'T', with its dashes as separators; a run of eight
  // digits is the compact form.
  std::string datePart(text);
  const std::size_t tAt = datePart.find('T');
  if (tAt != std::string::npos) datePart.resize(tAt);
  for (char& c : datePart) {
    if (c == '-') c = ' ';
  }
  int year = 0;
  int month = 0;
  int day = 0;
  int read = scanPattern(datePart.c_str(), {num(), num(), num()}, {&year, &month, &day});
  if (read == 1) { read = scanPattern(datePart.c_str(), {num(4), num(2), num(2)}, {&year, &month, &day}); }
  if (read < 3) return false;
  if (!fieldsExist(year, month, day, 0, 0, 0)) return false;
  out->wYear = static_cast<WORD>(year);
  out->wMonth = static_cast<WORD>(month);
  out->wDay = static_cast<WORD>(day);
  out->wDayOfWeek = static_cast<WORD>(dayOfWeek(year, month, day));

  const char* t = std::strchr(text, 'T');
  if (t == nullptr) return false;
  const char* afterT = t + 1;

  // The time: up to the zone, without a final 'Z'; a fraction of a second stops the last
  // number and is ignored.
  std::string timePart(afterT);
  timePart.resize(timePart.find('-') == std::string::npos ? timePart.size() : timePart.find('-'));
  timePart.resize(timePart.find('+') == std::string::npos ? timePart.size() : timePart.find('+'));
  if (!timePart.empty() && timePart.back() == 'Z') timePart.pop_back();
  for (char& c : timePart) {
    if (c == ':') c = ' ';
  }
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (scanPattern(timePart.c_str(), {num(), num(), num()}, {&hour, &minute, &second}) != 3) { return false; }
  if (!fieldsExist(year, month, day, hour, minute, second)) return false;
  out->wHour = static_cast<WORD>(hour);
  out->wMinute = static_cast<WORD>(minute);
  out->wSecond = static_cast<WORD>(second);

  // The offset: from the first '+' after the 'T', or else the first '-'; none means UTC.
  const char* zone = std::strchr(afterT, '+');
  if (zone == nullptr) zone = std::strchr(afterT, '-');
  if (zone == nullptr) return true;
  std::string offset;
  for (const char* p = zone; *p != '\0'; ++p) {
    if (*p != ':' && *p != '+') offset += *p;
  }
  int sign = -1;
  int offsetHours = 0;
  int offsetMinutes = 0;
  if (!readZoneNumber(offset.c_str(), false, &sign, &offsetHours, &offsetMinutes)) return false;
  return applyOffset(out, sign, offsetHours, offsetMinutes);
}

bool DateParser::parseRfc822(const char* text, SYSTEMTIME* out) const {
  if (text == nullptr || out == nullptr) return false;
  std::size_t length = 0;
  while (length < kRfc822Limit && text[length] != '\0') ++length;
  std::string copy(text, length);
  if (copy.size() > 10 && copy[4] == '-' && copy[7] == '-' && copy[10] == 'T') {
    return parseRfc3339Text(text, out);
  }
  for (char& c : copy) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }

  const char* p = copy.c_str();
  skipBlanks(p);
  if (*p == '\0') return false;

  // An optional day name, remembered but never compared with the date.
  int dayName = 0;
  const int dayIndex = findName(p, kDayNamesRead, 7);
  if (dayIndex >= 0) {
    dayName = dayIndex;
    skipWord(p);
    skipBlanks(p);
    if (*p == '\0') return false;
    if (*p == ',') ++p;
    skipBlanks(p);
    if (*p == '\0') return false;
  }

  // Day, month word and year.
  int day = 0;
  int year = 0;
  const char* q = p;
  if (!scanInt(q, 0, &day)) return false;
  while (isSpace(*q)) ++q;
  const char* monthWord = q;
  while (*q != '\0' && !isSpace(*q)) ++q;
  const std::size_t monthLength = static_cast<std::size_t>(q - monthWord);
  if (monthLength == 0 || !scanInt(q, 0, &year)) return false;
  for (int i = 0; i < 3; ++i) {
    skipWord(p);
    skipBlanks(p);
  }

  int month = -1;
  if (monthLength >= 3) {
    month = findName(monthWord, kMonthNamesRead, 12);
    if (month < 0) month = findName(monthWord, kMonthNamesReadSecond, 12);
  }
  if (month < 0) return false;
  ++month;

  if (year < 1900) year += year < 50 ? 2000 : 1900;

  // The time, with or without seconds.
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (scanPattern(p, {num(), lit(':'), num(), lit(':'), num()}, {&hour, &minute, &second}) != 3) {
    if (scanPattern(p, {num(), lit(':'), num()}, {&hour, &minute}) != 2) return false;
    second = 0;
  }
  skipWord(p);
  skipBlanks(p);

  // The zone: a numeric offset, or a word from the table; none counts as UTC.
  if (*p == '+') ++p;
  skipBlanks(p);
  const char* wordStart = p;
  skipWord(p);
  std::string zoneWord(wordStart, static_cast<std::size_t>(p - wordStart));
  if (zoneWord.empty()) zoneWord = "GMT";
  const char* offset = zoneWord.c_str();
  if (!(zoneWord[0] == '-' || isDigit(zoneWord[0]))) offset = zoneOffsetText(offset);
  int sign = -1;
  int offsetHours = 0;
  int offsetMinutes = 0;
  if (!readZoneNumber(offset, true, &sign, &offsetHours, &offsetMinutes)) return false;

  // A date or time that does not exist is refused before the offset can roll it into one
  // that does (hour 24 at +0000 is not the next midnight).
  if (!fieldsExist(year, month, day, hour, minute, second)) return false;
  out->wYear = static_cast<WORD>(year);
  out->wMonth = static_cast<WORD>(month);
  out->wDay = static_cast<WORD>(day);
  out->wDayOfWeek = static_cast<WORD>(dayName);
  out->wHour = static_cast<WORD>(hour);
  out->wMinute = static_cast<WORD>(minute);
  out->wSecond = static_cast<WORD>(second);
  out->wMilliseconds = 0;
  return applyOffset(out, sign, offsetHours, offsetMinutes);
}

// ---- Formatting

void DateParser::formatRfc3339(const SYSTEMTIME& time, StringBuffer& out) const {
  std::string text;
  appendNumber(text, time.wYear, 0);
  text += '-';
  appendNumber(text, time.wMonth, 2);
  text += '-';
  appendNumber(text, time.wDay, 2);
  text += 'T';
  appendClock(text, time);
  text += 'Z';
  out.setText(text.c_str());
}

void DateParser::formatRfc822(const SYSTEMTIME& time, StringBuffer& out) const {
  const platform::ZoneBias zone = platform::currentZoneBias();
  const std::int64_t bias =
      static_cast<std::int64_t>(zone.bias) + (zone.daylightInEffect ? zone.daylightBias : 0);
  const std::int64_t magnitude = bias < 0 ? -bias : bias;

  std::string text;
  text += kDayNamesWritten[time.wDayOfWeek > 6 ? 0 : time.wDayOfWeek];
  text += ", ";
  appendNumber(text, time.wDay, 2);
  text += ' ';
  text += kMonthNamesWritten[time.wMonth == 0 || time.wMonth > 12 ? 0 : time.wMonth - 1];
  text += ' ';
  appendNumber(text, time.wYear, 0);
  text += ' ';
  appendClock(text, time);
  text += ' ';
  // The sign follows the bias itself, so that a zone less than an hour west of UTC is
  // written "-0030" rather than losing its sign with the zero hours.
  text += bias > 0 ? '-' : '+';
  appendNumber(text, magnitude / 60, 2);
  appendNumber(text, magnitude % 60, 2);
  out.setText(text.c_str());
}

}  // namespace vk
