// IProvideClassInfo: the description of the VkString class from the registered type library
// VKSTRINGLib (version 1.0).
#include <windows.h>
#include <oleauto.h>

#include "component/vkstring.h"

namespace vk {

HRESULT VkString::GetClassInfo(ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  ITypeLib* library = nullptr;
  HRESULT hr = LoadRegTypeLib(LIBID_VKSTRINGLib, 1, 0, 0x0409, &library);
  if (FAILED(hr)) return hr;
  hr = library->GetTypeInfoOfGuid(CLSID_VkString, info);
  library->Release();
  return hr;
}

}  // namespace vk
