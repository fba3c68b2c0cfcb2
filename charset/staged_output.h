// Output staging for the byte transforms (ISO-2022-JP, ISO-2022-KR, HZ), and their byte-range
// test. Bytes collect in a small local block that is appended to the DataBuffer each time it
// fills and once more when the transform ends, so a long text costs one append per 200 bytes
// rather than per byte.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

// Whether a byte lies in [low, high]: the byte transforms classify their bytes by such ranges.
inline bool inRange(std::uint8_t b, std::uint8_t low, std::uint8_t high) { return b >= low && b <= high; }

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

}  // namespace vk
