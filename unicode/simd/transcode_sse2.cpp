// The baseline (SSE2) UTF-8 <-> UTF-16LE kernels: ASCII in 16-byte blocks, blocks of one- and
// two-byte characters, runs of eight three-byte characters; anything else one character at a
// time by the scalar rules.
#include "unicode/simd/transcode.h"

#if VK_SIMD_SSE2_KERNELS
#include <emmintrin.h>

#include <cstring>

#include "unicode/simd/bits.h"
#include "unicode/simd/transcode_rules.h"

namespace vk::simd {

namespace {

// Eight three-byte sequences (24 bytes, 28 readable) to eight units, or false when the 24
// bytes are not exactly that: E0-EF, two continuation bytes, value at least 0x800.
// Encoded surrogates pass, as everywhere.
inline bool decodeThreeByteBlock(const std::uint8_t* p, std::uint8_t* q) {
  const __m128i leadMask = _mm_set1_epi32(0x00C0C0F0);
  const __m128i leadBits = _mm_set1_epi32(0x008080E0);
  const __m128i below800 = _mm_set1_epi32(0x800);
  __m128i units[2];
  for (int half = 0; half < 2; ++half) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12 * half));
    // Lane k holds bytes 3k, 3k+1, 3k+2 (and one more, ignored).
    __m128i x = _mm_unpacklo_epi64(_mm_unpacklo_epi32(v, _mm_srli_si128(v, 3)),
                                   _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9)));
    __m128i ok = _mm_cmpeq_epi32(_mm_and_si128(x, leadMask), leadBits);
    __m128i u = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(_mm_and_si128(x, _mm_set1_epi32(0x0F)), 12),
                                          _mm_and_si128(_mm_srli_epi32(x, 2), _mm_set1_epi32(0x0FC0))),
                             _mm_and_si128(_mm_srli_epi32(x, 16), _mm_set1_epi32(0x3F)));
    ok = _mm_andnot_si128(_mm_cmplt_epi32(u, below800), ok);
    if (_mm_movemask_epi8(ok) != 0xFFFF) return false;
    // Sign-extend the low 16 bits so that the saturating pack keeps them as they are.
    units[half] = _mm_srai_epi32(_mm_slli_epi32(u, 16), 16);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_packs_epi32(units[0], units[1]));
  return true;
}

// Sixteen bytes of one- and two-byte characters (a lead in the last byte takes its
// continuation from byte 16, so 17 bytes must be readable). Answers the bytes consumed, 16
// or 17, or 0 when the block holds anything else (then nothing is written).
inline int decodeOneTwoByteBlock(const std::uint8_t* p, __m128i v, std::uint8_t*& q) {
  __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
  const __m128i contLimit = _mm_set1_epi8(-64);  // 0x80-0xBF are below it as signed bytes
  unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
  __m128i isCont = _mm_cmplt_epi8(v, contLimit);
  unsigned cont = static_cast<unsigned>(_mm_movemask_epi8(isCont));
  // C2-DF: above 0xC1 and below 0xE0 as signed bytes (ASCII is removed by `high`).
  unsigned lead = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
                      _mm_cmpgt_epi8(v, _mm_set1_epi8(-63)), _mm_cmplt_epi8(v, _mm_set1_epi8(-32))))) &
                  high;
  unsigned nextCont = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v1, contLimit)));
  // Every byte of the block is ASCII, a lead or a continuation; each lead is followed by a
  // continuation and each continuation follows a lead.
  if (high != (lead | cont) || (lead & ~nextCont) != 0 || cont != ((lead << 1) & 0xFFFF)) { return 0; }
  const __m128i zero = _mm_setzero_si128();
  const __m128i k1F = _mm_set1_epi16(0x1F);
  const __m128i k3F = _mm_set1_epi16(0x3F);
  const __m128i k7F = _mm_set1_epi16(0x7F);
  alignas(16) std::uint16_t units[16];
  for (int half = 0; half < 2; ++half) {
    __m128i a = half == 0 ? _mm_unpacklo_epi8(v, zero) : _mm_unpackhi_epi8(v, zero);
    __m128i b = half == 0 ? _mm_unpacklo_epi8(v1, zero) : _mm_unpackhi_epi8(v1, zero);
    __m128i two = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(a, k1F), 6), _mm_and_si128(b, k3F));
    __m128i isTwo = _mm_cmpgt_epi16(a, k7F);
    _mm_store_si128(reinterpret_cast<__m128i*>(units + 8 * half),
                    _mm_or_si128(_mm_and_si128(isTwo, two), _mm_andnot_si128(isTwo, a)));
  }
  // Where each kept unit goes: twice the count of kept positions before it. A continuation
  // position writes where the next unit will write over it.
  __m128i keep = _mm_andnot_si128(isCont, _mm_set1_epi8(1));
  __m128i sum = _mm_add_epi8(keep, _mm_slli_si128(keep, 1));
  sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 2));
  sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 4));
  sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 8));
  __m128i before = _mm_sub_epi8(sum, keep);
  alignas(16) std::uint8_t offsets[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(offsets), _mm_add_epi8(before, before));
  for (int i = 0; i < 16; ++i) std::memcpy(q + offsets[i], units + i, 2);
  unsigned kept = static_cast<unsigned>(_mm_extract_epi16(sum, 7)) >> 8;
  q += 2 * kept;
  return 16 + static_cast<int>((lead >> 15) & 1);
}

}  // namespace

const std::uint8_t* utf8ToUtf16Sse2(const std::uint8_t* p, const std::uint8_t* stop, const std::uint8_t* end,
                                    std::uint8_t*& out) {
  std::uint8_t* q = out;
  const __m128i zero = _mm_setzero_si128();
  while (stop - p >= 16 && end - p >= 17) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(v));
    if (mask == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 16), _mm_unpackhi_epi8(v, zero));
      p += 16;
      q += 32;
      continue;
    }
    if ((p[0] & 0xF0) == 0xE0) {
      if (stop - p >= 28 && decodeThreeByteBlock(p, q)) {
        do {
          p += 24;
          q += 16;
        } while (stop - p >= 28 && decodeThreeByteBlock(p, q));
        continue;
      }
    } else if (int n = decodeOneTwoByteBlock(p, v, q)) {
      p += n;
      continue;
    }
    // Keep the ASCII bytes before the first other byte, then that character alone.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 16), _mm_unpackhi_epi8(v, zero));
    unsigned n = lowestBit(mask);
    p += n;
    q += 2 * n;
    p = utf8ToUtf16Scalar(p, p + 1, end, q);
  }
  p = utf8ToUtf16Scalar(p, stop, end, q);
  out = q;
  return p;
}

const std::uint8_t* utf16ToUtf8Sse2(const std::uint8_t* p, const std::uint8_t* stop, const std::uint8_t* end,
                                    std::uint8_t*& out) {
  std::uint8_t* q = out;
  const __m128i zero = _mm_setzero_si128();
  const __m128i k7F = _mm_set1_epi16(0x7F);
  const __m128i k7FF = _mm_set1_epi16(0x7FF);
  const __m128i k3F = _mm_set1_epi16(0x3F);
  const __m128i kF800 = _mm_set1_epi16(static_cast<short>(0xF800));
  const __m128i kD800 = _mm_set1_epi16(static_cast<short>(0xD800));
  const __m128i kLead2 = _mm_set1_epi16(static_cast<short>(0x80C0));  // C0 then 80
  const __m128i kLead3 = _mm_set1_epi16(static_cast<short>(0x80E0));  // E0 then 80
  const __m128i k80 = _mm_set1_epi16(0x80);
  const __m128i k3 = _mm_set1_epi16(3);
  while (stop - p >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i one = _mm_cmpeq_epi16(_mm_subs_epu16(v, k7F), zero);  // u < 0x80
    unsigned oneMask = static_cast<unsigned>(_mm_movemask_epi8(one));
    if (oneMask == 0xFFFF) {
      if (stop - p >= 32) {
        __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_packus_epi16(v, v2));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(v2, k7F), zero)) == 0xFFFF) {
          p += 32;
          q += 16;
          continue;
        }
      } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(q), _mm_packus_epi16(v, v));
      }
      p += 16;
      q += 8;
      continue;
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, kF800), kD800)) != 0) {
      // Surrogates in this block: take its units by the scalar rules.
      p = utf16ToUtf8Scalar(p, p + 16, end, q);
      continue;
    }
    __m128i upTo2 = _mm_cmpeq_epi16(_mm_subs_epu16(v, k7FF), zero);  // u < 0x800
    unsigned upTo2Mask = static_cast<unsigned>(_mm_movemask_epi8(upTo2));
    // The two-byte form in one 16-bit lane: 0xC0 | u >> 6, then 0x80 | (u & 0x3F).
    __m128i form2 =
        _mm_or_si128(_mm_or_si128(_mm_srli_epi16(v, 6), _mm_slli_epi16(_mm_and_si128(v, k3F), 8)), kLead2);
    __m128i first = _mm_or_si128(_mm_and_si128(one, v), _mm_andnot_si128(one, form2));
    alignas(16) std::uint8_t lanes[32];
    if (upTo2Mask == 0xFFFF) {
      // One- and two-byte units only: a 2-byte store each, advancing by 1 or 2.
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), first);
      for (int i = 0; i < 8; ++i) {
        std::memcpy(q, lanes + 2 * i, 2);
        q += 2 - ((oneMask >> (2 * i)) & 1);
      }
      p += 16;
      continue;
    }
    // The first two bytes of the three-byte form in a 16-bit lane, the third in another.
    __m128i form3 = _mm_or_si128(
        _mm_or_si128(_mm_srli_epi16(v, 12), _mm_slli_epi16(_mm_and_si128(_mm_srli_epi16(v, 6), k3F), 8)),
        kLead3);
    first = _mm_or_si128(_mm_and_si128(upTo2, first), _mm_andnot_si128(upTo2, form3));
    __m128i third = _mm_or_si128(_mm_and_si128(v, k3F), k80);
    __m128i low4 = _mm_unpacklo_epi16(first, third);  // units 0-3 as b0 b1 b2 0
    __m128i high4 = _mm_unpackhi_epi16(first, third);
    if (upTo2Mask == 0) {
      // All three bytes long (CJK): close the gap in each pair of units, so that every
      // 64-bit lane holds 6 output bytes, and store the lanes 6 bytes apart.
      const __m128i even = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
      const __m128i odd = _mm_set_epi32(0x00FFFFFF, 0, 0x00FFFFFF, 0);
      __m128i a = _mm_or_si128(_mm_and_si128(low4, even), _mm_srli_epi64(_mm_and_si128(low4, odd), 8));
      __m128i b = _mm_or_si128(_mm_and_si128(high4, even), _mm_srli_epi64(_mm_and_si128(high4, odd), 8));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(q), a);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 6), _mm_unpackhi_epi64(a, a));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 12), b);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 18), _mm_unpackhi_epi64(b, b));
      q += 24;
      p += 16;
      continue;
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), low4);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 16), high4);
    // Lengths 1 to 3 per unit: 3 less one for each class the unit falls below.
    __m128i lengths = _mm_add_epi16(_mm_add_epi16(k3, one), upTo2);
    std::uint64_t packed;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&packed), _mm_packus_epi16(lengths, lengths));
    for (int i = 0; i < 8; ++i) {
      std::memcpy(q, lanes + 4 * i, 4);
      q += packed & 0xFF;
      packed >>= 8;
    }
    p += 16;
  }
  p = utf16ToUtf8Scalar(p, stop, end, q);
  out = q;
  return p;
}

}  // namespace vk::simd

#endif  // VK_SIMD_SSE2_KERNELS
