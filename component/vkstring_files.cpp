// The file and byte-array members: LoadFile, SaveToFile, AppendToFile, AppendMultibyte and
// EmitMultibyte. Each converts between the value's UTF-8 form and the named charset and hands
// the bytes to the file layer or a VARIANT. A charset that the engine cannot convert makes the
// file members fail (0) without reading, creating or changing anything.
#include <cstring>

#include "charset/charset_names.h"
#include "charset/encoding_convert.h"
#include "component/member_arguments.h"
#include "component/vkstring.h"
#include "files/file_sys.h"
#include "platform/automation.h"

namespace vk {
namespace {

// The code page a charset argument names, 0 when the engine cannot convert it.
std::int32_t convertibleCodePage(XString& charset) {
  std::int32_t codePage = charsetToCodePage(charset.getUtf8());
  return EncodingConvert::canConvert(codePage) ? codePage : 0;
}

// The bytes of converted UTF-8 output up to its first zero byte.
std::uint32_t textLength(const DataBuffer& utf8) {
  if (utf8.length() == 0) return 0;
  const void* zero = std::memchr(utf8.data(), 0, utf8.length());
  return zero != nullptr ? static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(zero) - utf8.data())
                         : utf8.length();
}

// Appends converted UTF-8 output, up to its first zero byte, to a value. An empty result
// changes nothing.
void appendConverted(XString& value, const DataBuffer& utf8) {
  std::uint32_t length = textLength(utf8);
  if (length == 0) return;
  XString converted;
  converted.setFromUtf8(reinterpret_cast<const char*>(utf8.data()), length);
  value.appendValue(converted);
}

void setResult(LONG* success, bool ok) {
  if (success != nullptr) *success = ok ? 1 : 0;
}

// The value's bytes in a code page, for writing: the UTF-8 form itself when the code page is
// UTF-8 (a conversion to the same code page is a plain copy), else converted into `converted`.
struct ValueBytes {
  const void* data;
  std::uint32_t count;
};
ValueBytes valueBytesIn(XString& value, std::int32_t codePage, DataBuffer& converted) {
  const char* text = value.getUtf8();
  auto count = static_cast<std::uint32_t>(value.utf8Length());
  if (codePage == codepage::kUtf8) return {text, count};
  EncodingConvert().convert(codepage::kUtf8, codePage, text, count, converted);
  return {converted.data(), converted.length()};
}

// SaveToFile and AppendToFile: the value's bytes in the charset, handed to the file layer's
// whole write or its append.
enum class FileWrite { Replace, Append };

bool writeValue(XString& value, BSTR filename, BSTR charset, FileWrite how) {
  XString name = argumentValue(filename);
  XString charsetName = argumentValue(charset);
  std::int32_t codePage = convertibleCodePage(charsetName);
  if (codePage == 0) return false;
  DataBuffer converted;
  ValueBytes bytes = valueBytesIn(value, codePage, converted);
  return how == FileWrite::Replace ? FileSys::writeWholeFile(name.getUtf8(), bytes.data, bytes.count, nullptr)
                                   : FileSys::appendToFile(name, bytes.data, bytes.count, nullptr);
}

}  // namespace

HRESULT VkString::LoadFileBody(BSTR filename, BSTR charset, LONG* success) {
  XString name = argumentValue(filename);
  XString charsetName = argumentValue(charset);
  std::int32_t codePage = convertibleCodePage(charsetName);
  DataBuffer file;
  if (codePage == 0 || !file.loadWholeFile(name.getUtf8(), nullptr)) {
    setResult(success, false);
    return S_OK;
  }
  // A UTF-8 file converts to its own bytes: they are taken as they are.
  DataBuffer converted;
  DataBuffer* utf8 = &file;
  if (codePage != codepage::kUtf8) {
    EncodingConvert().convert(codePage, codepage::kUtf8, file.data(), file.length(), converted);
    file.adopt(nullptr, 0);  // the file's bytes go before the text is built
    utf8 = &converted;
  }
  // The text is replaced by the converted bytes up to the first zero byte, as setFromUtf8
  // would set it, but the value takes over the block instead of copying it.
  utf8->setLength(textLength(*utf8));
  value_.adoptUtf8(*utf8);
  setResult(success, true);
  return S_OK;
}

HRESULT VkString::SaveToFileBody(BSTR filename, BSTR charset, LONG* success) {
  setResult(success, writeValue(value_, filename, charset, FileWrite::Replace));
  return S_OK;
}

HRESULT VkString::AppendToFileBody(BSTR filename, BSTR charset, LONG* success) {
  setResult(success, writeValue(value_, filename, charset, FileWrite::Append));
  return S_OK;
}

HRESULT VkString::AppendMultibyteBody(VARIANT mbtext, BSTR charset) {
  XString charsetName = argumentValue(charset);
  DataBuffer bytes;
  bytes.appendVariant(mbtext);
  DataBuffer utf8;
  EncodingConvert().convertFromCharset(charsetName.getUtf8(), codepage::kUtf8, bytes.data(), bytes.length(),
                                       utf8);
  appendConverted(value_, utf8);
  return S_OK;
}

HRESULT VkString::EmitMultibyteBody(BSTR charset, VARIANT* mbtext) {
  if (mbtext == nullptr) return S_OK;
  XString charsetName = argumentValue(charset);
  DataBuffer bytes;
  const char* text = value_.getUtf8();
  EncodingConvert().convertToCharset(codepage::kUtf8, charsetName.getUtf8(), text,
                                     static_cast<std::uint32_t>(value_.utf8Length()), bytes);
  bytes.toByteArrayVariant(mbtext);
  return S_OK;
}

}  // namespace vk
