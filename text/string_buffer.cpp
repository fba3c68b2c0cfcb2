#include "text/string_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/code_page.h"
#include "platform/system_message.h"
#include "text/block_memory.h"
#include "text/data_buffer.h"
#include "platform/fatal.h"

namespace vk {
namespace {
constexpr std::int64_t kMaxCapacity = INT32_MAX;

char* allocateBlock(std::int64_t size) {
  if (size <= 0 || size > kMaxCapacity) capacityExceeded("StringBuffer size exceeds 32 bits");
  char* block = static_cast<char*>(blocks::allocate(static_cast<std::size_t>(size)));
  if (block == nullptr) capacityExceeded("out of memory");
  return block;
}

bool isWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
}  // namespace

StringBuffer::StringBuffer() : StringBuffer(SizedTag{}, kDefaultStep) {}

StringBuffer::StringBuffer(SizedTag, std::int32_t size) {
  if (size <= 0) size = kDefaultStep;
  data_ = allocateBlock(size);
  data_[0] = 0;
  capacity_ = size;
  step_ = size;
}

StringBuffer StringBuffer::withSize(std::int32_t size) { return StringBuffer(SizedTag{}, size); }

StringBuffer::StringBuffer(const char* text) {
  if (text == nullptr) {
    data_ = allocateBlock(4);
    data_[0] = 0;
    capacity_ = 4;
    return;
  }
  std::size_t n = std::strlen(text);
  data_ = allocateBlock(static_cast<std::int64_t>(n) + 1);
  std::memcpy(data_, text, n + 1);
  capacity_ = static_cast<std::int32_t>(n + 1);
  length_ = static_cast<std::int32_t>(n);
}

StringBuffer::StringBuffer(const StringBuffer& other) : VelkorObject(other) {
  other.checkAlive();
  data_ = allocateBlock(static_cast<std::int64_t>(other.length_) + 1);
  std::memcpy(data_, other.data_, static_cast<std::size_t>(other.length_) + 1);
  capacity_ = other.length_ + 1;
  length_ = other.length_;
}

StringBuffer& StringBuffer::operator=(const StringBuffer& other) {
  if (this != &other) {
    clear();
    appendBuffer(other);
  }
  return *this;
}

StringBuffer::~StringBuffer() {
  checkAlive();
  blocks::release(data_, static_cast<std::size_t>(capacity_));
  // Volatile so that the store survives optimisation: it is what a later use will see.
  *static_cast<volatile std::uint8_t*>(&marker_) = 0;
  // Overwrite the fields so that a use after destruction shows a recognisable pattern.
  data_ = reinterpret_cast<char*>(static_cast<std::uintptr_t>(0xDDDDDDDDu));
  capacity_ = length_ = step_ = static_cast<std::int32_t>(0xDDDDDDDDu);
}

void StringBuffer::checkAlive() const {
  if (marker_ != kAlive) fatalError("StringBuffer used after destruction or overwritten");
}

const char* StringBuffer::text() const {
  checkAlive();
  return data_;
}

char* StringBuffer::data() {
  checkAlive();
  return data_;
}

std::int32_t StringBuffer::length() const {
  checkAlive();
  return length_;
}

std::int32_t StringBuffer::capacity() const {
  checkAlive();
  return capacity_;
}

std::int32_t StringBuffer::growthStep() const {
  checkAlive();
  return step_;
}

std::size_t StringBuffer::textLength() const {
  const void* nul = std::memchr(data_, 0, static_cast<std::size_t>(length_));
  return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data_)
             : static_cast<std::size_t>(length_);
}

// Resized where it lies when there is room: a small block as realloc can, a large one within
// the room reserved behind it, so resizing a long text neither copies it nor touches fresh
// memory for the part it keeps.
void StringBuffer::resizeBlock(std::int64_t newCapacity) {
  if (newCapacity <= 0 || newCapacity > kMaxCapacity) capacityExceeded("StringBuffer size exceeds 32 bits");
  char* block = static_cast<char*>(
      blocks::resize(data_, static_cast<std::size_t>(capacity_), static_cast<std::size_t>(newCapacity)));
  if (block == nullptr) capacityExceeded("out of memory");
  data_ = block;
  capacity_ = static_cast<std::int32_t>(newCapacity);
}

// The step follows half the new capacity up to 500000 bytes, which gives the sequence
// 200, 400, 600, 900, 1350... for a default buffer. Past that limit the step keeps following
// half the capacity, so very long texts still grow geometrically.
void StringBuffer::growFor(std::int64_t extra, std::int64_t spare, bool updateStep) {
  if (length_ + extra < capacity_) return;
  std::int64_t newCapacity = length_ + extra + step_ + spare;
  if (length_ + extra + 1 > kMaxCapacity) capacityExceeded("StringBuffer size exceeds 32 bits");
  newCapacity = std::min(newCapacity, kMaxCapacity);
  resizeBlock(newCapacity);
  if (!updateStep) return;
  if (step_ < capacity_ && step_ < kStepLimit) {
    step_ = std::min(capacity_ / 2, kStepLimit);
  } else if (step_ >= kStepLimit) {
    step_ = std::max(step_, capacity_ / 2);
  }
}

void StringBuffer::clear() {
  checkAlive();
  endAt(0);
}

void StringBuffer::append(const char* text) {
  checkAlive();
  if (text == nullptr) return;
  std::size_t n = std::strlen(text);
  if (n == 0) {
    data_[length_] = 0;
    return;
  }
  if (text >= data_ && text < data_ + capacity_) {
    // The text lies inside this buffer, which may move while growing.
    StringBuffer copy(text);
    append(copy.data_);
    return;
  }
  growFor(static_cast<std::int64_t>(n), 1, true);
  std::memcpy(data_ + length_, text, n);
  endAt(length_ + static_cast<std::int32_t>(n));
}

void StringBuffer::appendBytes(const void* bytes, std::int64_t n) {
  checkAlive();
  if (bytes == nullptr || n <= 0) return;
  const char* source = static_cast<const char*>(bytes);
  if (source >= data_ && source < data_ + capacity_) {
    StringBuffer copy =
        StringBuffer::withSize(static_cast<std::int32_t>(std::min<std::int64_t>(n + 1, kMaxCapacity)));
    copy.appendBytes(bytes, n);
    appendBytes(copy.data_, n);
    return;
  }
  growFor(n, 0, true);
  std::memcpy(data_ + length_, bytes, static_cast<std::size_t>(n));
  endAt(length_ + static_cast<std::int32_t>(n));
}

void StringBuffer::appendChar(char c) {
  checkAlive();
  growFor(1, 0, true);
  data_[length_++] = c;
  data_[length_] = 0;
}

void StringBuffer::appendBuffer(const StringBuffer& other) {
  other.checkAlive();
  appendBytes(other.data_, other.length_);
}

void StringBuffer::assign(const StringBuffer& other) {
  if (this == &other) return;
  clear();
  append(other.text());
}

void StringBuffer::setText(const char* text) {
  checkAlive();
  if (text == nullptr) {
    clear();
    return;
  }
  StringBuffer copy(text);  // safe when text lies inside this buffer
  clear();
  append(copy.data_);
}

void StringBuffer::reserve(std::int32_t n) {
  checkAlive();
  if (n < 0) return;
  growFor(n, 1, false);
}

void StringBuffer::setLength(std::int32_t n) {
  checkAlive();
  endAt(std::max(0, std::min(n, capacity_ - 1)));
}

void StringBuffer::shrinkToFit() {
  checkAlive();
  if (static_cast<std::int64_t>(length_) + 4 < capacity_) resizeBlock(length_ + 1);
}

void StringBuffer::swap(StringBuffer& other) {
  checkAlive();
  other.checkAlive();
  std::swap(data_, other.data_);
  std::swap(capacity_, other.capacity_);
  std::swap(length_, other.length_);
  std::swap(step_, other.step_);
}

void StringBuffer::adoptBytes(DataBuffer& bytes) {
  checkAlive();
  std::uint32_t n = bytes.length();
  if (n >= static_cast<std::uint32_t>(kMaxCapacity)) capacityExceeded("StringBuffer size exceeds 32 bits");
  if (bytes.isBorrowed() || bytes.data() == nullptr) {
    // A borrowed block stays its owner's, so its bytes are copied.
    clear();
    appendBytes(bytes.data(), n);
    bytes.clear();
    return;
  }
  // The text keeps a terminator after its last byte.
  bytes.ensureCapacity(n + 1);
  auto capacity = static_cast<std::int32_t>(std::min<std::uint32_t>(bytes.capacity(), kMaxCapacity));
  char* block = reinterpret_cast<char*>(bytes.detach());
  block[n] = 0;
  blocks::release(data_, static_cast<std::size_t>(capacity_));
  data_ = block;
  length_ = static_cast<std::int32_t>(n);
  capacity_ = capacity;
}

char* StringBuffer::detach(std::int32_t* lengthOut) {
  checkAlive();
  // The caller frees the block with free(), so a page mapping is handed over as a copy.
  char* block = static_cast<char*>(blocks::toLibraryBlock(data_, static_cast<std::size_t>(capacity_),
                                                          static_cast<std::size_t>(length_) + 1));
  if (block == nullptr) capacityExceeded("out of memory");
  if (lengthOut) *lengthOut = length_;
  data_ = allocateBlock(step_);
  data_[0] = 0;
  capacity_ = step_;
  length_ = 0;
  return block;
}

void StringBuffer::appendSystemMessage(std::uint32_t code) {
  append(platform::systemMessageText(code).c_str());
  trimWhitespace();
}

void StringBuffer::appendLastErrorMessage() { appendSystemMessage(platform::lastErrorCode()); }

void StringBuffer::toLowerLatin1() {
  checkAlive();
  for (char* p = data_; *p != 0; ++p) {
    auto b = static_cast<std::uint8_t>(*p);
    if (b < 0x80) {
      *p = asciiLower(*p);
    } else if (b >= 0xC0 && b <= 0xDF) {
      *p = static_cast<char>(b + 0x20);
    }
  }
}

void StringBuffer::toUpperLatin1() {
  checkAlive();
  for (char* p = data_; *p != 0; ++p) {
    auto b = static_cast<std::uint8_t>(*p);
    if (b >= 'a' && b <= 'z') {
      *p = static_cast<char>(b - 32);
    } else if (b >= 0xE0) {
      *p = static_cast<char>(b - 0x20);
    }
  }
}

void StringBuffer::truncateAt(char c) {
  checkAlive();
  const char* hit = static_cast<const char*>(std::memchr(data_, c, textLength()));
  if (hit == nullptr) return;
  endAt(static_cast<std::int32_t>(hit - data_));
}

void StringBuffer::trimBytes(const char* set) {
  checkAlive();
  auto inSet = [set](char c) { return c != 0 && std::strchr(set, c) != nullptr; };
  std::int32_t end = length_;
  while (end > 0 && inSet(data_[end - 1])) --end;
  std::int32_t start = 0;
  while (start < end && inSet(data_[start])) ++start;
  if (start > 0) std::memmove(data_, data_ + start, static_cast<std::size_t>(end - start));
  endAt(end - start);
}

void StringBuffer::trimSpacesTabs() { trimBytes(" \t"); }

void StringBuffer::trimWhitespace() { trimBytes(" \t\r\n"); }

void StringBuffer::collapseWhitespace() {
  checkAlive();
  std::int32_t out = 0;
  bool previousSpace = false;
  for (std::int32_t i = 0; i < length_; ++i) {
    char c = data_[i];
    if (isWhitespace(c)) {
      if (!previousSpace) data_[out++] = ' ';
      previousSpace = true;
    } else {
      data_[out++] = c;
      previousSpace = false;
    }
  }
  endAt(out);
}

bool StringBuffer::contains(const char* needle) const {
  checkAlive();
  if (needle == nullptr) return false;
  return std::strstr(data_, needle) != nullptr;
}

bool StringBuffer::beginsWith(const char* prefix) const {
  checkAlive();
  if (prefix == nullptr) return false;
  std::size_t n = std::strlen(prefix);
  return n <= textLength() && std::memcmp(data_, prefix, n) == 0;
}

bool StringBuffer::endsWith(const char* suffix) const {
  checkAlive();
  if (suffix == nullptr) return false;
  std::size_t n = std::strlen(suffix);
  std::size_t have = textLength();
  return n <= have && std::memcmp(data_ + have - n, suffix, n) == 0;
}

bool StringBuffer::replaceFirst(const char* find, const char* with) {
  checkAlive();
  if (find == nullptr || *find == 0) return false;
  const char* hit = std::strstr(data_, find);
  if (hit == nullptr) return false;
  std::int32_t at = static_cast<std::int32_t>(hit - data_);
  // Without a replacement the found text stays in the tail, so the text is unchanged.
  std::int32_t tailStart = with == nullptr ? at : at + static_cast<std::int32_t>(std::strlen(find));
  StringBuffer tail = StringBuffer::withSize(length_ - tailStart + 1);
  tail.appendBytes(data_ + tailStart, length_ - tailStart);
  StringBuffer replacement(with);
  endAt(at);
  appendBytes(replacement.data_, replacement.length_);
  appendBytes(tail.data_, tail.length_);
  return true;
}

// Occurrences are taken left to right and never overlap, and a replacement is never searched
// again; the search sees the text up to its first NUL, and whatever follows that NUL is kept
// after the last replacement. The text is rewritten in its own block, so a large text is
// neither copied to a fresh block nor re-copied while the result grows.
std::int32_t StringBuffer::replaceAllImpl(const char* find, const char* with, std::size_t withLength) {
  checkAlive();
  if (find == nullptr || *find == 0) return 0;
  if (with == nullptr) withLength = 0;
  std::size_t findLength = std::strlen(find);
  auto inside = [this](const char* p) { return p >= data_ && p < data_ + capacity_; };
  if (inside(find) || (withLength > 0 && inside(with))) {
    // Text of this buffer would be overwritten or moved while still in use.
    StringBuffer findCopy = StringBuffer::withSize(static_cast<std::int32_t>(findLength + 1));
    findCopy.appendBytes(find, static_cast<std::int64_t>(findLength));
    StringBuffer withCopy = StringBuffer::withSize(static_cast<std::int32_t>(withLength + 1));
    withCopy.appendBytes(with, static_cast<std::int64_t>(withLength));
    return replaceAllImpl(findCopy.data_, withCopy.data_, withLength);
  }
  if (withLength <= findLength) return replaceAllShrinking(find, findLength, with, withLength);
  return replaceAllGrowing(find, findLength, with, withLength);
}

// Each replacement takes no more room than what it replaces, so the writing position never
// passes the reading one and the result is written over the text as it is read.
std::int32_t StringBuffer::replaceAllShrinking(const char* find, std::size_t findLength, const char* with,
                                               std::size_t withLength) {
  char* out = data_;
  const char* cursor = data_;
  std::int32_t count = 0;
  for (const char* hit = std::strstr(cursor, find); hit != nullptr; hit = std::strstr(cursor, find)) {
    std::size_t kept = static_cast<std::size_t>(hit - cursor);
    if (out != cursor) std::memmove(out, cursor, kept);
    if (withLength > 0) std::memcpy(out + kept, with, withLength);
    out += kept + withLength;
    cursor = hit + findLength;
    ++count;
  }
  if (out == cursor) return count;
  std::size_t tail = static_cast<std::size_t>((data_ + length_) - cursor);
  std::memmove(out, cursor, tail);
  endAt(static_cast<std::int32_t>((out - data_) + static_cast<std::ptrdiff_t>(tail)));
  return count;
}

// The occurrences are counted first, so the block is resized once to the exact result. The
// text (with its terminator) then moves to the end of the block, and the result is written
// from the start as the moved text is read: the writing position stays behind the reading one
// by the room still owed to the replacements ahead, and meets it after the last one, where
// the rest of the text already lies in place.
std::int32_t StringBuffer::replaceAllGrowing(const char* find, std::size_t findLength, const char* with,
                                             std::size_t withLength) {
  std::int64_t count = 0;
  for (const char* hit = std::strstr(data_, find); hit != nullptr;
       hit = std::strstr(hit + findLength, find)) {
    ++count;
  }
  if (count == 0) return 0;
  const std::int64_t growth = count * static_cast<std::int64_t>(withLength - findLength);
  const std::int64_t newLength = length_ + growth;
  if (newLength + 1 > kMaxCapacity) capacityExceeded("StringBuffer size exceeds 32 bits");
  if (newLength + 1 > capacity_) resizeBlock(newLength + 1);
  std::memmove(data_ + growth, data_, static_cast<std::size_t>(length_) + 1);
  char* out = data_;
  const char* cursor = data_ + growth;
  for (std::int64_t i = 0; i < count; ++i) {
    const char* hit = std::strstr(cursor, find);
    std::size_t kept = static_cast<std::size_t>(hit - cursor);
    std::memmove(out, cursor, kept);
    std::memcpy(out + kept, with, withLength);
    out += kept + withLength;
    cursor = hit + findLength;
  }
  length_ = static_cast<std::int32_t>(newLength);
  return static_cast<std::int32_t>(count);
}

std::int32_t StringBuffer::replaceAll(const char* find, const char* with) {
  return replaceAllImpl(find, with, with ? std::strlen(with) : 0);
}

std::int32_t StringBuffer::replaceAllWithByte(const char* find, std::uint8_t b) {
  char byte = static_cast<char>(b);
  return replaceAllImpl(find, &byte, 1);
}

bool StringBuffer::equalsNoCase(const char* text) const {
  checkAlive();
  if (text == nullptr) return data_[0] == 0;
  const char* a = data_;
  const char* b = text;
  while (*a != 0 && *b != 0) {
    if (asciiLower(*a) != asciiLower(*b)) return false;
    ++a;
    ++b;
  }
  return *a == 0 && *b == 0;
}

std::uint8_t StringBuffer::byteAt(std::int64_t i) const {
  checkAlive();
  if (i < 0 || i >= length_) return 0;
  return static_cast<std::uint8_t>(data_[i]);
}

std::uint8_t StringBuffer::lastByte() const {
  checkAlive();
  return length_ == 0 ? 0 : static_cast<std::uint8_t>(data_[length_ - 1]);
}

void StringBuffer::dropLast(std::int64_t n) {
  checkAlive();
  endAt(n < 0 || n >= length_ ? 0 : length_ - static_cast<std::int32_t>(n));
}

void StringBuffer::removeByte(std::int32_t c) {
  checkAlive();
  char target = static_cast<char>(c & 0xFF);
  std::int32_t out = 0;
  for (std::int32_t i = 0; i < length_; ++i) {
    if (data_[i] != target) data_[out++] = data_[i];
  }
  endAt(out);
}

void StringBuffer::replaceByte(std::int32_t c1, std::int32_t c2) {
  checkAlive();
  char from = static_cast<char>(c1 & 0xFF);
  char to = static_cast<char>(c2 & 0xFF);
  for (std::int32_t i = 0; i < length_; ++i) {
    if (data_[i] == from) data_[i] = to;
  }
}

}  // namespace vk
