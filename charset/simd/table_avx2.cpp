// Table code pages with AVX2. Without wide byte permutes a single-byte page's units are
// gathered from a table of 32-bit entries, eight bytes per gather, and narrowed back to
// 16-bit units; ASCII runs are widened sixteen bytes at a time. Encoding narrows ASCII units
// in blocks and looks the others up one at a time.
#include "charset/simd/table_kernels.h"

#if VK_TABLE_SIMD
#include <immintrin.h>

#define VK_TARGET_AVX2 __attribute__((target("avx2,bmi,bmi2")))

namespace vk::tablesimd {

VK_TARGET_AVX2
std::size_t decodeSingleByteAvx2(const std::uint32_t* wideUnits, const std::uint8_t* in, std::size_t count,
                                 std::uint8_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  std::size_t done = 0;
  for (; count - done >= 16; done += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
    __m256i a =
        _mm256_i32gather_epi32(reinterpret_cast<const int*>(wideUnits), _mm256_cvtepu8_epi32(bytes), 4);
    __m256i b = _mm256_i32gather_epi32(reinterpret_cast<const int*>(wideUnits),
                                       _mm256_cvtepu8_epi32(_mm_srli_si128(bytes, 8)), 4);
    // Units fit 16 bits, so the unsigned pack keeps them; it interleaves the halves, which
    // the 64-bit permute puts back in order.
    __m256i units = _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), 0xD8);
    __m256i wide = _mm256_cvtepu8_epi16(bytes);
    // Left out: unit 0 from a byte other than 0.
    auto dropped = static_cast<std::uint32_t>(_mm256_movemask_epi8(
        _mm256_andnot_si256(_mm256_cmpeq_epi16(wide, zero), _mm256_cmpeq_epi16(units, zero))));
    if (dropped != 0) {
      std::size_t good = static_cast<std::size_t>(__builtin_ctz(dropped)) / 2;
      std::uint16_t kept[16];
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(kept), units);
      for (std::size_t k = 0; k < good; ++k) {
        out[2 * (done + k)] = static_cast<std::uint8_t>(kept[k]);
        out[2 * (done + k) + 1] = static_cast<std::uint8_t>(kept[k] >> 8);
      }
      return done + good;
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * done), units);
  }
  return done;
}

VK_TARGET_AVX2
std::size_t encodeSingleByteAvx2(const FlatEncodeTable& table, bool foldArabicDigits, const std::uint8_t* in,
                                 std::size_t units, std::uint8_t* out) {
  const __m256i notAscii = _mm256_set1_epi16(static_cast<short>(0xFF80));
  const __m256i zero = _mm256_setzero_si256();
  std::size_t done = 0;
  for (; units - done >= 32; done += 32) {
    const std::uint8_t* block = in + 2 * done;
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32));
    // The packs interleave the 128-bit halves; the 64-bit permute puts them back in order.
    __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
    __m256i ascii =
        _mm256_permute4x64_epi64(_mm256_packs_epi16(_mm256_cmpeq_epi16(_mm256_and_si256(a, notAscii), zero),
                                                    _mm256_cmpeq_epi16(_mm256_and_si256(b, notAscii), zero)),
                                 0xD8);
    auto open = ~static_cast<std::uint32_t>(_mm256_movemask_epi8(ascii));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done), bytes);
    if (open == 0) continue;
    std::size_t good = settleOpenUnits(table, foldArabicDigits, block, open, 32, out + done);
    if (good < 32) return done + good;
  }
  return done;
}

VK_TARGET_AVX2
std::size_t widenAsciiAvx2(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
  std::size_t done = 0;
  for (; count - done >= 16; done += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
    if (_mm_movemask_epi8(bytes) != 0) break;  // the run ends in this block
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * done), _mm256_cvtepu8_epi16(bytes));
  }
  return done;
}

}  // namespace vk::tablesimd
#endif
