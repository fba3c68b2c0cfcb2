// Cutting, slicing and comparing a text value: the operations behind Left, Right, Mid,
// StrComp, ChopAfter and ChopBefore. The trims, replacements, searches and byte edits are
// operations of the text value itself (xstring.h).
//
// Counts at the interface follow XString::length: UTF-16 units, except ANSI bytes while the
// ANSI form is current. Slices are always taken from the wide form, so no character is lost
// to the ANSI code page.
#pragma once
#include <cstdint>

#include "platform/automation_string.h"
#include "text/xstring.h"

namespace vk::editing {

// A byte of the ANSI form as the members hand it out: a signed 8-bit value, so bytes
// 0x80..0xFF come back as -128..-1.
inline std::int32_t signedByte(std::uint8_t b) { return static_cast<std::int8_t>(b); }

// The first min(numChars, length) units as a new string; empty for numChars <= 0.
BSTR left(XString& value, std::int32_t numChars);
// The last min(numChars, length) units as a new string; empty for numChars <= 0.
BSTR right(XString& value, std::int32_t numChars);
// numChars units from unit idx; empty for numChars <= 0, a negative idx or idx past the end.
BSTR mid(XString& value, std::int32_t idx, std::int32_t numChars);

// Compares two NUL-terminated byte texts: unsigned bytes, or with ASCII A-Z folded to a-z.
// Answers -1, 0 or 1; a proper prefix sorts first.
std::int32_t compareBytes(const char* a, const char* b, bool caseSensitive);
// Compares the ANSI form of `value` with the ANSI form of `other`.
std::int32_t strComp(XString& value, XString& other, bool caseSensitive);

// Keeps the text up to and including the first occurrence of the UTF-8 `needle`; an empty
// needle empties the text, an absent one changes nothing. When something is cut only the
// wide form is current.
void chopAfter(XString& value, const char* needle);
// Keeps the text from the first occurrence of the UTF-8 `needle` on; nothing changes when the
// needle is absent, empty or at the very start. Afterwards only the wide form is current.
void chopBefore(XString& value, const char* needle);

}  // namespace vk::editing
