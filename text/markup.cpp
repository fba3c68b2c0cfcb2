#include "text/markup.h"

#include <cstring>

#include "charset/encoding_convert.h"
#include "text/data_buffer.h"
#include "text/html_entities.h"

namespace vk::markup {

void stripTags(StringBuffer& text) {
  char* bytes = text.data();
  const std::int32_t n = text.length();
  bool inTag = false;
  bool inDouble = false;
  bool inSingle = false;
  bool escaped = false;
  std::int32_t out = 0;
  // The output never outruns the input, so the scan writes in place.
  for (std::int32_t i = 0; i < n && bytes[i] != 0; ++i) {
    char c = bytes[i];
    if (c == '<') {
      inTag = true;
      escaped = false;
      continue;
    }
    if (!inTag) {
      bytes[out++] = c;
      continue;
    }
    if (escaped) {
      // A backslash hides exactly one byte.
      escaped = false;
    } else if (c == '"' && inDouble) {
      inDouble = false;
    } else if (c == '\'' && inSingle) {
      inSingle = false;
    } else if (c == '"' && !inSingle) {
      inDouble = true;
    } else if (c == '\'' && !inDouble) {
      inSingle = true;
    } else if (c == '\\') {
      escaped = true;
    } else if (c == '>' && !inDouble && !inSingle) {
      inTag = false;
    }
  }
  text.dropLast(n - out);
}

// Encoded in the UTF-8 form's own block (see encodeEntities), which stays the only current
// form; an empty result clears the value, as setting an empty text does.
void htmlEntityEncode(XString& value) {
  StringBuffer& text = value.utf8Buffer();
  html::encodeEntities(text);
  if (text.length() == 0) {
    value.clear();
    return;
  }
  text.shrinkToFit();
  value.markOnlyUtf8Current();
}

// The decoded text is cut at its first NUL, as a zero-terminated result would be read.
void htmlEntityDecode(XString& value) {
  StringBuffer scratch(value.getAnsi());
  html::decodeEntities(scratch);
  scratch.convertFromAnsi(codepage::kUtf8);
  DataBuffer decoded;
  html::decodeNumericReferences(scratch.text(), static_cast<std::size_t>(scratch.length()), codepage::kUtf8,
                                decoded);
  const void* nul = decoded.length() > 0 ? std::memchr(decoded.data(), 0, decoded.length()) : nullptr;
  if (nul != nullptr) {
    decoded.setLength(static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(nul) - decoded.data()));
  }
  value.adoptUtf8(decoded);
}

// Stripping never lengthens the text, so it runs in place on the UTF-8 form, which is then
// the only current form: the same outcome as clearing the value and appending the stripped
// copy.
void stripHtml(XString& value) {
  stripTags(value.utf8Buffer());
  value.markOnlyUtf8Current();
}

}  // namespace vk::markup
