// Table code pages with AVX-512 (VBMI for the lookups). A single-byte page's 256 units are
// split into a table of low bytes and one of high bytes, four registers each; a two-source
// byte permute looks up 128 entries at once, so each half of the byte range costs one permute
// per table, and a blend on the top bit picks the half. Two more permutes interleave low and
// high bytes into units.
#include "charset/simd/table_kernels.h"

#if VK_TABLE_SIMD
#include <immintrin.h>

// GCC 12's permute intrinsics start from an undefined register it then warns about.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define VK_TARGET_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl")))
#define VK_TARGET_AVX512VBMI __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))

namespace vk::tablesimd {
namespace {

struct Indexes {
  alignas(64) std::uint8_t even[64];    // byte 2j of a 128-byte pair of registers
  alignas(64) std::uint8_t odd[64];     // byte 2j + 1
  alignas(64) std::uint8_t first[64];   // units 0-31: low byte k, high byte k
  alignas(64) std::uint8_t second[64];  // units 32-63
  constexpr Indexes() : even(), odd(), first(), second() {
    for (int j = 0; j < 64; ++j) {
      even[j] = static_cast<std::uint8_t>(2 * j);
      odd[j] = static_cast<std::uint8_t>(2 * j + 1);
    }
    for (int k = 0; k < 32; ++k) {
      first[2 * k] = static_cast<std::uint8_t>(k);
      first[2 * k + 1] = static_cast<std::uint8_t>(64 + k);
      second[2 * k] = static_cast<std::uint8_t>(32 + k);
      second[2 * k + 1] = static_cast<std::uint8_t>(96 + k);
    }
  }
};
constexpr Indexes kIndexes;

inline __mmask64 lowBits(std::size_t n) { return n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1; }

}  // namespace

VK_TARGET_AVX512VBMI
std::size_t decodeSingleByteAvx512Vbmi(const std::uint16_t* units, const std::uint8_t* in, std::size_t count,
                                       std::uint8_t* out) {
  if (count < 64) return 0;
  const __m512i even = _mm512_load_si512(kIndexes.even);
  const __m512i odd = _mm512_load_si512(kIndexes.odd);
  __m512i low[4], high[4];
  for (int k = 0; k < 4; ++k) {
    __m512i a = _mm512_loadu_si512(units + 64 * k);
    __m512i b = _mm512_loadu_si512(units + 64 * k + 32);
    low[k] = _mm512_permutex2var_epi8(a, even, b);
    high[k] = _mm512_permutex2var_epi8(a, odd, b);
  }
  const __m512i first = _mm512_load_si512(kIndexes.first);
  const __m512i second = _mm512_load_si512(kIndexes.second);
  std::size_t done = 0;
  for (; count - done >= 64; done += 64) {
    __m512i bytes = _mm512_loadu_si512(in + done);
    __mmask64 upper = _mm512_movepi8_mask(bytes);
    __m512i lo = _mm512_mask_blend_epi8(upper, _mm512_permutex2var_epi8(low[0], bytes, low[1]),
                                        _mm512_permutex2var_epi8(low[2], bytes, low[3]));
    __m512i hi = _mm512_mask_blend_epi8(upper, _mm512_permutex2var_epi8(high[0], bytes, high[1]),
                                        _mm512_permutex2var_epi8(high[2], bytes, high[3]));
    __m512i either = _mm512_or_si512(lo, hi);
    // Left out: no unit, and not the zero byte (whose unit 0 is written).
    __mmask64 dropped = _mm512_testn_epi8_mask(either, either) & _mm512_test_epi8_mask(bytes, bytes);
    __m512i unitsLow = _mm512_permutex2var_epi8(lo, first, hi);
    __m512i unitsHigh = _mm512_permutex2var_epi8(lo, second, hi);
    std::uint8_t* target = out + 2 * done;
    if (dropped == 0) {
      _mm512_storeu_si512(target, unitsLow);
      _mm512_storeu_si512(target + 64, unitsHigh);
      continue;
    }
    auto good = static_cast<std::size_t>(__builtin_ctzll(dropped));
    _mm512_mask_storeu_epi8(target, lowBits(2 * good), unitsLow);
    if (good > 32) _mm512_mask_storeu_epi8(target + 64, lowBits(2 * good - 64), unitsHigh);
    return done + good;
  }
  return done;
}

VK_TARGET_AVX512VBMI
std::size_t encodeSingleByteAvx512Vbmi(const FlatEncodeTable& table, bool foldArabicDigits,
                                       const std::uint8_t* in, std::size_t units, std::uint8_t* out) {
  if (units < 64) return 0;
  const std::uint8_t* bytesOf = table.rowZeroBytes();
  const std::uint8_t* singleOf = table.rowZeroSingle();
  const __m512i bytes0 = _mm512_loadu_si512(bytesOf), bytes1 = _mm512_loadu_si512(bytesOf + 64);
  const __m512i bytes2 = _mm512_loadu_si512(bytesOf + 128), bytes3 = _mm512_loadu_si512(bytesOf + 192);
  const __m512i single0 = _mm512_loadu_si512(singleOf), single1 = _mm512_loadu_si512(singleOf + 64);
  const __m512i single2 = _mm512_loadu_si512(singleOf + 128), single3 = _mm512_loadu_si512(singleOf + 192);
  const __m512i rowOne = _mm512_set1_epi16(0x100);
  std::size_t done = 0;
  for (; units - done >= 64; done += 64) {
    const std::uint8_t* block = in + 2 * done;
    __m512i a = _mm512_loadu_si512(block);
    __m512i b = _mm512_loadu_si512(block + 64);
    // Units past row 0 are left open; the low bytes of all index the row.
    __mmask64 high = static_cast<__mmask64>(_mm512_cmpge_epu16_mask(a, rowOne)) |
                     static_cast<__mmask64>(_mm512_cmpge_epu16_mask(b, rowOne)) << 32;
    __m512i index =
        _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_cvtepi16_epi8(a)), _mm512_cvtepi16_epi8(b), 1);
    __mmask64 upper = _mm512_movepi8_mask(index);
    __m512i bytes = _mm512_mask_blend_epi8(upper, _mm512_permutex2var_epi8(bytes0, index, bytes1),
                                           _mm512_permutex2var_epi8(bytes2, index, bytes3));
    __m512i single = _mm512_mask_blend_epi8(upper, _mm512_permutex2var_epi8(single0, index, single1),
                                            _mm512_permutex2var_epi8(single2, index, single3));
    __mmask64 stops = _mm512_testn_epi8_mask(single, single) & ~high;
    _mm512_storeu_si512(out + done, bytes);
    if ((high | stops) == 0) continue;
    std::size_t stop = stops != 0 ? static_cast<std::size_t>(__builtin_ctzll(stops)) : 64;
    std::uint64_t open = high & static_cast<std::uint64_t>(lowBits(stop));
    std::size_t good = settleOpenUnits(table, foldArabicDigits, block, open, stop, out + done);
    if (good < 64) return done + good;
  }
  return done;
}

VK_TARGET_AVX512
std::size_t widenAsciiAvx512(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
  std::size_t done = 0;
  for (;;) {
    std::size_t n = count - done < 32 ? count - done : 32;
    __mmask32 take = static_cast<__mmask32>(lowBits(n));
    __m256i bytes = _mm256_maskz_loadu_epi8(take, in + done);
    __mmask32 upper = _mm256_movepi8_mask(bytes) & take;
    if (upper != 0) n = static_cast<std::size_t>(__builtin_ctz(upper));
    __m512i units = _mm512_cvtepu8_epi16(bytes);
    _mm512_mask_storeu_epi16(out + 2 * done, static_cast<__mmask32>(lowBits(n)), units);
    done += n;
    if (n < 32) return done;
  }
}

}  // namespace vk::tablesimd
#endif
