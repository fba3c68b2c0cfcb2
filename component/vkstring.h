// VkString, the object the component serves: one text value behind IVkString. Each member is
// a thin shell that turns its automation arguments into text values, runs one operation and
// turns the result back into an automation value. Every member returns S_OK; outcomes travel
// in the [out,retval] value.
#pragma once

#include "component/ivkstring.h"
#include "text/xstring.h"

namespace vk {

class VkString final : public IVkString {
 public:
  // An object made for aggregation passes `outer`: its IUnknown entries of IVkString then
  // delegate to the outer object, and innerUnknown() is its own, non-delegating IUnknown.
  explicit VkString(IUnknown* outer = nullptr);
  VkString(const VkString&) = delete;
  VkString& operator=(const VkString&) = delete;
  virtual ~VkString();

  // IUnknown. The reference count is a plain counter: the object lives in one apartment.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch, driven by the member table.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(std::uint32_t* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(std::uint32_t index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, std::uint32_t count,
                                          LCID lcid, DISPID* dispids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   std::uint32_t* argError) override;

  VK_MEMBER_LIST(VK_OVERRIDE_M0, VK_OVERRIDE_M1, VK_OVERRIDE_M2, VK_OVERRIDE_M3)

  // The text value, for the subsystems that implement members and for tests.
  XString& value() { return value_; }

  IUnknown* innerUnknown() { return &inner_; }

 private:
  // The object's own IUnknown: it counts references and answers the interface list.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(VkString* owner) : owner_(owner) {}
    virtual ~InnerUnknown() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

   private:
    VkString* owner_;
  };

  InnerUnknown inner_{this};
  IUnknown* outer_;  // the controlling IUnknown: the outer object, or inner_
  bool aggregated_;
  ULONG refCount_ = 0;
  XString value_;
};

}  // namespace vk
