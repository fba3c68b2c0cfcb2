// Output of the content codings, gathered in a block that is appended to the target (the
// StringBuffer of an encoder, the DataBuffer of a decoder) each time it fills and once at the
// end, so that a long text costs one append per block rather than per byte.
#pragma once
#include <cstddef>
#include <cstdint>

#include "text/data_buffer.h"
#include "text/string_buffer.h"

namespace vk {

template <typename Target>
class BlockWriter {
 public:
  explicit BlockWriter(Target& target) : target_(target) {}
  ~BlockWriter() { flush(); }
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  // Makes room for n more bytes in the block.
  void ensure(std::size_t n) {
    if (used_ + n > kBlockSize) flush();
  }
  void put(char c) { block_[used_++] = c; }
  // A byte as two upper-case hex digits, high nibble first.
  void putHex(std::uint8_t b) {
    block_[used_++] = kHexDigits[b >> 4];
    block_[used_++] = kHexDigits[b & 15];
  }
  // A byte escaped as `mark` and its two hex digits ("=3D" in quoted-printable, "%3D" in URLs).
  void putEscaped(char mark, std::uint8_t b) {
    put(mark);
    putHex(b);
  }
  void flush() {
    if (used_ > 0) append(target_, block_, used_);
    used_ = 0;
  }

 private:
  static constexpr std::size_t kBlockSize = 2000;
  static constexpr char kHexDigits[] = "0123456789ABCDEF";

  static void append(StringBuffer& target, const char* bytes, std::size_t n) {
    target.appendBytes(bytes, static_cast<std::int64_t>(n));
  }
  static void append(DataBuffer& target, const char* bytes, std::size_t n) { target.append(bytes, n); }

  Target& target_;
  char block_[kBlockSize];
  std::size_t used_ = 0;
};

}  // namespace vk
