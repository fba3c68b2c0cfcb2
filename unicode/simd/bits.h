// Bit helpers for the movemask results of the vector loops: the lowest set bit and the count of
// set bits, with the compiler's builtins (MSVC's intrinsics where those are missing).
#pragma once
#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace vk::simd {

// Index of the lowest set bit; `mask` is never 0.
inline unsigned lowestBit(unsigned mask) {
#if defined(_MSC_VER)
  unsigned long index;
  _BitScanForward(&index, mask);
  return static_cast<unsigned>(index);
#else
  return static_cast<unsigned>(__builtin_ctz(mask));
#endif
}

inline unsigned bitCount(unsigned mask) {
#if defined(_MSC_VER)
  return static_cast<unsigned>(__popcnt(mask));
#else
  return static_cast<unsigned>(__builtin_popcount(mask));
#endif
}

}  // namespace vk::simd
