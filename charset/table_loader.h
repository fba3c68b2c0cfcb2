// Reading stored table blobs into HashConvert tables.
//
// A blob is a NUL-terminated text: a storage-mode character ('x' for raw table data, anything
// else for a compressed container, see velkor_bzip2.h) followed by base64. The table data it
// yields starts with an ASCII-compatible mark ('a') and a body kind ('d' for a patch, else a
// full table), then delta-coded single-byte and double-byte records.
#pragma once
#include <cstdint>
#include <string>

#include "charset/hash_convert.h"
#include "text/data_buffer.h"

namespace vk {

enum class TableDirection {
  kEncode,  // key: UTF-16 unit (2 bytes little-endian), value: the code page's 1 or 2 bytes
  kDecode,  // key: the code page's 1 or 2 bytes, value: UTF-16 unit (2 bytes little-endian)
};

// Appends the bytes of a base64 text. Space, tab, CR and LF are skipped; '=' or NUL ends the
// text; bits of an unfinished last byte are dropped. Every other character that is not a
// base64 digit counts as '+' (value 62): the characters below 0x2B and above 0x7A as the
// stored format defines, and also the unassigned ones between them (0x2C-0x2E, 0x3A-0x40
// except '=', 0x5B-0x60), so that each non-blank character always carries six bits and a
// stray character cannot shift the rest of the stream.
void decodeBase64(const char* text, DataBuffer& out);

// Replaces `tableData` with the table data of a blob text. False, with empty table data,
// when the blob is null or its container does not open.
bool blobTableData(const char* blobText, DataBuffer& tableData);

// Adds the records of decoded table data to `target`. Sets the target's ASCII-compatible mark
// from byte 0 unless the data is empty. A patch body is applied in the encode direction and
// ignored in the decode direction. A truncated or corrupt body stops at the last whole record.
void loadTableData(const std::uint8_t* data, std::uint32_t length, HashConvert& target,
                   TableDirection direction);

// Decodes a blob text and adds its records to `target` (blobTableData, then loadTableData).
// A blob that fails to decode adds nothing.
void loadTable(const char* blobText, HashConvert& target, TableDirection direction);

// The pieces of a stored blob joined, in order, into one text; empty for null pieces.
std::string joinBlobPieces(const char* const* pieces);

}  // namespace vk
