// UTF-8 to UTF-16LE with AVX2, 32 input bytes a block.
//
// A block is classified into 32-bit masks (ASCII, continuation, 2- and 3-byte leads) and is
// settled here when every byte is one of those, the continuations are exactly the ones the
// leads call for, and no E0 is followed by less than A0; a sequence cut by the block end waits
// for the next block. Anything else, 4-byte sequences included, sends the block to the scalar
// pass. A unit is computed at every byte position, and the units at the leads are packed
// together eight positions at a time with a byte shuffle chosen by the lead mask.
#include "unicode/simd/transcode.h"

#if VK_SIMD_WIDE_KERNELS
#include <immintrin.h>

#define VK_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

namespace vk::simd {

namespace {

// For each 8-bit mask of kept 16-bit lanes, the shuffle that moves them to the front.
struct PackUnits {
  std::uint8_t shuffle[256][16];
  constexpr PackUnits() : shuffle() {
    for (int mask = 0; mask < 256; ++mask) {
      int out = 0;
      for (int lane = 0; lane < 8; ++lane) {
        if ((mask >> lane) & 1) {
          shuffle[mask][out++] = static_cast<std::uint8_t>(2 * lane);
          shuffle[mask][out++] = static_cast<std::uint8_t>(2 * lane + 1);
        }
      }
      while (out < 16) shuffle[mask][out++] = 0x80;
    }
  }
};

constexpr PackUnits kPackUnits;

VK_AVX2 inline __m128i packShuffle(unsigned mask) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(kPackUnits.shuffle[mask]));
}

VK_AVX2 inline std::uint32_t bytesMask(__m256i lanes) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(lanes));
}

// Bytes in [low, high] (as signed bytes, so both within 80..FF).
VK_AVX2 inline std::uint32_t inRange(__m256i v, int low, int high) {
  return bytesMask(_mm256_and_si256(_mm256_cmpgt_epi8(v, _mm256_set1_epi8(static_cast<char>(low - 1))),
                                    _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(high + 1)), v)));
}

VK_AVX2 inline __m256i load16(const std::uint8_t* s) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
}

// Sixteen positions starting at h to units (keeping the ones in `keep`, a 16-bit mask), written
// at q; answers the bytes written.
VK_AVX2 inline unsigned writeUnits(const std::uint8_t* h, unsigned keep, std::uint8_t* q) {
  __m256i b0 = load16(h);
  __m256i b1 = load16(h + 1);
  __m256i b2 = load16(h + 2);
  const __m256i k3F = _mm256_set1_epi16(0x3F);
  __m256i t1 = _mm256_and_si256(b1, k3F);
  __m256i u2 = _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(b0, _mm256_set1_epi16(0x1F)), 6), t1);
  __m256i u3 = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(b0, 12), _mm256_slli_epi16(t1, 6)),
                               _mm256_and_si256(b2, k3F));
  __m256i isLead = _mm256_cmpgt_epi16(b0, _mm256_set1_epi16(0xBF));
  __m256i isThree = _mm256_cmpgt_epi16(b0, _mm256_set1_epi16(0xDF));
  __m256i u = _mm256_blendv_epi8(b0, u2, isLead);
  u = _mm256_blendv_epi8(u, u3, isThree);
  unsigned low = keep & 0xFF, high = keep >> 8;
  __m256i packed = _mm256_shuffle_epi8(u, _mm256_set_m128i(packShuffle(high), packShuffle(low)));
  unsigned lowBytes = 2 * static_cast<unsigned>(__builtin_popcount(low));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm256_castsi256_si128(packed));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(q + lowBytes), _mm256_extracti128_si256(packed, 1));
  return lowBytes + 2 * static_cast<unsigned>(__builtin_popcount(high));
}

}  // namespace

VK_AVX2 const std::uint8_t* utf8ToUtf16Avx2(const std::uint8_t* p, const std::uint8_t* stop,
                                            const std::uint8_t* end, std::uint8_t*& out) {
  std::uint8_t* q = out;
  const __m256i kE0 = _mm256_set1_epi8(static_cast<char>(0xE0));
  // A block reads up to 2 bytes past itself (the bytes after a lead).
  while (stop - p >= 32 && end - p >= 34) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    std::uint32_t high = bytesMask(v);
    if (high == 0) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), _mm256_cvtepu8_epi16(_mm256_castsi256_si128(v)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + 32),
                          _mm256_cvtepu8_epi16(_mm256_extracti128_si256(v, 1)));
      p += 32;
      q += 64;
      continue;
    }
    std::uint32_t cont = bytesMask(_mm256_cmpgt_epi8(_mm256_set1_epi8(-64), v));  // 80..BF
    std::uint32_t lead2 = inRange(v, -62, -33);                                   // C2..DF
    std::uint32_t lead3 = inRange(v, -32, -17);                                   // E0..EF
    bool settled = (cont | lead2 | lead3) == high && cont == ((lead2 << 1) | (lead3 << 1) | (lead3 << 2));
    if (settled && lead3 != 0) {
      std::uint32_t belowA0 = bytesMask(_mm256_cmpgt_epi8(_mm256_set1_epi8(-96), v)) >> 1;
      settled = (bytesMask(_mm256_cmpeq_epi8(v, kE0)) & belowA0) == 0;
    }
    if (!settled) {
      p = utf8ToUtf16Scalar(p, p + 32, end, q);
      continue;
    }
    std::uint32_t cut = (lead2 >> 31) << 31 | (lead3 >> 30) << 30;
    unsigned length = cut != 0 ? static_cast<unsigned>(__builtin_ctz(cut)) : 32;
    std::uint32_t inBlock = length == 32 ? ~0u : (1u << length) - 1;
    std::uint32_t leads = (~cont) & inBlock;
    q += writeUnits(p, leads & 0xFFFF, q);
    q += writeUnits(p + 16, leads >> 16, q);
    p += length;
  }
  p = utf8ToUtf16Scalar(p, stop, end, q);
  out = q;
  return p;
}

}  // namespace vk::simd

#endif  // VK_SIMD_WIDE_KERNELS
