// Output staging for the byte transforms (ISO-2022-JP, ISO-2022-KR, HZ) and UTF-7, and the
// byte-range tests of the transforms. Bytes collect in a small local block that is appended to
// the DataBuffer each time it fills and once more when the transform ends, so a long text costs
// one append per 512 bytes rather than per byte.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

// Whether a byte lies in [low, high]: the byte transforms classify their bytes by such ranges.
inline bool inRange(std::uint8_t b, std::uint8_t low, std::uint8_t high) { return b >= low && b <= high; }
// The bytes of a 7-bit double-byte code (JIS X 0208, GB2312, KS X 1001 with the high bits clear).
inline bool isSevenBitGraphic(std::uint8_t b) { return inRange(b, 0x21, 0x7E); }

class StagedOutput {
 public:
  static constexpr std::uint32_t kBlockSize = 512;

  explicit StagedOutput(DataBuffer& output) : output_(output) {}
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;
  ~StagedOutput() { flush(); }

  void put(std::uint8_t b) {
    if (used_ == kBlockSize) flush();
    block_[used_++] = b;
  }
  void put(std::uint8_t a, std::uint8_t b) {
    put(a);
    put(b);
  }
  void put(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    put(a);
    put(b);
    put(c);
  }
  // A UTF-16 unit, little-endian.
  void putUnit(std::uint16_t u) { put(static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8)); }
  // The decoders read malformed input leniently and go on (see FirstLenient).
  static constexpr bool lenientAt(std::uint32_t) { return false; }
  // Appends what is staged to the DataBuffer.
  void flush() {
    if (used_ == 0) return;
    output_.append(block_, used_);
    used_ = 0;
  }

 private:
  DataBuffer& output_;
  std::uint32_t used_ = 0;
  std::uint8_t block_[kBlockSize];
};

// What the decoder of a byte transform writes to when only the first place where it reads
// leniently is asked (the check of a converter that must refuse malformed input): nothing is
// written and the walk stops there. The decoders are templates over their output, this or a
// StagedOutput, so that the check is the very walk that decodes.
class FirstLenient {
 public:
  explicit FirstLenient(std::uint32_t count) : at_(count) {}
  void put(std::uint8_t) {}
  void put(std::uint8_t, std::uint8_t) {}
  bool lenientAt(std::uint32_t offset) {
    at_ = offset;
    return true;
  }
  // The offset where the walk stopped; the input's length when it read nothing leniently.
  std::uint32_t at() const { return at_; }

 private:
  std::uint32_t at_;
};

}  // namespace vk
