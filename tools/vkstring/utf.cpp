// The command line's two conversions on the shared UTF-8 coder (platform/utf8.h), with the
// client's own rules for surrogates: refused on input, printed as U+FFFD on output.
#include "tools/vkstring/utf.h"

#include <cstdint>

#include "platform/utf8.h"

namespace vk::cli {

bool utf8ToUtf16(const std::string& in, std::u16string* out) {
  out->clear();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(in.data());
  for (std::size_t i = 0; i < in.size();) {
    std::uint32_t cp = 0;
    std::size_t length = utf8::decode(bytes + i, in.size() - i, &cp, utf8::Surrogates::Refuse);
    if (length == 0) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    i += length;
  }
  return true;
}

std::string utf16ToUtf8(const char16_t* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t cp = units[i];
    bool high = cp >= 0xD800 && cp <= 0xDBFF;
    if (high && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    utf8::append(out, cp);
  }
  return out;
}

}  // namespace vk::cli
