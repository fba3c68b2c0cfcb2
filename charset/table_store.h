// The process-wide mapping tables of the table code pages, built from the stored blobs on
// first request and kept until the process ends.
#pragma once
#include <cstdint>

#include "charset/flat_tables.h"
#include "charset/hash_convert.h"

namespace vk {

// The decode table of a code page: a UnicodeLookup for single-byte pages, a HashConvert for
// multi-byte ones; both null when the code page has no table.
struct DecodeTable {
  const UnicodeLookup* singleByte = nullptr;
  const HashConvert* multiByte = nullptr;
  bool exists() const { return singleByte != nullptr || multiByte != nullptr; }
};

// Null when the code page has no table.
const HashConvert* encodeTableFor(std::int32_t codePage);
DecodeTable decodeTableFor(std::int32_t codePage);

// The flat arrays made from those tables, built on first request after the table they are
// made from. Null when the code page has no table; the flat decode table exists for the
// multi-byte pages only (a single-byte page's UnicodeLookup is already one array index).
const FlatEncodeTable* flatEncodeTableFor(std::int32_t codePage);
const FlatDecodeTable* flatDecodeTableFor(std::int32_t codePage);

}  // namespace vk
