// Members for editing, searching, markup, word forms and script counts that are not built yet. They answer E_NOTIMPL, so a
// client sees at once that the member is unfinished.
#include "component/vkstring.h"

namespace vk {

HRESULT VkString::ReplaceFirst(BSTR /*substr*/, BSTR /*replacement*/) { return E_NOTIMPL; }
HRESULT VkString::ReplaceAll(BSTR /*substr*/, BSTR /*replacement*/) { return E_NOTIMPL; }
HRESULT VkString::Trim() { return E_NOTIMPL; }
HRESULT VkString::Trim2() { return E_NOTIMPL; }
HRESULT VkString::Contains(BSTR /*substr*/, LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::Shorten(LONG /*numChars*/) { return E_NOTIMPL; }
HRESULT VkString::HtmlEntityEncode() { return E_NOTIMPL; }
HRESULT VkString::HtmlEntityDecode() { return E_NOTIMPL; }
HRESULT VkString::ReplaceAnsiChar(LONG /*c1*/, LONG /*c2*/) { return E_NOTIMPL; }
HRESULT VkString::LastAnsiChar(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::RemoveAnsiChar(LONG /*ch*/) { return E_NOTIMPL; }
HRESULT VkString::AnsiCharAt(LONG /*index*/, LONG* /*ch*/) { return E_NOTIMPL; }
HRESULT VkString::TrimInside() { return E_NOTIMPL; }
HRESULT VkString::BeginsWith(BSTR /*substr*/, LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::Matches(BSTR /*pattern*/, LONG /*caseSensitive*/, LONG* /*result*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumAscii(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumLatin(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumCentralEuro(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumGreek(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumHebrew(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumArabic(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumJapanese(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumKorean(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumChinese(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumThai(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::get_NumCyrillic(LONG* /*pVal*/) { return E_NOTIMPL; }
HRESULT VkString::Left(LONG /*numChars*/, BSTR* /*Str*/) { return E_NOTIMPL; }
HRESULT VkString::Right(LONG /*numChars*/, BSTR* /*Str*/) { return E_NOTIMPL; }
HRESULT VkString::Mid(LONG /*idx*/, LONG /*numChars*/, BSTR* /*Str*/) { return E_NOTIMPL; }
HRESULT VkString::StrComp(BSTR /*Str*/, LONG /*caseSensitive*/, LONG* /*retval*/) { return E_NOTIMPL; }
HRESULT VkString::ChopAfter(BSTR /*Str*/) { return E_NOTIMPL; }
HRESULT VkString::ChopBefore(BSTR /*Str*/) { return E_NOTIMPL; }
HRESULT VkString::EndsWith(BSTR /*Str*/, LONG* /*retval*/) { return E_NOTIMPL; }
HRESULT VkString::Pluralize() { return E_NOTIMPL; }
HRESULT VkString::Unpluralize() { return E_NOTIMPL; }
HRESULT VkString::StripHtml() { return E_NOTIMPL; }

}  // namespace vk
