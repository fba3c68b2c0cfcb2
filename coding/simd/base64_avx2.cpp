// Base64 with AVX2, for processors without the AVX-512 byte permutes: 24 bytes become 32
// characters and back. Without a 64-entry lookup the characters are made from the 6-bit values
// by adding an offset that depends on the value's range (one 16-entry shuffle), and read back
// by adding one that depends on the character's high nibble; the alphabet check combines two
// 16-entry tables indexed by the two nibbles.
#include "coding/simd/base64_kernels.h"

#if VK_BASE64_SIMD
#include <immintrin.h>

#define VK_TARGET_AVX2 __attribute__((target("avx2,bmi,bmi2")))

namespace vk::base64simd {

VK_TARGET_AVX2
std::size_t encodeAvx2(const std::uint8_t* in, std::size_t count, char* out) {
  // Lane j of each 128-bit half takes bytes b0 b1 b2 of group j as b1 b0 b2 b1, so that its
  // low 16 bits are b0:b1 and its high 16 bits b1:b2.
  const __m256i spread = _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10,  //
                                          1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
  // Fields 0 and 2 (bits 10-15 of the low word, 6-11 of the high word) moved down to bits 0-5
  // of bytes 0 and 2 by a high multiply; fields 1 and 3 (bits 4-9, 0-5) moved up to bits 8-13
  // by a low multiply, landing in bytes 1 and 3.
  const __m256i mask02 = _mm256_set1_epi32(0x0FC0FC00);
  const __m256i mul02 = _mm256_set1_epi32(0x04000040);
  const __m256i mask13 = _mm256_set1_epi32(0x003F03F0);
  const __m256i mul13 = _mm256_set1_epi32(0x01000010);
  // Offsets from a value to its character, indexed by the value less 51 (saturated), with
  // index 13 standing for the values below 26.
  const __m256i offsets = _mm256_setr_epi8(71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 65, 0, 0,  //
                                           71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 65, 0, 0);
  const __m256i v51 = _mm256_set1_epi8(51);
  const __m256i v26 = _mm256_set1_epi8(26);
  const __m256i v13 = _mm256_set1_epi8(13);
  std::size_t done = 0;
  // Two 16-byte loads of which 12 bytes are used: the second reads 4 bytes past the block.
  for (; count - done >= 28; done += 24) {
    __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
    __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 12));
    __m256i bytes = _mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1);
    __m256i lanes = _mm256_shuffle_epi8(bytes, spread);
    __m256i f02 = _mm256_mulhi_epu16(_mm256_and_si256(lanes, mask02), mul02);
    __m256i f13 = _mm256_mullo_epi16(_mm256_and_si256(lanes, mask13), mul13);
    __m256i values = _mm256_or_si256(f02, f13);
    __m256i index = _mm256_subs_epu8(values, v51);
    index = _mm256_or_si256(index, _mm256_and_si256(_mm256_cmpgt_epi8(v26, values), v13));
    __m256i chars = _mm256_add_epi8(values, _mm256_shuffle_epi8(offsets, index));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done / 3 * 4), chars);
  }
  return done;
}

VK_TARGET_AVX2
std::size_t decodeAvx2(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
  // A character is in the alphabet when the bits of its high nibble and of its low nibble
  // meet: bit 0 for 0x2_ ('+' and '/'), bit 1 for 0x3_ (digits), bit 2 for 0x4_ and 0x6_
  // (no 0x40, 0x60), bit 3 for 0x5_ and 0x7_ (up to 0x5A, 0x7A).
  const __m256i highBits = _mm256_setr_epi8(0, 0, 1, 2, 4, 8, 4, 8, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                            0, 0, 1, 2, 4, 8, 4, 8, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i lowBits = _mm256_setr_epi8(10, 14, 14, 14, 14, 14, 14, 14, 14, 14, 12, 5, 4, 4, 4, 5,  //
                                           10, 14, 14, 14, 14, 14, 14, 14, 14, 14, 12, 5, 4, 4, 4, 5);
  // Character to value, by high nibble; '/' takes entry 1.
  const __m256i offsets = _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                           0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i slash = _mm256_set1_epi8('/');
  const __m256i pairWeights = _mm256_set1_epi32(0x01400140);
  const __m256i quadWeights = _mm256_set1_epi32(0x00011000);
  // Bytes 2, 1, 0 of each lane in order, 12 per half; then the halves joined.
  const __m256i pack = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,  //
                                        2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
  std::size_t done = 0;
  while (count - done >= 32) {
    __m256i chars = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + done));
    __m256i high = _mm256_and_si256(_mm256_srli_epi16(chars, 4), nibble);
    __m256i low = _mm256_and_si256(chars, nibble);
    __m256i meet = _mm256_and_si256(_mm256_shuffle_epi8(highBits, high), _mm256_shuffle_epi8(lowBits, low));
    auto bad =
        static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(meet, _mm256_setzero_si256())));
    __m256i index = _mm256_add_epi8(high, _mm256_cmpeq_epi8(chars, slash));
    __m256i values = _mm256_add_epi8(chars, _mm256_shuffle_epi8(offsets, index));
    __m256i pairs = _mm256_maddubs_epi16(values, pairWeights);
    __m256i groups = _mm256_madd_epi16(pairs, quadWeights);
    __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(groups, pack), join);
    // All 32 bytes are stored; only the whole groups before a bad character count.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done / 4 * 3), packed);
    if (bad == 0) {
      done += 32;
      continue;
    }
    done += static_cast<std::size_t>(__builtin_ctz(bad)) & ~std::size_t{3};
    break;
  }
  return done;
}

}  // namespace vk::base64simd
#endif
