#include "text/data_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/memory_hint.h"
#include "text/block_memory.h"
#include "platform/fatal.h"

namespace vk {

DataBuffer::DataBuffer(const DataBuffer& other) { appendBuffer(other); }

DataBuffer& DataBuffer::operator=(const DataBuffer& other) {
  if (this != &other) {
    clear();
    appendBuffer(other);
  }
  return *this;
}

DataBuffer::~DataBuffer() {
  checkAlive();
  release();
  // Volatile so that the store survives optimisation: it is what a later use will see.
  *static_cast<volatile std::uint8_t*>(&marker_) = 0;
}

void DataBuffer::checkAlive() const {
  if (marker_ != kAlive) fatalError("DataBuffer used after destruction or overwritten");
}

void DataBuffer::release() {
  if (!borrowed_) blocks::release(data_, capacity_);
  data_ = nullptr;
  borrowed_ = false;
}

void DataBuffer::clear() {
  checkAlive();
  length_ = 0;
}

const std::uint8_t* DataBuffer::data() const {
  checkAlive();
  return data_;
}

std::uint8_t* DataBuffer::data() {
  checkAlive();
  return data_;
}

std::uint32_t DataBuffer::length() const {
  checkAlive();
  return length_;
}

std::uint32_t DataBuffer::capacity() const {
  checkAlive();
  return capacity_;
}

bool DataBuffer::isBorrowed() const {
  checkAlive();
  return borrowed_;
}

const std::uint8_t* DataBuffer::byteAt(std::int64_t i) const {
  checkAlive();
  if (i < 0 || i >= static_cast<std::int64_t>(length_)) return nullptr;
  return data_ + i;
}

// An owned block is resized where it can be; a borrowed one is copied into a block of our own.
void DataBuffer::reallocate(std::uint32_t newCapacity) {
  if (newCapacity == 0) newCapacity = 1;
  if (data_ != nullptr && !borrowed_) {
    void* block = blocks::resize(data_, capacity_, newCapacity);
    if (block == nullptr) capacityExceeded("out of memory");
    if (newCapacity > capacity_) platform::adviseLargeBlock(block, newCapacity);
    data_ = static_cast<std::uint8_t*>(block);
    capacity_ = newCapacity;
    length_ = std::min(length_, newCapacity);
    return;
  }
  auto* block = static_cast<std::uint8_t*>(blocks::allocate(newCapacity));
  if (block == nullptr) capacityExceeded("out of memory");
  platform::adviseLargeBlock(block, newCapacity);
  if (length_ > 0) std::memcpy(block, data_, std::min(length_, newCapacity));
  release();
  data_ = block;
  capacity_ = newCapacity;
  length_ = std::min(length_, newCapacity);
}

// Growth keeps a minimum step of 20000 bytes, so small conversions allocate once, and grows
// by at least half the capacity beyond that, so large inputs are copied a bounded number
// of times instead of once per 20000 bytes.
void DataBuffer::growFor(std::uint64_t needed) {
  if (needed <= capacity_) return;
  if (needed > UINT32_MAX) capacityExceeded("DataBuffer size exceeds 32 bits");
  std::uint64_t extra = needed - length_;
  extra = std::max<std::uint64_t>(extra, kMinimumGrowth);
  extra = std::max<std::uint64_t>(extra, capacity_ / 2);
  std::uint64_t newCapacity = std::min<std::uint64_t>(length_ + extra, UINT32_MAX);
  reallocate(static_cast<std::uint32_t>(newCapacity));
}

void DataBuffer::swap(DataBuffer& other) {
  checkAlive();
  other.checkAlive();
  std::swap(borrowed_, other.borrowed_);
  std::swap(data_, other.data_);
  std::swap(length_, other.length_);
  std::swap(capacity_, other.capacity_);
}

void DataBuffer::appendByte(std::uint8_t b) {
  checkAlive();
  growFor(static_cast<std::uint64_t>(length_) + 1);
  data_[length_++] = b;
}

void DataBuffer::append(const void* bytes, std::size_t n) {
  checkAlive();
  if (bytes == nullptr || n == 0) return;
  growFor(static_cast<std::uint64_t>(length_) + n);
  std::memcpy(data_ + length_, bytes, n);
  length_ += static_cast<std::uint32_t>(n);
}

void DataBuffer::appendBuffer(const DataBuffer& other) {
  other.checkAlive();
  if (other.length_ == 0) return;
  if (&other == this) {
    // Appending to itself: the source block may move during growth.
    growFor(static_cast<std::uint64_t>(length_) * 2);
    std::memcpy(data_ + length_, data_, length_);
    length_ *= 2;
    return;
  }
  append(other.data_, other.length_);
}

void DataBuffer::appendWideString(const char16_t* units) {
  checkAlive();
  if (units == nullptr) {
    appendUnit(0);
    return;
  }
  std::size_t count = 0;
  while (units[count] != 0) ++count;
  append(units, (count + 1) * sizeof(char16_t));
}

void DataBuffer::appendUnit(std::uint16_t unit) {
  checkAlive();
  growFor(static_cast<std::uint64_t>(length_) + 2);
  data_[length_] = static_cast<std::uint8_t>(unit);
  data_[length_ + 1] = static_cast<std::uint8_t>(unit >> 8);
  length_ += 2;
}

void DataBuffer::shrinkBy(std::uint32_t k) {
  checkAlive();
  length_ = k > length_ ? 0 : length_ - k;
}

void DataBuffer::setLength(std::uint32_t n) {
  checkAlive();
  length_ = n > capacity_ ? capacity_ : n;
}

void DataBuffer::ensureCapacity(std::uint32_t n) {
  checkAlive();
  if (capacity_ < n) reallocate(n);
}

void DataBuffer::adopt(void* block, std::uint32_t n) {
  checkAlive();
  release();
  data_ = static_cast<std::uint8_t*>(block);
  length_ = capacity_ = n;
  // A whole file is adopted before it is read into the block.
  platform::adviseLargeBlock(block, n);
}

void DataBuffer::adoptBorrowed(void* block, std::uint32_t n) {
  adopt(block, n);
  borrowed_ = true;
}

std::uint8_t* DataBuffer::detach() {
  checkAlive();
  if (borrowed_) {
    // The caller is promised an owned block: copy the borrowed content.
    reallocate(length_);
  }
  std::uint8_t* block = data_;
  data_ = nullptr;
  length_ = capacity_ = 0;
  return block;
}

}  // namespace vk
