// IProvideClassInfo: the description of the VkString class from the registered type library
// VKSTRINGLib (of the project's major.minor version).
#include <windows.h>
#include <oleauto.h>

#include "component/vkstring.h"
#include "vk_version.h"

namespace vk {

HRESULT VkString::GetClassInfo(ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  ITypeLib* library = nullptr;
  HRESULT hr = LoadRegTypeLib(LIBID_VKSTRINGLib, VK_VERSION_MAJOR, VK_VERSION_MINOR, 0x0409, &library);
  if (FAILED(hr)) return hr;
  hr = library->GetTypeInfoOfGuid(CLSID_VkString, info);
  library->Release();
  return hr;
}

}  // namespace vk
