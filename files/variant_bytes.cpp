// Bytes in and out of automation VARIANTs: the bytes a VARIANT carries are appended to a
// DataBuffer by its type, and a DataBuffer is handed out as a byte array (VT_ARRAY | VT_UI1,
// lower bound 0).
//
// Values that hold other values (arrays of VARIANTs, references, objects whose default value
// is asked for) are followed to a depth of kMaxDepth; anything deeper contributes nothing, so
// a value that refers to itself, directly or through an object, cannot recurse without end.
#include <cstring>

#include "platform/automation.h"
#include "text/data_buffer.h"
#include "platform/fatal.h"

namespace vk {
namespace {

constexpr int kMaxDepth = 16;
constexpr VARTYPE kVariantArrayByRef = VT_BYREF | VT_ARRAY | VT_VARIANT;
// The locale an object's default value is asked in (LOCALE_SYSTEM_DEFAULT).
constexpr LCID kSystemDefaultLocale = 0x800;
// The most bytes one array may contribute; a DataBuffer counts in 32 bits.
constexpr std::uint64_t kMaxArrayBytes = 0x7FFFFFFFu;

void appendAt(DataBuffer& out, const VARIANT& value, int depth);

// Elements in all dimensions of an array, 0 when it has no dimensions.
std::uint64_t elementCount(const SAFEARRAY* array) {
  if (array->cDims == 0) return 0;
  std::uint64_t total = 1;
  for (USHORT d = 0; d < array->cDims; ++d) {
    total *= array->rgsabound[d].cElements;
    if (total > kMaxArrayBytes) return kMaxArrayBytes + 1;
  }
  return total;
}

void appendLittleEndian(DataBuffer& out, std::uint64_t value, int bytes) {
  std::uint8_t data[8];
  for (int i = 0; i < bytes; ++i) data[i] = static_cast<std::uint8_t>(value >> (8 * i));
  out.append(data, static_cast<std::size_t>(bytes));
}

// Each UTF-16 unit as two bytes, little-endian; embedded zero units count.
void appendString(DataBuffer& out, BSTR text) {
  std::uint32_t units = SysStringLen(text);
  if (units == 0) return;
  std::uint32_t start = out.length();
  std::uint64_t end = std::uint64_t{start} + std::uint64_t{units} * 2;
  if (end > UINT32_MAX) capacityExceeded("DataBuffer size exceeds 32 bits");
  out.ensureCapacity(static_cast<std::uint32_t>(end));
  out.setLength(static_cast<std::uint32_t>(end));
  std::uint8_t* p = out.data() + start;
  for (std::uint32_t i = 0; i < units; ++i) {
    p[2 * i] = static_cast<std::uint8_t>(text[i]);
    p[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
}

// The elements of an array of VARIANTs in storage order, all dimensions. Storage whose element
// size is not that of a VARIANT is not read as VARIANTs.
void appendStoredVariants(DataBuffer& out, SAFEARRAY* array, int depth) {
  if (array == nullptr || array->cbElements == 0 || array->cDims == 0) return;
  if (array->cbElements != sizeof(VARIANT)) return;
  std::uint64_t count = elementCount(array);
  if (count == 0 || count * sizeof(VARIANT) > kMaxArrayBytes) return;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return;
  if (data != nullptr) {
    const VARIANT* items = static_cast<const VARIANT*>(data);
    for (std::uint64_t i = 0; i < count; ++i) appendAt(out, items[i], depth + 1);
  }
  SafeArrayUnaccessData(array);
}

void appendArray(DataBuffer& out, SAFEARRAY* array, int depth) {
  if (array == nullptr || array->cbElements == 0 || array->cDims == 0) return;
  if ((array->fFeatures & FADF_VARIANT) != 0) {
    // Elements are read as whole VARIANTs; storage sized otherwise would be read past (and its
    // bytes taken for type tags and pointers), so it contributes nothing.
    if (array->cbElements != sizeof(VARIANT)) return;
    if (array->cDims != 1) {
      // Elements of several dimensions in storage order; the raw VARIANT records (type tags
      // and pointers) are never taken as bytes.
      appendStoredVariants(out, array, depth);
      return;
    }
    LONG lower = array->rgsabound[0].lLbound;
    std::uint32_t count = array->rgsabound[0].cElements;
    for (std::uint32_t i = 0; i < count; ++i) {
      LONG index = static_cast<LONG>(static_cast<std::int64_t>(lower) + i);
      VARIANT element;
      VariantInit(&element);
      if (SUCCEEDED(SafeArrayGetElement(array, &index, &element))) appendAt(out, element, depth + 1);
      VariantClear(&element);  // the element is a copy
    }
    return;
  }
  std::uint64_t bytes = elementCount(array) * array->cbElements;
  if (bytes == 0 || bytes > kMaxArrayBytes) return;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return;
  if (data != nullptr) out.append(data, static_cast<std::size_t>(bytes));
  SafeArrayUnaccessData(array);
}

// The object's default value: member 0 asked for as a method or a property, no arguments.
void appendDefaultValue(DataBuffer& out, IDispatch* object, int depth) {
  if (object == nullptr) return;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = object->Invoke(DISPID_VALUE, IID_NULL, kSystemDefaultLocale,
                              DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
  if (SUCCEEDED(hr)) appendAt(out, result, depth + 1);
  VariantClear(&result);
}

void appendAt(DataBuffer& out, const VARIANT& given, int depth) {
  if (depth > kMaxDepth) return;
  if (given.vt == kVariantArrayByRef) {
    if (given.pparray != nullptr) appendStoredVariants(out, *given.pparray, depth);
    return;
  }

  // One level of reference is followed in place.
  VARIANT value = given;
  if (given.vt == (VT_BYREF | VT_VARIANT)) {
    if (given.pvarVal != nullptr) value = *given.pvarVal;
  } else if (given.vt == (VT_BYREF | VT_DISPATCH)) {
    if (given.ppdispVal != nullptr) {
      value.vt = VT_DISPATCH;
      value.pdispVal = *given.ppdispVal;
    }
  }

  VARTYPE vt = value.vt;
  if ((vt & VT_BYREF) != 0) {
    if (vt == (VT_BYREF | VT_BSTR)) {
      if (value.pbstrVal != nullptr) appendString(out, *value.pbstrVal);
    } else if ((vt & VT_ARRAY) != 0) {
      if (value.pparray != nullptr) appendArray(out, *value.pparray, depth);
    }
    return;
  }
  if ((vt & VT_ARRAY) != 0) {
    appendArray(out, value.parray, depth);
    return;
  }
  switch (vt) {
    case VT_I2:
    case VT_UI2: appendLittleEndian(out, value.uiVal, 2); break;
    case VT_I4:
    case VT_UI4: appendLittleEndian(out, value.ulVal, 4); break;
    case VT_BSTR: appendString(out, value.bstrVal); break;
    case VT_BOOL: out.appendByte(static_cast<std::uint8_t>(value.boolVal & 0xFF)); break;
    case VT_I1:
    case VT_UI1: out.appendByte(value.bVal); break;
    case VT_DISPATCH: appendDefaultValue(out, value.pdispVal, depth); break;
    default: break;
  }
}

}  // namespace

void DataBuffer::appendVariant(const VARIANT& value) {
  checkAlive();
  appendAt(*this, value, 0);
}

void DataBuffer::toByteArrayVariant(VARIANT* out) const {
  checkAlive();
  if (out == nullptr) return;
  VariantInit(out);
  if (length_ == 0) {
    out->vt = VT_NULL;
    out->llVal = 0;
    return;
  }
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, length_);
  if (array == nullptr) capacityExceeded("out of memory");
  void* data = nullptr;
  if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
    std::memcpy(data, data_, length_);
    SafeArrayUnaccessData(array);
  }
  out->vt = VT_ARRAY | VT_UI1;
  out->parray = array;
}

}  // namespace vk
