// The command line's two conversions on the shared UTF-8 coder (platform/utf8.h), with the
// client's own rules for surrogates: refused on input, printed as U+FFFD on output.
#include "tools/vkstring/utf.h"

#include "platform/utf8.h"

namespace vk::cli {

bool utf8ToUtf16(const std::string& in, std::u16string* out) {
  return utf8::toUtf16(in.data(), in.size(), out, utf8::Surrogates::Refuse);
}

std::string utf16ToUtf8(const char16_t* units, std::size_t count) {
  return utf8::fromUtf16(units, count, utf8::Surrogates::Refuse);
}

}  // namespace vk::cli
