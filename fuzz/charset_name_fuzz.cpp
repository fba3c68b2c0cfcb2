// Charset names to code pages on arbitrary text. Checks: the answer is 0 or a code page the
// engine knows about by number, and it does not change when the name is upper-cased, padded
// with blanks or written with '_' for '-' (the lookup ignores all three).
#include <string>

#include "charset/charset_names.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  FuzzedDataProvider input(data, size);
  const std::string name = vkfuzz::textPiece(input, size);
  const std::int32_t page = vk::charsetToCodePage(name.c_str());
  FUZZ_CHECK(page >= 0 && page <= 65535);

  std::string variant = " \t" + name + "\r\n ";
  for (char& c : variant) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '-') c = '_';
  }
  FUZZ_CHECK(vk::charsetToCodePage(variant.c_str()) == page);
  return 0;
}
