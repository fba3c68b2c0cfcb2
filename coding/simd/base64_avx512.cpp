// Base64 with AVX-512 VBMI: 48 bytes become 64 characters and back in a handful of byte
// permutes. Encoding spreads each 3-byte group over a 32-bit lane, pulls out the four 6-bit
// fields with one multishift and looks the characters up with one 64-entry permute. Decoding
// looks every character up in a 128-entry table (two registers, one two-source permute) that
// marks characters outside the alphabet, merges the four 6-bit values of a lane with two
// multiply-adds and packs the 3-byte groups with one more permute.
#include "coding/simd/base64_kernels.h"

#if VK_BASE64_SIMD
#include <immintrin.h>

// GCC 12's permute intrinsics start from an undefined register it then warns about.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define VK_TARGET_AVX512VBMI __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))

namespace vk::base64simd {
namespace {

constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of each ASCII character, or 0x80 for one outside the alphabet.
struct DecodeTable {
  alignas(64) std::uint8_t values[128];
  constexpr DecodeTable() : values() {
    for (auto& v : values) v = 0x80;
    for (int i = 0; i < 64; ++i) values[static_cast<unsigned char>(kChars[i])] = static_cast<std::uint8_t>(i);
  }
};
constexpr DecodeTable kDecode;

// Byte k of lane j takes input byte 3j + 2 - k (k < 3): the group as a little-endian 24-bit
// number, first byte highest.
struct SpreadIndexes {
  alignas(64) std::uint8_t index[64];
  constexpr SpreadIndexes() : index() {
    for (int j = 0; j < 16; ++j) {
      index[4 * j] = static_cast<std::uint8_t>(3 * j + 2);
      index[4 * j + 1] = static_cast<std::uint8_t>(3 * j + 1);
      index[4 * j + 2] = static_cast<std::uint8_t>(3 * j);
      index[4 * j + 3] = static_cast<std::uint8_t>(3 * j);
    }
  }
};
constexpr SpreadIndexes kSpread;

// The reverse: output byte 3j + m comes from byte 2 - m of lane j.
struct PackIndexes {
  alignas(64) std::uint8_t index[64];
  constexpr PackIndexes() : index() {
    for (int j = 0; j < 16; ++j) {
      for (int m = 0; m < 3; ++m) index[3 * j + m] = static_cast<std::uint8_t>(4 * j + 2 - m);
    }
  }
};
constexpr PackIndexes kPack;

constexpr __mmask64 kLow48 = (__mmask64{1} << 48) - 1;

}  // namespace

VK_TARGET_AVX512VBMI
std::size_t encodeAvx512Vbmi(const std::uint8_t* in, std::size_t count, char* out) {
  const __m512i alphabet = _mm512_loadu_si512(kChars);
  const __m512i spread = _mm512_load_si512(kSpread.index);
  // Within each 64-bit half: the fields of lane 0 start at bits 18, 12, 6, 0; of lane 1 at 32
  // more. The two bits above each field are ignored by the lookup.
  const __m512i shifts = _mm512_set1_epi64(0x20262C3200060C12ll);
  std::size_t done = 0;
  for (; count - done >= 48; done += 48) {
    __m512i bytes = _mm512_maskz_loadu_epi8(kLow48, in + done);
    __m512i lanes = _mm512_permutexvar_epi8(spread, bytes);
    __m512i fields = _mm512_multishift_epi64_epi8(shifts, lanes);
    __m512i chars = _mm512_permutexvar_epi8(fields, alphabet);
    _mm512_storeu_si512(out + done / 3 * 4, chars);
  }
  return done;
}

VK_TARGET_AVX512VBMI
std::size_t decodeAvx512Vbmi(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
  const __m512i low = _mm512_load_si512(kDecode.values);
  const __m512i high = _mm512_load_si512(kDecode.values + 64);
  const __m512i pack = _mm512_load_si512(kPack.index);
  // First character of each pair times 64 plus the second; then first pair times 4096 plus
  // the second: the group's 24 bits in each lane.
  const __m512i pairWeights = _mm512_set1_epi32(0x01400140);
  const __m512i quadWeights = _mm512_set1_epi32(0x00011000);
  std::size_t done = 0;
  while (count - done >= 64) {
    __m512i chars = _mm512_loadu_si512(in + done);
    __m512i values = _mm512_permutex2var_epi8(low, chars, high);
    // Bit 7 set: a byte above 0x7F, or a character the table marks.
    __mmask64 bad = _mm512_movepi8_mask(_mm512_or_si512(values, chars));
    __m512i pairs = _mm512_maddubs_epi16(values, pairWeights);
    __m512i groups = _mm512_madd_epi16(pairs, quadWeights);
    __m512i packed = _mm512_permutexvar_epi8(pack, groups);
    std::uint8_t* target = out + done / 4 * 3;
    if (bad == 0) {
      _mm512_mask_storeu_epi8(target, kLow48, packed);
      done += 64;
      continue;
    }
    std::size_t good = static_cast<std::size_t>(__builtin_ctzll(bad)) & ~std::size_t{3};
    __mmask64 keep = (__mmask64{1} << (good / 4 * 3)) - 1;
    _mm512_mask_storeu_epi8(target, keep, packed);
    done += good;
    break;
  }
  return done;
}

}  // namespace vk::base64simd
#endif
