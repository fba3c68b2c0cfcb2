#include "platform/utf8.h"

namespace vk::utf8 {
namespace {

bool isHigh(std::uint32_t u) { return (u & 0xFC00) == 0xD800; }
bool isLow(std::uint32_t u) { return (u & 0xFC00) == 0xDC00; }

}  // namespace

void append(std::string& out, std::uint32_t codePoint) {
  std::uint8_t bytes[4];
  std::size_t n = encode(codePoint, bytes);
  out.append(reinterpret_cast<const char*>(bytes), n);
}

std::size_t decode(const std::uint8_t* bytes, std::size_t count, std::uint32_t* codePoint,
                   Surrogates surrogates) {
  if (count == 0) return 0;
  std::uint8_t b = bytes[0];
  std::size_t length;
  std::uint32_t value;
  std::uint32_t least;
  if (b < 0x80) {
    *codePoint = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    length = 2, value = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3, value = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4, value = b & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (length > count) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    std::uint8_t c = bytes[i];
    if ((c & 0xC0) != 0x80) return 0;
    value = (value << 6) | (c & 0x3F);
  }
  if (value < least || value > 0x10FFFF) return 0;
  if (surrogates == Surrogates::Refuse && value >= 0xD800 && value <= 0xDFFF) return 0;
  *codePoint = value;
  return length;
}

std::string fromUtf16(const char16_t* units, std::size_t count, Surrogates lone) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t u = units[i];
    if (isHigh(u) && i + 1 < count && isLow(units[i + 1])) {
      append(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
      ++i;
    } else {
      append(out, lone == Surrogates::Refuse && (isHigh(u) || isLow(u)) ? 0xFFFD : u);
    }
  }
  return out;
}

std::string fromUtf16(const std::u16string& text) { return fromUtf16(text.data(), text.size()); }

bool toUtf16(const char* bytes, std::size_t count, std::u16string* out, Surrogates surrogates) {
  out->clear();
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes);
  std::size_t at = 0;
  while (at < count) {
    std::uint32_t cp = 0;
    std::size_t n = decode(p + at, count - at, &cp, surrogates);
    if (n == 0) return false;
    if (cp >= 0x10000) {
      out->push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    at += n;
  }
  return true;
}

}  // namespace vk::utf8
