// The content-coding members: AppendEncoded decodes its argument and appends the text the
// bytes stand for in the named charset; GetEncoded returns the value's bytes in the named
// charset, coded.
#include <cstring>

#include "charset/encoding_convert.h"
#include "coding/content_coding.h"
#include "component/member_arguments.h"
#include "component/vkstring.h"

namespace vk {
HRESULT VkString::AppendEncodedBody(BSTR Str, BSTR encoding, BSTR charset) {
  XString argument = argumentValue(Str);
  XString encodingName = argumentValue(encoding);
  XString charsetName = argumentValue(charset);
  DataBuffer decoded;
  decodeByName(argument, encodingName, decoded);
  DataBuffer utf8;
  EncodingConvert().convertFromCharset(charsetName.getUtf8(), codepage::kUtf8, decoded.data(),
                                       decoded.length(), utf8);
  // The text ends at the first zero byte; an empty result changes nothing.
  std::uint32_t length = utf8.length();
  if (const void* zero = length > 0 ? std::memchr(utf8.data(), 0, length) : nullptr) {
    length = static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(zero) - utf8.data());
  }
  if (length == 0) return S_OK;
  XString text;
  text.setFromUtf8(reinterpret_cast<const char*>(utf8.data()), length);
  value_.appendValue(text);
  return S_OK;
}

HRESULT VkString::GetEncodedBody(BSTR encoding, BSTR charset, BSTR* Str) {
  if (Str == nullptr) return S_OK;
  XString encodingName = argumentValue(encoding);
  XString charsetName = argumentValue(charset);
  DataBuffer bytes;
  const char* text = value_.getUtf8();
  EncodingConvert().convertToCharset(codepage::kUtf8, charsetName.getUtf8(), text,
                                     static_cast<std::uint32_t>(value_.utf8Length()), bytes);
  XString coded;
  encodeByName(bytes, encodingName, coded);
  *Str = coded.toWideString();
  return S_OK;
}

}  // namespace vk
