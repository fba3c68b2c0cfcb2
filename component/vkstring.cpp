#include "component/vkstring.h"

#include "text/xstring.h"

namespace vk {
namespace {

// A wide-string argument as a temporary text value: a null string behaves as an empty one,
// and embedded zero units are kept.
XString argumentValue(BSTR text) {
  XString value;
  value.setFromBstr(text);
  return value;
}

}  // namespace

VkString::VkString() = default;
VkString::~VkString() = default;

HRESULT VkString::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IVkString || riid == IID_IDispatch || riid == IID_IUnknown) {
    *object = static_cast<IVkString*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG VkString::AddRef() { return ++refCount_; }

ULONG VkString::Release() {
  ULONG remaining = --refCount_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT VkString::get_Str(BSTR* pVal) {
  if (pVal != nullptr) *pVal = value_.toWideString();
  return S_OK;
}

HRESULT VkString::put_Str(BSTR newVal) {
  value_.setFromBstr(newVal);
  return S_OK;
}

HRESULT VkString::Append(BSTR Str) {
  XString argument = argumentValue(Str);
  value_.appendValue(argument);
  return S_OK;
}

// The argument comes first: the value is appended to the argument, then the result replaces
// the value.
HRESULT VkString::Prepend(BSTR Str) {
  XString combined = argumentValue(Str);
  combined.appendValue(value_);
  value_.clear();
  value_.appendValue(combined);
  return S_OK;
}

HRESULT VkString::Clear() {
  value_.clear();
  return S_OK;
}

HRESULT VkString::Length(LONG* Length) {
  if (Length != nullptr) *Length = value_.length();
  return S_OK;
}

}  // namespace vk
