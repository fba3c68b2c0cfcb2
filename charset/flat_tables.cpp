#include "charset/flat_tables.h"

namespace vk {
namespace {

// Rows in which nothing is mapped: shared by every table, never written.
const std::uint32_t kEmptyRow[256] = {};

std::uint32_t* newRow(std::vector<std::unique_ptr<std::uint32_t[]>>& storage) {
  storage.push_back(std::make_unique<std::uint32_t[]>(256));  // zeroed
  return storage.back().get();
}

bool isSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// Whether any key of the table is 3 or 4 bytes long (the lengths a decoder tries after 2).
bool hasLongKeys(const HashConvert& table) {
  for (std::uint32_t i = 0; i < table.bucketCount(); ++i) {
    const std::uint8_t* entry = table.bucket(i);
    if (entry == nullptr) continue;
    while (*entry != 0) {
      if (entry[0] == 3 || entry[0] == 4) return true;
      entry += 1 + entry[0];
      entry += 1 + entry[0];
    }
  }
  return false;
}

}  // namespace

std::uint32_t utf8Entry(std::uint32_t unit) {
  if (unit < 0x80) return 1u << 24 | unit;
  if (unit < 0x800) return 2u << 24 | (0x80 | (unit & 0x3F)) << 8 | (0xC0 | unit >> 6);
  return 3u << 24 | (0x80 | (unit & 0x3F)) << 16 | (0x80 | ((unit >> 6) & 0x3F)) << 8 | (0xE0 | unit >> 12);
}

// What the engine writes for a unit: its own byte below 0x80 in an ASCII-compatible table, else
// the 1 or 2 bytes found under it, else 0x00 for U+0000; anything else is left out.
FlatEncodeTable::FlatEncodeTable(const HashConvert& encodeTable) {
  for (const std::uint32_t*& row : rows_) row = kEmptyRow;
  bool ascii = encodeTable.isAsciiCompatible();
  std::uint8_t value[255];
  for (std::uint32_t high = 0; high < 256; ++high) {
    std::uint32_t* row = nullptr;
    for (std::uint32_t low = 0; low < 256; ++low) {
      std::uint32_t unit = high << 8 | low;
      std::uint32_t entry = 0;
      if (unit < 0x80 && ascii) {
        entry = 1u << kCountShift | unit;
      } else {
        const std::uint8_t key[2] = {static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high)};
        std::uint32_t n = encodeTable.lookup(key, 2, value);
        if (n == 1) {
          entry = 1u << kCountShift | value[0];
        } else if (n == 2) {
          entry = 2u << kCountShift | std::uint32_t{value[1]} << 8 | value[0];
        } else if (unit == 0) {
          entry = 1u << kCountShift;
        }
      }
      if (entry == 0) continue;
      if (row == nullptr) row = newRow(storage_);
      row[low] = entry;
    }
    if (row != nullptr) rows_[high] = row;
  }
  for (std::uint32_t unit = 0; unit < 256; ++unit) {
    std::uint32_t entry = rows_[0][unit];
    rowZeroBytes_[unit] = static_cast<std::uint8_t>(entry);
    rowZeroSingle_[unit] = entry >> kCountShift == 1 ? 1 : 0;
    if (unit < 0x80 && entry != (1u << kCountShift | unit)) passesAsciiThrough_ = false;
  }
}

// A pair is found only when its 2-byte key holds a 2-byte value; a lone byte gives U+0000 for
// 0x00, itself below 0x80 in an ASCII-compatible table, else the 2-byte value of its 1-byte key.
FlatDecodeTable::FlatDecodeTable(const HashConvert& decodeTable) {
  for (const std::uint32_t*& row : pairRows_) row = kEmptyRow;
  for (const std::uint32_t*& row : pairRowsUtf8_) row = kEmptyRow;
  coversAllKeys_ = !hasLongKeys(decodeTable);
  bool ascii = decodeTable.isAsciiCompatible();
  std::uint8_t value[255];
  for (std::uint32_t lead = 0; lead < 256; ++lead) {
    std::uint32_t* row = nullptr;
    std::uint32_t* rowUtf8 = nullptr;
    for (std::uint32_t trail = 0; trail < 256; ++trail) {
      const std::uint8_t key[2] = {static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)};
      if (decodeTable.lookup(key, 2, value) != 2) continue;
      std::uint32_t unit = std::uint32_t{value[1]} << 8 | value[0];
      if (row == nullptr) {
        row = newRow(storage_);
        rowUtf8 = newRow(storage_);
      }
      row[trail] = kMapped | unit;
      rowUtf8[trail] = utf8Entry(unit);
      yieldsSurrogates_ = yieldsSurrogates_ || isSurrogate(unit);
    }
    if (row != nullptr) {
      pairRows_[lead] = row;
      pairRowsUtf8_[lead] = rowUtf8;
    }

    auto b = static_cast<std::uint8_t>(lead);
    if (b == 0 || (ascii && b < 0x80)) {
      single_[b] = kMapped | b;
    } else if (decodeTable.lookup(&b, 1, value) == 2) {
      std::uint32_t unit = std::uint32_t{value[1]} << 8 | value[0];
      single_[b] = kMapped | unit;
      yieldsSurrogates_ = yieldsSurrogates_ || isSurrogate(unit);
    }
    if (single_[b] != 0) singleUtf8_[b] = utf8Entry(single_[b] & 0xFFFF);
    if (b < 0x80 && (row != nullptr || single_[b] != (kMapped | b))) passesAsciiThrough_ = false;
  }
}

}  // namespace vk
