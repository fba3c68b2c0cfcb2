// Internet dates: RFC 822 and RFC 3339 texts read into and written from broken-down time, and
// the conversions between broken-down time and automation dates (days from 30 December 1899,
// the fraction being the time of day; before day 0 the time of day is subtracted).
//
// The two forms treat zones differently. RFC 3339 texts are read as the UTC time they denote
// and written from fields taken as UTC, with "Z". RFC 822 texts are read as UTC here (the
// caller turns the result into local time) and written from fields taken as local time,
// followed by the machine's current UTC offset.
#pragma once

#include "platform/automation.h"
#include "platform/time_services.h"
#include "text/string_buffer.h"

namespace vk {

class DateParser {
 public:
  DateParser() = default;
  virtual ~DateParser() = default;

  // Reads an RFC 822 date ("Tue, 05 Mar 2024 14:03:07 -0500") into `out` as UTC. A text
  // shaped like "yyyy-mm-ddT..." is read as RFC 3339 instead. Day names are skipped, never
  // checked; two-digit years below 50 are 20xx, others 19xx; zone words outside the table
  // count as UTC. False for a null argument, a text that does not parse, or a date or time
  // that does not exist.
  bool parseRfc822(const char* text, SYSTEMTIME* out) const;

  // Reads an RFC 3339 date ("2024-03-05T14:03:07.250+05:30", or compact "20240305T...") into
  // `out` as UTC. Fractions of a second are ignored. False for a null record, a text that
  // does not parse, or a date or time that does not exist.
  bool parseRfc3339(const StringBuffer& text, SYSTEMTIME* out) const;

  // Replace the buffer's content with "2024-03-05T14:03:07Z" (the year unpadded) ...
  void formatRfc3339(const SYSTEMTIME& time, StringBuffer& out) const;
  // ... or with "Tue, 05 Mar 2024 14:03:07 -0500", the offset being the machine's now.
  void formatRfc822(const SYSTEMTIME& time, StringBuffer& out) const;

  // The fields of an automation date, rounded to the nearest second. A date outside
  // 1 January 100 - 31 December 9999 (or NaN) is not converted: `out` gets the current UTC
  // time and the answer is false.
  bool dateToFields(DATE date, SYSTEMTIME* out) const;

  // The automation date of calendar fields; false, leaving `out` untouched, when the date or
  // time does not exist or lies outside 1 January 100 - 31 December 9999.
  bool fieldsToDate(int year, int month, int day, int hour, int minute, int second, DATE* out) const;

  // The Gregorian day of the week, 0 = Sunday; 0 for a month outside 1-12.
  int dayOfWeek(int year, int month, int day) const;

  // Moves the record's time by sign x (hours:minutes), rolling the date by at most one day.
  // False when the date cannot be rolled or the time still lies outside the day afterwards
  // (an offset of 24 hours or more).
  bool applyOffset(SYSTEMTIME* time, int sign, int hours, int minutes) const;

 private:
  bool parseRfc3339Text(const char* text, SYSTEMTIME* out) const;
  bool stepOneDay(SYSTEMTIME* time, int direction) const;
};

}  // namespace vk
