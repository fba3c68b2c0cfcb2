#include "charset/table_convert.h"

#include <algorithm>
#include <cstring>

#include "charset/code_pages.h"
#include "charset/simd/table_kernels.h"
#include "charset/table_store.h"
#include "charset/unicode_forms.h"
#include "platform/fatal.h"
#include "platform/utf8.h"

namespace vk {
namespace {

// Output estimates are computed in 64 bits and capped so that an estimate never overflows;
// the buffers themselves refuse sizes beyond 32 bits.
void reserveAhead(DataBuffer& output, std::uint64_t extra) {
  std::uint64_t wanted = std::uint64_t{output.length()} + extra;
  if (wanted > 0x7FFFFFFFu) return;  // let growth on demand decide
  output.ensureCapacity(static_cast<std::uint32_t>(wanted));
}

// Room for `perInputByte` output bytes per input byte after what the output holds, or false
// when that would pass 32 bits.
bool reserveExact(DataBuffer& output, std::uint32_t count, std::uint32_t perInputByte) {
  std::uint64_t needed = std::uint64_t{output.length()} + std::uint64_t{count} * perInputByte;
  if (needed > UINT32_MAX) return false;
  output.ensureCapacity(static_cast<std::uint32_t>(needed));
  return true;
}

inline void putUnit(std::uint8_t*& out, std::uint32_t unit) {
  out[0] = static_cast<std::uint8_t>(unit);
  out[1] = static_cast<std::uint8_t>(unit >> 8);
  out += 2;
}

// A unit as UTF-8, each unit alone (callers make sure no surrogates come here).
inline void putUtf8(std::uint8_t*& out, std::uint32_t unit) { out += utf8::encode(unit, out); }

// Multi-byte decoding to UTF-16LE through the flat arrays. At each position a 2-byte key is
// tried first, then the byte alone (the tables have no longer keys). Where the table passes
// ASCII through, a byte below 0x80 is itself and begins no pair: runs of them are widened in
// blocks.
bool decodeFlat(const FlatDecodeTable& flat, const std::uint8_t* bytes, std::uint32_t count,
                std::uint8_t*& output) {
  std::uint8_t* out = output;  // a local cursor, as in encodeFlat
  bool complete = true;
  const bool ascii = flat.passesAsciiThrough();
  std::uint32_t i = 0;
  while (i + 1 < count) {
    if (ascii && bytes[i] < 0x80) {
      if (bytes[i + 1] >= 0x80) {
        putUnit(out, bytes[i++]);
        continue;
      }
      auto run = static_cast<std::uint32_t>(tablesimd::widenAscii(bytes + i, count - i, out));
      out += 2 * run;
      i += run;
      continue;
    }
    std::uint32_t entry = flat.pairEntry(bytes[i], bytes[i + 1]);
    if (entry != 0) {
      putUnit(out, entry & 0xFFFF);
      i += 2;
      continue;
    }
    entry = flat.singleEntry(bytes[i]);
    if (entry != 0) {
      putUnit(out, entry & 0xFFFF);
    } else {
      complete = false;
    }
    ++i;
  }
  if (i < count) {
    std::uint32_t entry = flat.singleEntry(bytes[i]);
    if (entry != 0) {
      putUnit(out, entry & 0xFFFF);
    } else {
      complete = false;
    }
  }
  output = out;
  return complete;
}

// Multi-byte decoding through the hash table: keys of 2, 3 and 4 bytes before the single byte.
// Taken only for a table with keys longer than 2 bytes, which the flat arrays do not describe.
bool decodeHashed(const HashConvert& lookup, const std::uint8_t* bytes, std::uint32_t count,
                  std::uint8_t*& out) {
  bool ascii = lookup.isAsciiCompatible();
  bool complete = true;
  std::uint8_t value[255];
  std::uint32_t i = 0;
  while (i < count) {
    std::uint32_t left = count - i;
    std::uint32_t used = 0;
    for (std::uint32_t keyLength = 2; keyLength <= 4 && keyLength <= left; ++keyLength) {
      if (lookup.lookup(bytes + i, keyLength, value) == 2) {
        used = keyLength;
        break;
      }
    }
    if (used != 0) {
      *out++ = value[0];
      *out++ = value[1];
      i += used;
      continue;
    }
    std::uint8_t b = bytes[i];
    if (b == 0 || (ascii && b < 0x80)) {
      *out++ = b;
      *out++ = 0;
    } else if (lookup.lookup(&b, 1, value) == 2) {
      *out++ = value[0];
      *out++ = value[1];
    } else {
      complete = false;
    }
    ++i;
  }
  return complete;
}

// Single-byte decoding: one array index per byte; 0x00 gives U+0000, an unmapped byte is left
// out.
template <typename Put>
bool decodeSingleByte(const UnicodeLookup& lookup, const std::uint8_t* bytes, std::uint32_t count,
                      std::uint8_t*& out, Put put) {
  bool complete = true;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t b = bytes[i];
    std::uint16_t unit = lookup.unitFor(b);
    if (b != 0 && unit == 0) {
      complete = false;
      continue;
    }
    put(out, unit);
  }
  return complete;
}

// Below this many bytes a single-byte page is decoded by the scalar loop alone: setting a
// kernel up (the AVX2 decoder widens the page's table for its gathers) would cost more than it
// saves.
constexpr std::uint32_t kVectorMinimum = 128;

}  // namespace

// Bytes of a table code page to UTF-16LE.
bool tableToUtf16(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  DecodeTable table = decodeTableFor(codePage);
  if (!table.exists()) return false;
  // At most one unit (two bytes) per input byte: write through a pointer into reserved space.
  if (!reserveExact(output, count, 2)) capacityExceeded("conversion output exceeds 32 bits");
  std::uint8_t* out = output.data() + output.length();
  bool complete;
  if (table.singleByte != nullptr && count < kVectorMinimum) {
    complete = decodeSingleByte(*table.singleByte, bytes, count, out, putUnit);
  } else if (table.singleByte != nullptr) {
    // Blocks through the vector kernel; the block where it stops (a byte left out) goes by the
    // scalar rule, and the kernel takes over again after it.
    tablesimd::SingleByteDecoder kernel(table.singleByte->units());
    complete = kernel.active() ? true : decodeSingleByte(*table.singleByte, bytes, count, out, putUnit);
    for (std::uint32_t i = 0; kernel.active() && i < count;) {
      auto taken = static_cast<std::uint32_t>(kernel.decode(bytes + i, count - i, out));
      out += 2 * taken;
      i += taken;
      std::uint32_t block = std::min<std::uint32_t>(count - i, 64);
      if (!decodeSingleByte(*table.singleByte, bytes + i, block, out, putUnit)) complete = false;
      i += block;
    }
  } else if (const FlatDecodeTable* flat = flatDecodeTableFor(codePage); flat->coversAllKeys()) {
    complete = decodeFlat(*flat, bytes, count, out);
  } else {
    complete = decodeHashed(*table.multiByte, bytes, count, out);
  }
  output.setLength(static_cast<std::uint32_t>(out - output.data()));
  return complete;
}

namespace {

bool hasSurrogateUnits(const UnicodeLookup& lookup) {
  for (int b = 1; b < 256; ++b) {
    std::uint16_t unit = lookup.unitFor(static_cast<std::uint8_t>(b));
    if (unit >= 0xD800 && unit <= 0xDFFF) return true;
  }
  return false;
}

// Copies the leading bytes below 0x80 of `bytes`, eight at a time; answers how many.
inline std::uint32_t copyAsciiRun(const std::uint8_t* bytes, std::uint32_t count, std::uint8_t*& out) {
  std::uint32_t i = 0;
  while (count - i >= 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    if ((word & 0x8080808080808080ull) != 0) break;
    std::memcpy(out, &word, 8);
    out += 8;
    i += 8;
  }
  return i;
}

// Writes a UTF-8 entry (flat_tables.h): always three bytes, of which the count are kept.
// The output needs two spare bytes beyond what it keeps.
inline void putUtf8Entry(std::uint8_t*& out, std::uint32_t entry) {
  out[0] = static_cast<std::uint8_t>(entry);
  out[1] = static_cast<std::uint8_t>(entry >> 8);
  out[2] = static_cast<std::uint8_t>(entry >> 16);
  out += entry >> 24;
}

// Multi-byte bytes to UTF-8 through the flat arrays' UTF-8 entries; ASCII runs are copied.
void decodeFlatToUtf8(const FlatDecodeTable& flat, const std::uint8_t* bytes, std::uint32_t count,
                      std::uint8_t*& out) {
  bool ascii = flat.passesAsciiThrough();
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (b < 0x80 && ascii) {
      std::uint32_t copied = copyAsciiRun(bytes + i, count - i, out);
      if (copied == 0) {
        *out++ = b;
        copied = 1;
      }
      i += copied;
      continue;
    }
    std::uint32_t entry = i + 1 < count ? flat.pairUtf8(b, bytes[i + 1]) : 0;
    std::uint32_t used = 2;
    if (entry == 0) {
      entry = flat.singleUtf8(b);  // 0 when the byte is left out: nothing is kept
      used = 1;
    }
    putUtf8Entry(out, entry);
    i += used;
  }
}

// Single-byte bytes to UTF-8 through a table of 256 UTF-8 entries made for the call; worth it
// for long inputs only, which also get ASCII runs copied when the page keeps ASCII as it is.
void decodeSingleByteToUtf8(const UnicodeLookup& lookup, const std::uint8_t* bytes, std::uint32_t count,
                            std::uint8_t*& out) {
  std::uint32_t entries[256];
  bool ascii = true;
  for (int b = 0; b < 256; ++b) {
    std::uint16_t unit = lookup.unitFor(static_cast<std::uint8_t>(b));
    entries[b] = b != 0 && unit == 0 ? 0 : utf8Entry(unit);
    if (b < 0x80 && unit != b) ascii = false;
  }
  // Eight bytes at a time: copied when all are ASCII, else each through its entry.
  std::uint32_t i = 0;
  for (; count - i >= 8; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    if (ascii && (word & 0x8080808080808080ull) == 0) {
      std::memcpy(out, &word, 8);
      out += 8;
      continue;
    }
    for (int k = 0; k < 8; ++k) putUtf8Entry(out, entries[bytes[i + k]]);
  }
  for (; i < count; ++i) putUtf8Entry(out, entries[bytes[i]]);
}

}  // namespace

// Bytes of a table code page to UTF-8, the same as decoding to a UTF-16 temporary and encoding
// that, and so true whatever the decoding left out. Goes straight from bytes to UTF-8 when the
// table yields no surrogates (a decoded pair would make one 4-byte character); the temporary
// is taken otherwise, and for outputs near the 32-bit limit.
bool tableToUtf8(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  constexpr std::uint32_t kLongInput = 4096;
  DecodeTable table = decodeTableFor(codePage);
  const FlatDecodeTable* flat = table.multiByte != nullptr ? flatDecodeTableFor(codePage) : nullptr;
  bool direct = table.singleByte != nullptr
                    ? !hasSurrogateUnits(*table.singleByte)
                    : flat != nullptr && flat->coversAllKeys() && !flat->yieldsSurrogates();
  // Up to three UTF-8 bytes per input byte (a lone byte may stand for any unit), and the two
  // spare bytes of putUtf8Entry.
  if (direct && reserveExact(output, count + 1, 3)) {
    std::uint8_t* out = output.data() + output.length();
    if (flat != nullptr) {
      decodeFlatToUtf8(*flat, bytes, count, out);
    } else if (count >= kLongInput) {
      decodeSingleByteToUtf8(*table.singleByte, bytes, count, out);
    } else {
      decodeSingleByte(*table.singleByte, bytes, count, out, putUtf8);
    }
    output.setLength(static_cast<std::uint32_t>(out - output.data()));
    return true;
  }
  DataBuffer wide;
  reserveAhead(wide, std::uint64_t{count} * 2 + 4);
  tableToUtf16(codePage, bytes, count, wide);
  if (wide.length() == 0) return true;
  return utf16ToUtf8(wide.data(), wide.length(), output);
}

namespace {

// Appends the bytes for the units of `bytes` (an even count) through the flat encode table;
// false when a unit is left out.
bool encodeFlat(const FlatEncodeTable& flat, bool foldArabicDigits, const std::uint8_t* bytes,
                std::uint32_t count, std::uint8_t*& output) {
  // A local cursor: stores through a byte pointer could alias the caller's, which would be
  // reloaded and written back for every unit.
  std::uint8_t* out = output;
  bool complete = true;
  for (std::uint32_t i = 0; i < count; i += 2) {
    auto unit = static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (foldArabicDigits) {
      if (unit >= 0x0660 && unit <= 0x0669) unit = static_cast<std::uint16_t>(unit - 0x0660 + '0');
      if (unit >= 0x06F0 && unit <= 0x06F9) unit = static_cast<std::uint16_t>(unit - 0x06F0 + '0');
    }
    std::uint32_t entry = flat.entryFor(unit);
    if (entry == 0) {
      complete = false;
      continue;
    }
    // Both bytes are stored; the count says whether the second one belongs to the output.
    out[0] = static_cast<std::uint8_t>(entry);
    out[1] = static_cast<std::uint8_t>(entry >> 8);
    out += entry >> FlatEncodeTable::kCountShift;
  }
  output = out;
  return complete;
}

// The Arabic pages have no Arabic-Indic digits: those are written as ASCII digits.
bool foldsArabicDigits(std::int32_t codePage) { return codePage == 28596 || codePage == 1256; }

bool isSingleBytePage(std::int32_t codePage) {
  const CodePageRow* row = codePageRow(codePage);
  return row != nullptr && row->table == TableKind::kSingleByte;
}

// encodeFlat, with the blocks of a single-byte page through the vector kernel first; the block
// where it stops (a unit left out) goes by the scalar rule, and the kernel takes over again
// after it.
bool encodeUnits(const FlatEncodeTable& flat, bool singleByte, bool foldArabicDigits,
                 const std::uint8_t* bytes, std::uint32_t count, std::uint8_t*& out) {
  if (!singleByte) return encodeFlat(flat, foldArabicDigits, bytes, count, out);
  tablesimd::SingleByteEncoder kernel(flat, foldArabicDigits);
  if (!kernel.active()) return encodeFlat(flat, foldArabicDigits, bytes, count, out);
  bool complete = true;
  const std::uint32_t units = count / 2;
  for (std::uint32_t i = 0; i < units;) {
    auto taken = static_cast<std::uint32_t>(kernel.encode(bytes + 2 * i, units - i, out));
    out += taken;
    i += taken;
    std::uint32_t block = std::min<std::uint32_t>(units - i, 64);
    if (!encodeFlat(flat, foldArabicDigits, bytes + 2 * i, 2 * block, out)) complete = false;
    i += block;
  }
  return complete;
}

}  // namespace

// UTF-16LE to a table code page. Units without a mapping are left out.
bool utf16ToTable(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  count &= ~1u;
  if (count == 0) return false;
  const FlatEncodeTable* table = flatEncodeTableFor(codePage);
  if (table == nullptr) return false;
  // At most two bytes per unit, plus one spare: the second byte of an entry is always stored.
  std::uint64_t needed = std::uint64_t{output.length()} + count + 1;
  if (needed > UINT32_MAX) capacityExceeded("conversion output exceeds 32 bits");
  output.ensureCapacity(static_cast<std::uint32_t>(needed));
  std::uint8_t* out = output.data() + output.length();
  bool complete =
      encodeUnits(*table, isSingleBytePage(codePage), foldsArabicDigits(codePage), bytes, count, out);
  output.setLength(static_cast<std::uint32_t>(out - output.data()));
  return complete;
}

// UTF-8 to a table code page, the same as decoding the whole input to a UTF-16 temporary and
// encoding that (false when the temporary would be empty), but through a small temporary
// reused slice after slice. Slices end before a byte that is not a continuation byte, so no
// character is split (with three continuation bytes before it, no sequence can span the cut).
bool utf8ToTable(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  const FlatEncodeTable* table = flatEncodeTableFor(codePage);
  if (table == nullptr) return false;
  constexpr std::uint32_t kSlice = 32 * 1024;
  auto isContinuation = [](std::uint8_t b) { return (b & 0xC0) == 0x80; };
  reserveAhead(output, std::uint64_t{count} + 4);
  bool fold = foldsArabicDigits(codePage);
  bool singleByte = isSingleBytePage(codePage);
  bool complete = true;
  bool anyUnit = false;
  DataBuffer wide;
  wide.ensureCapacity(kSlice * 2 + 64);
  std::uint32_t start = 0;
  while (start < count) {
    std::uint32_t cut = count;
    if (count - start > kSlice) {
      cut = start + kSlice;
      std::uint32_t back = cut;
      for (int k = 0; k < 3 && isContinuation(bytes[back]); ++k) --back;
      if (!isContinuation(bytes[back])) cut = back;
    }
    wide.setLength(0);
    utf8ToUtf16(bytes + start, cut - start, wide);
    start = cut;
    if (wide.length() == 0) continue;
    anyUnit = true;
    // Up to two bytes per unit, plus the spare byte encodeFlat may store.
    std::uint64_t needed = std::uint64_t{output.length()} + wide.length() + 1;
    if (needed > UINT32_MAX) capacityExceeded("conversion output exceeds 32 bits");
    if (needed > output.capacity()) {
      std::uint64_t doubled = std::uint64_t{output.capacity()} * 2;
      output.ensureCapacity(
          static_cast<std::uint32_t>(std::min<std::uint64_t>(std::max(needed, doubled), UINT32_MAX)));
    }
    std::uint8_t* out = output.data() + output.length();
    if (!encodeUnits(*table, singleByte, fold, wide.data(), wide.length(), out)) complete = false;
    output.setLength(static_cast<std::uint32_t>(out - output.data()));
  }
  return anyUnit && complete;
}

}  // namespace vk
