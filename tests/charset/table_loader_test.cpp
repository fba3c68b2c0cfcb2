#include "charset/table_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "charset/table_test_blobs.h"
#include "charset/velkor_bzip2.h"

namespace vk {
namespace {

using testblobs::Bytes;
using testblobs::DoubleRecord;
using testblobs::SingleRecord;
using testblobs::entriesOf;
using testblobs::lookupBytes;
using testblobs::unitKey;

Bytes contentOf(const DataBuffer& buffer) { return Bytes(buffer.data(), buffer.data() + buffer.length()); }

DataBuffer bufferOf(const Bytes& bytes) {
  DataBuffer buffer;
  buffer.append(bytes.data(), bytes.size());
  return buffer;
}

// --- base64 ---------------------------------------------------------------------------

struct Base64Case {
  const char* label;
  const char* text;
  Bytes expected;
};

class Base64Decoding : public ::testing::TestWithParam<Base64Case> {};

TEST_P(Base64Decoding, FollowsTheStoredTextRules) {
  const Base64Case& c = GetParam();
  DataBuffer out;
  decodeBase64(c.text, out);
  EXPECT_EQ(contentOf(out), c.expected) << c.label;
}

const Bytes kPlusQuad = {0xFB, 0xEF, 0xBE};  // "++++"

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64Decoding,
    ::testing::Values(
        Base64Case{"plain quantum", "TWFu", {0x4D, 0x61, 0x6E}},
        Base64Case{"blanks anywhere", " T\tW\r\nF u\n", {0x4D, 0x61, 0x6E}},
        Base64Case{"equals sign ends", "TWFu=TWFu", {0x4D, 0x61, 0x6E}},
        Base64Case{"padding after two bytes", "TWE=", {0x4D, 0x61}},
        Base64Case{"padding after one byte", "TQ==", {0x4D}},
        Base64Case{"unfinished byte without padding", "TWE", {0x4D, 0x61}},
        Base64Case{"single digit carries no byte", "T", {}}, Base64Case{"empty text", "", {}},
        Base64Case{"high digits", "//8", {0xFF, 0xFF}}, Base64Case{"plus", "++++", kPlusQuad},
        Base64Case{"below 0x2B counts as plus", "!\"#*", kPlusQuad},
        Base64Case{"above 0x7A counts as plus", "{|}~", kPlusQuad},
        Base64Case{"control bytes count as plus", "\x01\x08\x0B\x1F", kPlusQuad},
        Base64Case{"non-ASCII bytes count as plus", "\x80\xC3\xA9\xFF", kPlusQuad},
        Base64Case{"unassigned 0x2C-0x2E count as plus", ",-.,", kPlusQuad},
        Base64Case{"unassigned 0x3A-0x40 count as plus", ":;<>", kPlusQuad},
        Base64Case{"question mark and at sign", "?@?@", kPlusQuad},
        Base64Case{"unassigned 0x5B-0x60 count as plus", "[\\]^", kPlusQuad},
        Base64Case{"underscore and backquote", "_`_`", kPlusQuad},
        Base64Case{"stray character keeps alignment", "TW.uTWFu", {0x4D, 0x6F, 0xAE, 0x4D, 0x61, 0x6E}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(Base64Decoding, InvertsAnEncoderForEveryLength) {
  std::mt19937 random(7);
  for (std::size_t length = 0; length < 40; ++length) {
    Bytes data(length);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    DataBuffer out;
    decodeBase64(testblobs::base64(data).c_str(), out);
    EXPECT_EQ(contentOf(out), data) << length;
  }
}

// --- container ------------------------------------------------------------------------

const Bytes kSampleData = [] {
  Bytes data;
  for (int i = 0; i < 3000; ++i) data.push_back(static_cast<std::uint8_t>((i * 7) ^ (i >> 3)));
  return data;
}();

struct ContainerCase {
  const char* label;
  Bytes container;
  bool ok;
  Bytes expected;
};

std::vector<ContainerCase> containerCases() {
  const Bytes good = testblobs::container(kSampleData);
  const std::uint32_t size = static_cast<std::uint32_t>(kSampleData.size());
  Bytes wrongMagic = good;
  wrongMagic[3] = 0xB4;
  Bytes corrupt = good;
  corrupt[good.size() / 2] ^= 0x5A;
  Bytes truncated(good.begin(), good.end() - 10);
  Bytes headerOnly(good.begin(), good.begin() + 8);
  Bytes shortHeader(good.begin(), good.begin() + 7);
  Bytes emptyStream = testblobs::container({});
  return {
      {"empty container", {}, true, {}},
      {"exact stated length", good, true, kSampleData},
      {"stated length 20 short still fits", testblobs::container(kSampleData, size - 20), true, kSampleData},
      {"stated length 21 short overflows", testblobs::container(kSampleData, size - 21), false, {}},
      {"stated length too long", testblobs::container(kSampleData, size + 5000), true, kSampleData},
      {"stated length over the cap", testblobs::container(kSampleData, 0x7FFFFFFF), false, {}},
      {"stated length 4 GiB", testblobs::container(kSampleData, 0xFFFFFFFF), false, {}},
      {"wrong magic", wrongMagic, false, {}},
      {"corrupt stream", corrupt, false, {}},
      {"truncated stream", truncated, false, {}},
      {"header without stream", headerOnly, false, {}},
      {"shorter than the header", shortHeader, false, {}},
      {"compressed empty data", emptyStream, true, {}},
  };
}

class ContainerOpening : public ::testing::TestWithParam<ContainerCase> {};

TEST_P(ContainerOpening, ReplacesTheOutputWithTheDataOrNothing) {
  const ContainerCase& c = GetParam();
  DataBuffer output;
  output.append("stale", 5);
  VelkorBzip2 bzip2;
  EXPECT_EQ(bzip2.decompress(bufferOf(c.container), output), c.ok) << c.label;
  EXPECT_EQ(contentOf(output), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(Cases, ContainerOpening, ::testing::ValuesIn(containerCases()),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ContainerOpening, NeverWritesIntoABorrowedOutputBlock) {
  std::uint8_t borrowed[16] = {};
  DataBuffer output;
  output.adoptBorrowed(borrowed, sizeof borrowed);
  VelkorBzip2 bzip2;
  ASSERT_TRUE(bzip2.decompress(bufferOf(testblobs::container(kSampleData)), output));
  EXPECT_EQ(contentOf(output), kSampleData);
  EXPECT_TRUE(std::all_of(std::begin(borrowed), std::end(borrowed), [](auto b) { return b == 0; }));
}

// --- table data -----------------------------------------------------------------------

const std::vector<SingleRecord> kSingles = {
    {0x80, 0x00E9}, {0x9F, 0x0178}, {0xE9, 0x20AC},
    {0xF0, 0xFFF0}, {0x10, 0x0005},  // both deltas wrap around
};
const std::vector<DoubleRecord> kDoubles = {
    {0x8140, 0x3000},
    {0x82A0, 0x3042},
    {0xFFFE, 0x0001},
    {0x0102, 0xE000},
};

std::vector<testblobs::Entry> expectedEntries(const std::vector<SingleRecord>& singles,
                                              const std::vector<DoubleRecord>& doubles,
                                              TableDirection direction) {
  std::vector<testblobs::Entry> entries;
  auto add = [&](Bytes code, std::uint16_t unit) {
    if (direction == TableDirection::kEncode) {
      entries.push_back({unitKey(unit), code});
    } else {
      entries.push_back({code, unitKey(unit)});
    }
  };
  for (const auto& r : singles) add({r.byte}, r.unit);
  for (const auto& r : doubles) {
    add({static_cast<std::uint8_t>(r.code >> 8), static_cast<std::uint8_t>(r.code)}, r.unit);
  }
  return entries;
}

template <typename T>
void sortEntries(std::vector<T>& entries) {
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return std::tie(a.key, a.value) < std::tie(b.key, b.value); });
}

enum class Storage { kRaw, kCompressed };

std::string blobOf(Storage storage, const Bytes& data) {
  return storage == Storage::kRaw ? testblobs::rawBlob(data) : testblobs::compressedBlob(data);
}

class FullTableLoading : public ::testing::TestWithParam<std::tuple<Storage, TableDirection, bool>> {};

TEST_P(FullTableLoading, AddsEveryRecordUnderTheDirectionsKeys) {
  const auto [storage, direction, ascii] = GetParam();
  HashConvert table;
  table.init(31);
  table.setAsciiCompatible(!ascii);
  loadTable(blobOf(storage, testblobs::fullTableData(ascii, kSingles, kDoubles)).c_str(), table, direction);
  EXPECT_EQ(table.isAsciiCompatible(), ascii);
  auto expected = expectedEntries(kSingles, kDoubles, direction);
  auto actual = entriesOf(table);
  sortEntries(expected);
  sortEntries(actual);
  EXPECT_EQ(actual, expected);
  for (const auto& e : expectedEntries(kSingles, kDoubles, direction)) {
    EXPECT_EQ(lookupBytes(table, e.key), e.value);
  }
}

INSTANTIATE_TEST_SUITE_P(AllWays, FullTableLoading,
                         ::testing::Combine(::testing::Values(Storage::kRaw, Storage::kCompressed),
                                            ::testing::Values(TableDirection::kEncode,
                                                              TableDirection::kDecode),
                                            ::testing::Bool()));

TEST(TableLoading, HandWrittenBytesDecodeAsDeltas) {
  // 'a' 'u'; singles: +0x80 -> U+20AC, +0x01 -> +0x0100 = U+21AC; end;
  // doubles: +0x8140 -> U+3000, +0x0001 -> +0xF000 = U+2000 (the unit wraps); end.
  const Bytes data = {'a',  'u',  0x80, 0xAC, 0x20, 0x01, 0x00, 0x01, 0x00, 0x40,
                      0x81, 0x00, 0x30, 0x01, 0x00, 0x00, 0xF0, 0x00, 0x00};
  HashConvert decode;
  decode.init(11);
  loadTableData(data.data(), static_cast<std::uint32_t>(data.size()), decode, TableDirection::kDecode);
  EXPECT_TRUE(decode.isAsciiCompatible());
  EXPECT_EQ(lookupBytes(decode, {0x80}), unitKey(0x20AC));
  EXPECT_EQ(lookupBytes(decode, {0x81}), unitKey(0x21AC));
  EXPECT_EQ(lookupBytes(decode, {0x81, 0x40}), unitKey(0x3000));
  EXPECT_EQ(lookupBytes(decode, {0x81, 0x41}), unitKey(0x2000));
  EXPECT_EQ(entriesOf(decode).size(), 4u);
}

TEST(TableLoading, FirstRecordWinsForACodeListedTwice) {
  // A delta of 0 would end the section, so a code comes back after another one.
  const Bytes data = testblobs::fullTableData(true, {{0xA5, 0x00A5}, {0xA6, 0x00A6}, {0xA5, 0xFFE5}},
                                              {{0xA1EF, 0x00A6}, {0xA1F0, 0x00A7}, {0xA1EF, 0xFFE4}});
  HashConvert decode;
  decode.init(13);
  loadTable(testblobs::compressedBlob(data).c_str(), decode, TableDirection::kDecode);
  EXPECT_EQ(lookupBytes(decode, {0xA5}), unitKey(0x00A5));
  EXPECT_EQ(lookupBytes(decode, {0xA1, 0xEF}), unitKey(0x00A6));
  HashConvert encode;
  encode.init(13);
  loadTable(testblobs::compressedBlob(data).c_str(), encode, TableDirection::kEncode);
  EXPECT_EQ(lookupBytes(encode, unitKey(0xFFE5)), (Bytes{0xA5}));
  EXPECT_EQ(lookupBytes(encode, unitKey(0xFFE4)), (Bytes{0xA1, 0xEF}));
}

struct FailedBlobCase {
  const char* label;
  std::string blob;
};

class FailedBlobLoading : public ::testing::TestWithParam<FailedBlobCase> {};

// A blob that yields no table data adds nothing and leaves the mark alone.
TEST_P(FailedBlobLoading, AddsNothing) {
  HashConvert table;
  table.init(17);
  table.setAsciiCompatible(true);
  loadTable(GetParam().blob.c_str(), table, TableDirection::kEncode);
  EXPECT_TRUE(entriesOf(table).empty()) << GetParam().label;
  EXPECT_TRUE(table.isAsciiCompatible()) << GetParam().label;
}

std::vector<FailedBlobCase> failedBlobCases() {
  const Bytes data = testblobs::fullTableData(false, kSingles, kDoubles);
  Bytes wrongMagic = testblobs::container(data);
  wrongMagic[0] = 0xE2;
  Bytes truncated = testblobs::container(data);
  truncated.resize(truncated.size() - 1);
  return {
      {"empty text", ""},
      {"raw, no data", "x"},
      {"compressed, no data", "c"},
      {"compressed, only blanks and padding", "c \r\n=="},
      {"wrong magic", "c" + testblobs::base64(wrongMagic)},
      {"truncated stream", "c" + testblobs::base64(truncated)},
      {"raw text read as a container", "c" + testblobs::base64(data)},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedBlobLoading, ::testing::ValuesIn(failedBlobCases()),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(TableLoading, CompressedBlobCutIntoPiecesLoadsTheSame) {
  const std::string whole = testblobs::compressedBlob(testblobs::fullTableData(true, kSingles, kDoubles));
  for (std::size_t pieceLength : {1u, 3u, 7u, 400u}) {
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < whole.size(); i += pieceLength) {
      pieces.push_back(whole.substr(i, pieceLength));
    }
    std::vector<const char*> pointers;
    for (const auto& piece : pieces) pointers.push_back(piece.c_str());
    pointers.push_back(nullptr);
    const std::string joined = joinBlobPieces(pointers.data());
    EXPECT_EQ(joined, whole);
    HashConvert table;
    table.init(31);
    loadTable(joined.c_str(), table, TableDirection::kEncode);
    EXPECT_EQ(entriesOf(table).size(), kSingles.size() + kDoubles.size()) << pieceLength;
  }
  EXPECT_EQ(joinBlobPieces(nullptr), "");
}

// --- truncated and corrupt data -------------------------------------------------------

std::vector<testblobs::Entry> loadedEntries(const Bytes& data, TableDirection direction) {
  HashConvert table;
  table.init(29);
  loadTableData(data.data(), static_cast<std::uint32_t>(data.size()), table, direction);
  return entriesOf(table);
}

// A body cut anywhere keeps exactly the records that lie wholly before the cut. The cut copy
// is its own heap block, so reading past it would be caught by the address sanitizer.
TEST(TruncatedTables, FullBodyKeepsTheWholeRecordsBeforeTheCut) {
  const Bytes data = testblobs::fullTableData(true, kSingles, kDoubles);
  const std::size_t singlesEnd = 2 + 3 * kSingles.size();  // where the 0x00 terminator sits
  for (auto direction : {TableDirection::kEncode, TableDirection::kDecode}) {
    for (std::size_t cut = 0; cut <= data.size(); ++cut) {
      const Bytes prefix(data.begin(), data.begin() + cut);
      std::vector<SingleRecord> singles;
      std::vector<DoubleRecord> doubles;
      if (cut > 2) {
        std::size_t whole = std::min(kSingles.size(), (cut - 2) / 3);
        singles.assign(kSingles.begin(), kSingles.begin() + whole);
      }
      if (cut > singlesEnd + 1) {
        std::size_t whole = std::min(kDoubles.size(), (cut - singlesEnd - 1) / 4);
        doubles.assign(kDoubles.begin(), kDoubles.begin() + whole);
      }
      EXPECT_EQ(loadedEntries(prefix, direction),
                loadedEntries(testblobs::fullTableData(true, singles, doubles), direction))
          << "cut at " << cut;
    }
  }
}

// --- patches --------------------------------------------------------------------------

const Bytes kPatchBase = testblobs::fullTableData(true, {{0xA0, 0xFF61}, {0xFD, 0xE000}},
                                                  {{0x8160, 0x301C}, {0x81CA, 0x00AC}, {0x8191, 0x00A2}});
const std::vector<std::uint16_t> kRemovals = {0x00AC, 0x1234};
const std::vector<SingleRecord> kPatchSingles = {{0xFD, 0x00A9}, {0xA1, 0xFF61}};
const std::vector<DoubleRecord> kPatchDoubles = {{0x8540, 0x2460}, {0x8161, 0x301C}};

HashConvert& loadBaseAndPatch(HashConvert& table, const Bytes& patch, TableDirection direction) {
  table.init(4919);
  loadTable(testblobs::compressedBlob(kPatchBase).c_str(), table, direction);
  loadTable(testblobs::compressedBlob(patch).c_str(), table, direction);
  return table;
}

TEST(PatchLoading, EncodeDirectionRemovesAndReplaces) {
  HashConvert table;
  loadBaseAndPatch(table, testblobs::patchData(false, kRemovals, kPatchSingles, kPatchDoubles),
                   TableDirection::kEncode);
  EXPECT_FALSE(table.isAsciiCompatible());  // the patch's own mark
  struct Expect {
    std::uint16_t unit;
    Bytes code;
  };
  for (const Expect& e : std::vector<Expect>{{0x00AC, {}},
                                             {0x1234, {}},
                                             {0x00A9, {0xFD}},
                                             {0xE000, {0xFD}},
                                             {0xFF61, {0xA1}},
                                             {0x2460, {0x85, 0x40}},
                                             {0x301C, {0x81, 0x61}},
                                             {0x00A2, {0x81, 0x91}}}) {
    EXPECT_EQ(lookupBytes(table, unitKey(e.unit)), e.code) << std::hex << e.unit;
  }
  // A replaced unit keeps exactly one entry.
  EXPECT_EQ(entriesOf(table).size(), 6u);
}

TEST(PatchLoading, DecodeDirectionIgnoresThePatchBody) {
  HashConvert patched;
  loadBaseAndPatch(patched, testblobs::patchData(false, kRemovals, kPatchSingles, kPatchDoubles),
                   TableDirection::kDecode);
  HashConvert base;
  base.init(4919);
  loadTable(testblobs::compressedBlob(kPatchBase).c_str(), base, TableDirection::kDecode);
  EXPECT_EQ(entriesOf(patched), entriesOf(base));
  EXPECT_FALSE(patched.isAsciiCompatible());
}

TEST(TruncatedTables, PatchKeepsTheWholeRecordsBeforeTheCut) {
  const Bytes patch = testblobs::patchData(true, kRemovals, kPatchSingles, kPatchDoubles);
  const std::size_t removalsEnd = 2 + 2 * kRemovals.size() + 2;
  const std::size_t singlesEnd = removalsEnd + 3 * kPatchSingles.size() + 1;
  for (std::size_t cut = 0; cut <= patch.size(); ++cut) {
    std::vector<std::uint16_t> removals;
    std::vector<SingleRecord> singles;
    std::vector<DoubleRecord> doubles;
    if (cut > 2) {
      removals.assign(kRemovals.begin(), kRemovals.begin() + std::min(kRemovals.size(), (cut - 2) / 2));
    }
    if (cut >= removalsEnd) {
      singles.assign(kPatchSingles.begin(),
                     kPatchSingles.begin() + std::min(kPatchSingles.size(), (cut - removalsEnd) / 3));
    }
    if (cut >= singlesEnd) {
      doubles.assign(kPatchDoubles.begin(),
                     kPatchDoubles.begin() + std::min(kPatchDoubles.size(), (cut - singlesEnd) / 4));
    }
    HashConvert cutTable;
    cutTable.init(4919);
    loadTable(testblobs::compressedBlob(kPatchBase).c_str(), cutTable, TableDirection::kEncode);
    const Bytes prefix(patch.begin(), patch.begin() + cut);
    loadTableData(prefix.data(), static_cast<std::uint32_t>(prefix.size()), cutTable,
                  TableDirection::kEncode);
    HashConvert wholeTable;
    loadBaseAndPatch(wholeTable, testblobs::patchData(true, removals, singles, doubles),
                     TableDirection::kEncode);
    EXPECT_EQ(entriesOf(cutTable), entriesOf(wholeTable)) << "cut at " << cut;
  }
}

// Random table data and random blob texts: loading must stay inside the data and can add at
// most one entry per three bytes.
TEST(CorruptTables, RandomDataLoadsWithinBounds) {
  std::mt19937 random(20240501);
  for (int round = 0; round < 400; ++round) {
    Bytes data(random() % 200);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    if (data.size() >= 2) {
      data[0] = (random() & 1) ? 'a' : 'x';
      data[1] = (random() & 1) ? 'd' : 'u';
    }
    for (auto direction : {TableDirection::kEncode, TableDirection::kDecode}) {
      EXPECT_LE(loadedEntries(data, direction).size(), data.size() / 3 + 1) << round;
    }
  }
}

TEST(CorruptTables, RandomContainersFailOrLoadWithinBounds) {
  std::mt19937 random(99);
  const Bytes good = testblobs::container(testblobs::fullTableData(true, kSingles, kDoubles));
  for (int round = 0; round < 300; ++round) {
    Bytes damaged = good;
    // Keep the magic so that the stream itself is exercised.
    for (int flips = 1 + random() % 4; flips > 0; --flips) {
      damaged[4 + random() % (damaged.size() - 4)] = static_cast<std::uint8_t>(random());
    }
    HashConvert table;
    table.init(31);
    loadTable(("c" + testblobs::base64(damaged)).c_str(), table, TableDirection::kDecode);
    EXPECT_LE(entriesOf(table).size(), 64u) << round;
  }
}

}  // namespace
}  // namespace vk
