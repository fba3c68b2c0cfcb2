// Vector base64 kernels for ContentCoding's encoder and decoder. Each works on whole blocks
// and answers how much it took; the caller finishes with its scalar loop, so the kernels never
// have to deal with padding, white space or the end of the text.
#pragma once
#include <cstddef>
#include <cstdint>

#if !defined(VK_UNICODE_NO_SIMD) && (defined(__x86_64__) || defined(__i386__)) && \
    (defined(__GNUC__) || defined(__clang__))
#define VK_BASE64_SIMD 1
#else
#define VK_BASE64_SIMD 0
#endif

namespace vk::base64simd {

#if VK_BASE64_SIMD
// Encoders: read whole blocks of `count` bytes (48 for AVX-512, 24 for AVX2) and write four
// characters for every three bytes; answer the bytes read, a multiple of 3.
std::size_t encodeAvx512Vbmi(const std::uint8_t* in, std::size_t count, char* out);
std::size_t encodeAvx2(const std::uint8_t* in, std::size_t count, char* out);

// Decoders: take blocks of alphabet characters (64 for AVX-512, 32 for AVX2) and write three
// bytes for every four characters. At the first block holding anything outside the alphabet
// they take the whole groups before that character and stop. Answer the characters taken, a
// multiple of 4; the bytes written are three quarters of that. A kernel may store up to 32
// bytes past what it answers as written, so the output needs that much room beyond the
// bytes of the characters it was given.
std::size_t decodeAvx512Vbmi(const std::uint8_t* in, std::size_t count, std::uint8_t* out);
std::size_t decodeAvx2(const std::uint8_t* in, std::size_t count, std::uint8_t* out);
#endif

}  // namespace vk::base64simd
