#include "dates/date_text.h"

#include "dates/date_parser.h"
#include "platform/time_services.h"
#include "text/string_buffer.h"

namespace vk {

// A text without a date gives day 0 rather than anything that looks like a real moment
// (such as the current time).
DATE dateFromRfc3339Text(XString& value) {
  const StringBuffer text(value.getUtf8());
  const DateParser parser;
  SYSTEMTIME utc{};
  DATE result = 0.0;
  if (parser.parseRfc3339(text, &utc)) {
    parser.fieldsToDate(utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, &result);
  }
  return result;
}

DATE dateFromRfc822Text(XString& value) {
  const DateParser parser;
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  DATE result = 0.0;
  if (parser.parseRfc822(value.getUtf8(), &utc) && platform::utcToLocal(utc, &local)) {
    parser.fieldsToDate(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                        &result);
  }
  return result;
}

namespace {

// Out of range there is no date to write; appending the current time instead would give the
// caller a plausible but unrelated date it could not tell apart from a real one.
void appendDate(XString& value, DATE date,
                void (DateParser::*format)(const SYSTEMTIME&, StringBuffer&) const) {
  const DateParser parser;
  SYSTEMTIME fields{};
  if (!parser.dateToFields(date, &fields)) return;
  StringBuffer text;
  (parser.*format)(fields, text);
  value.appendUtf8(text.text());
}

}  // namespace

void appendRfc3339Date(XString& value, DATE date) { appendDate(value, date, &DateParser::formatRfc3339); }

void appendRfc822Date(XString& value, DATE date) { appendDate(value, date, &DateParser::formatRfc822); }

}  // namespace vk
