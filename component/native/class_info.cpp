// IProvideClassInfo natively: class descriptions come from a registered type library, and the
// native build has none (late binding goes through the member table), so the answer is the one
// a client gets on Windows when the library is not registered.
#include "component/vkstring.h"

namespace vk {

HRESULT VkString::GetClassInfo(ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  return TYPE_E_LIBNOTREGISTERED;
}

}  // namespace vk
