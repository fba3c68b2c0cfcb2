// The Unicode encoding forms, converted by algorithm: the per-character UTF-8 codec and the
// whole-buffer converters that the engine runs. Each converter reads a byte run and appends
// to a DataBuffer.
//
// UTF-8 here is standard UTF-8 with one leniency: surrogate code points written as 3-byte
// sequences are accepted on input, and a lone surrogate is written as its 3-byte sequence,
// so no UTF-16 text is ever lost on the way through UTF-8. A valid surrogate pair is written
// as one 4-byte sequence, and a well-formed 4-byte sequence decodes to a surrogate pair.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

// Per-conversion state handed to a codec; the UTF-8 codec does not use it.
class ConvertState {
 public:
  virtual ~ConvertState() = default;
  std::uint32_t word = 0;
};

// A character codec that works one character at a time.
class EncodingBase {
 public:
  virtual ~EncodingBase() = default;
  // Decodes one character at `bytes` (with `available` bytes left) into `units` (room for 2).
  // Answers the bytes consumed (>= 1), or -1 for an invalid sequence, or -2 for a sequence cut
  // short by the end of the input. `unitCount` receives 1, or 2 for a surrogate pair.
  virtual std::int32_t decodeChar(ConvertState& state, const std::uint8_t* bytes, std::int64_t available,
                                  std::uint16_t* units, std::int32_t* unitCount) const;
  // Encodes one UTF-16 unit and appends its bytes; answers the number of bytes appended.
  virtual std::int32_t encodeChar(ConvertState& state, std::uint16_t unit, DataBuffer& output) const;
  // Whether a malformed stretch is handled as one sequence of the announced length.
  virtual bool groupsMalformedSequences() const;
};

class EncodingUtf8 final : public EncodingBase {
 public:
  std::int32_t decodeChar(ConvertState& state, const std::uint8_t* bytes, std::int64_t available,
                          std::uint16_t* units, std::int32_t* unitCount) const override;
  std::int32_t encodeChar(ConvertState& state, std::uint16_t unit, DataBuffer& output) const override;
  // Encodes a surrogate pair as one 4-byte sequence.
  std::int32_t encodePair(std::uint16_t high, std::uint16_t low, DataBuffer& output) const;
  bool groupsMalformedSequences() const override { return true; }
};

// The one UTF-8 codec of the process; it has no mutable state.
const EncodingUtf8& sharedUtf8Codec();

// UTF-8 to UTF-16LE. Malformed bytes are skipped one at a time. Always true.
bool utf8ToUtf16(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
// UTF-16LE to UTF-8. False for an odd count (the last byte is dropped), else true.
bool utf16ToUtf8(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
// UTF-8 decoded and encoded again; malformed bytes are skipped. The result is the same as
// utf8ToUtf16 followed by utf16ToUtf8, so 3-byte encoded surrogates that meet as a pair
// become one 4-byte sequence. Always true.
bool reencodeUtf8(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
// UTF-32LE to UTF-8, each value alone (up to 0x1FFFFF, 4 bytes beyond 0xFFFF; larger values
// give U+FFFD). False when 1 to 3 bytes are given; trailing bytes of a longer input are
// ignored.
bool utf32ToUtf8(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
// UTF-8 to UTF-32; stops with false at a malformed or cut-short sequence, keeping what it
// appended. A 3-byte encoded high surrogate directly followed by a 3-byte encoded low one
// gives the single code point of the pair.
bool utf8ToUtf32(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output, bool bigEndian);
// UTF-16LE to UTF-7 (RFC 2152, set D direct, runs always closed with '-'). Always true.
bool utf7Encode(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
// UTF-7 to UTF-16LE; false for bytes above 0x7F, empty runs, or non-zero leftover bits.
bool utf7Decode(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);

}  // namespace vk
