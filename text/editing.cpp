#include "text/editing.h"

#include <algorithm>

#include "platform/fatal.h"

namespace vk::editing {
namespace {

// The wide form made current: its units (terminator excluded) and their number.
struct WideView {
  const OLECHAR* units;
  std::int32_t count;
};

WideView wideView(XString& value) {
  const DataBuffer& wide = value.getWide();
  std::uint32_t bytes = wide.length();
  if (bytes < 4) return {nullptr, 0};
  return {reinterpret_cast<const OLECHAR*>(wide.data()), static_cast<std::int32_t>(bytes / 2 - 1)};
}

// The character count the members measure with, never more than the wide form holds. The
// wide form must be current (wideView) before this is asked.
std::int32_t measuredLength(XString& value, const WideView& view) {
  return std::min(value.length(), view.count);
}

BSTR emptyString() { return SysAllocStringLen(nullptr, 0); }

BSTR unitsString(const OLECHAR* units, std::int32_t count) {
  if (units == nullptr || count <= 0) return emptyString();
  BSTR result = SysAllocStringLen(units, static_cast<UINT>(count));
  if (result == nullptr) capacityExceeded("automation string too long");
  return result;
}

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

BSTR left(XString& value, std::int32_t numChars) {
  if (numChars <= 0) return emptyString();
  WideView view = wideView(value);
  std::int32_t k = std::min(numChars, measuredLength(value, view));
  return unitsString(view.units, k);
}

BSTR right(XString& value, std::int32_t numChars) {
  if (numChars <= 0) return emptyString();
  WideView view = wideView(value);
  std::int32_t k = std::min(numChars, measuredLength(value, view));
  if (k <= 0) return emptyString();
  return unitsString(view.units + (view.count - k), k);
}

BSTR mid(XString& value, std::int32_t idx, std::int32_t numChars) {
  if (numChars <= 0 || idx < 0) return emptyString();
  WideView view = wideView(value);
  std::int32_t n = measuredLength(value, view);
  if (idx >= n) return emptyString();
  std::int32_t k = std::min(numChars, n - idx);
  return unitsString(view.units + idx, k);
}

std::int32_t compareBytes(const char* a, const char* b, bool caseSensitive) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (;; ++a, ++b) {
    char x = caseSensitive ? *a : foldAscii(*a);
    char y = caseSensitive ? *b : foldAscii(*b);
    auto ux = static_cast<unsigned char>(x);
    auto uy = static_cast<unsigned char>(y);
    if (ux != uy) return ux < uy ? -1 : 1;
    if (ux == 0) return 0;
  }
}

std::int32_t strComp(XString& value, XString& other, bool caseSensitive) {
  const char* mine = value.getAnsi();
  const char* theirs = other.getAnsi();
  return compareBytes(mine, theirs, caseSensitive);
}

void chopAfter(XString& value, const char* needle) {
  if (needle == nullptr) needle = "";
  std::int32_t at = value.indexOf(needle);
  if (at < 0) return;
  // The needle measured as it was searched: the units its UTF-8 text converts to.
  XString searched;
  searched.setFromUtf8(needle);
  std::int64_t end = static_cast<std::int64_t>(at) + searched.length();
  if (end <= 0) {
    value.clear();
    return;
  }
  WideView view = wideView(value);
  // The occurrence is located in units, so the cut is made in units of the wide form; when
  // the occurrence ends the text nothing is cut.
  if (end >= view.count) return;
  value.keepWideUnits(0, static_cast<std::uint32_t>(end));
}

void chopBefore(XString& value, const char* needle) {
  if (needle == nullptr) return;
  std::int32_t at = value.indexOf(needle);
  if (at <= 0) return;
  WideView view = wideView(value);
  if (at >= view.count) return;
  value.keepWideUnits(static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(view.count - at));
}

}  // namespace vk::editing
