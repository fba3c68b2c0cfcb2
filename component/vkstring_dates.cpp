// The date members: the value's text read as an Internet date, or a date appended to it.
#include "component/vkstring.h"
#include "dates/date_text.h"

namespace vk {

HRESULT VkString::ParseDateRfc3339Body(DATE* dt) {
  if (dt != nullptr) *dt = dateFromRfc3339Text(value_);
  return S_OK;
}

HRESULT VkString::ParseDateRfc822Body(DATE* dt) {
  if (dt != nullptr) *dt = dateFromRfc822Text(value_);
  return S_OK;
}

HRESULT VkString::AppendDateRfc3339Body(DATE dt) {
  appendRfc3339Date(value_, dt);
  return S_OK;
}

HRESULT VkString::AppendDateRfc822Body(DATE dt) {
  appendRfc822Date(value_, dt);
  return S_OK;
}

}  // namespace vk
