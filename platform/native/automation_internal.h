// What the native automation services share between their files: the VARIANT types and their
// sizes, the SAFEARRAY block layout, the common number form of coercions, and the text and date
// parsing and formatting they go through. Internal to platform/native/.
#pragma once

#include "platform/automation.h"

#ifndef _WIN32
#include <cstddef>
#include <cstdint>

namespace vk::platform::automation {

// ---------------------------------------------------------------------------------------------
// Types

constexpr VARTYPE kBaseMask = VT_TYPEMASK;
constexpr VARTYPE kVtVector = 0x1000;
constexpr VARTYPE kVtReserved = 0x8000;

inline VARTYPE baseType(VARTYPE vt) { return static_cast<VARTYPE>(vt & kBaseMask); }
inline bool isByRef(VARTYPE vt) { return (vt & VT_BYREF) != 0; }
inline bool isArray(VARTYPE vt) { return (vt & VT_ARRAY) != 0; }

// The types a VARIANT may carry: the scalar types up to VT_UINT except the unused 15, alone or
// with VT_BYREF and/or VT_ARRAY (but VT_EMPTY and VT_NULL only alone).
inline HRESULT validateType(VARTYPE vt) {
  VARTYPE base = baseType(vt);
  if ((vt & (kVtVector | kVtReserved)) != 0) return DISP_E_BADVARTYPE;
  if (base > VT_UINT || base == 15) return DISP_E_BADVARTYPE;
  if ((vt & (VT_BYREF | VT_ARRAY)) != 0 && base <= VT_NULL) return DISP_E_BADVARTYPE;
  return S_OK;
}

// Bytes of one value of a scalar type, 0 for types that cannot be array elements.
inline ULONG valueSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR: return 4;
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_I8:
    case VT_UI8: return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN: return sizeof(void*);
    case VT_VARIANT: return sizeof(VARIANT);
    case VT_DECIMAL: return sizeof(DECIMAL);
    default: return 0;
  }
}

inline BSTR copyBstr(BSTR s) { return s == nullptr ? nullptr : SysAllocStringLen(s, SysStringLen(s)); }

// ---------------------------------------------------------------------------------------------
// SAFEARRAY storage (safearray_storage.cpp)

// Descriptors with these flags belong to whoever made them: destroying frees nothing.
constexpr USHORT kCallerOwned = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;

SAFEARRAYBOUND* boundsOf(SAFEARRAY* array);
std::size_t descriptorBytes(USHORT dims);
bool elementCount(SAFEARRAY* array, std::uint64_t* count);
DWORD* hiddenVartype(SAFEARRAY* array);
GUID* hiddenIid(SAFEARRAY* array);
USHORT featuresFor(VARTYPE vt);
SAFEARRAY* allocateArray(USHORT dims, std::uint64_t dataBytes);
void freeArrayBlock(SAFEARRAY* array);
void clearElements(SAFEARRAY* array);
HRESULT copyElement(USHORT features, ULONG size, const void* source, void* destination);

// ---------------------------------------------------------------------------------------------
// Numbers: the common form through which scalar coercions pass (automation_numbers.cpp).

struct Number {
  enum class Kind { Signed, Unsigned, Real, Currency, Bits } kind = Kind::Signed;
  std::int64_t s = 0;   // Signed, and Currency (scaled by 10000)
  std::uint64_t u = 0;  // Unsigned, and Bits (a hexadecimal or octal literal)
  double r = 0;         // Real
};

double roundHalfEven(double x);
std::int64_t currencyToInteger(std::int64_t cy);
bool bitsInWidth(std::uint64_t bits, int width, bool isSigned, std::int64_t* sOut, std::uint64_t* uOut);
std::int64_t bitsAsSmallestSigned(std::uint64_t bits);
HRESULT toSigned(const Number& n, std::int64_t low, std::int64_t high, int width, std::int64_t* out);
HRESULT toUnsigned(const Number& n, std::uint64_t high, int width, std::uint64_t* out);
double toReal(const Number& n);
HRESULT toCurrency(const Number& n, std::int64_t* out);
bool isNonZero(const Number& n);

// ---------------------------------------------------------------------------------------------
// Text: parsing and formatting numbers (automation_text.cpp)

bool isSpace(char16_t c);
bool trimmedAscii(BSTR text, char* out, std::size_t capacity, std::size_t* length);
bool equalsIgnoringCase(const char* a, const char* b);
int digitValue(char c);
HRESULT parseRadixLiteral(const char* text, std::size_t length, Number* out);
HRESULT parseNumber(BSTR text, Number* out);
BSTR wideFromAscii(const char* text, std::size_t length);
BSTR formatSigned(std::int64_t value);
BSTR formatUnsigned(std::uint64_t value);
BSTR formatReal(double value, int precision);
BSTR formatCurrency(std::int64_t cy);

// ---------------------------------------------------------------------------------------------
// Dates: calendar arithmetic and date text (automation_dates.cpp)

std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d);
void civilFromDays(std::int64_t days, std::int64_t* y, unsigned* m, unsigned* d);
bool validDateRange(double date);
BSTR formatDate(DATE date);
bool readDigits(const char*& p, const char* end, int count, unsigned* value);
bool parseTime(const char*& p, const char* end, double* fraction);
HRESULT parseDate(BSTR text, DATE* out);

// ---------------------------------------------------------------------------------------------
// Coercion (variant_coercion.cpp)

HRESULT dereferenceView(const VARIANT* source, VARIANT* view);
HRESULT readNumber(const VARIANT& v, Number* n);
HRESULT writeNumber(const Number& n, VARTYPE vt, VARIANT* out);
HRESULT formatAsText(const VARIANT& v, WORD flags, BSTR* out);
HRESULT coerceObjectValue(VARIANT* out, IDispatch* object, WORD flags, VARTYPE vt, int depth);
HRESULT coerce(VARIANT* out, const VARIANT& source, WORD flags, VARTYPE vt, int depth);
HRESULT changeType(VARIANT* destination, const VARIANT* source, WORD flags, VARTYPE vt, int depth);

}  // namespace vk::platform::automation

#endif  // !_WIN32
