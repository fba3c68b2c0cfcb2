// The engine's ANSI text converter for the native system services (file names of the narrow
// interface, the current directory in ANSI), which sit below the engine and cannot call it:
// the engine installs it when the process starts (encoding_convert.cpp).
#include "charset/ansi_text_converter.h"

#include "charset/encoding_convert.h"
#include "platform/code_page.h"
#include "text/data_buffer.h"

namespace vk {
namespace {

bool toWide(const char* bytes, std::size_t count, std::u16string* out) {
  DataBuffer wide;
  bool whole =
      EncodingConvert().convertFromAnsi(codepage::kUtf16Le, bytes, static_cast<std::uint32_t>(count), wide);
  const std::uint8_t* p = wide.data();
  for (std::uint32_t i = 0; i + 1 < wide.length(); i += 2) {
    out->push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
  }
  return whole;
}

bool fromWide(const char16_t* units, std::size_t count, std::string* out) {
  std::string little;
  little.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    little.push_back(static_cast<char>(units[i] & 0xFF));
    little.push_back(static_cast<char>(units[i] >> 8));
  }
  DataBuffer ansi;
  bool whole = EncodingConvert().convert(codepage::kUtf16Le, platform::ansiCodePage(), little.data(),
                                         static_cast<std::uint32_t>(little.size()), ansi);
  out->append(reinterpret_cast<const char*>(ansi.data()), ansi.length());
  return whole;
}

constexpr platform::AnsiTextConverter kConverter{toWide, fromWide};

}  // namespace

bool installAnsiTextConverter() {
  platform::installAnsiTextConverter(&kConverter);
  return true;
}

}  // namespace vk
