// Native VARIANT services with oleaut32's documented behaviour, for the platforms that have
// no oleaut32.
#include "platform/native/automation_internal.h"

#ifndef _WIN32
#include <cstring>

using namespace vk::platform::automation;

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

#endif  // !_WIN32
