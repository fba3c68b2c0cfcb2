// VkString's IDispatch: late-bound callers reach the members through the member dispatcher.
//
// There is no type library in the native build, so the object answers that it has no type
// information; names and dispatch identifiers come from the member list alone. The Windows build
// leaves this file out: there the registered type library VKSTRINGLib serves type information,
// names and invocation (component/win32/).
#include "component/dispatch.h"
#include "component/vkstring.h"

namespace vk {

HRESULT VkString::GetTypeInfoCount(std::uint32_t* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 0;
  return S_OK;
}

HRESULT VkString::GetTypeInfo(std::uint32_t /*index*/, LCID /*lcid*/, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT VkString::GetIDsOfNames(REFIID riid, LPOLESTR* names, std::uint32_t count, LCID /*lcid*/,
                                DISPID* dispids) {
  return dispatchGetIDsOfNames(riid, names, count, dispids);
}

HRESULT VkString::Invoke(DISPID member, REFIID riid, LCID /*lcid*/, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* exception, std::uint32_t* argError) {
  return dispatchInvoke(this, member, riid, flags, params, result, exception, argError);
}

}  // namespace vk
