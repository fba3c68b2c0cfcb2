#include "text/markup.h"

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

void htmlEntityEncode(XString& value) {
  StringBuffer scratch(value.utf8Buffer().text());
  html::encodeEntities(scratch);
  value.setFromUtf8(scratch.text());
}

void htmlEntityDecode(XString& value) {
  StringBuffer scratch(value.getAnsi());
  html::decodeEntities(scratch);
  scratch.convertFromAnsi(codepage::kUtf8);
  DataBuffer decoded;
  html::decodeNumericReferences(scratch.text(), static_cast<std::size_t>(scratch.length()),
                                codepage::kUtf8, decoded);
  decoded.appendByte(0);
  value.setFromUtf8(reinterpret_cast<const char*>(decoded.data()));
}

void stripHtml(XString& value) {
  StringBuffer scratch(value.utf8Buffer().text());
  stripTags(scratch);
  value.clear();
  value.appendUtf8(scratch.text());
}

}  // namespace vk::markup
