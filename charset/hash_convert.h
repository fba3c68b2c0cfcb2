// A chained hash table from short byte strings to short byte strings: the encode tables
// (UTF-16 unit -> code-page bytes) and the multi-byte decode tables (bytes -> UTF-16 unit).
// Each bucket is one packed allocation of entries [key length, key, value length, value]
// ended by a zero byte. Inserting appends, and lookup takes the first match, so the entry
// inserted first wins where a key repeats.
#pragma once
#include <cstdint>

namespace vk {

class HashConvert {
 public:
  HashConvert() = default;
  HashConvert(const HashConvert&) = delete;
  HashConvert& operator=(const HashConvert&) = delete;
  virtual ~HashConvert();

  // Discards any content and allocates `bucketCount` empty buckets.
  void init(std::uint32_t bucketCount);
  void insert(const std::uint8_t* key, std::uint32_t keyLength, const std::uint8_t* value,
              std::uint32_t valueLength);
  void remove(const std::uint8_t* key, std::uint32_t keyLength);
  // Copies the value of the first entry with this key into `value` (room for 255 bytes);
  // answers its length, 0 when there is none.
  std::uint32_t lookup(const std::uint8_t* key, std::uint32_t keyLength, std::uint8_t* value) const;
  // Inserts every entry that lookup answers into `other` with key and value exchanged, buckets
  // in index order (a key listed again later in its bucket is shadowed and left out).
  void copyInverted(HashConvert& other) const;

  bool isAsciiCompatible() const { return asciiCompatible_; }
  void setAsciiCompatible(bool compatible) { asciiCompatible_ = compatible; }
  std::uint32_t bucketCount() const { return bucketCount_; }
  // The packed entry list of a bucket, or null when it is empty.
  const std::uint8_t* bucket(std::uint32_t index) const { return buckets_[index]; }
  // Bytes held by the bucket lists and the bucket array.
  std::uint64_t memoryUsed() const;

 private:
  std::uint32_t bucketIndex(const std::uint8_t* key, std::uint32_t keyLength) const;
  void release();

  bool asciiCompatible_ = false;
  std::uint32_t bucketCount_ = 0;
  std::uint8_t** buckets_ = nullptr;
  // For each first byte, bit n set when a key of n bytes starting with it was ever inserted.
  // Lookups of keys that cannot exist (a 2-byte key starting with an ASCII byte, say) end
  // here without touching a bucket, which makes multi-byte decoding several times faster.
  std::uint8_t keyLengthsByFirstByte_[256] = {};
};

// The decode table of a single-byte code page: 256 UTF-16 units indexed by byte, 0 meaning
// unmapped. Entry 0 stays 0; the engine converts byte 0 itself.
class UnicodeLookup {
 public:
  virtual ~UnicodeLookup() = default;
  // Fills entries 1-255 from a decode table: bytes below 0x80 of an ASCII-compatible table
  // stand for themselves; other bytes take a 2-byte value found under their 1-byte key.
  void fillFrom(const HashConvert& decodeTable);
  std::uint16_t unitFor(std::uint8_t byte) const { return units_[byte]; }
  // All 256 entries, for the vector decoders.
  const std::uint16_t* units() const { return units_; }

 private:
  std::uint16_t units_[256] = {};
};

}  // namespace vk
