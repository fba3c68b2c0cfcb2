// Number conversions between the scalar types of coercion.
#include "platform/native/automation_internal.h"

#ifndef _WIN32
#include <cmath>
#include <limits>

namespace vk::platform::automation {

// ---------------------------------------------------------------------------------------------
// Numbers: the common form through which scalar coercions pass.

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
    case Number::Kind::Signed: return static_cast<double>(n.s);
    case Number::Kind::Unsigned: return static_cast<double>(n.u);
    case Number::Kind::Bits: return static_cast<double>(bitsAsSmallestSigned(n.u));
    case Number::Kind::Currency: return static_cast<double>(n.s) / 10000.0;
    case Number::Kind::Real: return n.r;
  }
  return 0;
}

constexpr std::int64_t kCurrencyWholeLimit = 922337203685477;  // INT64_MAX / 10000

HRESULT toCurrency(const Number& n, std::int64_t* out) {
  switch (n.kind) {
    case Number::Kind::Currency: *out = n.s; return S_OK;
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
    case Number::Kind::Currency: return n.s != 0;
    case Number::Kind::Unsigned:
    case Number::Kind::Bits: return n.u != 0;
    case Number::Kind::Real: return n.r != 0.0;
  }
  return false;
}

}  // namespace vk::platform::automation

#endif  // !_WIN32
