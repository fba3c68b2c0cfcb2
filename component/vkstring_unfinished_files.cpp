// Members for files, byte arrays and content codings that are not built yet. They answer E_NOTIMPL, so a
// client sees at once that the member is unfinished.
#include "component/vkstring.h"

namespace vk {

HRESULT VkString::LoadFile(BSTR /*filename*/, BSTR /*charset*/, LONG* /*success*/) { return E_NOTIMPL; }
HRESULT VkString::SaveToFile(BSTR /*filename*/, BSTR /*charset*/, LONG* /*success*/) { return E_NOTIMPL; }
HRESULT VkString::AppendToFile(BSTR /*filename*/, BSTR /*charset*/, LONG* /*success*/) { return E_NOTIMPL; }
HRESULT VkString::AppendMultibyte(VARIANT /*mbtext*/, BSTR /*charset*/) { return E_NOTIMPL; }
HRESULT VkString::EmitMultibyte(BSTR /*charset*/, VARIANT* /*mbtext*/) { return E_NOTIMPL; }
HRESULT VkString::AppendEncoded(BSTR /*Str*/, BSTR /*encoding*/, BSTR /*charset*/) { return E_NOTIMPL; }
HRESULT VkString::GetEncoded(BSTR /*encoding*/, BSTR /*charset*/, BSTR* /*Str*/) { return E_NOTIMPL; }

}  // namespace vk
