// Each walk below follows its decoder step by step (korean.cpp, hz.cpp, utf7.cpp), so that the
// offset it answers is where that decoder begins to read leniently.
#include "charset/stateful_checks.h"

namespace vk {
namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kShiftOut = 0x0E;
constexpr std::uint8_t kShiftIn = 0x0F;
constexpr std::uint8_t kTilde = 0x7E;
constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;

bool isSevenBitGraphic(std::uint8_t b) { return b >= 0x21 && b <= 0x7E; }

int base64Value(std::uint8_t b) {
  if (b >= 'A' && b <= 'Z') return b - 'A';
  if (b >= 'a' && b <= 'z') return b - 'a' + 26;
  if (b >= '0' && b <= '9') return b - '0' + 52;
  if (b == '+') return 62;
  if (b == '/') return 63;
  return -1;
}

}  // namespace

std::uint32_t firstMalformedIso2022Kr(const std::uint8_t* bytes, std::uint32_t count) {
  bool shifted = false;
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (b == kEsc) {
      bool designator = count - i > 3 && bytes[i + 1] == 0x24 && bytes[i + 2] == 0x29 && bytes[i + 3] == 0x43;
      if (!designator) return i;
      i += 4;
    } else if (b == kShiftOut || b == kShiftIn) {
      shifted = b == kShiftOut;
      ++i;
    } else if (shifted) {
      if (i + 1 >= count || !isSevenBitGraphic(b) || !isSevenBitGraphic(bytes[i + 1])) return i;
      i += 2;
    } else {
      ++i;
    }
  }
  return count;
}

std::uint32_t firstMalformedHz(const std::uint8_t* bytes, std::uint32_t count) {
  bool gb = false;
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (!gb) {
      if (b != kTilde) {
        ++i;
        continue;
      }
      if (i + 1 >= count) return i;
      std::uint8_t n = bytes[i + 1];
      if (n == kTilde || n == '}' || n == kLf) {
        i += 2;
      } else if (n == '{') {
        gb = true;
        i += 2;
      } else if (n == kCr) {
        i += (i + 2 < count && bytes[i + 2] == kLf) ? 3 : 2;
      } else {
        return i;
      }
      continue;
    }
    if (b == kTilde && i + 1 < count && (bytes[i + 1] == '}' || bytes[i + 1] == '{')) {
      gb = bytes[i + 1] == '{';
      i += 2;
    } else if (b == kCr || b == kLf) {
      gb = false;
      ++i;
    } else if (isSevenBitGraphic(b)) {
      if (i + 1 >= count || !isSevenBitGraphic(bytes[i + 1])) return i;
      i += 2;
    } else {
      return i;
    }
  }
  return count;
}

std::uint32_t firstMalformedUtf7(const std::uint8_t* bytes, std::uint32_t count) {
  // The decoder hands its 16-bit units on as they come, so a surrogate pair may span two runs;
  // a high surrogate waits here (with the offset of its run's '+') for the low one.
  constexpr std::uint32_t kNone = ~0u;
  std::uint32_t pendingHigh = kNone;
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (b != '+' || (i + 1 < count && bytes[i + 1] == '-')) {
      if (pendingHigh != kNone) return pendingHigh;
      if (b > 0x7F) return i;
      i += b == '+' ? 2 : 1;
      continue;
    }
    std::uint32_t start = i++;
    std::uint32_t bits = 0;
    int bitCount = 0;
    bool yielded = false;
    for (int value; i < count && (value = base64Value(bytes[i])) >= 0; ++i) {
      bits = (bits << 6) | static_cast<std::uint32_t>(value);
      bitCount += 6;
      if (bitCount >= 16) {
        bitCount -= 16;
        yielded = true;
        std::uint32_t unit = (bits >> bitCount) & 0xFFFF;
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (pendingHigh != kNone && !low) return pendingHigh;
        if (pendingHigh == kNone && low) return start;
        pendingHigh = high ? start : kNone;
      }
      bits &= (1u << bitCount) - 1;
    }
    if (!yielded || bits != 0) return start;
    if (i < count && bytes[i] == '-') ++i;
  }
  return pendingHigh != kNone ? pendingHigh : count;
}

}  // namespace vk
