// Output staging for the byte transforms (ISO-2022-JP, ISO-2022-KR, HZ) and UTF-7, and the
// byte-range tests of the transforms. Bytes collect in a small local block that is appended to
// the DataBuffer each time it fills and once more when the transform ends, so a long text costs
// one append per 200 bytes rather than per byte.
#pragma once
#include <cstdint>
#include <optional>

#include "text/data_buffer.h"

namespace vk {

// Whether a byte lies in [low, high]: the byte transforms classify their bytes by such ranges.
inline bool inRange(std::uint8_t b, std::uint8_t low, std::uint8_t high) { return b >= low && b <= high; }
// The bytes of a 7-bit double-byte code (JIS X 0208, GB2312, KS X 1001 with the high bits clear).
inline bool isSevenBitGraphic(std::uint8_t b) { return inRange(b, 0x21, 0x7E); }

class StagedOutput {
 public:
  static constexpr std::uint32_t kBlockSize = 200;

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

// What the decoder of a byte transform reads into. The decoders never fail: they read malformed
// input leniently (a stray escape dropped, a byte without its partner left out). With an output
// the decoder reads the whole input so; with none it writes nothing and stops at the first
// place where it would read leniently, which stoppedAt() then answers: the check of a converter
// that must refuse malformed input, made by the very walk that decodes.
class DecodeSink {
 public:
  explicit DecodeSink(DataBuffer& output) : staged_(std::in_place, output) {}
  // Only finding the first lenient place of an input of `count` bytes (`count` when there is none).
  explicit DecodeSink(std::uint32_t count) : stoppedAt_(count) {}

  void put(std::uint8_t b) {
    if (staged_) staged_->put(b);
  }
  void put(std::uint8_t a, std::uint8_t b) {
    if (staged_) staged_->put(a, b);
  }
  // The decoder reads leniently at `offset`: true when it is to stop there.
  bool lenientAt(std::uint32_t offset) {
    if (staged_) return false;
    stoppedAt_ = offset;
    return true;
  }
  std::uint32_t stoppedAt() const { return stoppedAt_; }

 private:
  std::optional<StagedOutput> staged_;
  std::uint32_t stoppedAt_ = 0;
};

}  // namespace vk
