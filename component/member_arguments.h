// Turning automation arguments into the values the members work on.
#pragma once

#include "platform/automation_string.h"
#include "text/xstring.h"

namespace vk {

// A wide-string argument as a temporary text value: a null string behaves as an empty one,
// and embedded zero units are kept.
inline XString argumentValue(BSTR text) {
  XString value;
  value.setFromBstr(text);
  return value;
}

}  // namespace vk
