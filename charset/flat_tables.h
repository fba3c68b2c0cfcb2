// Flat lookup arrays made once from a code page's loaded hash tables, so that converting a
// character costs one or two array indexes instead of a hash probe and a walk of a packed
// bucket list. Each entry holds exactly what the engine writes for that unit or byte pair,
// ASCII and U+0000 rules included, so a conversion through the flat arrays gives the same
// bytes and the same result as one through the hash tables they were made from.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "charset/hash_convert.h"

namespace vk {

// UTF-16 unit -> code-page bytes, as a two-level table: a row per high byte of the unit (rows
// that map nothing share one empty row), an entry per low byte.
class FlatEncodeTable {
 public:
  // Entry layout: 0 when the unit is left out; otherwise bits 0-7 the first byte, bits 8-15
  // the second byte, bits 16-17 the byte count (1 or 2).
  static constexpr std::uint32_t kCountShift = 16;

  explicit FlatEncodeTable(const HashConvert& encodeTable);
  FlatEncodeTable(const FlatEncodeTable&) = delete;
  FlatEncodeTable& operator=(const FlatEncodeTable&) = delete;

  std::uint32_t entryFor(std::uint16_t unit) const { return rows_[unit >> 8][unit & 0xFF]; }

  // Row 0 (U+0000-U+00FF) for the vector encoders: the byte of each unit, and 1 where that is
  // the unit's whole entry (0 where the unit is left out or takes two bytes).
  const std::uint8_t* rowZeroBytes() const { return rowZeroBytes_; }
  const std::uint8_t* rowZeroSingle() const { return rowZeroSingle_; }
  // Whether U+0000-U+007F are written as the bytes 0x00-0x7F.
  bool passesAsciiThrough() const { return passesAsciiThrough_; }

 private:
  const std::uint32_t* rows_[256];
  std::uint8_t rowZeroBytes_[256] = {};
  std::uint8_t rowZeroSingle_[256] = {};
  bool passesAsciiThrough_ = true;
  std::vector<std::unique_ptr<std::uint32_t[]>> storage_;
};

// Code-page bytes -> UTF-16 unit for a multi-byte page: per lead byte a row of 256 entries for
// the 2-byte keys (lead bytes that begin none share one empty row), and one entry per byte for
// a byte taken alone.
// A UTF-16 unit (no surrogate) as a UTF-8 entry of FlatDecodeTable: the bytes in bits 0-23
// in output order, their count in bits 24-25.
std::uint32_t utf8Entry(std::uint32_t unit);

class FlatDecodeTable {
 public:
  // Entry layout: 0 when there is no such key (a pair) or the byte is left out (a lone byte);
  // otherwise kMapped | unit.
  static constexpr std::uint32_t kMapped = 0x10000;

  explicit FlatDecodeTable(const HashConvert& decodeTable);
  FlatDecodeTable(const FlatDecodeTable&) = delete;
  FlatDecodeTable& operator=(const FlatDecodeTable&) = delete;

  std::uint32_t pairEntry(std::uint8_t lead, std::uint8_t trail) const { return pairRows_[lead][trail]; }
  std::uint32_t singleEntry(std::uint8_t b) const { return single_[b]; }
  // The same as UTF-8, for the direct path to UTF-8: bits 0-23 the bytes in output order,
  // bits 24-25 their count; 0 where the entries above are 0.
  std::uint32_t pairUtf8(std::uint8_t lead, std::uint8_t trail) const { return pairRowsUtf8_[lead][trail]; }
  std::uint32_t singleUtf8(std::uint8_t b) const { return singleUtf8_[b]; }
  // Whether bytes 0x00-0x7F stand for U+0000-U+007F and begin no 2-byte key, so that a run of
  // them may be copied as it is.
  bool passesAsciiThrough() const { return passesAsciiThrough_; }
  // False when the hash table has keys of 3 or 4 bytes, which these arrays do not describe;
  // the engine then decodes through the hash table itself.
  bool coversAllKeys() const { return coversAllKeys_; }
  // Whether some key decodes to a surrogate unit (two of them in a row would make one
  // character on the way to UTF-8, so the direct path to UTF-8 is not taken).
  bool yieldsSurrogates() const { return yieldsSurrogates_; }

 private:
  const std::uint32_t* pairRows_[256];
  const std::uint32_t* pairRowsUtf8_[256];
  std::uint32_t single_[256] = {};
  std::uint32_t singleUtf8_[256] = {};
  bool passesAsciiThrough_ = true;
  std::vector<std::unique_ptr<std::uint32_t[]>> storage_;
  bool coversAllKeys_ = true;
  bool yieldsSurrogates_ = false;
};

}  // namespace vk
