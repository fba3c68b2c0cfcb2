// The text members of VkString: editing and searching, the ANSI byte members, markup
// transforms, word forms and matching, and the script counts. Each is a thin shell around one
// operation of the text core; every one returns S_OK and writes its result on every path.
#include "component/member_arguments.h"
#include "component/vkstring.h"
#include "text/editing.h"
#include "text/markup.h"
#include "text/word_forms.h"
#include "unicode/unicode_info.h"

namespace vk {
namespace {

LONG yesNo(bool answer) { return answer ? 1 : 0; }

// The count of one script class over the value's UTF-16 form, terminator not included.
LONG scriptCount(XString& value, std::int32_t index) {
  const DataBuffer& wide = value.getWide();
  std::int64_t units = wide.length() >= 2 ? (wide.length() - 2) / 2 : 0;
  UnicodeInfo info;
  info.countScripts(reinterpret_cast<const char16_t*>(wide.data()), units);
  return info.count(index);
}

// Hands a new string to the caller, or frees it when the caller gave nowhere to put it.
void handOut(BSTR text, BSTR* out) {
  if (out != nullptr) {
    *out = text;
  } else {
    SysFreeString(text);
  }
}

}  // namespace

HRESULT VkString::ReplaceFirstBody(BSTR substr, BSTR replacement) {
  XString find = argumentValue(substr);
  XString with = argumentValue(replacement);
  value_.replaceFirst(find.getUtf8(), with.getUtf8());
  return S_OK;
}

HRESULT VkString::ReplaceAllBody(BSTR substr, BSTR replacement) {
  XString find = argumentValue(substr);
  XString with = argumentValue(replacement);
  value_.replaceAll(find.getUtf8(), with.getUtf8());
  return S_OK;
}

HRESULT VkString::TrimBody() {
  value_.trim();
  return S_OK;
}

HRESULT VkString::Trim2Body() {
  value_.trim2();
  return S_OK;
}

HRESULT VkString::TrimInsideBody() {
  value_.trimInside();
  return S_OK;
}

HRESULT VkString::ContainsBody(BSTR substr, LONG* pVal) {
  XString needle = argumentValue(substr);
  bool found = value_.contains(needle.getUtf8());
  if (pVal != nullptr) *pVal = yesNo(found);
  return S_OK;
}

HRESULT VkString::BeginsWithBody(BSTR substr, LONG* pVal) {
  XString prefix = argumentValue(substr);
  bool begins = value_.beginsWith(prefix.getUtf8());
  if (pVal != nullptr) *pVal = yesNo(begins);
  return S_OK;
}

HRESULT VkString::EndsWithBody(BSTR Str, LONG* retval) {
  XString suffix = argumentValue(Str);
  bool ends = value_.endsWith(suffix.getUtf8());
  if (retval != nullptr) *retval = yesNo(ends);
  return S_OK;
}

HRESULT VkString::ShortenBody(LONG numChars) {
  value_.shorten(numChars);
  return S_OK;
}

HRESULT VkString::ReplaceAnsiCharBody(LONG c1, LONG c2) {
  value_.replaceAnsiChar(c1, c2);
  return S_OK;
}

HRESULT VkString::RemoveAnsiCharBody(LONG ch) {
  value_.removeAnsiChar(ch);
  return S_OK;
}

HRESULT VkString::LastAnsiCharBody(LONG* pVal) {
  std::int32_t last = editing::signedByte(value_.lastAnsiChar());
  if (pVal != nullptr) *pVal = last;
  return S_OK;
}

HRESULT VkString::AnsiCharAtBody(LONG index, LONG* ch) {
  std::int32_t byte = editing::signedByte(value_.ansiCharAt(index));
  if (ch != nullptr) *ch = byte;
  return S_OK;
}

HRESULT VkString::LeftBody(LONG numChars, BSTR* Str) {
  handOut(editing::left(value_, numChars), Str);
  return S_OK;
}

HRESULT VkString::RightBody(LONG numChars, BSTR* Str) {
  handOut(editing::right(value_, numChars), Str);
  return S_OK;
}

HRESULT VkString::MidBody(LONG idx, LONG numChars, BSTR* Str) {
  handOut(editing::mid(value_, idx, numChars), Str);
  return S_OK;
}

HRESULT VkString::StrCompBody(BSTR Str, LONG caseSensitive, LONG* retval) {
  XString other = argumentValue(Str);
  std::int32_t order = editing::strComp(value_, other, caseSensitive != 0);
  if (retval != nullptr) *retval = order;
  return S_OK;
}

HRESULT VkString::ChopAfterBody(BSTR Str) {
  XString needle = argumentValue(Str);
  editing::chopAfter(value_, needle.getUtf8());
  return S_OK;
}

HRESULT VkString::ChopBeforeBody(BSTR Str) {
  XString needle = argumentValue(Str);
  editing::chopBefore(value_, needle.getUtf8());
  return S_OK;
}

HRESULT VkString::HtmlEntityEncodeBody() {
  markup::htmlEntityEncode(value_);
  return S_OK;
}

HRESULT VkString::HtmlEntityDecodeBody() {
  markup::htmlEntityDecode(value_);
  return S_OK;
}

HRESULT VkString::StripHtmlBody() {
  markup::stripHtml(value_);
  return S_OK;
}

HRESULT VkString::PluralizeBody() {
  wordforms::pluralize(value_);
  return S_OK;
}

HRESULT VkString::UnpluralizeBody() {
  wordforms::unpluralize(value_);
  return S_OK;
}

HRESULT VkString::MatchesBody(BSTR pattern, LONG caseSensitive, LONG* result) {
  XString wildcard = argumentValue(pattern);
  bool matched = value_.matchesPattern(wildcard.getUtf8(), caseSensitive != 0);
  if (result != nullptr) *result = yesNo(matched);
  return S_OK;
}

// The eleven script counts, one property per class of UnicodeInfo, each the count of that
// class over the value's UTF-16 form.
#define VK_SCRIPT_PROPERTIES(P) \
  P(Ascii)                      \
  P(Latin) P(CentralEuro) P(Greek) P(Hebrew) P(Arabic) P(Japanese) P(Korean) P(Chinese) P(Thai) P(Cyrillic)
#define VK_SCRIPT_COUNT_BODY(script)                           \
  HRESULT VkString::get_Num##script##Body(LONG* pVal) {        \
    LONG n = scriptCount(value_, UnicodeInfo::Script##script); \
    if (pVal != nullptr) *pVal = n;                            \
    return S_OK;                                               \
  }
VK_SCRIPT_PROPERTIES(VK_SCRIPT_COUNT_BODY)
#undef VK_SCRIPT_COUNT_BODY
#undef VK_SCRIPT_PROPERTIES

}  // namespace vk
