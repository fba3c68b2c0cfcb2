// Vector kernels for the table code pages: single-byte pages decoded through their 256-entry
// unit table, and runs of ASCII bytes widened to UTF-16 for the multi-byte pages. Each kernel
// takes whole blocks and answers how many input bytes it took; the caller's scalar loop goes
// on from there, so what the kernels leave to it (a dropped byte, a block end, a lead byte)
// follows the scalar rules exactly.
#pragma once
#include <cstddef>
#include <cstdint>

#if !defined(VK_UNICODE_NO_SIMD) && (defined(__x86_64__) || defined(__i386__)) && \
    (defined(__GNUC__) || defined(__clang__))
#define VK_TABLE_SIMD 1
#else
#define VK_TABLE_SIMD 0
#endif

namespace vk::tablesimd {

#if VK_TABLE_SIMD
// Single-byte bytes to UTF-16LE through `units` (256 entries; 0 for a byte that is left out,
// except for byte 0x00, whose unit is U+0000). Takes 64-byte blocks (AVX-512) or 16-byte
// blocks (AVX2); at the first byte that is left out it takes the bytes before it and stops.
// Writes two bytes for every byte taken.
std::size_t decodeSingleByteAvx512Vbmi(const std::uint16_t* units, const std::uint8_t* in, std::size_t count,
                                       std::uint8_t* out);
// The AVX2 kernel looks units up in a table of 256 32-bit entries (the units zero-extended)
// that the caller builds.
std::size_t decodeSingleByteAvx2(const std::uint32_t* wideUnits, const std::uint8_t* in, std::size_t count,
                                 std::uint8_t* out);

// The leading bytes below 0x80 of `in`, widened to UTF-16LE units; answers how many. Takes
// whole blocks and then the rest of the run byte-exact (reads stay within `count`).
std::size_t widenAsciiAvx512(const std::uint8_t* in, std::size_t count, std::uint8_t* out);
std::size_t widenAsciiAvx2(const std::uint8_t* in, std::size_t count, std::uint8_t* out);
#endif

// Single-byte decoding to UTF-16LE with the widest kernel of the path in force, set up once
// per conversion.
class SingleByteDecoder {
 public:
  explicit SingleByteDecoder(const std::uint16_t* units);
  // As the kernels above: answers the bytes taken (0 on the scalar path), two output bytes each.
  std::size_t decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out) const;
  // False on the scalar path, where decode() takes nothing.
  bool active() const { return kind_ != Kind::None; }

 private:
  enum class Kind { None, Avx2, Avx512Vbmi };
  const std::uint16_t* units_;
  Kind kind_ = Kind::None;
  std::uint32_t wideUnits_[256];
};

// The leading bytes below 0x80 of `in`, widened to UTF-16LE with the widest kernel of the path
// in force (or one at a time); answers how many.
std::size_t widenAscii(const std::uint8_t* in, std::size_t count, std::uint8_t* out);

}  // namespace vk::tablesimd
