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

// The result takes the place of the UTF-8 form as setFromUtf8 would put it there (an empty
// result clears the value; the form is shrunk to fit), encoded straight from the source in
// one pass with one exactly sized block, so large texts cost no more per byte than small
// ones.
void htmlEntityEncode(XString& value) {
  const StringBuffer& source = value.utf8Buffer();
  StringBuffer encoded = StringBuffer::withSize(1);
  html::encodeEntities(source.text(), static_cast<std::size_t>(source.length()), encoded);
  value.clear();
  if (encoded.length() == 0) return;
  StringBuffer& utf8 = value.utf8Buffer();
  utf8.appendBuffer(encoded);
  utf8.shrinkToFit();
  value.markOnlyUtf8Current();
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

// Stripping never lengthens the text, so it runs in place on the UTF-8 form, which is then
// the only current form: the same outcome as clearing the value and appending the stripped
// copy.
void stripHtml(XString& value) {
  stripTags(value.utf8Buffer());
  value.markOnlyUtf8Current();
}

}  // namespace vk::markup
