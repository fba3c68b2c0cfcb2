// HTML entity decoding (the byte passes and the Unicode pass), entity encoding and tag
// stripping on arbitrary text, on their own and through the text value. Checks: stripping
// leaves no '<' and never lengthens the text; encoding leaves no markup character bare;
// decoding never lengthens an ANSI text (every reference is longer than its byte).
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "text/html_entities.h"
#include "text/markup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t textLength = std::strlen(text.c_str());

  vk::StringBuffer stripped(text.c_str());
  vk::markup::stripTags(stripped);
  FUZZ_CHECK(static_cast<std::size_t>(stripped.length()) <= textLength);
  FUZZ_CHECK(std::strchr(stripped.text(), '<') == nullptr);

  vk::StringBuffer encoded;
  vk::html::encodeEntities(text.c_str(), textLength, encoded);
  FUZZ_CHECK(std::strpbrk(encoded.text(), "<>\"") == nullptr);

  vk::StringBuffer decoded(text.c_str());
  vk::html::decodeEntities(decoded);
  FUZZ_CHECK(static_cast<std::size_t>(decoded.length()) <= textLength);

  vk::DataBuffer unicode;
  vk::html::decodeNumericReferences(text.c_str(), textLength, 65001, unicode);
  vk::DataBuffer wide;
  vk::html::decodeNumericReferences(text.c_str(), textLength, 1200, wide);

  vk::XString value;
  value.setFromUtf8(text.c_str());
  vk::markup::htmlEntityDecode(value);
  vk::markup::htmlEntityEncode(value);
  vk::markup::stripHtml(value);
  FUZZ_CHECK(std::strchr(value.getUtf8(), '<') == nullptr);
  return 0;
}
