#include "component/vkstring.h"

#include "component/member_arguments.h"
#include "component/module.h"
#include "text/xstring.h"

namespace vk {

// Each live object holds one module lock, so the module is not unloaded under it.
VkString::VkString(IUnknown* outer)
    : outer_(outer != nullptr ? outer : &inner_), aggregated_(outer != nullptr) {
  Module::instance().lock();
}

VkString::~VkString() { Module::instance().unlock(); }

HRESULT VkString::QueryInterface(REFIID riid, void** object) { return outer_->QueryInterface(riid, object); }
ULONG VkString::AddRef() { return outer_->AddRef(); }
ULONG VkString::Release() { return outer_->Release(); }

HRESULT VkString::InnerUnknown::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown) {
    // Aggregated, the inner object's identity is this non-delegating IUnknown; standing
    // alone, IVkString is also its IUnknown.
    *object = owner_->aggregated_ ? static_cast<IUnknown*>(this)
                                  : static_cast<IUnknown*>(static_cast<IVkString*>(owner_));
  } else if (riid == IID_IVkString || riid == IID_IDispatch) {
    *object = static_cast<IVkString*>(owner_);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(*object)->AddRef();
  return S_OK;
}

ULONG VkString::InnerUnknown::AddRef() { return ++owner_->refCount_; }

ULONG VkString::InnerUnknown::Release() {
  ULONG remaining = --owner_->refCount_;
  if (remaining == 0) delete owner_;
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
