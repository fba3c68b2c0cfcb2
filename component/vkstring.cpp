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

// A container normally lets go of the object's sites before the last release; whatever it left
// is released here.
VkString::~VkString() {
  releaseControlState();
  Module::instance().unlock();
}

HRESULT VkString::QueryInterface(REFIID riid, void** object) { return outer_->QueryInterface(riid, object); }
ULONG VkString::AddRef() { return outer_->AddRef(); }
ULONG VkString::Release() { return outer_->Release(); }

HRESULT VkString::InnerUnknown::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  VkString* o = owner_;
  if (riid == IID_IUnknown) {
    // Aggregated, the inner object's identity is this non-delegating IUnknown; standing
    // alone, IVkString is also its IUnknown.
    *object =
        o->aggregated_ ? static_cast<IUnknown*>(this) : static_cast<IUnknown*>(static_cast<IVkString*>(o));
  } else if (riid == IID_IVkString || riid == IID_IDispatch) {
    *object = static_cast<IVkString*>(o);
  } else if (riid == IID_IViewObjectEx || riid == IID_IViewObject2 || riid == IID_IViewObject) {
    *object = static_cast<IViewObjectEx*>(o);
  } else if (riid == IID_IOleInPlaceObjectWindowless || riid == IID_IOleInPlaceObject ||
             riid == IID_IOleWindow) {
    // IOleWindow is reached through the first of the two interfaces that derive from it.
    *object = static_cast<IOleInPlaceObjectWindowless*>(o);
  } else if (riid == IID_IOleInPlaceActiveObject) {
    *object = static_cast<IOleInPlaceActiveObject*>(o);
  } else if (riid == IID_IOleControl) {
    *object = static_cast<IOleControl*>(o);
  } else if (riid == IID_IOleObject) {
    *object = static_cast<IOleObject*>(o);
  } else if (riid == IID_IPersistStreamInit || riid == IID_IPersist) {
    *object = static_cast<IPersistStreamInit*>(o);
  } else if (riid == IID_ISpecifyPropertyPages) {
    *object = static_cast<ISpecifyPropertyPages*>(o);
  } else if (riid == IID_IQuickActivate) {
    *object = static_cast<IQuickActivate*>(o);
  } else if (riid == IID_IPersistStorage) {
    *object = static_cast<IPersistStorage*>(o);
  } else if (riid == IID_IDataObject) {
    *object = static_cast<IDataObject*>(o);
  } else if (riid == IID_IProvideClassInfo2 || riid == IID_IProvideClassInfo) {
    *object = static_cast<IProvideClassInfo2*>(o);
  } else {
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

HRESULT VkString::get_StrBody(BSTR* pVal) {
  if (pVal != nullptr) *pVal = value_.toWideString();
  return S_OK;
}

HRESULT VkString::put_StrBody(BSTR newVal) {
  value_.setFromBstr(newVal);
  return S_OK;
}

HRESULT VkString::AppendBody(BSTR Str) {
  XString argument = argumentValue(Str);
  value_.appendValue(argument);
  return S_OK;
}

// The argument comes first: the value is appended to the argument, then the result takes
// the value's place (exchanged, not copied, so a refused growth leaves the value as it was).
HRESULT VkString::PrependBody(BSTR Str) {
  XString combined = argumentValue(Str);
  combined.appendValue(value_);
  value_.swap(combined);
  return S_OK;
}

HRESULT VkString::ClearBody() {
  value_.clear();
  return S_OK;
}

HRESULT VkString::LengthBody(LONG* Length) {
  if (Length != nullptr) *Length = value_.length();
  return S_OK;
}

}  // namespace vk
