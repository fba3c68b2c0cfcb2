// The rules of the bulk UTF-8 and UTF-16 conversions, one character at a time. The conversion
// engine's codec and every vector kernel follow these; a kernel hands whatever its blocks do
// not settle to the scalar passes built from them, so all paths give the same bytes.
//
// UTF-8 reading: 1- to 3-byte sequences as usual, no overlong forms, encoded surrogates
// (ED A0..BF xx) accepted as their unit; 4-byte sequences F0 90..F4 8F give a pair.
#pragma once
#include <cstdint>

namespace vk::simd {

inline bool isContinuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }
inline bool isHighSurrogate(std::uint32_t u) { return (u & 0xFC00) == 0xD800; }
inline bool isLowSurrogate(std::uint32_t u) { return (u & 0xFC00) == 0xDC00; }

inline std::uint32_t combinePair(std::uint32_t high, std::uint32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// UTF-16LE units, whatever the alignment.
inline std::uint16_t loadUnit(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline void storeUnit(std::uint8_t* q, std::uint32_t unit) {
  q[0] = static_cast<std::uint8_t>(unit);
  q[1] = static_cast<std::uint8_t>(unit >> 8);
}

struct Decoded {
  std::int32_t consumed;  // >0 bytes consumed; -1 invalid; -2 cut short
  std::uint32_t value;    // the code point (a surrogate value for encoded surrogates)
};

inline Decoded decodeUtf8(const std::uint8_t* p, std::int64_t available) {
  if (available <= 0) return {-2, 0};
  std::uint32_t b0 = p[0];
  if (b0 < 0x80) return {1, b0};
  if (b0 < 0xC2) return {-1, 0};
  if (b0 < 0xE0) {
    if (available < 2) return {-2, 0};
    if (!isContinuation(p[1])) return {-1, 0};
    return {2, ((b0 & 0x1F) << 6) | (p[1] & 0x3Fu)};
  }
  if (b0 < 0xF0) {
    if (available < 3) return {-2, 0};
    if (!isContinuation(p[1]) || !isContinuation(p[2])) return {-1, 0};
    if (b0 == 0xE0 && p[1] < 0xA0) return {-1, 0};
    return {3, ((b0 & 0x0F) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu)};
  }
  if (b0 <= 0xF4) {
    if (available < 4) return {-2, 0};
    if (!isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3])) { return {-1, 0}; }
    if (b0 == 0xF0 && p[1] < 0x90) return {-1, 0};
    if (b0 == 0xF4 && p[1] > 0x8F) return {-1, 0};
    return {4, ((b0 & 0x07) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu)};
  }
  return {-1, 0};
}

}  // namespace vk::simd
