#include "charset/hash_convert.h"

#include <cstdlib>
#include <cstring>

#include "platform/fatal.h"

namespace vk {
namespace {

// Length of a packed entry list, not counting its closing zero byte.
std::size_t listLength(const std::uint8_t* list) {
  const std::uint8_t* p = list;
  while (*p != 0) {
    p += 1 + p[0];  // key length and key
    p += 1 + p[0];  // value length and value
  }
  return static_cast<std::size_t>(p - list);
}

bool keyMatches(const std::uint8_t* entry, const std::uint8_t* key, std::uint32_t keyLength) {
  return entry[0] == keyLength && std::memcmp(entry + 1, key, keyLength) == 0;
}

std::size_t entrySize(const std::uint8_t* entry) {
  std::size_t keyPart = 1 + entry[0];
  return keyPart + 1 + entry[keyPart];
}

}  // namespace

HashConvert::~HashConvert() { release(); }

void HashConvert::release() {
  for (std::uint32_t i = 0; i < bucketCount_; ++i) std::free(buckets_[i]);
  std::free(buckets_);
  buckets_ = nullptr;
  bucketCount_ = 0;
  std::memset(keyLengthsByFirstByte_, 0, sizeof keyLengthsByFirstByte_);
}

void HashConvert::init(std::uint32_t bucketCount) {
  release();
  if (bucketCount == 0) return;
  buckets_ = static_cast<std::uint8_t**>(std::calloc(bucketCount, sizeof(std::uint8_t*)));
  if (buckets_ == nullptr) fatalError("out of memory");
  bucketCount_ = bucketCount;
}

// The hash is the key's first four bytes read little-endian, modulo the bucket count.
std::uint32_t HashConvert::bucketIndex(const std::uint8_t* key, std::uint32_t keyLength) const {
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < keyLength && i < 4; ++i) value |= std::uint32_t{key[i]} << (8 * i);
  return value % bucketCount_;
}

void HashConvert::insert(const std::uint8_t* key, std::uint32_t keyLength, const std::uint8_t* value,
                         std::uint32_t valueLength) {
  if (bucketCount_ == 0 || keyLength == 0 || keyLength > 255 || valueLength > 255) return;
  if (keyLength < 8) keyLengthsByFirstByte_[key[0]] |= static_cast<std::uint8_t>(1u << keyLength);
  std::uint8_t*& list = buckets_[bucketIndex(key, keyLength)];
  std::size_t used = list ? listLength(list) : 0;
  std::size_t added = 2 + keyLength + valueLength;
  auto* grown = static_cast<std::uint8_t*>(std::realloc(list, used + added + 1));
  if (grown == nullptr) fatalError("out of memory");
  std::uint8_t* p = grown + used;
  *p++ = static_cast<std::uint8_t>(keyLength);
  std::memcpy(p, key, keyLength);
  p += keyLength;
  *p++ = static_cast<std::uint8_t>(valueLength);
  if (valueLength > 0) std::memcpy(p, value, valueLength);
  p += valueLength;
  *p = 0;
  list = grown;
}

void HashConvert::remove(const std::uint8_t* key, std::uint32_t keyLength) {
  if (bucketCount_ == 0 || keyLength == 0) return;
  std::uint8_t*& list = buckets_[bucketIndex(key, keyLength)];
  if (list == nullptr) return;
  std::uint8_t* out = list;
  for (const std::uint8_t* in = list; *in != 0;) {
    std::size_t size = entrySize(in);
    if (!keyMatches(in, key, keyLength)) {
      std::memmove(out, in, size);
      out += size;
    }
    in += size;
  }
  *out = 0;
  if (out == list) {
    std::free(list);
    list = nullptr;
  }
}

std::uint32_t HashConvert::lookup(const std::uint8_t* key, std::uint32_t keyLength,
                                  std::uint8_t* value) const {
  if (bucketCount_ == 0 || keyLength == 0) return 0;
  if (keyLength < 8 && (keyLengthsByFirstByte_[key[0]] & (1u << keyLength)) == 0) return 0;
  const std::uint8_t* entry = buckets_[bucketIndex(key, keyLength)];
  if (entry == nullptr) return 0;
  while (*entry != 0) {
    if (keyMatches(entry, key, keyLength)) {
      const std::uint8_t* v = entry + 1 + entry[0];
      std::memcpy(value, v + 1, v[0]);
      return v[0];
    }
    entry += entrySize(entry);
  }
  return 0;
}

// Only the entries that lookup answers are inverted: a key listed again further down its bucket
// (a table's extra decode-only code for a character) is not part of the mapping this table
// performs.
void HashConvert::copyInverted(HashConvert& other) const {
  std::uint8_t answer[255];
  for (std::uint32_t i = 0; i < bucketCount_; ++i) {
    const std::uint8_t* entry = buckets_[i];
    if (entry == nullptr) continue;
    while (*entry != 0) {
      const std::uint8_t* v = entry + 1 + entry[0];
      const std::uint32_t answered = lookup(entry + 1, entry[0], answer);
      if (answered == v[0] && std::memcmp(answer, v + 1, v[0]) == 0) {
        other.insert(v + 1, v[0], entry + 1, entry[0]);
      }
      entry += entrySize(entry);
    }
  }
}

std::uint64_t HashConvert::memoryUsed() const {
  std::uint64_t total = std::uint64_t{bucketCount_} * sizeof(std::uint8_t*);
  for (std::uint32_t i = 0; i < bucketCount_; ++i) {
    if (buckets_[i] != nullptr) total += listLength(buckets_[i]) + 1;
  }
  return total;
}

void UnicodeLookup::fillFrom(const HashConvert& decodeTable) {
  for (int b = 1; b < 256; ++b) {
    if (decodeTable.isAsciiCompatible() && b < 0x80) {
      units_[b] = static_cast<std::uint16_t>(b);
      continue;
    }
    std::uint8_t key = static_cast<std::uint8_t>(b);
    std::uint8_t value[255];
    std::uint32_t n = decodeTable.lookup(&key, 1, value);
    units_[b] = n == 2 ? static_cast<std::uint16_t>(value[0] | (value[1] << 8)) : 0;
  }
}

}  // namespace vk
