// A small demonstration of the conversion engine: one sample text converted from UTF-8 into
// several charsets and back, with the bytes each charset uses.
#include <cstdio>
#include <cstring>
#include <string>

#include "charset/charset_names.h"
#include "charset/encoding_convert.h"
#include "text/data_buffer.h"

namespace {

std::string hexOf(const vk::DataBuffer& buffer, std::uint32_t limit) {
  std::string out;
  char digits[4];
  for (std::uint32_t i = 0; i < buffer.length() && i < limit; ++i) {
    std::snprintf(digits, sizeof digits, "%02X ", buffer.data()[i]);
    out += digits;
  }
  if (buffer.length() > limit) out += "...";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const char* sample = argc > 1 ? argv[1] : "Grüße, Ωμέγα, こんにちは 😀";
  const char* charsets[] = {"utf-8", "utf-16be", "utf-32", "utf-7", "windows-1252",
                            "iso-8859-7", "shift_jis", "euc-kr", "ibm037"};
  std::printf("sample (UTF-8): %s\n\n", sample);
  std::printf("%-14s %-5s %-6s %-5s %s\n", "charset", "cp", "exact", "back", "bytes");
  auto length = static_cast<std::uint32_t>(std::strlen(sample));
  for (const char* name : charsets) {
    vk::DataBuffer encoded;
    bool exact = vk::EncodingConvert().convertToCharset(vk::codepage::kUtf8, name, sample, length, encoded);
    vk::DataBuffer decoded;
    vk::EncodingConvert().convertFromCharset(name, vk::codepage::kUtf8, encoded.data(), encoded.length(),
                                             decoded);
    decoded.appendByte(0);
    bool same = std::strcmp(reinterpret_cast<const char*>(decoded.data()), sample) == 0;
    std::printf("%-14s %-5d %-6s %-5s %s\n", name, vk::charsetToCodePage(name), exact ? "yes" : "no",
                same ? "same" : "lossy", hexOf(encoded, 24).c_str());
  }
  return 0;
}
