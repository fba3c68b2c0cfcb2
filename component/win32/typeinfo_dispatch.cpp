// VkString's IDispatch on Windows: names, dispatch identifiers and invocation all come from
// the registered type library VKSTRINGLib, whose description of IVkString is loaded once per
// process (under the module's type-information lock) and kept until the module unloads.
#include <windows.h>
#include <oleauto.h>

#include <mutex>

#include "component/member_table.h"
#include "component/module.h"
#include "component/vkstring.h"
#include "component/win32/module_instance.h"
#include "vk_version.h"

namespace vk {
namespace {

constexpr WORD kLibraryMajor = VK_VERSION_MAJOR;
constexpr WORD kLibraryMinor = VK_VERSION_MINOR;
constexpr LCID kLibraryLocale = 0x0409;

ITypeInfo* gTypeInfo = nullptr;

// The description of IVkString that invocation goes through. For a dual interface the library
// hands out the dispatch view first; its implemented type -1 is the interface view with the
// vtable layout, which is what ITypeInfo::Invoke needs to call the members directly.
HRESULT loadTypeInformation(ITypeInfo** result) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadRegTypeLib(LIBID_VKSTRINGLib, kLibraryMajor, kLibraryMinor, kLibraryLocale, &library);
  if (FAILED(hr)) return hr;
  ITypeInfo* info = nullptr;
  hr = library->GetTypeInfoOfGuid(IID_IVkString, &info);
  library->Release();
  if (FAILED(hr)) return hr;
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
    const bool dispatchView = attributes->typekind == TKIND_DISPATCH;
    info->ReleaseTypeAttr(attributes);
    HREFTYPE reference = 0;
    ITypeInfo* vtableView = nullptr;
    if (dispatchView && SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference)) &&
        SUCCEEDED(info->GetRefTypeInfo(reference, &vtableView))) {
      info->Release();
      info = vtableView;
    }
  }
  *result = info;
  return S_OK;
}

// The kept description, loaded on first use; not AddRef'd for the caller.
HRESULT typeInformation(ITypeInfo** info) {
  std::lock_guard<std::mutex> guard(Module::instance().typeInfoLock());
  if (gTypeInfo == nullptr) {
    HRESULT hr = loadTypeInformation(&gTypeInfo);
    if (FAILED(hr)) {
      *info = nullptr;
      return hr;
    }
  }
  *info = gTypeInfo;
  return S_OK;
}

// The most arguments any form (method, get, put) of the member takes; unlimited for an
// identifier the member list does not have, which the type information then refuses.
UINT maxParameterCount(DISPID member) {
  UINT most = 0;
  bool known = false;
  for (const MemberInfo& info : kMembers) {
    if (info.dispid != member) continue;
    known = true;
    if (info.parameterCount > most) most = info.parameterCount;
  }
  return known ? most : static_cast<UINT>(-1);
}

}  // namespace

void releaseTypeInformation() {
  std::lock_guard<std::mutex> guard(Module::instance().typeInfoLock());
  if (gTypeInfo != nullptr) {
    gTypeInfo->Release();
    gTypeInfo = nullptr;
  }
}

HRESULT VkString::GetTypeInfoCount(std::uint32_t* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT VkString::GetTypeInfo(std::uint32_t index, LCID /*lcid*/, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ITypeInfo* kept = nullptr;
  HRESULT hr = typeInformation(&kept);
  if (FAILED(hr)) return hr;
  kept->AddRef();
  *info = kept;
  return S_OK;
}

HRESULT VkString::GetIDsOfNames(REFIID riid, LPOLESTR* names, std::uint32_t count, LCID /*lcid*/,
                                DISPID* dispids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* info = nullptr;
  HRESULT hr = typeInformation(&info);
  if (FAILED(hr)) return hr;
  return info->GetIDsOfNames(names, count, dispids);
}

HRESULT VkString::Invoke(DISPID member, REFIID riid, LCID /*lcid*/, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* exception, std::uint32_t* argError) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  // More arguments than any form of the member takes are refused here, as the native
  // dispatcher does: not every type-information Invoke checks the upper bound itself.
  if (params != nullptr && params->cArgs > maxParameterCount(member)) return DISP_E_BADPARAMCOUNT;
  ITypeInfo* info = nullptr;
  HRESULT hr = typeInformation(&info);
  if (FAILED(hr)) return hr;
  return info->Invoke(static_cast<IVkString*>(this), member, flags, params, result, exception, argError);
}

}  // namespace vk
