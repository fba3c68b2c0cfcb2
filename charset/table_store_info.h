// What the table store holds: the table code pages, the bucket counts their tables are built
// with, and which tables have been built so far. For tests and measurements; the engine uses
// table_store.h only.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vk {

struct TableLayout {
  bool multiByte = false;
  // Buckets of the encode table, and of the decode table (for a single-byte code page, of the
  // staging table that fills its UnicodeLookup).
  std::uint32_t encodeBuckets = 0;
  std::uint32_t decodeBuckets = 0;
};

// The table code pages in ascending order.
const std::int32_t* tableCodePages(std::size_t* count);
// False for a code page without tables.
bool tableLayoutFor(std::int32_t codePage, TableLayout* layout);

// Whether the encode / decode table of a code page has been built (false for code pages
// without tables), and how many tables of all code pages have been built.
bool isEncodeTableBuilt(std::int32_t codePage);
bool isDecodeTableBuilt(std::int32_t codePage);
std::size_t builtTableCount();

}  // namespace vk
