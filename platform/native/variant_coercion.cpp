// Coercion between VARIANT types (VariantChangeType), through the common number form and text.
//
// Coercions are locale-neutral: '.' is the decimal separator, there are no thousands
// separators, and dates travel as ISO-like text ("2023-03-15 12:30:00").
#include "platform/native/automation_internal.h"

#ifndef _WIN32
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace vk::platform::automation {

// ---------------------------------------------------------------------------------------------
// Coercion

constexpr int kMaxValueDepth = 8;  // objects whose default value is an object, nested

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
    case VT_EMPTY: *n = Number{}; return S_OK;
    case VT_I1: *n = Number{Number::Kind::Signed, static_cast<signed char>(v.cVal), 0, 0}; return S_OK;
    case VT_I2: *n = Number{Number::Kind::Signed, v.iVal, 0, 0}; return S_OK;
    case VT_BOOL: *n = Number{Number::Kind::Signed, v.boolVal, 0, 0}; return S_OK;
    case VT_I4:
    case VT_INT: *n = Number{Number::Kind::Signed, v.lVal, 0, 0}; return S_OK;
    case VT_I8: *n = Number{Number::Kind::Signed, v.llVal, 0, 0}; return S_OK;
    case VT_UI1: *n = Number{Number::Kind::Unsigned, 0, v.bVal, 0}; return S_OK;
    case VT_UI2: *n = Number{Number::Kind::Unsigned, 0, v.uiVal, 0}; return S_OK;
    case VT_UI4:
    case VT_UINT: *n = Number{Number::Kind::Unsigned, 0, v.ulVal, 0}; return S_OK;
    case VT_UI8: *n = Number{Number::Kind::Unsigned, 0, v.ullVal, 0}; return S_OK;
    case VT_R4: *n = Number{Number::Kind::Real, 0, 0, v.fltVal}; return S_OK;
    case VT_R8:
    case VT_DATE: *n = Number{Number::Kind::Real, 0, 0, v.dblVal}; return S_OK;
    case VT_CY: *n = Number{Number::Kind::Currency, v.cyVal.int64, 0, 0}; return S_OK;
    case VT_BSTR: return parseNumber(v.bstrVal, n);
    default: return DISP_E_TYPEMISMATCH;
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
    case VT_R8: out->dblVal = toReal(n); return S_OK;
    case VT_DATE: {
      double d = toReal(n);
      if (!validDateRange(d)) return DISP_E_OVERFLOW;
      out->date = d;
      return S_OK;
    }
    case VT_CY: return toCurrency(n, &out->cyVal.int64);
    case VT_BOOL: out->boolVal = isNonZero(n) ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    default: return DISP_E_TYPEMISMATCH;
  }
}

HRESULT formatAsText(const VARIANT& v, WORD flags, BSTR* out) {
  switch (v.vt) {
    case VT_EMPTY: *out = SysAllocStringLen(nullptr, 0); break;
    case VT_BOOL:
      if ((flags & VARIANT_ALPHABOOL) != 0) {
        *out = SysAllocString(v.boolVal != 0 ? u"True" : u"False");
      } else {
        *out = formatSigned(v.boolVal);
      }
      break;
    case VT_R4: *out = formatReal(v.fltVal, 7); break;
    case VT_R8: *out = formatReal(v.dblVal, 15); break;
    case VT_DATE:
      if (!validDateRange(v.date)) return DISP_E_OVERFLOW;
      *out = formatDate(v.date);
      break;
    case VT_CY: *out = formatCurrency(v.cyVal.int64); break;
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
    default: return DISP_E_TYPEMISMATCH;
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
    int width = vt == VT_UI1                      ? 8
                : vt == VT_UI2                    ? 16
                : (vt == VT_UI4 || vt == VT_UINT) ? 32
                : vt == VT_UI8                    ? 64
                                                  : 0;
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

}  // namespace vk::platform::automation

#endif  // !_WIN32
