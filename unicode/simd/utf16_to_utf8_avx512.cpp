// UTF-16LE to UTF-8 with AVX-512 (BW, VL, VBMI2), 32 units a block.
//
// Every unit is settled here: a high surrogate followed by a low one is one 4-byte sequence,
// any other unit (a lone surrogate included) the sequence of its value. Only a high surrogate
// in the block's last lane waits for the next block, which sees its partner. Each unit's
// sequence is built in a lane (16 bits when no unit needs three bytes, else 32 bits), then the
// bytes in use are compressed together and stored at once.
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

// Sixteen units (w) and the unit after each (next) to their sequences, 4 bytes a lane, with
// `pairHigh` marking highs that start a pair, `none` the lanes that write nothing (the low of
// a pair, a unit left for the next block). Answers the bytes written.
VK_AVX512 inline unsigned writeSequences(__m512i w, __m512i next, __mmask16 pairHigh, __mmask16 none,
                                         std::uint8_t* q) {
  const __m512i k3F = _mm512_set1_epi32(0x3F);
  const __m512i k80 = _mm512_set1_epi32(0x80);
  __mmask16 one = _mm512_cmplt_epu32_mask(w, _mm512_set1_epi32(0x80));
  __mmask16 upTo2 = _mm512_cmplt_epu32_mask(w, _mm512_set1_epi32(0x800));
  __m512i last = _mm512_or_si512(_mm512_and_si512(w, k3F), k80);
  __m512i middle = _mm512_or_si512(_mm512_and_si512(_mm512_srli_epi32(w, 6), k3F), k80);
  // Three bytes: E0 | w >> 12, then middle, then last.
  __m512i seq =
      _mm512_or_si512(_mm512_or_si512(_mm512_or_si512(_mm512_srli_epi32(w, 12), _mm512_set1_epi32(0xE0)),
                                      _mm512_slli_epi32(middle, 8)),
                      _mm512_slli_epi32(last, 16));
  // Two bytes: C0 | w >> 6, then last.
  __m512i seq2 = _mm512_or_si512(_mm512_or_si512(_mm512_srli_epi32(w, 6), _mm512_set1_epi32(0xC0)),
                                 _mm512_slli_epi32(last, 8));
  seq = _mm512_mask_mov_epi32(seq, upTo2, seq2);
  seq = _mm512_mask_mov_epi32(seq, one, w);
  __m512i lengths = _mm512_set1_epi32(0x03030303);
  lengths = _mm512_mask_mov_epi32(lengths, upTo2, _mm512_set1_epi32(0x02020202));
  lengths = _mm512_mask_mov_epi32(lengths, one, _mm512_set1_epi32(0x01010101));
  if (pairHigh != 0) {
    // t = (high & 3FF) + 40 is the code point >> 10: F0 | t >> 8, 80 | (t >> 2 & 3F),
    // 80 | (t & 3) << 4 | (low >> 6 & 0F), 80 | (low & 3F).
    __m512i t = _mm512_add_epi32(_mm512_and_si512(w, _mm512_set1_epi32(0x3FF)), _mm512_set1_epi32(0x40));
    __m512i b0 = _mm512_or_si512(_mm512_srli_epi32(t, 8), _mm512_set1_epi32(0xF0));
    __m512i b1 = _mm512_or_si512(_mm512_and_si512(_mm512_srli_epi32(t, 2), k3F), k80);
    __m512i b2 = _mm512_or_si512(
        _mm512_or_si512(_mm512_slli_epi32(_mm512_and_si512(t, _mm512_set1_epi32(3)), 4),
                        _mm512_and_si512(_mm512_srli_epi32(next, 6), _mm512_set1_epi32(0x0F))),
        k80);
    __m512i b3 = _mm512_or_si512(_mm512_and_si512(next, k3F), k80);
    __m512i seq4 = _mm512_or_si512(_mm512_or_si512(b0, _mm512_slli_epi32(b1, 8)),
                                   _mm512_or_si512(_mm512_slli_epi32(b2, 16), _mm512_slli_epi32(b3, 24)));
    seq = _mm512_mask_mov_epi32(seq, pairHigh, seq4);
    lengths = _mm512_mask_mov_epi32(lengths, pairHigh, _mm512_set1_epi32(0x04040404));
  }
  lengths = _mm512_mask_mov_epi32(lengths, none, _mm512_setzero_si512());
  const __m512i byteIndex = _mm512_set1_epi32(0x03020100);
  std::uint64_t keep = _mm512_cmplt_epu8_mask(byteIndex, lengths);
  _mm512_storeu_si512(q, _mm512_maskz_compress_epi8(keep, seq));
  return static_cast<unsigned>(__builtin_popcountll(keep));
}

}  // namespace

VK_AVX512 const std::uint8_t* utf16ToUtf8Avx512(const std::uint8_t* p, const std::uint8_t* stop,
                                                const std::uint8_t* end, std::uint8_t*& out) {
  std::uint8_t* q = out;
  const __m512i k80 = _mm512_set1_epi16(0x80);
  const __m512i k800 = _mm512_set1_epi16(0x800);
  const __m512i kF800 = _mm512_set1_epi16(static_cast<short>(0xF800));
  const __m512i kFC00 = _mm512_set1_epi16(static_cast<short>(0xFC00));
  const __m512i kD800 = _mm512_set1_epi16(static_cast<short>(0xD800));
  const __m512i kDC00 = _mm512_set1_epi16(static_cast<short>(0xDC00));
  // A block reads the unit after itself (the partner of a high surrogate).
  while (stop - p >= 64 && end - p >= 66) {
    __m512i v = _mm512_loadu_si512(p);
    __mmask32 one = _mm512_cmplt_epu16_mask(v, k80);
    if (one == 0xFFFFFFFFu) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), _mm512_cvtepi16_epi8(v));
      p += 64;
      q += 32;
      continue;
    }
    __mmask32 upTo2 = _mm512_cmplt_epu16_mask(v, k800);
    if (upTo2 == 0xFFFFFFFFu) {
      // One or two bytes a unit, in its own 16-bit lane: C0 | u >> 6, then 80 | (u & 3F).
      __m512i two =
          _mm512_or_si512(_mm512_or_si512(_mm512_srli_epi16(v, 6),
                                          _mm512_slli_epi16(_mm512_and_si512(v, _mm512_set1_epi16(0x3F)), 8)),
                          _mm512_set1_epi16(static_cast<short>(0x80C0)));
      __m512i seq = _mm512_mask_mov_epi16(two, one, v);
      std::uint64_t keep = 0x5555555555555555ull | _pdep_u64(~one, 0xAAAAAAAAAAAAAAAAull);
      _mm512_storeu_si512(q, _mm512_maskz_compress_epi8(keep, seq));
      p += 64;
      q += 64 - __builtin_popcount(one);
      continue;
    }
    __mmask32 surrogate = _mm512_cmpeq_epi16_mask(_mm512_and_si512(v, kF800), kD800);
    __mmask32 pairHigh = 0, none = 0;
    unsigned units = 32;
    __m512i v1 = v;
    if (surrogate != 0) {
      __mmask32 high = _mm512_cmpeq_epi16_mask(_mm512_and_si512(v, kFC00), kD800);
      __mmask32 low = _mm512_cmpeq_epi16_mask(_mm512_and_si512(v, kFC00), kDC00);
      // A low right after a high is that high's partner; a high in the last lane waits.
      pairHigh = high & (low >> 1);
      none = pairHigh << 1;
      if (high >> 31) {
        units = 31;
        none |= 1u << 31;
      }
      v1 = _mm512_loadu_si512(p + 2);
    }
    unsigned n = writeSequences(_mm512_cvtepu16_epi32(_mm512_castsi512_si256(v)),
                                _mm512_cvtepu16_epi32(_mm512_castsi512_si256(v1)),
                                static_cast<__mmask16>(pairHigh), static_cast<__mmask16>(none), q);
    q += n;
    n = writeSequences(_mm512_cvtepu16_epi32(_mm512_extracti64x4_epi64(v, 1)),
                       _mm512_cvtepu16_epi32(_mm512_extracti64x4_epi64(v1, 1)),
                       static_cast<__mmask16>(pairHigh >> 16), static_cast<__mmask16>(none >> 16), q);
    q += n;
    p += 2 * units;
  }
  p = utf16ToUtf8Scalar(p, stop, end, q);
  out = q;
  return p;
}

}  // namespace vk::simd

#endif  // VK_SIMD_WIDE_KERNELS
