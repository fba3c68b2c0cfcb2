// UTF-16LE to UTF-8 with AVX2, 16 units a block.
//
// Every unit is settled here: a high surrogate followed by a low one is one 4-byte sequence,
// any other unit (a lone surrogate included) the sequence of its value; only a high surrogate
// in the block's last lane waits for the next block. Each unit's sequence is built in a lane
// (16 bits when every unit is below 0x800, else 32 bits), and the bytes in use are packed
// together per 128-bit lane by a byte shuffle chosen from the lane's sequence lengths.
#include "unicode/simd/transcode.h"

#if VK_SIMD_WIDE_KERNELS
#include <immintrin.h>

#define VK_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

namespace vk::simd {

namespace {

// Eight 16-bit lanes of one or two bytes: index bit k set when lane k uses both bytes.
struct PackPairs {
  std::uint8_t shuffle[256][16];
  constexpr PackPairs() : shuffle() {
    for (int mask = 0; mask < 256; ++mask) {
      int out = 0;
      for (int lane = 0; lane < 8; ++lane) {
        shuffle[mask][out++] = static_cast<std::uint8_t>(2 * lane);
        if ((mask >> lane) & 1) shuffle[mask][out++] = static_cast<std::uint8_t>(2 * lane + 1);
      }
      while (out < 16) shuffle[mask][out++] = 0x80;
    }
  }
};

// Four 32-bit lanes of 0 to 4 bytes: index L0 + 5 L1 + 25 L2 + 125 L3.
struct PackQuads {
  std::uint8_t shuffle[625][16];
  std::uint8_t length[625];
  constexpr PackQuads() : shuffle(), length() {
    for (int index = 0; index < 625; ++index) {
      int out = 0;
      for (int lane = 0, rest = index; lane < 4; ++lane, rest /= 5) {
        for (int k = 0; k < rest % 5; ++k) shuffle[index][out++] = static_cast<std::uint8_t>(4 * lane + k);
      }
      length[index] = static_cast<std::uint8_t>(out);
      while (out < 16) shuffle[index][out++] = 0x80;
    }
  }
};

constexpr PackPairs kPackPairs;
constexpr PackQuads kPackQuads;

VK_AVX2 inline __m128i load128(const std::uint8_t* s) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
}

// A mask of eight lanes as 32-bit lanes of all ones or zeros.
VK_AVX2 inline __m256i laneMask(unsigned mask) {
  const __m256i bits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
  return _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(static_cast<int>(mask)), bits), bits);
}

// Eight units (w) and the unit after each (next) to their sequences; `pairHigh` marks highs
// that start a pair, `none` lanes that write nothing. Answers the bytes written.
VK_AVX2 inline unsigned writeSequences(__m256i w, __m256i next, unsigned pairHigh, unsigned none,
                                       std::uint8_t* q) {
  const __m256i k3F = _mm256_set1_epi32(0x3F);
  const __m256i k80 = _mm256_set1_epi32(0x80);
  __m256i one = _mm256_cmpgt_epi32(_mm256_set1_epi32(0x80), w);
  __m256i upTo2 = _mm256_cmpgt_epi32(_mm256_set1_epi32(0x800), w);
  __m256i last = _mm256_or_si256(_mm256_and_si256(w, k3F), k80);
  __m256i middle = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(w, 6), k3F), k80);
  __m256i seq =
      _mm256_or_si256(_mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(w, 12), _mm256_set1_epi32(0xE0)),
                                      _mm256_slli_epi32(middle, 8)),
                      _mm256_slli_epi32(last, 16));
  __m256i seq2 = _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(w, 6), _mm256_set1_epi32(0xC0)),
                                 _mm256_slli_epi32(last, 8));
  seq = _mm256_blendv_epi8(seq, seq2, upTo2);
  seq = _mm256_blendv_epi8(seq, w, one);
  // 3, less one below 0x800, less another below 0x80 (the masks are -1).
  __m256i lengths = _mm256_add_epi32(_mm256_add_epi32(_mm256_set1_epi32(3), upTo2), one);
  if (pairHigh != 0) {
    __m256i t = _mm256_add_epi32(_mm256_and_si256(w, _mm256_set1_epi32(0x3FF)), _mm256_set1_epi32(0x40));
    __m256i b0 = _mm256_or_si256(_mm256_srli_epi32(t, 8), _mm256_set1_epi32(0xF0));
    __m256i b1 = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(t, 2), k3F), k80);
    __m256i b2 = _mm256_or_si256(
        _mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(t, _mm256_set1_epi32(3)), 4),
                        _mm256_and_si256(_mm256_srli_epi32(next, 6), _mm256_set1_epi32(0x0F))),
        k80);
    __m256i b3 = _mm256_or_si256(_mm256_and_si256(next, k3F), k80);
    __m256i seq4 = _mm256_or_si256(_mm256_or_si256(b0, _mm256_slli_epi32(b1, 8)),
                                   _mm256_or_si256(_mm256_slli_epi32(b2, 16), _mm256_slli_epi32(b3, 24)));
    __m256i pair = laneMask(pairHigh);
    seq = _mm256_blendv_epi8(seq, seq4, pair);
    lengths = _mm256_blendv_epi8(lengths, _mm256_set1_epi32(4), pair);
  }
  if (none != 0) lengths = _mm256_andnot_si256(laneMask(none), lengths);
  // The shuffle index of each 128-bit lane: the lengths weighted 1, 5, 25, 125, summed.
  __m256i weighted = _mm256_madd_epi16(lengths, _mm256_setr_epi32(1, 5, 25, 125, 1, 5, 25, 125));
  __m256i sum = _mm256_add_epi32(weighted, _mm256_shuffle_epi32(weighted, 0x4E));
  sum = _mm256_add_epi32(sum, _mm256_shuffle_epi32(sum, 0xB1));
  unsigned low = static_cast<unsigned>(_mm256_cvtsi256_si32(sum));
  unsigned high = static_cast<unsigned>(_mm256_extract_epi32(sum, 4));
  __m256i packed = _mm256_shuffle_epi8(
      seq, _mm256_set_m128i(load128(kPackQuads.shuffle[high]), load128(kPackQuads.shuffle[low])));
  unsigned lowBytes = kPackQuads.length[low];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm256_castsi256_si128(packed));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(q + lowBytes), _mm256_extracti128_si256(packed, 1));
  return lowBytes + kPackQuads.length[high];
}

// One bit per 16-bit lane from a byte mask of 16-bit compares.
VK_AVX2 inline unsigned unitMask(__m256i lanes) {
  return static_cast<unsigned>(_pext_u32(static_cast<unsigned>(_mm256_movemask_epi8(lanes)), 0x55555555u));
}

}  // namespace

VK_AVX2 const std::uint8_t* utf16ToUtf8Avx2(const std::uint8_t* p, const std::uint8_t* stop,
                                            const std::uint8_t* end, std::uint8_t*& out) {
  std::uint8_t* q = out;
  const __m256i k7F = _mm256_set1_epi16(0x7F);
  const __m256i k7FF = _mm256_set1_epi16(0x7FF);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i kFC00 = _mm256_set1_epi16(static_cast<short>(0xFC00));
  const __m256i kF800 = _mm256_set1_epi16(static_cast<short>(0xF800));
  const __m256i kD800 = _mm256_set1_epi16(static_cast<short>(0xD800));
  const __m256i kDC00 = _mm256_set1_epi16(static_cast<short>(0xDC00));
  // A block reads the unit after itself (the partner of a high surrogate).
  while (stop - p >= 32 && end - p >= 34) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i one = _mm256_cmpeq_epi16(_mm256_subs_epu16(v, k7F), zero);  // u < 0x80
    unsigned oneMask = unitMask(one);
    if (oneMask == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q),
                       _mm_packus_epi16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)));
      p += 32;
      q += 16;
      continue;
    }
    unsigned upTo2Mask = unitMask(_mm256_cmpeq_epi16(_mm256_subs_epu16(v, k7FF), zero));
    if (upTo2Mask == 0xFFFF) {
      // One or two bytes a unit in its own 16-bit lane: C0 | u >> 6, then 80 | (u & 3F).
      __m256i two =
          _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi16(v, 6),
                                          _mm256_slli_epi16(_mm256_and_si256(v, _mm256_set1_epi16(0x3F)), 8)),
                          _mm256_set1_epi16(static_cast<short>(0x80C0)));
      __m256i seq = _mm256_blendv_epi8(two, v, one);
      unsigned both = ~oneMask & 0xFFFF;
      __m256i packed = _mm256_shuffle_epi8(seq, _mm256_set_m128i(load128(kPackPairs.shuffle[both >> 8]),
                                                                 load128(kPackPairs.shuffle[both & 0xFF])));
      unsigned lowBytes = 8 + static_cast<unsigned>(__builtin_popcount(both & 0xFF));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm256_castsi256_si128(packed));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q + lowBytes), _mm256_extracti128_si256(packed, 1));
      p += 32;
      q += 16 + static_cast<unsigned>(__builtin_popcount(both));
      continue;
    }
    unsigned surrogate = unitMask(_mm256_cmpeq_epi16(_mm256_and_si256(v, kF800), kD800));
    unsigned pairHigh = 0, none = 0, units = 16;
    __m256i v1 = v;
    if (surrogate != 0) {
      unsigned high = unitMask(_mm256_cmpeq_epi16(_mm256_and_si256(v, kFC00), kD800));
      unsigned low = unitMask(_mm256_cmpeq_epi16(_mm256_and_si256(v, kFC00), kDC00));
      // A low right after a high is that high's partner; a high in the last lane waits.
      pairHigh = high & (low >> 1);
      none = pairHigh << 1;
      if (high >> 15) {
        units = 15;
        none |= 1u << 15;
      }
      v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2));
    }
    q += writeSequences(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(v)),
                        _mm256_cvtepu16_epi32(_mm256_castsi256_si128(v1)), pairHigh & 0xFF, none & 0xFF, q);
    q += writeSequences(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(v, 1)),
                        _mm256_cvtepu16_epi32(_mm256_extracti128_si256(v1, 1)), pairHigh >> 8, none >> 8, q);
    p += 2 * units;
  }
  p = utf16ToUtf8Scalar(p, stop, end, q);
  out = q;
  return p;
}

}  // namespace vk::simd

#endif  // VK_SIMD_WIDE_KERNELS
