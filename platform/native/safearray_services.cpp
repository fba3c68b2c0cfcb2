// Native SAFEARRAY services with oleaut32's documented behaviour, for the platforms that have
// no oleaut32. The storage layout is described in safearray_storage.cpp.
#include "platform/native/automation_internal.h"

#ifndef _WIN32
#include <cstring>

using namespace vk::platform::automation;

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
