// What the four date members of the string object do with its text value: read the text as
// an RFC 3339 or RFC 822 date, or append a date in either form.
#pragma once

#include "platform/automation.h"
#include "text/xstring.h"

namespace vk {

// The UTC date that the value's text denotes as RFC 3339; 0.0 (30 December 1899, 00:00) when
// the text does not parse or names a date or time that does not exist.
DATE dateFromRfc3339Text(XString& value);

// The local date (by the machine's current offset) of the instant that the value's text
// denotes as RFC 822; 0.0 when there is none.
DATE dateFromRfc822Text(XString& value);

// Appends "2024-03-05T14:03:07Z" (the date's fields as UTC). A date outside 1 January 100 -
// 31 December 9999 appends nothing.
void appendRfc3339Date(XString& value, DATE date);

// Appends "Tue, 05 Mar 2024 14:03:07 -0500" (the date's fields as local time and the
// machine's current offset). A date out of range appends nothing.
void appendRfc822Date(XString& value, DATE date);

}  // namespace vk
