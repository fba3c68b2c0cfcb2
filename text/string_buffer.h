// A growable byte string that is always zero-terminated: ANSI and UTF-8 text, names,
// messages, encoder output. Searches and comparisons see bytes and stop at the first NUL.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/automation_string.h"
#include "text/velkor_object.h"

namespace vk {

class DataBuffer;

class StringBuffer : public VelkorObject {
 public:
  StringBuffer();
  explicit StringBuffer(const char* text);
  // A buffer with a block of `size` bytes whose growth step starts at `size` (0 means 200).
  static StringBuffer withSize(std::int32_t size);
  StringBuffer(const StringBuffer& other);
  StringBuffer& operator=(const StringBuffer& other);
  ~StringBuffer() override;

  const char* text() const;
  char* data();
  std::int32_t length() const;
  std::int32_t capacity() const;
  std::int32_t growthStep() const;

  void clear();
  void append(const char* text);
  void appendBytes(const void* bytes, std::int64_t n);
  void appendChar(char c);
  void appendBuffer(const StringBuffer& other);
  void assign(const StringBuffer& other);
  void setText(const char* text);
  void reserve(std::int32_t n);
  // Sets the length to n, at most capacity - 1, and writes the terminator after it, for text
  // written straight into the block (the bytes up to n are whatever the block holds).
  void setLength(std::int32_t n);
  void shrinkToFit();
  // Exchanges the contents (blocks, lengths and growth steps) of the two buffers.
  void swap(StringBuffer& other);
  // Takes the bytes of `bytes` as the whole content, taking over its block instead of copying
  // it when the block is its own; `bytes` continues empty.
  void adoptBytes(DataBuffer& bytes);
  // Hands the block (malloc'ed, zero-terminated) to the caller; the buffer continues empty.
  char* detach(std::int32_t* lengthOut = nullptr);

  // Converts the whole content from the ANSI code page to `codePage`.
  void convertFromAnsi(std::int32_t codePage);
  // A new automation string of the content converted from the ANSI code page.
  BSTR toWideString() const;
  // Appends the system's message text for an error code, then trims white space.
  void appendSystemMessage(std::uint32_t code);
  void appendLastErrorMessage();

  void toLowerLatin1();
  void toUpperLatin1();
  void truncateAt(char c);
  // Appends the bytes that the text's hex digit pairs stand for, unvalidated (coding/hex.cpp).
  void decodeHex(DataBuffer& output) const;

  void trimSpacesTabs();
  void trimWhitespace();
  void collapseWhitespace();
  bool contains(const char* needle) const;
  bool beginsWith(const char* prefix) const;
  bool endsWith(const char* suffix) const;
  bool replaceFirst(const char* find, const char* with);
  std::int32_t replaceAll(const char* find, const char* with);
  std::int32_t replaceAllWithByte(const char* find, std::uint8_t b);
  bool equalsNoCase(const char* text) const;
  std::uint8_t byteAt(std::int64_t i) const;
  std::uint8_t lastByte() const;
  void dropLast(std::int64_t n);
  void removeByte(std::int32_t c);
  void replaceByte(std::int32_t c1, std::int32_t c2);
  // Wildcard match of the text against `pattern` ('*' only; pattern_match.cpp). A null pattern
  // gives false; case-insensitive folds ASCII letters only.
  bool matchesPattern(const char* pattern, bool caseSensitive) const;

 private:
  static constexpr std::uint8_t kAlive = 0xAA;
  static constexpr std::int32_t kDefaultStep = 200;
  static constexpr std::int32_t kStepLimit = 500000;

  struct SizedTag {};
  StringBuffer(SizedTag, std::int32_t size);

  void checkAlive() const;
  // Sets the length (below the capacity) and writes the terminator after it.
  void endAt(std::int32_t length) {
    length_ = length;
    data_[length_] = 0;
  }
  // Makes room for `extra` more bytes plus the terminator when length + extra >= capacity;
  // `spare` is added to the new block (1 for text appends, 0 for byte appends).
  void growFor(std::int64_t extra, std::int64_t spare, bool updateStep);
  void resizeBlock(std::int64_t newCapacity);
  void trimBytes(const char* set);
  std::int32_t replaceAllImpl(const char* find, const char* with, std::size_t withLength);
  std::int32_t replaceAllShrinking(const char* find, std::size_t findLength, const char* with,
                                   std::size_t withLength);
  std::int32_t replaceAllGrowing(const char* find, std::size_t findLength, const char* with,
                                 std::size_t withLength);
  std::size_t textLength() const;

  std::uint8_t marker_ = kAlive;
  char* data_ = nullptr;
  std::int32_t capacity_ = 0;
  std::int32_t length_ = 0;
  std::int32_t step_ = kDefaultStep;
};

}  // namespace vk
