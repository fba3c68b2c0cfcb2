// Pluralize and Unpluralize on arbitrary text, on the buffer and through the text value.
// Checks: only the ending changes (pluralizing drops at most two bytes, unpluralizing at most
// three); a pluralized non-empty text ends in 's'; a text not ending in 's' is left as it is
// by unpluralizing.
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "text/word_forms.h"

namespace {

bool keepsHead(const std::string& before, const char* after, std::size_t dropped) {
  const std::size_t head = before.size() > dropped ? before.size() - dropped : 0;
  return std::strncmp(before.c_str(), after, head) == 0 && std::strlen(after) >= head;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  FuzzedDataProvider input(data, size);
  const std::string text = vkfuzz::textPiece(input, size);

  vk::StringBuffer plural(text.c_str());
  vk::wordforms::pluralize(plural);
  FUZZ_CHECK(keepsHead(text, plural.text(), 2));
  if (!text.empty()) FUZZ_CHECK(plural.text()[plural.length() - 1] == 's');

  vk::StringBuffer singular(text.c_str());
  vk::wordforms::unpluralize(singular);
  FUZZ_CHECK(keepsHead(text, singular.text(), 3));
  if (text.empty() || text.back() != 's') FUZZ_CHECK(text == singular.text());

  vk::XString value;
  value.setFromUtf8(text.c_str());
  vk::wordforms::pluralize(value);
  vk::wordforms::unpluralize(value);
  value.getUtf8();
  return 0;
}
