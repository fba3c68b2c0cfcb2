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
#include <iterator>
#include <memory>
#include <string>

#include "charset/stored_blobs.h"
#include "charset/table_loader.h"
#include "charset/table_store_info.h"

namespace vk {
namespace {

// Bucket counts, all prime, sized to the number of records of each kind of table.
constexpr std::uint32_t kSingleByteEncodeBuckets = 269;
constexpr std::uint32_t kSingleByteStagingBuckets = 283;
constexpr std::uint32_t kLargeBuckets = 7669;    // 932 encode, 949, 1361, 51949
constexpr std::uint32_t kChineseBuckets = 7649;  // 936, 950, 51936
constexpr std::uint32_t kJapaneseBuckets = 4919;  // 932 decode, 51932, 10001

constexpr std::int32_t kShiftJis = 932;
constexpr std::int32_t kGbk = 936;
constexpr std::int32_t kMacJapanese = 10001;
constexpr std::int32_t kEucCn = 51936;

struct TablePage {
  std::int32_t codePage;
  bool multiByte;
  std::uint32_t encodeBuckets;
  std::uint32_t decodeBuckets;
};

constexpr TablePage single(std::int32_t codePage) {
  return {codePage, false, kSingleByteEncodeBuckets, kSingleByteStagingBuckets};
}
constexpr TablePage multi(std::int32_t codePage, std::uint32_t encodeBuckets,
                          std::uint32_t decodeBuckets) {
  return {codePage, true, encodeBuckets, decodeBuckets};
}

// Every code page the engine converts through tables, in ascending order.
constexpr TablePage kTablePages[] = {
    single(37),     single(437),    single(500),    single(708),    single(720),
    single(737),    single(775),    single(850),    single(852),    single(855),
    single(857),    single(858),    single(860),    single(861),    single(862),
    single(863),    single(864),    single(865),    single(866),    single(869),
    single(870),    single(874),    single(875),
    multi(932, kLargeBuckets, kJapaneseBuckets),
    multi(936, kChineseBuckets, kChineseBuckets),
    multi(949, kLargeBuckets, kLargeBuckets),
    multi(950, kChineseBuckets, kChineseBuckets),
    single(1026),   single(1047),   single(1140),   single(1141),   single(1142),
    single(1143),   single(1144),   single(1145),   single(1146),   single(1147),
    single(1148),   single(1149),   single(1250),   single(1251),   single(1252),
    single(1253),   single(1254),   single(1255),   single(1256),   single(1257),
    single(1258),
    multi(1361, kLargeBuckets, kLargeBuckets),
    single(10000),
    multi(10001, kJapaneseBuckets, kJapaneseBuckets),
    single(10004),  single(10005),  single(10006),  single(10007),  single(10010),
    single(10017),  single(10021),  single(10029),  single(10079),  single(10081),
    single(10082),  single(20105),  single(20106),  single(20107),  single(20108),
    single(20127),  single(20261),  single(20269),  single(20273),  single(20277),
    single(20278),  single(20280),  single(20284),  single(20285),  single(20290),
    single(20297),  single(20420),  single(20423),  single(20424),  single(20838),
    single(20866),  single(20871),  single(20880),  single(20905),  single(20924),
    single(21025),  single(21866),  single(28591),  single(28592),  single(28593),
    single(28594),  single(28595),  single(28596),  single(28597),  single(28598),
    single(28599),  single(28603),  single(28605),  single(38598),
    multi(51932, kJapaneseBuckets, kJapaneseBuckets),
    multi(51936, kChineseBuckets, kChineseBuckets),
    multi(51949, kLargeBuckets, kLargeBuckets),
};

constexpr std::size_t kTablePageCount = std::size(kTablePages);

constexpr bool pagesAscend() {
  for (std::size_t i = 1; i < kTablePageCount; ++i) {
    if (kTablePages[i - 1].codePage >= kTablePages[i].codePage) return false;
  }
  return true;
}
constexpr std::size_t countPages(bool multiByte) {
  std::size_t n = 0;
  for (const TablePage& page : kTablePages) n += page.multiByte == multiByte ? 1 : 0;
  return n;
}
static_assert(pagesAscend(), "table code pages must be listed in ascending order");
static_assert(countPages(false) == 94 && countPages(true) == 9, "94 single-byte, 9 multi-byte");

constexpr std::array<std::int32_t, kTablePageCount> makeCodePageList() {
  std::array<std::int32_t, kTablePageCount> list{};
  for (std::size_t i = 0; i < kTablePageCount; ++i) list[i] = kTablePages[i].codePage;
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
  const auto* end = std::end(kTablePages);
  const auto* found = std::lower_bound(
      std::begin(kTablePages), end, codePage,
      [](const TablePage& page, std::int32_t value) { return page.codePage < value; });
  if (found == end || found->codePage != codePage) return -1;
  return found - std::begin(kTablePages);
}

// Publishes a freshly built table unless another thread got there first.
template <typename Table>
Table* publish(std::atomic<Table*>& slot, std::unique_ptr<Table> built) {
  Table* expected = nullptr;
  if (slot.compare_exchange_strong(expected, built.get(), std::memory_order_acq_rel,
                                   std::memory_order_acquire)) {
    return built.release();
  }
  return expected;  // the loser's table is destroyed with `built`
}

std::string storedBlob(std::int32_t codePage) {
  return joinBlobPieces(storedBlobPieces(codePage == kEucCn ? kGbk : codePage));
}

std::unique_ptr<HashConvert> newTable(std::uint32_t buckets) {
  auto table = std::make_unique<HashConvert>();
  table->init(buckets);
  return table;
}

std::unique_ptr<HashConvert> buildEncodeTable(const TablePage& page) {
  auto table = newTable(page.encodeBuckets);
  if (page.codePage == kMacJapanese) {
    // Mac Japanese is Shift_JIS with a patch on top.
    loadTable(storedBlob(kShiftJis).c_str(), *table, TableDirection::kEncode);
  }
  loadTable(storedBlob(page.codePage).c_str(), *table, TableDirection::kEncode);
  return table;
}

std::unique_ptr<HashConvert> buildMultiByteDecodeTable(const TablePage& page) {
  auto table = newTable(page.decodeBuckets);
  if (page.codePage == kMacJapanese) {
    // The patch only describes the encode direction: decode by inverting the encode table.
    const HashConvert* encode = encodeTableFor(kMacJapanese);
    encode->copyInverted(*table);
    table->setAsciiCompatible(encode->isAsciiCompatible());
    return table;
  }
  loadTable(storedBlob(page.codePage).c_str(), *table, TableDirection::kDecode);
  return table;
}

std::unique_ptr<UnicodeLookup> buildSingleByteDecodeTable(const TablePage& page) {
  HashConvert staging;
  staging.init(page.decodeBuckets);
  loadTable(storedBlob(page.codePage).c_str(), staging, TableDirection::kDecode);
  auto lookup = std::make_unique<UnicodeLookup>();
  lookup->fillFrom(staging);
  return lookup;
}

}  // namespace

const HashConvert* encodeTableFor(std::int32_t codePage) {
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0) return nullptr;
  std::atomic<HashConvert*>& slot = gSlots[index].encode;
  if (HashConvert* table = slot.load(std::memory_order_acquire)) return table;
  return publish(slot, buildEncodeTable(kTablePages[index]));
}

DecodeTable decodeTableFor(std::int32_t codePage) {
  DecodeTable result;
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0) return result;
  const TablePage& page = kTablePages[index];
  TableSlots& slots = gSlots[index];
  if (page.multiByte) {
    HashConvert* table = slots.decodeMultiByte.load(std::memory_order_acquire);
    if (table == nullptr) table = publish(slots.decodeMultiByte, buildMultiByteDecodeTable(page));
    result.multiByte = table;
  } else {
    UnicodeLookup* table = slots.decodeSingleByte.load(std::memory_order_acquire);
    if (table == nullptr) table = publish(slots.decodeSingleByte, buildSingleByteDecodeTable(page));
    result.singleByte = table;
  }
  return result;
}

const FlatEncodeTable* flatEncodeTableFor(std::int32_t codePage) {
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0) return nullptr;
  std::atomic<FlatEncodeTable*>& slot = gSlots[index].flatEncode;
  if (FlatEncodeTable* table = slot.load(std::memory_order_acquire)) return table;
  return publish(slot, std::make_unique<FlatEncodeTable>(*encodeTableFor(codePage)));
}

const FlatDecodeTable* flatDecodeTableFor(std::int32_t codePage) {
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0 || !kTablePages[index].multiByte) return nullptr;
  std::atomic<FlatDecodeTable*>& slot = gSlots[index].flatDecode;
  if (FlatDecodeTable* table = slot.load(std::memory_order_acquire)) return table;
  return publish(slot, std::make_unique<FlatDecodeTable>(*decodeTableFor(codePage).multiByte));
}

const std::int32_t* tableCodePages(std::size_t* count) {
  if (count != nullptr) *count = kTablePageCount;
  return kCodePageList.data();
}

bool tableLayoutFor(std::int32_t codePage, TableLayout* layout) {
  std::ptrdiff_t index = pageIndex(codePage);
  if (index < 0) return false;
  if (layout != nullptr) {
    layout->multiByte = kTablePages[index].multiByte;
    layout->encodeBuckets = kTablePages[index].encodeBuckets;
    layout->decodeBuckets = kTablePages[index].decodeBuckets;
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
