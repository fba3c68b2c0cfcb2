// Quoted-printable. Output is gathered in a 2000-byte block that is appended to the target
// each time it fills and once at the end.
#include <algorithm>
#include <cstring>

#include "coding/content_coding.h"

namespace vk {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kBlockSize = 2000;
constexpr std::uint32_t kDecoderStartCapacity = 3000;

template <typename Target>
class BlockWriter {
 public:
  explicit BlockWriter(Target& target) : target_(target) {}
  ~BlockWriter() { flush(); }
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  // Makes room for n more bytes in the block.
  void ensure(std::size_t n) {
    if (used_ + n > kBlockSize) flush();
  }
  void put(char c) { block_[used_++] = c; }
  void putEscape(std::uint8_t b) {
    block_[used_++] = '=';
    block_[used_++] = kHexDigits[b >> 4];
    block_[used_++] = kHexDigits[b & 15];
  }
  void flush() {
    if (used_ > 0) append(target_, block_, used_);
    used_ = 0;
  }

 private:
  static void append(StringBuffer& target, const char* bytes, std::size_t n) {
    target.appendBytes(bytes, static_cast<std::int64_t>(n));
  }
  static void append(DataBuffer& target, const char* bytes, std::size_t n) { target.append(bytes, n); }

  Target& target_;
  char block_[kBlockSize];
  std::size_t used_ = 0;
};

// The value of a hex digit of either case; anything else counts as 0.
int hexValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

}  // namespace

void ContentCoding::encodeQuotedPrintable(const void* bytes, std::uint32_t count,
                                          StringBuffer& output) const {
  if (bytes == nullptr || count == 0) return;
  const auto* in = static_cast<const std::uint8_t*>(bytes);
  if (count < 0x7FFFFFF0u) output.reserve(static_cast<std::int32_t>(count));
  BlockWriter<StringBuffer> out(output);

  // Whether the two bytes after index i are CR LF.
  auto crlfAfter = [&](std::uint32_t i) {
    return std::uint64_t{i} + 2 < count && in[i + 1] == '\r' && in[i + 2] == '\n';
  };

  std::int32_t column = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t b = in[i];
    out.ensure(6);  // the longest step: an escape and a soft line break
    bool escapedAtLineStart = false;
    if (column == 0) {
      // A '.' alone on a line, or "From " at its start, means something to mail transports.
      bool from = b == 'F' && std::uint64_t{i} + 4 < count && std::memcmp(in + i + 1, "rom ", 4) == 0;
      if (b == '.' || from) {
        out.putEscape(b);
        column += 3;
        escapedAtLineStart = true;
      }
    }
    if (!escapedAtLineStart) {
      if ((b >= 33 && b <= 60) || (b >= 62 && b <= 126)) {
        out.put(static_cast<char>(b));
        column += 1;
      } else if (b == ' ' || b == '\t') {
        // White space at the end of a line would be lost in transport.
        if (i + 1 == count || crlfAfter(i)) {
          out.putEscape(b);
          column += 3;
        } else {
          out.put(static_cast<char>(b));
          column += 1;
        }
      } else if (b == '\r' && i + 1 < count && in[i + 1] == '\n') {
        out.put('\r');
        out.put('\n');
        ++i;
        column = 0;
      } else {
        out.putEscape(b);
        column += 3;
      }
    }
    if (column >= lineLength_ && !crlfAfter(i)) {
      out.put('=');
      out.put('\r');
      out.put('\n');
      column = 0;
    }
  }
}

bool ContentCoding::decodeQuotedPrintable(const char* text, std::uint32_t count, DataBuffer& output) const {
  if (text == nullptr || count == 0) return false;
  const auto* in = reinterpret_cast<const std::uint8_t*>(text);
  const void* zero = std::memchr(in, 0, count);
  std::uint32_t length =
      zero != nullptr ? static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(zero) - in) : count;
  if (length == 0) return false;

  // The decoder reads seven bits of every byte.
  auto at = [&](std::uint32_t i) { return static_cast<std::uint8_t>(in[i] & 0x7F); };

  output.ensureCapacity(output.length() + kDecoderStartCapacity);
  BlockWriter<DataBuffer> out(output);
  std::uint32_t position = 0;
  while (position < length) {
    std::uint32_t lineEnd = position;
    while (lineEnd < length && at(lineEnd) != '\n') ++lineEnd;
    bool endsWithLineFeed = lineEnd < length;

    std::uint32_t contentEnd = lineEnd;
    while (contentEnd > position) {
      std::uint8_t last = at(contentEnd - 1);
      if (last != '\n' && last != '\r' && last != ' ' && last != '\t') break;
      --contentEnd;
    }

    bool softBreak = false;
    std::uint32_t i = position;
    // A digit past the end of the content counts as 0.
    auto digit = [&](std::uint64_t j) {
      return j < contentEnd ? hexValue(at(static_cast<std::uint32_t>(j))) : 0;
    };
    while (i < contentEnd) {
      out.ensure(2);
      std::uint8_t b = at(i);
      if (b != '=') {
        out.put(static_cast<char>(b));
        ++i;
        continue;
      }
      if (i + 1 == contentEnd) {
        softBreak = true;
        break;
      }
      int high = digit(std::uint64_t{i} + 1);
      int low = digit(std::uint64_t{i} + 2);
      bool signExtended = high == 15 && low == 15 && std::uint64_t{i} + 6 < contentEnd && at(i + 3) == 'F' &&
                          at(i + 4) == 'F' && at(i + 5) == 'F' && at(i + 6) == 'F';
      if (signExtended) {
        // "=FFFFFFxx": a byte written with its sign extended to 32 bits.
        out.put(static_cast<char>(digit(std::uint64_t{i} + 7) * 16 + digit(std::uint64_t{i} + 8)));
        i = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{i} + 9, contentEnd));
      } else {
        out.put(static_cast<char>(high * 16 + low));
        i = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{i} + 3, contentEnd));
      }
    }
    if (endsWithLineFeed && !softBreak) {
      out.ensure(2);
      out.put('\r');
      out.put('\n');
    }
    position = endsWithLineFeed ? lineEnd + 1 : length;
  }
  return true;
}

}  // namespace vk
