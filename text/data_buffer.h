// A growable byte buffer without terminator: wide text, conversion output, file contents.
// It may hold a borrowed block that it never frees.
#pragma once
#include <cstddef>
#include <cstdint>

struct tagVARIANT;

namespace vk {

class LogSink;
class StringBuffer;

class DataBuffer {
 public:
  DataBuffer() = default;
  DataBuffer(const DataBuffer& other);
  DataBuffer& operator=(const DataBuffer& other);
  virtual ~DataBuffer();

  void clear();
  const std::uint8_t* data() const;
  std::uint8_t* data();
  std::uint32_t length() const;
  std::uint32_t capacity() const;
  bool isBorrowed() const;

  // Pointer to byte i when 0 <= i < length, else null.
  const std::uint8_t* byteAt(std::int64_t i) const;

  void appendByte(std::uint8_t b);
  void append(const void* bytes, std::size_t n);
  void appendBuffer(const DataBuffer& other);
  // A zero-terminated UTF-16 string with its terminator; null appends just the terminator.
  void appendWideString(const char16_t* units);
  // Appends one UTF-16 unit, little-endian.
  void appendUnit(std::uint16_t unit);

  void shrinkBy(std::uint32_t k);
  void setLength(std::uint32_t n);
  void ensureCapacity(std::uint32_t n);
  // Takes block (from malloc) as owned content of n bytes.
  void adopt(void* block, std::uint32_t n);
  // Takes block as content that stays someone else's.
  void adoptBorrowed(void* block, std::uint32_t n);
  // Hands the block (malloc'ed) to the caller; the buffer continues empty.
  std::uint8_t* detach();
  // Exchanges content and storage with another buffer; allocates nothing.
  void swap(DataBuffer& other);

  // Replaces the content with a file's bytes; the name is UTF-8, ANSI or UTF-16
  // (files/data_buffer_files.cpp).
  bool loadWholeFile(const char* utf8Name, LogSink* log = nullptr);
  bool loadWholeFileNarrow(const char* ansiName, LogSink* log = nullptr);
  bool loadWholeFileWide(const char16_t* wideName, LogSink* log = nullptr);
  // Appends the bytes an automation VARIANT carries; hands the content out as a byte-array
  // VARIANT, or VT_NULL when empty (files/variant_bytes.cpp).
  void appendVariant(const tagVARIANT& value);
  void toByteArrayVariant(tagVARIANT* out) const;
  // Appends the content as upper-case hex digit pairs (coding/hex.cpp).
  void encodeHex(StringBuffer& output) const;

 private:
  static constexpr std::uint8_t kAlive = 0xDB;
  static constexpr std::uint32_t kMinimumGrowth = 20000;

  void checkAlive() const;
  void growFor(std::uint64_t needed);
  void reallocate(std::uint32_t newCapacity);
  void release();

  std::uint8_t marker_ = kAlive;
  bool borrowed_ = false;
  std::uint8_t* data_ = nullptr;
  std::uint32_t length_ = 0;
  std::uint32_t capacity_ = 0;
};

}  // namespace vk
