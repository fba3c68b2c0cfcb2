// One-pass conversion with checking, for streaming converters (vkstring's conversion mode).
// EncodingConvert leaves out a byte it cannot decode or a character it cannot encode and says
// at most that something was left out, so a caller that must stop at the first such place
// would convert twice and search. For the commonest stateless pairs this converter writes the
// same bytes as EncodingConvert::convert in a single pass and answers whether every input
// character was valid and representable; when it answers false the caller falls back to the
// engine for that piece (rare: only pieces with a fault come back).
//
// Pairs with a one-pass path: single-byte and flat multi-byte tables to UTF-8, UTF-8 to any
// table page, UTF-16LE/BE to UTF-8, and UTF-8 to UTF-8 (checked and copied).
#pragma once
#include <cstdint>

#include "charset/flat_tables.h"
#include "text/data_buffer.h"

namespace vk {

class CheckedConvert {
 public:
  // Resolves the tables of the pair once; usable() is false when the pair has no one-pass
  // path here (stateful charsets, tables with longer keys or surrogate units, the Arabic
  // pages that fold digits, UTF-32, UTF-7, ...).
  CheckedConvert(std::int32_t sourceCodePage, std::int32_t destinationCodePage);

  bool usable() const { return kind_ != Kind::None; }

  // Appends the conversion of `bytes` to `output` and answers true when every character
  // converted, in which case the appended bytes are those EncodingConvert::convert appends.
  // Answers false at the first invalid or unrepresentable character; `output` then holds
  // its old length again. The piece must start on a character boundary; a byte-order mark
  // at its start is dropped as the engine drops it.
  bool convert(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) const;

 private:
  enum class Kind {
    None,
    SingleByteToUtf8,
    FlatToUtf8,
    Utf8ToTable,
    Utf16LeToUtf8,
    Utf16BeToUtf8,
    Utf8ToUtf8
  };

  Kind kind_ = Kind::None;
  const FlatDecodeTable* flatDecode_ = nullptr;
  const FlatEncodeTable* flatEncode_ = nullptr;
  bool asciiSame_ = false;                      // bytes 0x00-0x7F stand for U+0000-U+007F both ways
  std::uint32_t singleUtf8_[256] = {};          // single-byte pages: UTF-8 entry per byte, 0 unmapped
  const std::uint16_t* singleUnits_ = nullptr;  // and the page's UTF-16 unit per byte
};

// The line feeds in a piece of text in code page `codePage`: bytes 0x0A, or the LF unit of
// UTF-16 and UTF-32 in their byte order (the piece starts on a unit).
std::uint64_t countLineFeeds(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count);

}  // namespace vk
