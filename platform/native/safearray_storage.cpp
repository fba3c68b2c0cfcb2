// SAFEARRAY storage: the one block holding prefix, descriptor and elements.
//
// Arrays are laid out as oleaut32 lays them out: a 16-byte prefix (the element interface's IID,
// or the element VARTYPE in its last four bytes), then the descriptor with its bounds, then the
// elements, all in one block. Bounds are stored last dimension first, and an element's offset
// counts the first index fastest. Descriptors marked FADF_AUTO, FADF_STATIC or FADF_EMBEDDED
// belong to whoever made them: destroying such an array clears its elements but frees nothing.
#include "platform/native/automation_internal.h"

#ifndef _WIN32
#include <cstdlib>
#include <cstring>

namespace vk::platform::automation {

// ---------------------------------------------------------------------------------------------
// SAFEARRAY storage

constexpr std::size_t kPrefixBytes = 16;

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
    case VT_BSTR: return FADF_BSTR | FADF_HAVEVARTYPE;
    case VT_VARIANT: return FADF_VARIANT | FADF_HAVEVARTYPE;
    case VT_UNKNOWN: return FADF_UNKNOWN | FADF_HAVEIID;
    case VT_DISPATCH: return FADF_DISPATCH | FADF_HAVEIID;
    default: return FADF_HAVEVARTYPE;
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

}  // namespace vk::platform::automation

#endif  // !_WIN32
