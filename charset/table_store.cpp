// The process-wide table store. Every table code page has two slots, encode and decode, that
// stay empty until a conversion first asks for them. A slot is filled by building the table
// completely and then publishing it with one compare-and-exchange: threads that race on the
// first use of a code page may each build a table, the first to publish wins and the others
// discard theirs, so every caller sees the same fully built table. Tables are never released.
// The flat arrays made from a page's tables (flat_tables.h) live in slots of their own and
// are published the same way.
#include "charset/table_store.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "charset/code_pages.h"
#include "charset/stored_blobs.h"
#include "charset/table_loader.h"
#include "charset/table_store_info.h"

namespace vk {
namespace {

constexpr bool hasTables(const CodePageRow& row) { return row.converter == Converter::kTable; }

constexpr std::size_t countPages(TableKind kind) {
  std::size_t n = 0;
  for (const CodePageRow& row : kCodePages) n += hasTables(row) && row.table == kind ? 1 : 0;
  return n;
}

constexpr std::size_t kTablePageCount =
    countPages(TableKind::kSingleByte) + countPages(TableKind::kMultiByte) + countPages(TableKind::kPatch);
static_assert(countPages(TableKind::kSingleByte) == 94 &&
                  countPages(TableKind::kMultiByte) + countPages(TableKind::kPatch) == 9,
              "94 single-byte, 9 multi-byte");

// Every code page the engine converts through tables, in the ascending order of the list.
constexpr std::array<const CodePageRow*, kTablePageCount> makeTablePages() {
  std::array<const CodePageRow*, kTablePageCount> pages{};
  std::size_t n = 0;
  for (const CodePageRow& row : kCodePages) {
    if (hasTables(row)) pages[n++] = &row;
  }
  return pages;
}
constexpr std::array<const CodePageRow*, kTablePageCount> kTablePages = makeTablePages();

constexpr std::array<std::int32_t, kTablePageCount> makeCodePageList() {
  std::array<std::int32_t, kTablePageCount> list{};
  for (std::size_t i = 0; i < kTablePageCount; ++i) list[i] = kTablePages[i]->codePage;
  return list;
}
constexpr std::array<std::int32_t, kTablePageCount> kCodePageList = makeCodePageList();

struct TableSlots {
  std::atomic<HashConvert*> encode{nullptr};
  std::atomic<HashConvert*> decodeMultiByte{nullptr};
  std::atomic<UnicodeLookup*> decodeSingleByte{nullptr};
  std::atomic<FlatEncodeTable*> flatEncode{nullptr};
  std::atomic<FlatDecodeTable*> flatDecode{nullptr};
};

// Constant-initialised: usable from any thread and from other static initialisers.
TableSlots gSlots[kTablePageCount];

// Index of a code page in kTablePages, or -1.
std::ptrdiff_t pageIndex(std::int32_t codePage) {
  const auto* end = kCodePageList.end();
  const auto* found = std::lower_bound(kCodePageList.begin(), end, codePage);
  if (found == end || *found != codePage) return -1;
  return found - kCodePageList.begin();
}

// The table in `slot`; the first call builds it with `build` and publishes it, unless another
// thread got there first.
template <typename Table, typename Build>
Table* loadOrBuild(std::atomic<Table*>& slot, Build build) {
  if (Table* table = slot.load(std::memory_order_acquire)) return table;
  std::unique_ptr<Table> built = build();
  Table* expected = nullptr;
  if (slot.compare_exchange_strong(expected, built.get(), std::memory_order_acq_rel,
                                   std::memory_order_acquire)) {
    return built.release();
  }
  return expected;  // the loser's table is destroyed with `built`
}

std::string storedBlob(std::int32_t codePage) { return joinBlobPieces(storedBlobPieces(codePage)); }

std::unique_ptr<HashConvert> newTable(std::uint32_t buckets) {
  auto table = std::make_unique<HashConvert>();
  table->init(buckets);
  return table;
}

std::unique_ptr<HashConvert> buildEncodeTable(const CodePageRow& page) {
  auto table = newTable(page.encodeBuckets);
  loadTable(storedBlob(page.tablePage).c_str(), *table, TableDirection::kEncode);
  if (page.table == TableKind::kPatch) {
    // A patch page (Mac Japanese on Shift_JIS): its own records go on top of the base table.
    loadTable(storedBlob(page.codePage).c_str(), *table, TableDirection::kEncode);
  }
  return table;
}

std::unique_ptr<HashConvert> buildMultiByteDecodeTable(const CodePageRow& page) {
  auto table = newTable(page.decodeBuckets);
  if (page.table == TableKind::kPatch) {
    // The patch only describes the encode direction: decode by inverting the encode table.
    const HashConvert* encode = encodeTableFor(page.codePage);
    encode->copyInverted(*table);
    table->setAsciiCompatible(encode->isAsciiCompatible());
    return table;
  }
  loadTable(storedBlob(page.tablePage).c_str(), *table, TableDirection::kDecode);
  return table;
}

std::unique_ptr<UnicodeLookup> buildSingleByteDecodeTable(const CodePageRow& page) {
  HashConvert staging;
  staging.init(page.decodeBuckets);
  loadTable(storedBlob(page.tablePage).c_str(), staging, TableDirection::kDecode);
  auto lookup = std::make_unique<UnicodeLookup>();
  lookup->fillFrom(staging);
  return lookup;
}

}  // namespace

const HashConvert* encodeTableFor(std::int32_t codePage) {
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0) return nullptr;
  return loadOrBuild(gSlots[index].encode, [&] { return buildEncodeTable(*kTablePages[index]); });
}

DecodeTable decodeTableFor(std::int32_t codePage) {
  DecodeTable result;
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0) return result;
  const CodePageRow& page = *kTablePages[index];
  TableSlots& slots = gSlots[index];
  if (page.table != TableKind::kSingleByte) {
    result.multiByte = loadOrBuild(slots.decodeMultiByte, [&] { return buildMultiByteDecodeTable(page); });
  } else {
    result.singleByte = loadOrBuild(slots.decodeSingleByte, [&] { return buildSingleByteDecodeTable(page); });
  }
  return result;
}

const FlatEncodeTable* flatEncodeTableFor(std::int32_t codePage) {
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0) return nullptr;
  return loadOrBuild(gSlots[index].flatEncode,
                     [&] { return std::make_unique<FlatEncodeTable>(*encodeTableFor(codePage)); });
}

const FlatDecodeTable* flatDecodeTableFor(std::int32_t codePage) {
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0 || kTablePages[index]->table == TableKind::kSingleByte) return nullptr;
  return loadOrBuild(gSlots[index].flatDecode,
                     [&] { return std::make_unique<FlatDecodeTable>(*decodeTableFor(codePage).multiByte); });
}

const std::int32_t* tableCodePages(std::size_t* count) {
  if (count != nullptr) *count = kTablePageCount;
  return kCodePageList.data();
}

bool tableLayoutFor(std::int32_t codePage, TableLayout* layout) {
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0) return false;
  if (layout != nullptr) {
    const CodePageRow& page = *kTablePages[index];
    layout->multiByte = page.table != TableKind::kSingleByte;
    layout->encodeBuckets = page.encodeBuckets;
    layout->decodeBuckets = page.decodeBuckets;
  }
  return true;
}

bool isEncodeTableBuilt(std::int32_t codePage) {
  std::ptrdiff_t index = pageIndex(codePage);
  return index >= 0 && gSlots[index].encode.load(std::memory_order_acquire) != nullptr;
}

bool isDecodeTableBuilt(std::int32_t codePage) {
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0) return false;
  const TableSlots& slots = gSlots[index];
  return slots.decodeMultiByte.load(std::memory_order_acquire) != nullptr ||
         slots.decodeSingleByte.load(std::memory_order_acquire) != nullptr;
}

std::size_t builtTableCount() {
  std::size_t count = 0;
  for (const TableSlots& slots : gSlots) {
    if (slots.encode.load(std::memory_order_acquire) != nullptr) ++count;
    if (slots.decodeMultiByte.load(std::memory_order_acquire) != nullptr ||
        slots.decodeSingleByte.load(std::memory_order_acquire) != nullptr) {
      ++count;
    }
  }
  return count;
}

}  // namespace vk
