// Native VARIANT and SAFEARRAY services with oleaut32's documented behaviour, for the
// platforms that have no oleaut32.
//
// Arrays are laid out as oleaut32 lays them out: a 16-byte prefix (the element interface's IID,
// or the element VARTYPE in its last four bytes), then the descriptor with its bounds, then the
// elements, all in one block. Bounds are stored last dimension first, and an element's offset
// counts the first index fastest. Descriptors marked FADF_AUTO, FADF_STATIC or FADF_EMBEDDED
// belong to whoever made them: destroying such an array clears its elements but frees nothing.
//
// Coercions are locale-neutral: '.' is the decimal separator, there are no thousands
// separators, and dates travel as ISO-like text ("2023-03-15 12:30:00").
#include "platform/automation.h"

#ifndef _WIN32
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// ---------------------------------------------------------------------------------------------
// Types

constexpr VARTYPE kBaseMask = VT_TYPEMASK;
constexpr VARTYPE kVtVector = 0x1000;
constexpr VARTYPE kVtReserved = 0x8000;

VARTYPE baseType(VARTYPE vt) { return static_cast<VARTYPE>(vt & kBaseMask); }
bool isByRef(VARTYPE vt) { return (vt & VT_BYREF) != 0; }
bool isArray(VARTYPE vt) { return (vt & VT_ARRAY) != 0; }

// The types a VARIANT may carry: the scalar types up to VT_UINT except the unused 15, alone or
// with VT_BYREF and/or VT_ARRAY (but VT_EMPTY and VT_NULL only alone).
HRESULT validateType(VARTYPE vt) {
  VARTYPE base = baseType(vt);
  if ((vt & (kVtVector | kVtReserved)) != 0) return DISP_E_BADVARTYPE;
  if (base > VT_UINT || base == 15) return DISP_E_BADVARTYPE;
  if ((vt & (VT_BYREF | VT_ARRAY)) != 0 && base <= VT_NULL) return DISP_E_BADVARTYPE;
  return S_OK;
}

// Bytes of one value of a scalar type, 0 for types that cannot be array elements.
ULONG valueSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
      return 4;
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_I8:
    case VT_UI8:
      return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    case VT_DECIMAL:
      return sizeof(DECIMAL);
    default:
      return 0;
  }
}

BSTR copyBstr(BSTR s) { return s == nullptr ? nullptr : SysAllocStringLen(s, SysStringLen(s)); }

// ---------------------------------------------------------------------------------------------
// SAFEARRAY storage

constexpr std::size_t kPrefixBytes = 16;
constexpr USHORT kCallerOwned = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;

SAFEARRAYBOUND* boundsOf(SAFEARRAY* array) { return array->rgsabound; }

std::size_t descriptorBytes(USHORT dims) {
  std::size_t bytes = offsetof(SAFEARRAY, rgsabound) + sizeof(SAFEARRAYBOUND) * (dims == 0 ? 1 : dims);
  return (bytes + 15) & ~static_cast<std::size_t>(15);
}

// Elements in all dimensions, or false when the count does not fit.
bool elementCount(SAFEARRAY* array, std::uint64_t* count) {
  std::uint64_t total = 1;
  SAFEARRAYBOUND* bounds = boundsOf(array);
  for (USHORT d = 0; d < array->cDims; ++d) {
    total *= bounds[d].cElements;
    if (total > 0xFFFFFFFFull) return false;
  }
  *count = array->cDims == 0 ? 0 : total;
  return true;
}

DWORD* hiddenVartype(SAFEARRAY* array) {
  return reinterpret_cast<DWORD*>(reinterpret_cast<char*>(array) - sizeof(DWORD));
}
GUID* hiddenIid(SAFEARRAY* array) {
  return reinterpret_cast<GUID*>(reinterpret_cast<char*>(array) - sizeof(GUID));
}

// The feature flags that come with an element type.
USHORT featuresFor(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      return FADF_BSTR | FADF_HAVEVARTYPE;
    case VT_VARIANT:
      return FADF_VARIANT | FADF_HAVEVARTYPE;
    case VT_UNKNOWN:
      return FADF_UNKNOWN | FADF_HAVEIID;
    case VT_DISPATCH:
      return FADF_DISPATCH | FADF_HAVEIID;
    default:
      return FADF_HAVEVARTYPE;
  }
}

// One block holding prefix, descriptor (with dims bounds) and dataBytes of zeroed elements.
SAFEARRAY* allocateArray(USHORT dims, std::uint64_t dataBytes) {
  std::size_t head = kPrefixBytes + descriptorBytes(dims);
  if (dataBytes > 0x7FFFFFFFull) return nullptr;
  char* block = static_cast<char*>(std::calloc(1, head + static_cast<std::size_t>(dataBytes)));
  if (block == nullptr) return nullptr;
  SAFEARRAY* array = reinterpret_cast<SAFEARRAY*>(block + kPrefixBytes);
  array->cDims = dims;
  array->pvData = block + head;
  return array;
}

void freeArrayBlock(SAFEARRAY* array) { std::free(reinterpret_cast<char*>(array) - kPrefixBytes); }

// Releases what the elements own (strings, interfaces, variants) and zeroes them.
void clearElements(SAFEARRAY* array) {
  std::uint64_t count = 0;
  if (array->pvData == nullptr || !elementCount(array, &count)) return;
  char* data = static_cast<char*>(array->pvData);
  if ((array->fFeatures & FADF_BSTR) != 0) {
    BSTR* items = reinterpret_cast<BSTR*>(data);
    for (std::uint64_t i = 0; i < count; ++i) {
      SysFreeString(items[i]);
      items[i] = nullptr;
    }
  } else if ((array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) != 0) {
    IUnknown** items = reinterpret_cast<IUnknown**>(data);
    for (std::uint64_t i = 0; i < count; ++i) {
      if (items[i] != nullptr) items[i]->Release();
      items[i] = nullptr;
    }
  } else if ((array->fFeatures & FADF_VARIANT) != 0) {
    VARIANT* items = reinterpret_cast<VARIANT*>(data);
    for (std::uint64_t i = 0; i < count; ++i) VariantClear(&items[i]);
  }
}

// Copies one element from source to an uninitialised destination slot of the same array kind.
HRESULT copyElement(USHORT features, ULONG size, const void* source, void* destination) {
  if ((features & FADF_BSTR) != 0) {
    BSTR s = *static_cast<const BSTR*>(source);
    BSTR copy = copyBstr(s);
    if (s != nullptr && copy == nullptr) return E_OUTOFMEMORY;
    std::memcpy(destination, &copy, sizeof copy);
    return S_OK;
  }
  if ((features & (FADF_UNKNOWN | FADF_DISPATCH)) != 0) {
    IUnknown* p = *static_cast<IUnknown* const*>(source);
    if (p != nullptr) p->AddRef();
    std::memcpy(destination, &p, sizeof p);
    return S_OK;
  }
  if ((features & FADF_VARIANT) != 0) {
    VARIANT* d = static_cast<VARIANT*>(destination);
    d->vt = VT_EMPTY;
    return VariantCopy(d, static_cast<const VARIANT*>(source));
  }
  std::memcpy(destination, source, size);
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Numbers: the common form through which scalar coercions pass.

struct Number {
  enum class Kind { Signed, Unsigned, Real, Currency, Bits } kind = Kind::Signed;
  std::int64_t s = 0;   // Signed, and Currency (scaled by 10000)
  std::uint64_t u = 0;  // Unsigned, and Bits (a hexadecimal or octal literal)
  double r = 0;         // Real
};

// Round half to even, as oleaut32 rounds reals to integers.
double roundHalfEven(double x) {
  double floor = std::floor(x);
  double fraction = x - floor;
  if (fraction > 0.5) return floor + 1.0;
  if (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0) return floor + 1.0;
  return floor;
}

// Currency (scaled by 10000) to a whole number, half to even.
std::int64_t currencyToInteger(std::int64_t cy) {
  std::int64_t quotient = cy / 10000;
  std::int64_t remainder = cy % 10000;
  std::int64_t magnitude = remainder < 0 ? -remainder : remainder;
  std::int64_t step = cy < 0 ? -1 : 1;
  if (magnitude > 5000 || (magnitude == 5000 && quotient % 2 != 0)) quotient += step;
  return quotient;
}

// A literal's bits read in a width: sign-extended when signed, or false when it needs more bits.
bool bitsInWidth(std::uint64_t bits, int width, bool isSigned, std::int64_t* sOut, std::uint64_t* uOut) {
  if (width < 64 && (bits >> width) != 0) return false;
  if (isSigned) {
    if (width == 64) {
      *sOut = static_cast<std::int64_t>(bits);
    } else {
      std::uint64_t sign = 1ull << (width - 1);
      *sOut = static_cast<std::int64_t>((bits ^ sign) - sign);
    }
  } else {
    *uOut = bits;
  }
  return true;
}

// A literal's bits as the smallest signed type that holds them (16, 32 or 64 bits), as a
// script reads "&HFFFF" as -1.
std::int64_t bitsAsSmallestSigned(std::uint64_t bits) {
  std::int64_t value = 0;
  std::uint64_t unused = 0;
  if (bitsInWidth(bits, 16, true, &value, &unused)) return value;
  if (bitsInWidth(bits, 32, true, &value, &unused)) return value;
  return static_cast<std::int64_t>(bits);
}

HRESULT toSigned(const Number& n, std::int64_t low, std::int64_t high, int width, std::int64_t* out) {
  switch (n.kind) {
    case Number::Kind::Signed:
      if (n.s < low || n.s > high) return DISP_E_OVERFLOW;
      *out = n.s;
      return S_OK;
    case Number::Kind::Unsigned:
      if (n.u > static_cast<std::uint64_t>(high)) return DISP_E_OVERFLOW;
      *out = static_cast<std::int64_t>(n.u);
      return S_OK;
    case Number::Kind::Bits: {
      std::uint64_t unused = 0;
      return bitsInWidth(n.u, width, true, out, &unused) ? S_OK : DISP_E_OVERFLOW;
    }
    case Number::Kind::Currency:
      return toSigned(Number{Number::Kind::Signed, currencyToInteger(n.s), 0, 0}, low, high, width, out);
    case Number::Kind::Real: {
      if (!std::isfinite(n.r)) return DISP_E_OVERFLOW;
      double rounded = roundHalfEven(n.r);
      // high + 1.0 is exact or rounds up to 2^63, so the comparison is exact at every width.
      if (rounded < static_cast<double>(low) || rounded >= static_cast<double>(high) + 1.0) {
        return DISP_E_OVERFLOW;
      }
      *out = static_cast<std::int64_t>(rounded);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT toUnsigned(const Number& n, std::uint64_t high, int width, std::uint64_t* out) {
  switch (n.kind) {
    case Number::Kind::Signed:
      if (n.s < 0 || static_cast<std::uint64_t>(n.s) > high) return DISP_E_OVERFLOW;
      *out = static_cast<std::uint64_t>(n.s);
      return S_OK;
    case Number::Kind::Unsigned:
      if (n.u > high) return DISP_E_OVERFLOW;
      *out = n.u;
      return S_OK;
    case Number::Kind::Bits: {
      std::int64_t unused = 0;
      return bitsInWidth(n.u, width, false, &unused, out) ? S_OK : DISP_E_OVERFLOW;
    }
    case Number::Kind::Currency:
      return toUnsigned(Number{Number::Kind::Signed, currencyToInteger(n.s), 0, 0}, high, width, out);
    case Number::Kind::Real: {
      if (!std::isfinite(n.r)) return DISP_E_OVERFLOW;
      double rounded = roundHalfEven(n.r);
      if (rounded < 0.0 || rounded >= static_cast<double>(high) + 1.0) return DISP_E_OVERFLOW;
      *out = static_cast<std::uint64_t>(rounded);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

double toReal(const Number& n) {
  switch (n.kind) {
    case Number::Kind::Signed:
      return static_cast<double>(n.s);
    case Number::Kind::Unsigned:
      return static_cast<double>(n.u);
    case Number::Kind::Bits:
      return static_cast<double>(bitsAsSmallestSigned(n.u));
    case Number::Kind::Currency:
      return static_cast<double>(n.s) / 10000.0;
    case Number::Kind::Real:
      return n.r;
  }
  return 0;
}

constexpr std::int64_t kCurrencyWholeLimit = 922337203685477;  // INT64_MAX / 10000

HRESULT toCurrency(const Number& n, std::int64_t* out) {
  switch (n.kind) {
    case Number::Kind::Currency:
      *out = n.s;
      return S_OK;
    case Number::Kind::Signed:
    case Number::Kind::Bits: {
      std::int64_t whole = n.kind == Number::Kind::Signed ? n.s : bitsAsSmallestSigned(n.u);
      if (whole > kCurrencyWholeLimit || whole < -kCurrencyWholeLimit) return DISP_E_OVERFLOW;
      *out = whole * 10000;
      return S_OK;
    }
    case Number::Kind::Unsigned:
      if (n.u > static_cast<std::uint64_t>(kCurrencyWholeLimit)) return DISP_E_OVERFLOW;
      *out = static_cast<std::int64_t>(n.u) * 10000;
      return S_OK;
    case Number::Kind::Real: {
      if (!std::isfinite(n.r)) return DISP_E_OVERFLOW;
      double scaled = roundHalfEven(n.r * 10000.0);
      if (scaled < -9223372036854775808.0 || scaled >= 9223372036854775808.0) return DISP_E_OVERFLOW;
      *out = static_cast<std::int64_t>(scaled);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

bool isNonZero(const Number& n) {
  switch (n.kind) {
    case Number::Kind::Signed:
    case Number::Kind::Currency:
      return n.s != 0;
    case Number::Kind::Unsigned:
    case Number::Kind::Bits:
      return n.u != 0;
    case Number::Kind::Real:
      return n.r != 0.0;
  }
  return false;
}

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

// Dates: civil calendar <-> days since 1899-12-30. The time of a negative date is its
// fraction's magnitude, as automation dates count it.
constexpr double kDateMin = -657434.0;   // 0100-01-01
constexpr double kDateMax = 2958465.0;   // 9999-12-31
constexpr std::int64_t kEpochShift = 25569;  // days from 1899-12-30 to 1970-01-01

std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  unsigned yoe = static_cast<unsigned>(y - era * 400);
  unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468 + kEpochShift;
}

void civilFromDays(std::int64_t days, std::int64_t* y, unsigned* m, unsigned* d) {
  std::int64_t z = days - kEpochShift + 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2);
}

bool validDateRange(double date) { return date > kDateMin - 1.0 && date < kDateMax + 1.0; }

// "YYYY-MM-DD" when there is no time of day, "HH:MM:SS" when there is no day, else both.
BSTR formatDate(DATE date) {
  if (!validDateRange(date)) return nullptr;
  std::int64_t days = static_cast<std::int64_t>(date);  // toward zero
  double fraction = std::fabs(date - static_cast<double>(days));
  std::int64_t seconds = static_cast<std::int64_t>(std::floor(fraction * 86400.0 + 0.5));
  if (seconds >= 86400) {
    seconds -= 86400;
    days += date < 0 ? -1 : 1;
  }
  std::int64_t year = 0;
  unsigned month = 0, day = 0;
  civilFromDays(days, &year, &month, &day);
  char buffer[40];
  int length = 0;
  if (days != 0 || seconds == 0) {
    length = std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(year), month, day);
  }
  if (seconds != 0) {
    length += std::snprintf(buffer + length, sizeof buffer - static_cast<std::size_t>(length),
                            "%s%02d:%02d:%02d", length > 0 ? " " : "", static_cast<int>(seconds / 3600),
                            static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  }
  return wideFromAscii(buffer, static_cast<std::size_t>(length));
}

// Reads exactly `count` digits at *p.
bool readDigits(const char*& p, const char* end, int count, unsigned* value) {
  *value = 0;
  for (int i = 0; i < count; ++i, ++p) {
    if (p >= end || *p < '0' || *p > '9') return false;
    *value = *value * 10 + static_cast<unsigned>(*p - '0');
  }
  return true;
}

// "HH:MM" or "HH:MM:SS" as a fraction of a day.
bool parseTime(const char*& p, const char* end, double* fraction) {
  unsigned hour = 0, minute = 0, second = 0;
  if (!readDigits(p, end, 2, &hour) || p >= end || *p++ != ':' || !readDigits(p, end, 2, &minute)) {
    return false;
  }
  if (p < end && *p == ':') {
    ++p;
    if (!readDigits(p, end, 2, &second)) return false;
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  *fraction = static_cast<double>(hour * 3600 + minute * 60 + second) / 86400.0;
  return true;
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" (or with 'T'), or "HH:MM[:SS]".
HRESULT parseDate(BSTR text, DATE* out) {
  char buffer[64];
  std::size_t length = 0;
  if (!trimmedAscii(text, buffer, sizeof buffer, &length) || length == 0) return DISP_E_TYPEMISMATCH;
  const char* p = buffer;
  const char* end = buffer + length;
  double fraction = 0;
  if (length >= 3 && buffer[2] == ':') {
    if (!parseTime(p, end, &fraction) || p != end) return DISP_E_TYPEMISMATCH;
    *out = fraction;
    return S_OK;
  }
  unsigned year = 0, month = 0, day = 0;
  if (!readDigits(p, end, 4, &year) || p >= end || *p++ != '-' || !readDigits(p, end, 2, &month) ||
      p >= end || *p++ != '-' || !readDigits(p, end, 2, &day)) {
    return DISP_E_TYPEMISMATCH;
  }
  if (p < end) {
    if (*p != ' ' && *p != 'T') return DISP_E_TYPEMISMATCH;
    ++p;
    if (!parseTime(p, end, &fraction) || p != end) return DISP_E_TYPEMISMATCH;
  }
  if (year < 100 || month < 1 || month > 12 || day < 1) return DISP_E_TYPEMISMATCH;
  static const unsigned kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  unsigned monthDays = kMonthDays[month - 1] + ((month == 2 && leap) ? 1 : 0);
  if (day > monthDays) return DISP_E_TYPEMISMATCH;
  double days = static_cast<double>(daysFromCivil(year, month, day));
  *out = days < 0 ? days - fraction : days + fraction;
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Coercion

constexpr int kMaxValueDepth = 8;  // objects whose default value is an object, nested

HRESULT changeType(VARIANT* destination, const VARIANT* source, WORD flags, VARTYPE vt, int depth);

// A view of source one reference level down, borrowing its values; VT_BYREF|VT_VARIANT goes to
// the inner variant and, as oleaut32 does, through one more reference there.
HRESULT dereferenceView(const VARIANT* source, VARIANT* view) {
  if (!isByRef(source->vt)) {
    *view = *source;
    return S_OK;
  }
  if (source->byref == nullptr) return DISP_E_TYPEMISMATCH;
  VARTYPE base = baseType(source->vt);
  if (base == VT_VARIANT && !isArray(source->vt)) {
    const VARIANT* inner = source->pvarVal;
    if (inner->vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;
    if (FAILED(validateType(inner->vt))) return DISP_E_BADVARTYPE;
    return dereferenceView(inner, view);
  }
  view->vt = static_cast<VARTYPE>(source->vt & ~VT_BYREF);
  view->llVal = 0;
  if (isArray(source->vt)) {
    view->parray = *source->pparray;
    return S_OK;
  }
  ULONG size = valueSize(base);
  if (size == 0 || base == VT_VARIANT || base == VT_DECIMAL) return DISP_E_BADVARTYPE;
  std::memcpy(&view->llVal, source->byref, size);
  return S_OK;
}

// The number a scalar holds; source is dereferenced.
HRESULT readNumber(const VARIANT& v, Number* n) {
  switch (v.vt) {
    case VT_EMPTY:
      *n = Number{};
      return S_OK;
    case VT_I1:
      *n = Number{Number::Kind::Signed, static_cast<signed char>(v.cVal), 0, 0};
      return S_OK;
    case VT_I2:
      *n = Number{Number::Kind::Signed, v.iVal, 0, 0};
      return S_OK;
    case VT_BOOL:
      *n = Number{Number::Kind::Signed, v.boolVal, 0, 0};
      return S_OK;
    case VT_I4:
    case VT_INT:
      *n = Number{Number::Kind::Signed, v.lVal, 0, 0};
      return S_OK;
    case VT_I8:
      *n = Number{Number::Kind::Signed, v.llVal, 0, 0};
      return S_OK;
    case VT_UI1:
      *n = Number{Number::Kind::Unsigned, 0, v.bVal, 0};
      return S_OK;
    case VT_UI2:
      *n = Number{Number::Kind::Unsigned, 0, v.uiVal, 0};
      return S_OK;
    case VT_UI4:
    case VT_UINT:
      *n = Number{Number::Kind::Unsigned, 0, v.ulVal, 0};
      return S_OK;
    case VT_UI8:
      *n = Number{Number::Kind::Unsigned, 0, v.ullVal, 0};
      return S_OK;
    case VT_R4:
      *n = Number{Number::Kind::Real, 0, 0, v.fltVal};
      return S_OK;
    case VT_R8:
    case VT_DATE:
      *n = Number{Number::Kind::Real, 0, 0, v.dblVal};
      return S_OK;
    case VT_CY:
      *n = Number{Number::Kind::Currency, v.cyVal.int64, 0, 0};
      return S_OK;
    case VT_BSTR:
      return parseNumber(v.bstrVal, n);
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

// Stores n as a value of scalar type vt into out (whose vt the caller sets).
HRESULT writeNumber(const Number& n, VARTYPE vt, VARIANT* out) {
  std::int64_t s = 0;
  std::uint64_t u = 0;
  HRESULT hr = S_OK;
  switch (vt) {
    case VT_I1:
      if (SUCCEEDED(hr = toSigned(n, -128, 127, 8, &s))) out->cVal = static_cast<CHAR>(s);
      return hr;
    case VT_I2:
      if (SUCCEEDED(hr = toSigned(n, -32768, 32767, 16, &s))) out->iVal = static_cast<SHORT>(s);
      return hr;
    case VT_I4:
    case VT_INT:
      if (SUCCEEDED(hr = toSigned(n, INT32_MIN, INT32_MAX, 32, &s))) out->lVal = static_cast<LONG>(s);
      return hr;
    case VT_I8:
      if (SUCCEEDED(hr = toSigned(n, INT64_MIN, INT64_MAX, 64, &s))) out->llVal = s;
      return hr;
    case VT_UI1:
      if (SUCCEEDED(hr = toUnsigned(n, 0xFF, 8, &u))) out->bVal = static_cast<BYTE>(u);
      return hr;
    case VT_UI2:
      if (SUCCEEDED(hr = toUnsigned(n, 0xFFFF, 16, &u))) out->uiVal = static_cast<USHORT>(u);
      return hr;
    case VT_UI4:
    case VT_UINT:
      if (SUCCEEDED(hr = toUnsigned(n, 0xFFFFFFFFu, 32, &u))) out->ulVal = static_cast<ULONG>(u);
      return hr;
    case VT_UI8:
      if (SUCCEEDED(hr = toUnsigned(n, UINT64_MAX, 64, &u))) out->ullVal = u;
      return hr;
    case VT_R4: {
      double d = toReal(n);
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
      out->fltVal = static_cast<float>(d);
      return S_OK;
    }
    case VT_R8:
      out->dblVal = toReal(n);
      return S_OK;
    case VT_DATE: {
      double d = toReal(n);
      if (!validDateRange(d)) return DISP_E_OVERFLOW;
      out->date = d;
      return S_OK;
    }
    case VT_CY:
      return toCurrency(n, &out->cyVal.int64);
    case VT_BOOL:
      out->boolVal = isNonZero(n) ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT formatAsText(const VARIANT& v, WORD flags, BSTR* out) {
  switch (v.vt) {
    case VT_EMPTY:
      *out = SysAllocStringLen(nullptr, 0);
      break;
    case VT_BOOL:
      if ((flags & VARIANT_ALPHABOOL) != 0) {
        *out = SysAllocString(v.boolVal != 0 ? u"True" : u"False");
      } else {
        *out = formatSigned(v.boolVal);
      }
      break;
    case VT_R4:
      *out = formatReal(v.fltVal, 7);
      break;
    case VT_R8:
      *out = formatReal(v.dblVal, 15);
      break;
    case VT_DATE:
      if (!validDateRange(v.date)) return DISP_E_OVERFLOW;
      *out = formatDate(v.date);
      break;
    case VT_CY:
      *out = formatCurrency(v.cyVal.int64);
      break;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_UI8: {
      Number n;
      readNumber(v, &n);
      *out = n.kind == Number::Kind::Signed ? formatSigned(n.s) : formatUnsigned(n.u);
      break;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

// An object's default value: DISPID_VALUE read as property or method, with no arguments.
HRESULT coerceObjectValue(VARIANT* out, IDispatch* object, WORD flags, VARTYPE vt, int depth) {
  if ((flags & VARIANT_NOVALUEPROP) != 0 || object == nullptr || depth >= kMaxValueDepth) {
    return DISP_E_TYPEMISMATCH;
  }
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = object->Invoke(DISPID_VALUE, IID_NULL, 0x0800, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none,
                              &value, nullptr, nullptr);
  if (FAILED(hr)) {
    VariantClear(&value);
    return DISP_E_TYPEMISMATCH;
  }
  hr = changeType(out, &value, flags, vt, depth + 1);
  VariantClear(&value);
  return hr;
}

// Coerces the dereferenced source into out, which starts VT_EMPTY and is owned on success.
HRESULT coerce(VARIANT* out, const VARIANT& source, WORD flags, VARTYPE vt, int depth) {
  VARTYPE from = source.vt;
  if (from == vt) return VariantCopy(out, &source);
  if (isArray(from) || isArray(vt) || isByRef(vt)) return DISP_E_TYPEMISMATCH;

  if (vt == VT_EMPTY || vt == VT_NULL) {
    if (from == VT_NULL && vt == VT_EMPTY) return DISP_E_TYPEMISMATCH;
    if (from > VT_UINT || from == 15 || from == VT_ERROR) return DISP_E_TYPEMISMATCH;
    out->vt = vt;
    return S_OK;
  }
  if (from == VT_DISPATCH && vt != VT_UNKNOWN) {
    return coerceObjectValue(out, source.pdispVal, flags, vt, depth);
  }
  if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
    IUnknown* object = nullptr;
    if (from == VT_UNKNOWN || from == VT_DISPATCH) {
      if (source.punkVal != nullptr) {
        const IID& iid = vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
        void* found = nullptr;
        if (FAILED(source.punkVal->QueryInterface(iid, &found))) return DISP_E_TYPEMISMATCH;
        object = static_cast<IUnknown*>(found);
      }
    } else if (from != VT_EMPTY) {
      return DISP_E_TYPEMISMATCH;
    }
    out->vt = vt;
    out->punkVal = object;
    return S_OK;
  }

  if (vt == VT_BSTR) {
    BSTR text = nullptr;
    HRESULT hr = formatAsText(source, flags, &text);
    if (FAILED(hr)) return hr;
    out->vt = VT_BSTR;
    out->bstrVal = text;
    return S_OK;
  }
  if (from == VT_BSTR && vt == VT_BOOL) {
    char buffer[8];
    std::size_t length = 0;
    if (trimmedAscii(source.bstrVal, buffer, sizeof buffer, &length)) {
      if (equalsIgnoringCase(buffer, "True") || equalsIgnoringCase(buffer, "False")) {
        out->vt = VT_BOOL;
        out->boolVal = (buffer[0] == 'T' || buffer[0] == 't') ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
      }
    }
  }
  if (from == VT_BSTR && vt == VT_DATE) {
    DATE date = 0;
    HRESULT hr = parseDate(source.bstrVal, &date);
    if (FAILED(hr)) return hr;
    out->vt = VT_DATE;
    out->date = date;
    return S_OK;
  }

  Number n;
  HRESULT hr = readNumber(source, &n);
  if (FAILED(hr)) return hr;
  if (from == VT_BOOL) {
    // An unsigned type takes a boolean's bits, as oleaut32 does: VARIANT_TRUE is all ones.
    int width = vt == VT_UI1 ? 8 : vt == VT_UI2 ? 16 : (vt == VT_UI4 || vt == VT_UINT) ? 32 : vt == VT_UI8 ? 64 : 0;
    if (width != 0) {
      std::uint64_t bits = static_cast<std::uint64_t>(n.s);
      if (width < 64) bits &= (1ull << width) - 1;
      n = Number{Number::Kind::Unsigned, 0, bits, 0};
    }
  }
  VARIANT value;
  value.vt = vt;
  value.llVal = 0;
  hr = writeNumber(n, vt, &value);
  if (SUCCEEDED(hr)) *out = value;
  return hr;
}

HRESULT changeType(VARIANT* destination, const VARIANT* source, WORD flags, VARTYPE vt, int depth) {
  HRESULT hr = validateType(source->vt);
  if (FAILED(hr)) return hr;
  if (FAILED(validateType(vt))) return DISP_E_BADVARTYPE;
  VARIANT view;
  hr = dereferenceView(source, &view);
  if (FAILED(hr)) return hr == E_INVALIDARG ? DISP_E_TYPEMISMATCH : hr;
  VARIANT result;
  VariantInit(&result);
  hr = coerce(&result, view, flags, vt, depth);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  // The destination may be the source: it is released only now that the result is made.
  hr = VariantClear(destination);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *destination = result;
  return S_OK;
}

}  // namespace

// -----------------------------------------------------------------------------------------------
// VARIANT services

void VariantInit(VARIANT* v) {
  if (v != nullptr) v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
  if (v == nullptr) return E_INVALIDARG;
  HRESULT hr = validateType(v->vt);
  if (FAILED(hr)) return hr;
  if (!isByRef(v->vt)) {
    if (isArray(v->vt)) {
      // A locked array is reported but, as with oleaut32, the variant lets go of it anyway.
      hr = SafeArrayDestroy(v->parray);
    } else if (v->vt == VT_BSTR) {
      SysFreeString(v->bstrVal);
    } else if (v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) {
      if (v->punkVal != nullptr) v->punkVal->Release();
    }
  }
  v->vt = VT_EMPTY;
  return hr;
}

HRESULT VariantCopy(VARIANT* destination, const VARIANT* source) {
  if (destination == nullptr || source == nullptr) return E_INVALIDARG;
  HRESULT hr = validateType(source->vt);
  if (FAILED(hr)) return hr;
  if (destination == source) return S_OK;
  hr = VariantClear(destination);
  if (FAILED(hr)) return hr;
  *destination = *source;
  if (isByRef(source->vt)) return S_OK;
  if (isArray(source->vt)) {
    destination->parray = nullptr;
    hr = SafeArrayCopy(source->parray, &destination->parray);
  } else if (source->vt == VT_BSTR) {
    destination->bstrVal = copyBstr(source->bstrVal);
    if (source->bstrVal != nullptr && destination->bstrVal == nullptr) hr = E_OUTOFMEMORY;
  } else if (source->vt == VT_DISPATCH || source->vt == VT_UNKNOWN) {
    if (source->punkVal != nullptr) source->punkVal->AddRef();
  }
  if (FAILED(hr)) destination->vt = VT_EMPTY;
  return hr;
}

HRESULT VariantCopyInd(VARIANT* destination, const VARIANT* source) {
  if (destination == nullptr || source == nullptr) return E_INVALIDARG;
  HRESULT hr = validateType(source->vt);
  if (FAILED(hr)) return hr;
  if (!isByRef(source->vt)) return VariantCopy(destination, source);
  if (source->byref == nullptr) return E_INVALIDARG;

  // The source may be the destination: work from a copy of its reference.
  VARIANT reference = *source;
  if (destination == source) {
    destination->vt = VT_EMPTY;
  } else {
    hr = VariantClear(destination);
    if (FAILED(hr)) return hr;
  }
  VARTYPE base = baseType(reference.vt);
  if (base == VT_VARIANT && !isArray(reference.vt)) {
    const VARIANT* inner = reference.pvarVal;
    if (inner->vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;  // one level only
    return VariantCopyInd(destination, inner);
  }
  VARIANT result;
  result.vt = static_cast<VARTYPE>(reference.vt & ~VT_BYREF);
  result.llVal = 0;
  if (isArray(reference.vt)) {
    hr = SafeArrayCopy(*reference.pparray, &result.parray);
  } else if (base == VT_BSTR) {
    result.bstrVal = copyBstr(*reference.pbstrVal);
    if (*reference.pbstrVal != nullptr && result.bstrVal == nullptr) hr = E_OUTOFMEMORY;
  } else if (base == VT_DISPATCH || base == VT_UNKNOWN) {
    result.punkVal = *reference.ppunkVal;
    if (result.punkVal != nullptr) result.punkVal->AddRef();
  } else {
    ULONG size = valueSize(base);
    if (size == 0 || base == VT_DECIMAL) return DISP_E_BADVARTYPE;
    std::memcpy(&result.llVal, reference.byref, size);
  }
  if (FAILED(hr)) return hr;
  *destination = result;
  return S_OK;
}

HRESULT VariantChangeType(VARIANT* destination, const VARIANT* source, WORD flags, VARTYPE vt) {
  if (destination == nullptr || source == nullptr) return E_INVALIDARG;
  return changeType(destination, source, flags, vt, 0);
}

// -----------------------------------------------------------------------------------------------
// SAFEARRAY services

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
  ULONG size = valueSize(vt);
  if (size == 0) return nullptr;
  SAFEARRAY* array = allocateArray(1, static_cast<std::uint64_t>(size) * elements);
  if (array == nullptr) return nullptr;
  array->fFeatures = static_cast<USHORT>(featuresFor(vt) | FADF_CREATEVECTOR);
  array->cbElements = size;
  array->rgsabound[0].cElements = elements;
  array->rgsabound[0].lLbound = lowerBound;
  if (vt == VT_DISPATCH) {
    *hiddenIid(array) = IID_IDispatch;
  } else if (vt == VT_UNKNOWN) {
    *hiddenIid(array) = IID_IUnknown;
  } else {
    *hiddenVartype(array) = vt;
  }
  return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  clearElements(array);
  if ((array->fFeatures & kCallerOwned) == 0) freeArrayBlock(array);
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value) {
  if (array == nullptr || indices == nullptr || value == nullptr) return E_INVALIDARG;
  if (array->cDims == 0 || array->pvData == nullptr) return DISP_E_BADINDEX;
  // indices[0] is the first dimension, whose bound is stored last; it varies fastest.
  SAFEARRAYBOUND* bounds = boundsOf(array);
  std::uint64_t offset = 0;
  std::uint64_t stride = 1;
  for (USHORT d = 0; d < array->cDims; ++d) {
    const SAFEARRAYBOUND& bound = bounds[array->cDims - 1 - d];
    std::int64_t position = static_cast<std::int64_t>(indices[d]) - bound.lLbound;
    if (position < 0 || position >= static_cast<std::int64_t>(bound.cElements)) return DISP_E_BADINDEX;
    offset += static_cast<std::uint64_t>(position) * stride;
    stride *= bound.cElements;
  }
  const char* element = static_cast<const char*>(array->pvData) + offset * array->cbElements;
  ++array->cLocks;
  HRESULT hr = copyElement(array->fFeatures, array->cbElements, element, value);
  --array->cLocks;
  return hr;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
  if (array == nullptr || data == nullptr) return E_INVALIDARG;
  if (array->cLocks == 0xFFFF) return E_UNEXPECTED;
  ++array->cLocks;
  *data = array->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
  if (array == nullptr) return E_INVALIDARG;
  if (array->cLocks == 0) return E_UNEXPECTED;
  --array->cLocks;
  return S_OK;
}

// Dimensions count from 1, the first being stored last.
HRESULT SafeArrayGetLBound(SAFEARRAY* array, std::uint32_t dimension, LONG* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dimension == 0 || dimension > array->cDims) return DISP_E_BADINDEX;
  *bound = boundsOf(array)[array->cDims - dimension].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, std::uint32_t dimension, LONG* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dimension == 0 || dimension > array->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = boundsOf(array)[array->cDims - dimension];
  *bound = static_cast<LONG>(static_cast<std::int64_t>(b.lLbound) + b.cElements - 1);
  return S_OK;
}

std::uint32_t SafeArrayGetDim(SAFEARRAY* array) { return array == nullptr ? 0 : array->cDims; }

std::uint32_t SafeArrayGetElemsize(SAFEARRAY* array) { return array == nullptr ? 0 : array->cbElements; }

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
  if (array == nullptr || vt == nullptr) return E_INVALIDARG;
  if ((array->fFeatures & FADF_HAVEIID) != 0) {
    *vt = (array->fFeatures & FADF_DISPATCH) != 0 ? VT_DISPATCH : VT_UNKNOWN;
  } else if ((array->fFeatures & FADF_HAVEVARTYPE) != 0) {
    *vt = static_cast<VARTYPE>(*hiddenVartype(array));
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy) {
  if (copy == nullptr) return E_INVALIDARG;
  *copy = nullptr;
  if (source == nullptr) return S_OK;
  if (source->cbElements == 0) return E_INVALIDARG;
  std::uint64_t count = 0;
  if (!elementCount(source, &count)) return E_OUTOFMEMORY;
  SAFEARRAY* array = allocateArray(source->cDims, count * source->cbElements);
  if (array == nullptr) return E_OUTOFMEMORY;
  array->fFeatures = static_cast<USHORT>(source->fFeatures & ~(kCallerOwned | FADF_FIXEDSIZE));
  array->cbElements = source->cbElements;
  std::memcpy(boundsOf(array), boundsOf(source), sizeof(SAFEARRAYBOUND) * source->cDims);
  if ((source->fFeatures & (FADF_HAVEIID | FADF_HAVEVARTYPE)) != 0) {
    std::memcpy(hiddenIid(array), hiddenIid(source), sizeof(GUID));
  }
  const char* from = static_cast<const char*>(source->pvData);
  char* to = static_cast<char*>(array->pvData);
  for (std::uint64_t i = 0; i < count && from != nullptr; ++i) {
    HRESULT hr = copyElement(source->fFeatures, source->cbElements, from + i * source->cbElements,
                             to + i * source->cbElements);
    if (FAILED(hr)) {
      SafeArrayDestroy(array);
      return hr;
    }
  }
  *copy = array;
  return S_OK;
}

#endif  // !_WIN32
