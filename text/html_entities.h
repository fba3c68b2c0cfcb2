// HTML character references: escaping the four markup characters, and decoding named and
// numeric references. The decoder is byte-oriented and centred on the Windows-1252
// repertoire: named references (and the numeric references the table lists) become single
// bytes read in the ANSI code page; numeric references beyond a byte are decoded as Unicode
// afterwards by decodeNumericReferences.
#pragma once
#include <cstddef>
#include <cstdint>

#include "text/data_buffer.h"
#include "text/string_buffer.h"

namespace vk::html {

// One row of the reference table: a reference and the Windows-1252 byte it stands for.
struct EntityRow {
  const char* reference;
  std::uint8_t byte;
};

constexpr std::size_t kEntityRowCount = 161;
// The rows in the order they are applied; the order matters ("&amp;" comes before "&lt;", so
// "&amp;lt;" decodes all the way to "<").
extern const EntityRow kEntityRows[kEntityRowCount];

// "&" by "&amp;", "<" by "&lt;", ">" by "&gt;", '"' by "&quot;", in that order.
void encodeEntities(StringBuffer& text);
// The same from `length` bytes (up to the first NUL) of `text`, appended to `output`.
void encodeEntities(const char* text, std::size_t length, StringBuffer& output);

// Decodes references in ANSI-code-page bytes: the four markup references, the table, "&amp;",
// then the hexadecimal and the decimal byte passes.
void decodeEntities(StringBuffer& text);

// "&#xHH" references whose value is 1..255 become that byte; answers how many were decoded.
// The byte after the digits (normally ';') is dropped.
std::int32_t decodeHexByteReferences(StringBuffer& text);
// "&#D", "&#DD", "&#DDD" references whose value is 1..254 become that byte; answers how many
// were decoded. The byte after the digits (normally ';') is dropped.
std::int32_t decodeDecimalByteReferences(StringBuffer& text);

// Decodes "&#N;" and "&#xH;" references in UTF-8 text as Unicode and writes the whole text in
// `targetCodePage` to `output` (appending). References that follow each other directly are
// converted together, so a surrogate pair written as two references gives one character; a
// value above U+FFFF becomes its surrogate pair. Malformed references, those with six or
// more digits and references to U+0000 are left as they stood.
void decodeNumericReferences(const char* text, std::size_t length, std::int32_t targetCodePage,
                             DataBuffer& output);

}  // namespace vk::html
