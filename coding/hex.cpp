// Hex coding: each byte as two upper-case digits, high nibble first, and back. The decoder
// validates nothing; it is the inverse of the encoder on the encoder's output only.
#include <cstring>

#include "text/data_buffer.h"
#include "text/string_buffer.h"

namespace vk {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// Both coders gather their output in a block of this size.
constexpr std::size_t kBlockSize = 500;

// The value of a hex character as the decoder reads it: digits (and every byte from 0x80 up,
// which is negative as a signed byte) count from '0', 'a'-'f' from 'a' - 10, anything else
// from 'A' - 10. Only the low 8 bits of the result matter.
int digitValue(char c) {
  if (static_cast<signed char>(c) <= '9') return c - 0x30;
  if (c >= 'a' && c <= 'f') return c - 0x57;
  return c - 0x37;
}

}  // namespace

void DataBuffer::encodeHex(StringBuffer& output) const {
  checkAlive();
  char block[kBlockSize];
  std::size_t used = 0;
  for (std::uint32_t i = 0; i < length_; ++i) {
    if (used + 2 > kBlockSize) {
      output.appendBytes(block, static_cast<std::int64_t>(used));
      used = 0;
    }
    block[used++] = kHexDigits[data_[i] >> 4];
    block[used++] = kHexDigits[data_[i] & 15];
  }
  if (used > 0) output.appendBytes(block, static_cast<std::int64_t>(used));
}

void StringBuffer::decodeHex(DataBuffer& output) const {
  checkAlive();
  std::size_t length = std::strlen(data_);
  std::uint8_t block[kBlockSize];
  std::size_t used = 0;
  // An odd last character is paired with the terminating zero byte.
  for (std::size_t i = 0; i < length; i += 2) {
    if (used == kBlockSize) {
      output.append(block, used);
      used = 0;
    }
    int first = digitValue(data_[i]);
    int second = digitValue(data_[i + 1]);
    block[used++] = static_cast<std::uint8_t>((16 * first + second) & 0xFF);
  }
  if (used > 0) output.append(block, used);
}

}  // namespace vk
