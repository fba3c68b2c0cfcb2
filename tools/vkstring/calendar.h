// Automation dates for the command line: the `#...#` literals a call may hold, and the ISO form
// results are printed in. An automation date counts days from 30 December 1899 with the time
// of day as the fraction; it carries no zone, so a literal's fields are the local wall-clock
// time as they stand and a printed result shows the fields the date holds.
#pragma once
#include <string>

namespace vk::cli {

struct CalendarTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The text between the #s of a date literal, in one of two forms:
//   ISO        2024-03-05, 2024-03-05 14:03, 2024-03-05T14:03:07
//   VBScript   3/5/2024 (month/day/year), 3/5/2024 2:03:07 PM, 3/5/2024 14:03
// Leading and trailing blanks are ignored. Years run from 100 to 9999, the range of automation
// dates. False with a message naming the fault for anything else.
bool parseDateLiteral(const std::string& text, CalendarTime* time, std::string* error);

// The automation date of a valid calendar time. Before day 0 the time of day counts away from
// zero, as in the platform's own conversion: 29 December 1899 06:00 is -1.25.
double automationDate(const CalendarTime& time);

// The calendar time of an automation date, to the nearest second. False for NaN and dates
// outside 1 January 100 - 31 December 9999.
bool calendarTimeOf(double date, CalendarTime* time);

// "2024-03-05T14:03:07".
std::string isoText(const CalendarTime& time);

}  // namespace vk::cli
