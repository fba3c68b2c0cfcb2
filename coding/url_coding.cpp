// URL form coding (application/x-www-form-urlencoded style): letters and digits stand for
// themselves, a space is '+', every other byte is '%' and two upper-case hex digits.
#include "coding/content_coding.h"

namespace vk {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kBlockSize = 2000;

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
  char block[kBlockSize];
  std::size_t used = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (used + 3 > kBlockSize) {
      output.appendBytes(block, static_cast<std::int64_t>(used));
      used = 0;
    }
    std::uint8_t b = in[i];
    if (isLetterOrDigit(b)) {
      block[used++] = static_cast<char>(b);
    } else if (b == ' ') {
      block[used++] = '+';
    } else {
      block[used++] = '%';
      block[used++] = kHexDigits[b >> 4];
      block[used++] = kHexDigits[b & 15];
    }
  }
  if (used > 0) output.appendBytes(block, static_cast<std::int64_t>(used));
}

void decodeUrl(const StringBuffer& input, DataBuffer& output) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(input.text());
  std::uint8_t block[kBlockSize];
  std::size_t used = 0;
  while (*p != 0) {
    if (used == kBlockSize) {
      output.append(block, used);
      used = 0;
    }
    std::uint8_t c = *p;
    if (c == '+') {
      block[used++] = ' ';
      ++p;
    } else if (c == '%') {
      // Fewer than two characters after '%' end the text.
      if (p[1] == 0 || p[2] == 0) break;
      block[used++] = static_cast<std::uint8_t>((16 * digitValue(p[1]) + digitValue(p[2])) & 0xFF);
      p += 3;
    } else {
      block[used++] = c;
      ++p;
    }
  }
  if (used > 0) output.append(block, used);
}

}  // namespace vk
