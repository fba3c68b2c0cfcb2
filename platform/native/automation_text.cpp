// Parsing numbers out of wide strings and formatting them back, locale-neutral.
//
// Coercions are locale-neutral: '.' is the decimal separator, there are no thousands
// separators, and dates travel as ISO-like text ("2023-03-15 12:30:00").
#include "platform/native/automation_internal.h"

#ifndef _WIN32
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vk::platform::automation {

// ---------------------------------------------------------------------------------------------
// Text: parsing numbers, booleans and dates out of wide strings, and formatting them back.

bool isSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0xA0;
}

// The string without surrounding white space, as ASCII; false if it holds anything else.
bool trimmedAscii(BSTR text, char* out, std::size_t capacity, std::size_t* length) {
  std::size_t end = SysStringLen(text);
  std::size_t begin = 0;
  while (begin < end && isSpace(text[begin])) ++begin;
  while (end > begin && isSpace(text[end - 1])) --end;
  if (end - begin >= capacity) return false;
  for (std::size_t i = begin; i < end; ++i) {
    if (text[i] == 0 || text[i] > 0x7F) return false;
    out[i - begin] = static_cast<char>(text[i]);
  }
  *length = end - begin;
  out[*length] = 0;
  return true;
}

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a != 0 && *b != 0; ++a, ++b) {
    char x = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
    char y = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 32) : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

constexpr std::size_t kTextLimit = 512;

// "&H1F" and "&O17": the literal's bits; a script reads them as signed in the target's width.
HRESULT parseRadixLiteral(const char* text, std::size_t length, Number* out) {
  int shift = (text[1] == 'H' || text[1] == 'h') ? 4 : (text[1] == 'O' || text[1] == 'o') ? 3 : 0;
  if (shift == 0 || length < 3) return DISP_E_TYPEMISMATCH;
  std::uint64_t bits = 0;
  for (std::size_t i = 2; i < length; ++i) {
    int digit = digitValue(text[i]);
    if (digit >= (1 << shift)) return DISP_E_TYPEMISMATCH;
    if ((bits >> (64 - shift)) != 0) return DISP_E_OVERFLOW;
    bits = (bits << shift) | static_cast<std::uint64_t>(digit);
  }
  out->kind = Number::Kind::Bits;
  out->u = bits;
  return S_OK;
}

// Decimal numbers: [sign] digits [. digits] [e [sign] digits], surrounded by white space.
HRESULT parseNumber(BSTR text, Number* out) {
  char buffer[kTextLimit];
  std::size_t length = 0;
  if (!trimmedAscii(text, buffer, sizeof buffer, &length) || length == 0) return DISP_E_TYPEMISMATCH;
  if (buffer[0] == '&') return parseRadixLiteral(buffer, length, out);

  std::size_t i = 0;
  bool negative = false;
  if (buffer[i] == '+' || buffer[i] == '-') negative = buffer[i++] == '-';
  std::size_t digitsStart = i;
  std::size_t mantissaDigits = 0;
  while (i < length && buffer[i] >= '0' && buffer[i] <= '9') ++i, ++mantissaDigits;
  std::size_t integerEnd = i;
  bool integral = true;
  if (i < length && buffer[i] == '.') {
    integral = false;
    ++i;
    while (i < length && buffer[i] >= '0' && buffer[i] <= '9') ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return DISP_E_TYPEMISMATCH;
  if (i < length && (buffer[i] == 'e' || buffer[i] == 'E')) {
    integral = false;
    ++i;
    if (i < length && (buffer[i] == '+' || buffer[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < length && buffer[i] >= '0' && buffer[i] <= '9') ++i, ++exponentDigits;
    if (exponentDigits == 0) return DISP_E_TYPEMISMATCH;
  }
  if (i != length) return DISP_E_TYPEMISMATCH;

  if (integral) {
    std::uint64_t magnitude = 0;
    bool fits = true;
    for (std::size_t k = digitsStart; k < integerEnd && fits; ++k) {
      std::uint64_t digit = static_cast<std::uint64_t>(buffer[k] - '0');
      if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) fits = false;
      magnitude = magnitude * 10 + digit;
    }
    if (fits && !negative) {
      if (magnitude <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        *out = Number{Number::Kind::Signed, static_cast<std::int64_t>(magnitude), 0, 0};
      } else {
        *out = Number{Number::Kind::Unsigned, 0, magnitude, 0};
      }
      return S_OK;
    }
    if (fits && magnitude <= (1ull << 63)) {
      *out = Number{Number::Kind::Signed, static_cast<std::int64_t>(0 - magnitude), 0, 0};
      return S_OK;
    }
  }
  // from_chars takes no leading '+'.
  std::size_t start = buffer[0] == '+' ? 1 : 0;
  double value = 0;
  std::from_chars_result parsed = std::from_chars(buffer + start, buffer + length, value);
  if (parsed.ec == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
  if (parsed.ec != std::errc() || parsed.ptr != buffer + length) return DISP_E_TYPEMISMATCH;
  *out = Number{Number::Kind::Real, 0, 0, value};
  return S_OK;
}

BSTR wideFromAscii(const char* text, std::size_t length) {
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (result == nullptr) return nullptr;
  for (std::size_t i = 0; i < length; ++i) result[i] = static_cast<char16_t>(text[i]);
  return result;
}

BSTR formatSigned(std::int64_t value) {
  char buffer[24];
  std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return wideFromAscii(buffer, static_cast<std::size_t>(r.ptr - buffer));
}

BSTR formatUnsigned(std::uint64_t value) {
  char buffer[24];
  std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return wideFromAscii(buffer, static_cast<std::size_t>(r.ptr - buffer));
}

// Shortest general form with the given significant digits: "1.5", "0.333333333333333", "1E+20".
BSTR formatReal(double value, int precision) {
  if (value == 0.0) value = 0.0;  // no "-0"
  char buffer[64];
  std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
  std::size_t length = static_cast<std::size_t>(r.ptr - buffer);
  for (std::size_t i = 0; i < length; ++i) {
    if (buffer[i] == 'e') buffer[i] = 'E';
  }
  return wideFromAscii(buffer, length);
}

// Currency with up to four decimals and no trailing zeros: "1.5", "-0.0001", "12".
BSTR formatCurrency(std::int64_t cy) {
  std::uint64_t magnitude = cy < 0 ? 0 - static_cast<std::uint64_t>(cy) : static_cast<std::uint64_t>(cy);
  char buffer[32];
  char* p = buffer;
  if (cy < 0) *p++ = '-';
  p = std::to_chars(p, buffer + sizeof buffer, magnitude / 10000).ptr;
  unsigned fraction = static_cast<unsigned>(magnitude % 10000);
  if (fraction != 0) {
    *p++ = '.';
    for (unsigned scale = 1000; fraction != 0; scale /= 10) {
      *p++ = static_cast<char>('0' + fraction / scale);
      fraction %= scale;
    }
  }
  return wideFromAscii(buffer, static_cast<std::size_t>(p - buffer));
}

}  // namespace vk::platform::automation

#endif  // !_WIN32
