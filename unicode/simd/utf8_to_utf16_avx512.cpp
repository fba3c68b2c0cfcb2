// UTF-8 to UTF-16LE with AVX-512 (BW, VL, VBMI2), 64 input bytes a block.
//
// A block is classified byte by byte into 64-bit masks: ASCII, continuation, and the leads of
// 2-, 3- and 4-byte sequences. It is settled here when every byte is one of those, the
// continuations are exactly the ones the leads call for, and no lead breaks the value rules
// (E0 needs A0 or more next, F0 90 or more, F4 8F or less); a sequence cut by the block end is
// left for the next block. Anything else (C0, C1, F5-FF, a stray or missing continuation, an
// overlong or out-of-range form) sends the block to the scalar pass, which settles it exactly
// as it would have in a scalar run.
//
// Conversion: the lead bytes and the one or two bytes after each are gathered (compressed)
// into consecutive lanes, so the arithmetic runs once per character rather than once per
// byte; blocks holding 4-byte sequences compute a unit at every byte position instead and
// keep the lead (high surrogate) and the first continuation (low surrogate) positions.
#include "unicode/simd/transcode.h"

#if VK_SIMD_WIDE_KERNELS
#include <immintrin.h>

// GCC 12's AVX-512 headers start some conversions and extracts from a deliberately undefined
// register, which its own -Wmaybe-uninitialized then reports; no such value is read here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define VK_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))

namespace vk::simd {

namespace {

VK_AVX512 inline __m512i widen(__m256i bytes) { return _mm512_cvtepu8_epi16(bytes); }

VK_AVX512 inline __m256i load32(const std::uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Up to 32 characters of at most three bytes: lane i of b0/b1/b2 holds the lead and the two
// bytes after it; `two` and `three` mark the lanes with 2- and 3-byte leads. Writes the units.
VK_AVX512 inline void writeUnits(__m512i b0, __m512i b1, __m512i b2, __mmask32 two, __mmask32 three,
                                 __mmask32 keep, std::uint8_t* q) {
  const __m512i k3F = _mm512_set1_epi16(0x3F);
  __m512i t1 = _mm512_and_si512(b1, k3F);
  // (b0 & 1F) << 6 | b1 & 3F
  __m512i u2 = _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(b0, _mm512_set1_epi16(0x1F)), 6), t1);
  // b0 << 12 | (b1 & 3F) << 6 | b2 & 3F (the shift drops the lead's marker bits)
  __m512i u3 = _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi16(b0, 12), _mm512_slli_epi16(t1, 6)),
                               _mm512_and_si512(b2, k3F));
  __m512i u = _mm512_mask_mov_epi16(b0, two, u2);
  u = _mm512_mask_mov_epi16(u, three, u3);
  _mm512_mask_storeu_epi16(q, keep, u);
}

}  // namespace

VK_AVX512 const std::uint8_t* utf8ToUtf16Avx512(const std::uint8_t* p, const std::uint8_t* stop,
                                                const std::uint8_t* end, std::uint8_t*& out) {
  std::uint8_t* q = out;
  const __m512i kC0 = _mm512_set1_epi8(static_cast<char>(0xC0));
  const __m512i kC2 = _mm512_set1_epi8(static_cast<char>(0xC2));
  const __m512i kE0 = _mm512_set1_epi8(static_cast<char>(0xE0));
  const __m512i kF0 = _mm512_set1_epi8(static_cast<char>(0xF0));
  const __m512i kF4 = _mm512_set1_epi8(static_cast<char>(0xF4));
  const __m512i k90 = _mm512_set1_epi8(static_cast<char>(0x90));
  const __m512i kA0 = _mm512_set1_epi8(static_cast<char>(0xA0));
  // A block reads up to 3 bytes past itself (the bytes after a lead).
  while (stop - p >= 64 && end - p >= 67) {
    __m512i v = _mm512_loadu_si512(p);
    std::uint64_t high = _mm512_movepi8_mask(v);
    if (high == 0) {
      // 256-bit stores: on some cores a 512-bit store that splits a cache line costs more
      // than two narrower ones.
      for (int i = 0; i < 4; ++i) {
        __m128i part = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + 32 * i), _mm256_cvtepu8_epi16(part));
      }
      p += 64;
      q += 128;
      continue;
    }
    std::uint64_t cont = _mm512_cmplt_epu8_mask(v, kC0) & high;
    std::uint64_t lead2 = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, kC2), _mm512_set1_epi8(0x1E));
    std::uint64_t lead3 = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, kE0), _mm512_set1_epi8(0x10));
    std::uint64_t lead4 = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, kF0), _mm512_set1_epi8(0x05));
    std::uint64_t lead34 = lead3 | lead4;
    std::uint64_t expected = ((lead2 | lead34) << 1) | (lead34 << 2) | (lead4 << 3);
    bool settled = (cont | lead2 | lead34) == high && cont == expected;
    if (settled && lead34 != 0) {
      // The byte after E0, F0 and F4 (bit i + 1 of a mask is the byte after byte i).
      std::uint64_t belowA0 = _mm512_cmplt_epu8_mask(v, kA0) >> 1;
      std::uint64_t below90 = _mm512_cmplt_epu8_mask(v, k90) >> 1;
      std::uint64_t bad = (_mm512_cmpeq_epi8_mask(v, kE0) & belowA0) |
                          (_mm512_cmpeq_epi8_mask(v, kF0) & below90) |
                          (_mm512_cmpeq_epi8_mask(v, kF4) & ~below90 & (~0ull >> 1));
      settled = bad == 0;
    }
    if (!settled) {
      p = utf8ToUtf16Scalar(p, p + 64, end, q);
      continue;
    }
    // A sequence that runs past the block waits for the next one (there is at most one).
    std::uint64_t cut = (lead2 >> 63) << 63 | (lead3 >> 62) << 62 | (lead4 >> 61) << 61;
    unsigned length = cut != 0 ? static_cast<unsigned>(__builtin_ctzll(cut)) : 64;
    std::uint64_t inBlock = length == 64 ? ~0ull : (1ull << length) - 1;
    std::uint64_t leads = (~high | lead2 | lead34) & inBlock;
    if (lead4 == 0) {
      __m512i v1 = _mm512_loadu_si512(p + 1);
      __m512i v2 = _mm512_loadu_si512(p + 2);
      __m512i c0 = _mm512_maskz_compress_epi8(leads, v);
      __m512i c1 = _mm512_maskz_compress_epi8(leads, v1);
      __m512i c2 = _mm512_maskz_compress_epi8(leads, v2);
      unsigned count = static_cast<unsigned>(__builtin_popcountll(leads));
      std::uint64_t two = _pext_u64(lead2, leads);
      std::uint64_t three = _pext_u64(lead3, leads);
      std::uint64_t all = count == 64 ? ~0ull : (1ull << count) - 1;
      writeUnits(widen(_mm512_castsi512_si256(c0)), widen(_mm512_castsi512_si256(c1)),
                 widen(_mm512_castsi512_si256(c2)), static_cast<__mmask32>(two),
                 static_cast<__mmask32>(three), static_cast<__mmask32>(all), q);
      if (count > 32) {
        writeUnits(widen(_mm512_extracti64x4_epi64(c0, 1)), widen(_mm512_extracti64x4_epi64(c1, 1)),
                   widen(_mm512_extracti64x4_epi64(c2, 1)), static_cast<__mmask32>(two >> 32),
                   static_cast<__mmask32>(three >> 32), static_cast<__mmask32>(all >> 32), q + 64);
      }
      q += 2 * count;
      p += length;
      continue;
    }
    // With 4-byte sequences: a unit at every position, the high surrogate at the lead and the
    // low one at the continuation after it.
    std::uint64_t keep = leads | ((lead4 << 1) & inBlock);
    for (int half = 0; half < 2; ++half) {
      const std::uint8_t* h = p + 32 * half;
      __m512i b0 = widen(load32(h));
      __m512i b1 = widen(load32(h + 1));
      __m512i b2 = widen(load32(h + 2));
      const __m512i k3F = _mm512_set1_epi16(0x3F);
      __m512i t1 = _mm512_and_si512(b1, k3F);
      __m512i t2 = _mm512_and_si512(b2, k3F);
      __m512i u2 = _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(b0, _mm512_set1_epi16(0x1F)), 6), t1);
      __m512i u3 = _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi16(b0, 12), _mm512_slli_epi16(t1, 6)), t2);
      // High: D800 + ((b0 & 7) << 8 | (b1 & 3F) << 2 | (b2 >> 4 & 3)) - 0x40.
      __m512i hi =
          _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(b0, _mm512_set1_epi16(7)), 8),
                                          _mm512_slli_epi16(t1, 2)),
                          _mm512_srli_epi16(t2, 4));
      hi = _mm512_add_epi16(hi, _mm512_set1_epi16(static_cast<short>(0xD7C0)));
      // Low, at the first continuation: DC00 | (next & 0F) << 6 | (the one after & 3F).
      __m512i lo = _mm512_or_si512(
          _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(b1, _mm512_set1_epi16(0x0F)), 6), t2),
          _mm512_set1_epi16(static_cast<short>(0xDC00)));
      auto shiftDown = [half](std::uint64_t m) { return static_cast<__mmask32>(m >> (32 * half)); };
      __m512i u = _mm512_mask_mov_epi16(b0, shiftDown(lead2), u2);
      u = _mm512_mask_mov_epi16(u, shiftDown(lead3), u3);
      u = _mm512_mask_mov_epi16(u, shiftDown(lead4), hi);
      u = _mm512_mask_mov_epi16(u, shiftDown(lead4 << 1), lo);
      __mmask32 k = shiftDown(keep);
      _mm512_storeu_si512(q, _mm512_maskz_compress_epi16(k, u));
      q += 2 * __builtin_popcount(k);
    }
    p += length;
  }
  p = utf8ToUtf16Scalar(p, stop, end, q);
  out = q;
  return p;
}

}  // namespace vk::simd

#endif  // VK_SIMD_WIDE_KERNELS
