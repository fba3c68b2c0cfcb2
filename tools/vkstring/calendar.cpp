#include "tools/vkstring/calendar.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/calendar.h"

namespace vk::cli {
namespace {

constexpr double kFirstDate = -657434.0;  // 1 January 100
constexpr double kLastDate = 2958465.0;   // 31 December 9999 (its start; the day runs to +1)

// A small cursor over the literal's text.
class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}
  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[pos_]; }
  bool take(char c) {
    if (peek() != c) return false;
    ++pos_;
    return true;
  }
  void skipBlanks() {
    while (peek() == ' ' || peek() == '\t') ++pos_;
  }
  // 1 to maxDigits decimal digits; false when there are none or more.
  bool number(int maxDigits, int* value) {
    int digits = 0;
    *value = 0;
    while (std::isdigit(static_cast<unsigned char>(peek()))) {
      if (++digits > maxDigits) return false;
      *value = *value * 10 + (text_[pos_++] - '0');
    }
    return digits > 0;
  }
  bool word(const char* w) {
    std::size_t k = 0;
    while (w[k] != 0) {
      if (pos_ + k >= text_.size() || std::toupper(static_cast<unsigned char>(text_[pos_ + k])) != w[k])
        return false;
      ++k;
    }
    pos_ += k;
    return true;
  }

 private:
  const std::string& text_;
  std::size_t pos_ = 0;
};

bool fail(std::string* error, const char* message) {
  *error = message;
  return false;
}

}  // namespace

bool parseDateLiteral(const std::string& text, CalendarTime* time, std::string* error) {
  Reader in(text);
  CalendarTime t;
  in.skipBlanks();
  int first = 0;
  if (!in.number(4, &first))
    return fail(error, "a date must start with the year (2024-03-05) or the month (3/5/2024)");
  bool iso = in.peek() == '-';
  if (iso) {
    t.year = first;
    if (!in.take('-') || !in.number(2, &t.month) || !in.take('-') || !in.number(2, &t.day)) {
      return fail(error, "the date must be written YYYY-MM-DD");
    }
  } else {
    if (first > 99) return fail(error, "the date must be written YYYY-MM-DD or M/D/YYYY");
    t.month = first;
    if (!in.take('/') || !in.number(2, &t.day) || !in.take('/') || !in.number(4, &t.year)) {
      return fail(error, "the date must be written YYYY-MM-DD or M/D/YYYY");
    }
  }
  bool pm = false;
  bool meridiem = false;
  if (in.take('T') || in.take('t') || (in.peek() == ' ' || in.peek() == '\t')) {
    in.skipBlanks();
    if (!in.atEnd()) {
      if (!in.number(2, &t.hour) || !in.take(':') || !in.number(2, &t.minute)) {
        return fail(error, "the time must be written H:MM or H:MM:SS");
      }
      if (in.take(':') && !in.number(2, &t.second)) return fail(error, "the seconds are missing");
      in.skipBlanks();
      if (!iso) {
        if (in.word("AM")) {
          meridiem = true;
        } else if (in.word("PM")) {
          meridiem = pm = true;
        }
        in.skipBlanks();
      }
    }
  }
  if (!in.atEnd()) return fail(error, "unexpected text after the date");
  if (t.year < 100 || t.year > 9999) return fail(error, "the year must lie between 100 and 9999");
  if (t.month < 1 || t.month > 12) return fail(error, "there is no such month");
  const auto monthDays = static_cast<int>(calendar::daysInMonth(t.year, static_cast<unsigned>(t.month)));
  if (t.day < 1 || t.day > monthDays) return fail(error, "there is no such day in that month");
  if (meridiem) {
    if (t.hour < 1 || t.hour > 12) return fail(error, "with AM or PM the hour must lie between 1 and 12");
    t.hour = t.hour % 12 + (pm ? 12 : 0);
  }
  if (t.hour > 23 || t.minute > 59 || t.second > 59) return fail(error, "there is no such time of day");
  *time = t;
  return true;
}

double automationDate(const CalendarTime& t) {
  double days = static_cast<double>(
      calendar::daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) -
      calendar::kAutomationDayZero);
  double fraction = (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
  return days < 0 ? days - fraction : days + fraction;
}

bool calendarTimeOf(double date, CalendarTime* t) {
  if (std::isnan(date) || date <= kFirstDate - 1.0 || date >= kLastDate + 1.0) return false;
  double whole = std::trunc(date);
  // The seconds of the day, rounded; a day whose last second rounds up rolls into the next.
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(date - whole) * 86400.0));
  auto day = static_cast<std::int64_t>(whole);
  if (seconds == 86400) {
    seconds = 0;
    day += date < 0 ? -1 : 1;
  }
  // The day's number is counted away from zero as well: -1.25 is day -1 at 06:00.
  const calendar::CivilDate civil = calendar::civilFromDays(day + calendar::kAutomationDayZero);
  if (civil.year < 100 || civil.year > 9999) return false;
  t->year = static_cast<int>(civil.year);
  t->month = static_cast<int>(civil.month);
  t->day = static_cast<int>(civil.day);
  t->hour = static_cast<int>(seconds / 3600);
  t->minute = static_cast<int>(seconds / 60 % 60);
  t->second = static_cast<int>(seconds % 60);
  return true;
}

std::string isoText(const CalendarTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

}  // namespace vk::cli
