// Hex coding: each byte as two upper-case digits, high nibble first, and back. The decoder
// validates nothing; it is the inverse of the encoder on the encoder's output only.
#include <cstring>

#include "coding/block_writer.h"

namespace vk {
namespace {

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
  BlockWriter<StringBuffer> out(output);
  for (std::uint32_t i = 0; i < length_; ++i) {
    out.ensure(2);
    out.putHex(data_[i]);
  }
}

void StringBuffer::decodeHex(DataBuffer& output) const {
  checkAlive();
  std::size_t length = std::strlen(data_);
  BlockWriter<DataBuffer> out(output);
  // An odd last character is paired with the terminating zero byte.
  for (std::size_t i = 0; i < length; i += 2) {
    out.ensure(1);
    int first = digitValue(data_[i]);
    int second = digitValue(data_[i + 1]);
    out.put(static_cast<char>((16 * first + second) & 0xFF));
  }
}

}  // namespace vk
