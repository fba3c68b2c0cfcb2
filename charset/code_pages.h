// The code pages the component knows, one row each: number, how it converts, which stored table
// it reads and its charset names. The rows are generated (tools/codepage-gen writes
// charset/tables/code_pages.inc from its lib/code_pages.js); the name lookup, the table store
// and the converter dispatch all read them, so a code page is added or changed in one place.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace vk {

enum class Converter : std::uint8_t {
  kNone,       // the name resolves, nothing converts it
  kUnicode,    // a Unicode form, converted by algorithm
  kTable,      // through the table store
  kTransform,  // a byte transform (ISO-2022, HZ) around the table of `tablePage`
};

enum class TableKind : std::uint8_t {
  kNone,
  kSingleByte,
  kMultiByte,
  kPatch,  // an encode patch loaded over the full table of `tablePage`
};

constexpr std::size_t kMaxNamesPerCodePage = 10;

struct CodePageRow {
  std::int32_t codePage;
  Converter converter;
  TableKind table;
  // The page whose stored table this one reads: itself, another page's (51936 reads 936's),
  // the base of a patch or the carrier of a transform; 0 for none.
  std::int32_t tablePage;
  // Buckets of the encode table, and of the decode table (for a single-byte page, of the
  // staging table that fills its 256-entry lookup); 0 without tables.
  std::uint32_t encodeBuckets;
  std::uint32_t decodeBuckets;
  std::array<const char*, kMaxNamesPerCodePage> names;  // normalised; unused places are null
};

inline constexpr CodePageRow kCodePages[] = {
#include "charset/tables/code_pages.inc"
};

// The row of a code page, or null for a number not in the list.
const CodePageRow* codePageRow(std::int32_t codePage);

}  // namespace vk
