// Building stored-table blobs inside tests: table data written record by record, the
// compressed container made with libbzip2, and the base64 text with its storage-mode prefix.
#pragma once
#include <bzlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "charset/hash_convert.h"

namespace vk::testblobs {

using Bytes = std::vector<std::uint8_t>;

inline void putWord(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void putLong(Bytes& out, std::uint32_t value) {
  putWord(out, static_cast<std::uint16_t>(value));
  putWord(out, static_cast<std::uint16_t>(value >> 16));
}

struct SingleRecord {
  std::uint8_t byte;
  std::uint16_t unit;
};
struct DoubleRecord {
  std::uint16_t code;  // lead byte << 8 | trail byte
  std::uint16_t unit;
};

// Full table data from absolute records, delta-coded in the order given. Two neighbouring
// records must differ in their code: a delta of 0 is the end of a section.
inline Bytes fullTableData(bool asciiCompatible, const std::vector<SingleRecord>& singles,
                           const std::vector<DoubleRecord>& doubles) {
  Bytes out{static_cast<std::uint8_t>(asciiCompatible ? 'a' : 'x'), 'u'};
  std::uint8_t byte = 0;
  std::uint16_t unit = 0;
  for (const SingleRecord& r : singles) {
    out.push_back(static_cast<std::uint8_t>(r.byte - byte));
    putWord(out, static_cast<std::uint16_t>(r.unit - unit));
    byte = r.byte;
    unit = r.unit;
  }
  out.push_back(0);
  std::uint16_t code = 0;
  unit = 0;
  for (const DoubleRecord& r : doubles) {
    putWord(out, static_cast<std::uint16_t>(r.code - code));
    putWord(out, static_cast<std::uint16_t>(r.unit - unit));
    code = r.code;
    unit = r.unit;
  }
  putWord(out, 0);
  return out;
}

inline Bytes patchData(bool asciiCompatible, const std::vector<std::uint16_t>& removals,
                       const std::vector<SingleRecord>& singles, const std::vector<DoubleRecord>& doubles) {
  Bytes out{static_cast<std::uint8_t>(asciiCompatible ? 'a' : 'x'), 'd'};
  for (std::uint16_t unit : removals) putWord(out, unit);
  putWord(out, 0);
  for (const SingleRecord& r : singles) {
    out.push_back(r.byte);
    putWord(out, r.unit);
  }
  out.push_back(0);
  for (const DoubleRecord& r : doubles) {
    out.push_back(static_cast<std::uint8_t>(r.code >> 8));
    out.push_back(static_cast<std::uint8_t>(r.code));
    putWord(out, r.unit);
  }
  putWord(out, 0);
  return out;
}

inline Bytes bzip2Compress(const Bytes& data) {
  unsigned int size = static_cast<unsigned int>(data.size() + data.size() / 100 + 600);
  Bytes out(size);
  // One spare byte keeps the source pointer valid for empty data, which libbzip2 refuses as null.
  std::vector<char> source(data.begin(), data.end());
  source.push_back(0);
  int rc = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &size, source.data(),
                                    static_cast<unsigned int>(data.size()), 9, 0, 0);
  if (rc != BZ_OK) return {};
  out.resize(size);
  return out;
}

// Magic, stated length, bzip2 stream.
inline Bytes container(const Bytes& data, std::uint32_t statedLength) {
  Bytes out;
  putLong(out, 0xB394A7E1u);
  putLong(out, statedLength);
  Bytes stream = bzip2Compress(data);
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}
inline Bytes container(const Bytes& data) { return container(data, static_cast<std::uint32_t>(data.size())); }

inline std::string base64(const Bytes& data) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    std::uint32_t v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[(v >> shift) & 63];
  }
  std::size_t rest = data.size() - i;
  if (rest > 0) {
    std::uint32_t v = data[i] << 16;
    if (rest == 2) v |= data[i + 1] << 8;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

inline std::string rawBlob(const Bytes& tableData) { return "x" + base64(tableData); }
inline std::string compressedBlob(const Bytes& tableData) { return "c" + base64(container(tableData)); }

// Every entry of a table, bucket by bucket, for comparing whole tables.
struct Entry {
  Bytes key;
  Bytes value;
  bool operator==(const Entry& o) const { return key == o.key && value == o.value; }
};
inline std::vector<Entry> entriesOf(const HashConvert& table) {
  std::vector<Entry> entries;
  for (std::uint32_t i = 0; i < table.bucketCount(); ++i) {
    const std::uint8_t* p = table.bucket(i);
    if (p == nullptr) continue;
    while (*p != 0) {
      Entry e;
      e.key.assign(p + 1, p + 1 + p[0]);
      p += 1 + p[0];
      e.value.assign(p + 1, p + 1 + p[0]);
      p += 1 + p[0];
      entries.push_back(std::move(e));
    }
  }
  return entries;
}

inline Bytes unitKey(std::uint16_t unit) {
  return {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)};
}

// The value found under a key, empty when none.
inline Bytes lookupBytes(const HashConvert& table, const Bytes& key) {
  std::uint8_t value[255];
  std::uint32_t n = table.lookup(key.data(), static_cast<std::uint32_t>(key.size()), value);
  return Bytes(value, value + n);
}

}  // namespace vk::testblobs
