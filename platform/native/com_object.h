// The IUnknown of the platform layer's own small objects (streams, storages, enumerators,
// advise holders): a reference count that deletes the object at zero, and QueryInterface
// answering IUnknown and the one interface the object implements.
#pragma once

#include <atomic>

#include "platform/ole.h"

namespace vk::platform {

template <class Interface>
class ComObject : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || answers(riid)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --count_;
    if (left == 0) delete this;
    return left;
  }
  virtual ~ComObject() = default;

 protected:
  // The interfaces besides IUnknown that the object answers for.
  virtual bool answers(REFIID riid) const = 0;

 private:
  std::atomic<ULONG> count_{0};
};

}  // namespace vk::platform
