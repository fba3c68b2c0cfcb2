// Helpers for tests of the text members: building text values from UTF-16 literals and
// reading them back, and naming the current forms.
#pragma once
#include <string>

#include "text/xstring.h"

namespace vk::test {

inline XString valueOf(const std::u16string& text) {
  XString value;
  value.setFromWide(text.data(), static_cast<std::uint32_t>(text.size()));
  return value;
}

// Takes ownership of an automation string and returns its units (embedded zeros kept).
inline std::u16string take(BSTR text) {
  std::u16string units(text == nullptr ? u"" : std::u16string(text, SysStringLen(text)));
  SysFreeString(text);
  return units;
}

inline std::u16string wideOf(XString& value) { return take(value.toWideString()); }

// "W", "A", "U" for the current forms, in that order.
inline std::string currentForms(const XString& value) {
  std::string out;
  if (value.isWideCurrent()) out += 'W';
  if (value.isAnsiCurrent()) out += 'A';
  if (value.isUtf8Current()) out += 'U';
  return out;
}

// The UTF-8 form of a UTF-16 literal, made by the text value itself.
inline std::string utf8Of(const std::u16string& text) {
  XString value = valueOf(text);
  return value.getUtf8();
}

}  // namespace vk::test
