// URL form coding (application/x-www-form-urlencoded style): letters and digits stand for
// themselves, a space is '+', every other byte is '%' and two upper-case hex digits.
#include "coding/block_writer.h"
#include "coding/content_coding.h"

namespace vk {
namespace {

bool isLetterOrDigit(std::uint8_t b) {
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9');
}

// The decoder's digit value: below 'A' (as a signed byte) counts from '0'; above, the bits
// 0x4F of the character count from 'A' - 10, so both letter cases give their hex values.
int digitValue(std::uint8_t c) {
  if (static_cast<signed char>(c) < 'A') return c - 0x30;
  return (c & 0x4F) - 0x37;
}

}  // namespace

void encodeUrl(const DataBuffer& input, StringBuffer& output) {
  const std::uint8_t* in = input.data();
  std::uint32_t count = input.length();
  BlockWriter<StringBuffer> out(output);
  for (std::uint32_t i = 0; i < count; ++i) {
    out.ensure(3);
    std::uint8_t b = in[i];
    if (isLetterOrDigit(b)) {
      out.put(static_cast<char>(b));
    } else if (b == ' ') {
      out.put('+');
    } else {
      out.putEscaped('%', b);
    }
  }
}

void decodeUrl(const StringBuffer& input, DataBuffer& output) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(input.text());
  BlockWriter<DataBuffer> out(output);
  while (*p != 0) {
    out.ensure(1);
    std::uint8_t c = *p;
    if (c == '+') {
      out.put(' ');
      ++p;
    } else if (c == '%') {
      // Fewer than two characters after '%' end the text.
      if (p[1] == 0 || p[2] == 0) break;
      out.put(static_cast<char>((16 * digitValue(p[1]) + digitValue(p[2])) & 0xFF));
      p += 3;
    } else {
      out.put(static_cast<char>(c));
      ++p;
    }
  }
}

}  // namespace vk
