#include "component/class_factory.h"

#include <new>

#include "component/module.h"
#include "component/vkstring.h"

namespace vk {

HRESULT ClassFactory::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() {
  std::lock_guard<std::mutex> guard(countLock_);
  if (++count_ == 2) Module::instance().lock();
  return count_;
}

ULONG ClassFactory::Release() {
  ULONG remaining;
  {
    std::lock_guard<std::mutex> guard(countLock_);
    remaining = --count_;
    if (remaining == 1) Module::instance().unlock();
  }
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  VkString* instance = new (std::nothrow) VkString(outer);
  if (instance == nullptr) return E_OUTOFMEMORY;
  // The new object starts with one reference held here; the query adds the caller's.
  instance->innerUnknown()->AddRef();
  HRESULT hr = instance->innerUnknown()->QueryInterface(riid, object);
  instance->innerUnknown()->Release();
  return hr;
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    Module::instance().lock();
  } else {
    Module::instance().unlock();
  }
  return S_OK;
}

}  // namespace vk
