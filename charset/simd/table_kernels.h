// Vector kernels for the table code pages: single-byte pages decoded through their 256-entry
// unit table and encoded through the first row of their encode table, and runs of ASCII bytes
// widened to UTF-16 for the multi-byte pages. Each kernel
// takes whole blocks and answers how many input bytes it took; the caller's scalar loop goes
// on from there, so what the kernels leave to it (a dropped byte, a block end, a lead byte)
// follows the scalar rules exactly.
#pragma once
#include <cstddef>
#include <cstdint>

#include "charset/flat_tables.h"

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

// Leading bytes below 0x80 of `in`, widened to UTF-16LE units; answers how many (reads stay
// within `count`). The AVX-512 kernel takes the whole run, its last block under a mask; the
// AVX2 kernel takes whole 16-byte blocks only and leaves the rest of the run to the caller.
std::size_t widenAsciiAvx512(const std::uint8_t* in, std::size_t count, std::uint8_t* out);
std::size_t widenAsciiAvx2(const std::uint8_t* in, std::size_t count, std::uint8_t* out);

// UTF-16LE units to one byte each through `table`: 64-unit blocks (AVX-512 VBMI) looking U+0000-
// U+00FF up in the table's first row, or 32-unit blocks (AVX2, for pages that write ASCII as it
// is) narrowing ASCII; the other units of a block are looked up one at a time. Stops before the
// first unit that has no one-byte entry (left out, or two bytes) and answers the units taken,
// one output byte each. May store up to a block past what it answers.
std::size_t encodeSingleByteAvx512Vbmi(const FlatEncodeTable& table, bool foldArabicDigits,
                                       const std::uint8_t* in, std::size_t units, std::uint8_t* out);
std::size_t encodeSingleByteAvx2(const FlatEncodeTable& table, bool foldArabicDigits, const std::uint8_t* in,
                                 std::size_t units, std::uint8_t* out);
#endif

// The byte of a unit that the vector lookup leaves open, as the scalar encoder finds it (the
// Arabic pages write Arabic-Indic digits as ASCII ones); false when the unit has no one-byte
// entry.
inline bool oneByteOf(const FlatEncodeTable& table, bool foldArabicDigits, std::uint16_t unit,
                      std::uint8_t& byte) {
  if (foldArabicDigits) {
    if (unit >= 0x0660 && unit <= 0x0669) unit = static_cast<std::uint16_t>(unit - 0x0660 + '0');
    if (unit >= 0x06F0 && unit <= 0x06F9) unit = static_cast<std::uint16_t>(unit - 0x06F0 + '0');
  }
  std::uint32_t entry = table.entryFor(unit);
  if (entry >> FlatEncodeTable::kCountShift != 1) return false;
  byte = static_cast<std::uint8_t>(entry);
  return true;
}

// Settles the open units of a block (bits of `open`, lowest first; `in` and `out` at the
// block's start) over the bytes already stored for it. Answers `length` when all stand, else
// the index of the first that has no one-byte entry.
inline std::size_t settleOpenUnits(const FlatEncodeTable& table, bool foldArabicDigits,
                                   const std::uint8_t* in, std::uint64_t open, std::size_t length,
                                   std::uint8_t* out) {
  while (open != 0) {
    auto k = static_cast<std::size_t>(__builtin_ctzll(open));
    auto unit = static_cast<std::uint16_t>(in[2 * k] | in[2 * k + 1] << 8);
    if (!oneByteOf(table, foldArabicDigits, unit, out[k])) return k;
    open &= open - 1;
  }
  return length;
}

// Encoding of UTF-16LE to a single-byte page with the widest kernel of the path in force.
class SingleByteEncoder {
 public:
  SingleByteEncoder(const FlatEncodeTable& table, bool foldArabicDigits);
  bool active() const { return kind_ != Kind::None; }
  // As the kernels above: answers the units taken (0 on the scalar path), one byte each.
  std::size_t encode(const std::uint8_t* in, std::size_t units, std::uint8_t* out) const;

 private:
  enum class Kind { None, Avx2, Avx512Vbmi };
  const FlatEncodeTable& table_;
  bool fold_;
  Kind kind_ = Kind::None;
};

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
