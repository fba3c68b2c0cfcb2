// Small helpers for writing byte-level expectations in tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "text/data_buffer.h"

namespace vk::test {

using Bytes = std::vector<std::uint8_t>;

// Parses "41 82 A0" into bytes.
inline Bytes hex(const std::string& text) {
  Bytes out;
  unsigned value = 0;
  int digits = 0;
  for (char c : text) {
    int v = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (v < 0) continue;
    value = value * 16 + static_cast<unsigned>(v);
    if (++digits == 2) {
      out.push_back(static_cast<std::uint8_t>(value));
      value = 0;
      digits = 0;
    }
  }
  return out;
}

// UTF-16LE bytes of a UTF-16 literal.
inline Bytes utf16le(const std::u16string& text) {
  Bytes out;
  for (char16_t u : text) {
    out.push_back(static_cast<std::uint8_t>(u));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return out;
}

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes contents(const DataBuffer& buffer) {
  return Bytes(buffer.data(), buffer.data() + buffer.length());
}

inline std::string show(const Bytes& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

}  // namespace vk::test
