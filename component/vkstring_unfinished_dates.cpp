// Members for dates that are not built yet. They answer E_NOTIMPL, so a
// client sees at once that the member is unfinished.
#include "component/vkstring.h"

namespace vk {

HRESULT VkString::ParseDateRfc3339(DATE* /*dt*/) { return E_NOTIMPL; }
HRESULT VkString::ParseDateRfc822(DATE* /*dt*/) { return E_NOTIMPL; }
HRESULT VkString::AppendDateRfc3339(DATE /*dt*/) { return E_NOTIMPL; }
HRESULT VkString::AppendDateRfc822(DATE /*dt*/) { return E_NOTIMPL; }

}  // namespace vk
