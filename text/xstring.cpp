#include "text/xstring.h"

#include <algorithm>
#include <cstring>

#include "charset/encoding_convert.h"
#include "platform/code_page.h"
#include "platform/wide_units.h"
#include "platform/fatal.h"

namespace vk {

XString::XString() {
  wideForm_.appendUnit(0);
  ansiForm_.shrinkToFit();
  utf8Form_.shrinkToFit();
}

XString::XString(const XString& other) : VelkorObject(other) { copyFrom(other); }

XString& XString::operator=(const XString& other) {
  if (this != &other) copyFrom(other);
  return *this;
}

void XString::clear() {
  ansiExactness_ = 0;
  ansiForm_.clear();
  ansiForm_.shrinkToFit();
  utf8Form_.clear();
  utf8Form_.shrinkToFit();
  wideForm_.clear();
  wideForm_.appendUnit(0);
  wideCurrent_ = ansiCurrent_ = utf8Current_ = true;
}

void XString::setFromWide(const OLECHAR* units, std::uint32_t count) {
  clear();
  if (units == nullptr || count == 0) return;
  wideForm_.clear();
  wideForm_.append(units, std::size_t{count} * 2);
  wideForm_.appendUnit(0);
  markOnlyWideCurrent();
}

void XString::setFromWide(const OLECHAR* units) {
  if (units == nullptr || units[0] == 0) {
    clear();
    return;
  }
  std::uint32_t count = 0;
  while (units[count] != 0) ++count;
  setFromWide(units, count);
}

void XString::setFromBstr(BSTR text) { setFromWide(text, SysStringLen(text)); }

void XString::setFromAnsi(const char* text) {
  if (text == nullptr || text[0] == 0) {
    clear();
    return;
  }
  clear();
  ansiForm_.append(text);
  ansiForm_.shrinkToFit();
  markOnlyAnsiCurrent();
  ansiExactness_ = 1;  // the text came in the ANSI code page, so it fits it
}

void XString::setFromUtf8(const char* text) {
  setFromUtf8(text, text == nullptr ? 0 : static_cast<std::uint32_t>(std::strlen(text)));
}

void XString::setFromUtf8(const char* bytes, std::uint32_t count) {
  clear();
  if (bytes == nullptr || count == 0 || bytes[0] == 0) return;
  utf8Form_.appendBytes(bytes, count);
  utf8Form_.shrinkToFit();
  markOnlyUtf8Current();
}

void XString::adoptUtf8(StringBuffer& built) {
  clear();
  if (built.length() == 0 || built.text()[0] == 0) {
    built.clear();
    return;
  }
  utf8Form_.swap(built);
  built.clear();
  utf8Form_.shrinkToFit();
  markOnlyUtf8Current();
}

void XString::adoptUtf8(DataBuffer& built) {
  StringBuffer bytes = StringBuffer::withSize(1);
  bytes.adoptBytes(built);
  adoptUtf8(bytes);
}

void XString::copyFrom(const XString& other) {
  if (this == &other) return;
  ansiExactness_ = other.ansiExactness_;
  wideCurrent_ = other.wideCurrent_;
  ansiCurrent_ = other.ansiCurrent_;
  utf8Current_ = other.utf8Current_;
  wideForm_ = other.wideForm_;
  ansiForm_.clear();
  ansiForm_.appendBuffer(other.ansiForm_);
  ansiForm_.shrinkToFit();
  utf8Form_.clear();
  utf8Form_.appendBuffer(other.utf8Form_);
  utf8Form_.shrinkToFit();
}

void XString::swap(XString& other) {
  std::swap(ansiExactness_, other.ansiExactness_);
  std::swap(wideCurrent_, other.wideCurrent_);
  std::swap(ansiCurrent_, other.ansiCurrent_);
  std::swap(utf8Current_, other.utf8Current_);
  wideForm_.swap(other.wideForm_);
  ansiForm_.swap(other.ansiForm_);
  utf8Form_.swap(other.utf8Form_);
}

void XString::markOnlyWideCurrent() {
  wideCurrent_ = true;
  ansiCurrent_ = utf8Current_ = false;
  ansiExactness_ = 0;
}

void XString::markOnlyAnsiCurrent() {
  ansiCurrent_ = true;
  wideCurrent_ = utf8Current_ = false;
  ansiExactness_ = 0;
}

void XString::markOnlyUtf8Current() {
  utf8Current_ = true;
  wideCurrent_ = ansiCurrent_ = false;
  ansiExactness_ = 0;
}

bool XString::isEmpty() const {
  if (wideCurrent_) return wideForm_.length() <= 2;
  if (utf8Current_) return utf8Form_.length() == 0;
  if (ansiCurrent_) return ansiForm_.length() == 0;
  return true;
}

namespace {

// The code point of a leading character that the engine would read as a byte-order mark of
// the bytes (U+FEFF as UTF-8; U+FEFF or U+FFFE as UTF-16LE), or 0.
std::uint32_t leadingMark(std::int32_t codePage, const std::uint8_t* p, std::uint32_t count) {
  if (codePage == codepage::kUtf8) {
    return count >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF ? 0xFEFF : 0;
  }
  if (codePage == codepage::kUtf16Le && count >= 2) {
    std::uint32_t unit = p[0] | std::uint32_t{p[1]} << 8;
    return unit == 0xFEFF || unit == 0xFFFE ? unit : 0;
  }
  return 0;
}

}  // namespace

bool& XString::currentFlag(Form form) {
  return form == Form::Wide ? wideCurrent_ : form == Form::Ansi ? ansiCurrent_ : utf8Current_;
}

bool XString::produce(Form from, Form to) {
  auto codePageOf = [](Form form) {
    return form == Form::Wide   ? codepage::kUtf16Le
           : form == Form::Utf8 ? codepage::kUtf8
                                : platform::ansiCodePage();
  };
  const void* bytes = nullptr;
  std::uint32_t count = 0;
  const std::int32_t fromCodePage = codePageOf(from);
  const std::int32_t toCodePage = codePageOf(to);
  if (from == Form::Wide) {
    // The terminator is not converted; a form holding only the terminator gives nothing.
    if (wideForm_.length() >= 4) {
      bytes = wideForm_.data();
      count = wideForm_.length() - 2;
    }
  } else {
    const StringBuffer& form = from == Form::Ansi ? ansiForm_ : utf8Form_;
    bytes = form.text();
    count = static_cast<std::uint32_t>(form.length());
  }
  DataBuffer produced;
  bool result = true;
  // A leading U+FEFF (or, in the wide form, U+FFFE) would be taken by the engine for a
  // byte-order mark of the source bytes and dropped, or U+FFFE would even make it read the
  // rest as big-endian. Between the value's own forms it is a character of the text, so each
  // such character is converted alone, as UTF-32 (which the engine reads without a mark).
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  while (std::uint32_t markCodePoint = leadingMark(fromCodePage, p, count)) {
    const std::uint8_t utf32[4] = {static_cast<std::uint8_t>(markCodePoint),
                                   static_cast<std::uint8_t>(markCodePoint >> 8), 0, 0};
    if (!EncodingConvert().convert(codepage::kUtf32Le, toCodePage, utf32, 4, produced)) result = false;
    std::uint32_t length = fromCodePage == codepage::kUtf8 ? 3 : 2;
    p += length;
    count -= length;
  }
  if (count > 0 && !EncodingConvert().convert(fromCodePage, toCodePage, p, count, produced)) result = false;
  if (to == Form::Wide) {
    wideForm_.clear();
    wideForm_.appendBuffer(produced);
    wideForm_.appendUnit(0);
  } else {
    StringBuffer& form = to == Form::Ansi ? ansiForm_ : utf8Form_;
    form.clear();
    form.appendBytes(produced.data(), produced.length());
    form.shrinkToFit();
  }
  currentFlag(to) = true;
  return result;
}

// A form is made from the first of the other two that is current; with neither, the value is
// empty.
void XString::makeCurrent(Form form, Form first, Form second) {
  if (currentFlag(form)) return;
  if (currentFlag(first)) {
    produce(first, form);
  } else if (currentFlag(second)) {
    produce(second, form);
  } else {
    clear();
  }
}

void XString::makeWideCurrent() { makeCurrent(Form::Wide, Form::Utf8, Form::Ansi); }

void XString::makeAnsiCurrent() { makeCurrent(Form::Ansi, Form::Utf8, Form::Wide); }

// The UTF-8 form is made from the wide form whenever that is current, even when the ANSI
// form is current too: a query that needed the ANSI form (a byte lookup, a comparison) must
// not make later UTF-8 operations lose the characters the ANSI code page lacks.
void XString::makeUtf8Current() { makeCurrent(Form::Utf8, Form::Wide, Form::Ansi); }

// An edit of one byte form: the form is made current, changed, and left the only current one.
template <typename Edit>
void XString::editAnsi(Edit edit) {
  makeAnsiCurrent();
  edit(ansiForm_);
  markOnlyAnsiCurrent();
}

template <typename Edit>
void XString::editUtf8(Edit edit) {
  makeUtf8Current();
  edit(utf8Form_);
  markOnlyUtf8Current();
}

const DataBuffer& XString::getWide() {
  makeWideCurrent();
  return wideForm_;
}

const char* XString::getAnsi() {
  makeAnsiCurrent();
  return ansiForm_.text();
}

const char* XString::getUtf8() {
  makeUtf8Current();
  return utf8Form_.text();
}

StringBuffer& XString::utf8Buffer() {
  makeUtf8Current();
  return utf8Form_;
}

StringBuffer& XString::ansiBuffer() {
  makeAnsiCurrent();
  return ansiForm_;
}

BSTR XString::toWideString() {
  makeWideCurrent();
  std::uint32_t bytes = wideForm_.length();
  if (bytes < 4) return SysAllocStringLen(nullptr, 0);
  auto units = static_cast<UINT>(bytes / 2 - 1);
  BSTR result = SysAllocStringLen(nullptr, units);
  // A text too long for an automation string cannot be handed out whole.
  if (result == nullptr) capacityExceeded("automation string too long");
  std::memcpy(result, wideForm_.data(), std::size_t{units} * 2);
  return result;
}

std::int32_t XString::length() {
  if (ansiCurrent_) return ansiForm_.length();
  makeWideCurrent();
  if (!wideCurrent_ || wideForm_.length() < 2) return 0;
  return static_cast<std::int32_t>((wideForm_.length() - 2) / 2);
}

std::int32_t XString::utf8Length() {
  makeUtf8Current();
  return utf8Form_.length();
}

std::int32_t XString::indexOf(const char* needle) {
  if (needle == nullptr) return -1;
  const char* text = getUtf8();
  const char* hit = std::strstr(text, needle);
  if (hit == nullptr) return -1;
  auto offset = static_cast<std::uint32_t>(hit - text);
  if (offset == 0) return 0;
  XString prefix;
  prefix.setFromUtf8(text, offset);
  return prefix.length();
}

bool XString::isAnsiExact() {
  if (ansiExactness_ == 1) return true;
  if (ansiExactness_ == 2) return false;
  if (!wideCurrent_ && !utf8Current_) {
    ansiExactness_ = 1;  // the text is held in the ANSI form alone
    return true;
  }
  bool exact = produce(wideCurrent_ ? Form::Wide : Form::Utf8, Form::Ansi);
  ansiExactness_ = exact ? 1 : 2;
  return exact;
}

bool XString::equalsAnsiNoCase(const char* text) {
  makeAnsiCurrent();
  return ansiForm_.equalsNoCase(text);
}

void XString::appendAnsi(const char* text) {
  editAnsi([text](StringBuffer& form) { form.append(text); });
}

void XString::appendUtf8(const char* text) {
  editUtf8([text](StringBuffer& form) { form.append(text); });
}

void XString::appendUtf8Bytes(const char* bytes, std::uint32_t count) {
  editUtf8([&](StringBuffer& form) { form.appendBytes(bytes, count); });
}

void XString::dropWideTerminator() {
  if (wideForm_.length() >= 2) wideForm_.shrinkBy(2);
}

void XString::appendWide(const OLECHAR* units) {
  std::uint32_t count = 0;
  if (units != nullptr) {
    while (units[count] != 0) ++count;
  }
  appendWideUnits(units, count);
}

void XString::appendWideUnits(const OLECHAR* units, std::uint32_t count) {
  makeWideCurrent();
  if (units == nullptr) count = 0;
  // The room comes first: a growth that is refused must leave the form with its terminator.
  std::uint64_t needed = std::uint64_t{wideForm_.length()} + std::uint64_t{count} * 2;
  if (needed > UINT32_MAX) capacityExceeded("DataBuffer size exceeds 32 bits");
  wideForm_.ensureCapacity(static_cast<std::uint32_t>(needed));
  dropWideTerminator();
  if (count > 0) wideForm_.append(units, std::size_t{count} * 2);
  wideForm_.appendUnit(0);
  markOnlyWideCurrent();
}

// Appending another value never loses its characters and never touches this value when
// there is nothing to add:
// - an empty (or cleared) value adds nothing and changes no form;
// - the other's UTF-8 form is taken when current, else its wide form;
// - its ANSI form only when that is its only form, and appended as ANSI only when this
//   value, too, holds its text in the ANSI form alone; otherwise the ANSI text is brought to
//   UTF-8 first, so that this value's other characters are kept.
void XString::appendValue(XString& other) {
  if (other.isEmpty()) return;
  if (&other == this) {
    XString copy(other);
    appendValue(copy);
    return;
  }
  if (other.utf8Current_) {
    appendUtf8Bytes(other.utf8Form_.text(), static_cast<std::uint32_t>(other.utf8Form_.length()));
  } else if (other.wideCurrent_) {
    appendWideUnits(reinterpret_cast<const OLECHAR*>(other.wideForm_.data()),
                    (other.wideForm_.length() - 2) / 2);
  } else if (ansiCurrent_ && !wideCurrent_ && !utf8Current_) {
    appendAnsi(other.ansiForm_.text());
  } else {
    DataBuffer utf8;
    EncodingConvert().convertFromAnsi(codepage::kUtf8, other.ansiForm_.text(),
                                      static_cast<std::uint32_t>(other.ansiForm_.length()), utf8);
    appendUtf8Bytes(reinterpret_cast<const char*>(utf8.data()), utf8.length());
  }
}

void XString::trim() {
  editUtf8([](StringBuffer& form) { form.trimSpacesTabs(); });
}

void XString::trim2() {
  editUtf8([](StringBuffer& form) { form.trimWhitespace(); });
}

void XString::trimInside() {
  editUtf8([](StringBuffer& form) { form.collapseWhitespace(); });
}

std::int32_t XString::replaceAll(const char* find, const char* with) {
  makeUtf8Current();
  std::int32_t count = utf8Form_.replaceAll(find, with);
  if (count != 0) markOnlyUtf8Current();
  return count;
}

bool XString::replaceFirst(const char* find, const char* with) {
  makeUtf8Current();
  bool replaced = utf8Form_.replaceFirst(find, with);
  if (replaced) markOnlyUtf8Current();
  return replaced;
}

bool XString::contains(const char* needle) {
  makeUtf8Current();
  return utf8Form_.contains(needle);
}

bool XString::beginsWith(const char* prefix) {
  makeUtf8Current();
  return utf8Form_.beginsWith(prefix);
}

bool XString::endsWith(const char* suffix) {
  makeUtf8Current();
  return utf8Form_.endsWith(suffix);
}

void XString::shorten(std::int32_t n) {
  editAnsi([n](StringBuffer& form) { form.dropLast(n); });
}

void XString::removeAnsiChar(std::int32_t c) {
  editAnsi([c](StringBuffer& form) { form.removeByte(c); });
}

void XString::replaceAnsiChar(std::int32_t c1, std::int32_t c2) {
  editAnsi([c1, c2](StringBuffer& form) { form.replaceByte(c1, c2); });
}

void XString::keepWideUnits(std::uint32_t first, std::uint32_t count) {
  makeWideCurrent();
  std::uint32_t units = wideForm_.length() >= 2 ? wideForm_.length() / 2 - 1 : 0;
  first = std::min(first, units);
  count = std::min(count, units - first);
  std::uint8_t* bytes = wideForm_.data();
  if (first > 0 && count > 0) { std::memmove(bytes, bytes + std::size_t{first} * 2, std::size_t{count} * 2); }
  wideForm_.setLength(count * 2);
  wideForm_.appendUnit(0);
  markOnlyWideCurrent();
}

std::uint8_t XString::ansiCharAt(std::int32_t i) {
  if (i < 0) return 0;
  makeAnsiCurrent();
  return ansiForm_.byteAt(i);
}

std::uint8_t XString::lastAnsiChar() {
  makeAnsiCurrent();
  return ansiForm_.lastByte();
}

}  // namespace vk
