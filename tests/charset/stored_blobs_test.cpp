// The stored-blob index: which code pages answer blob pieces, what the pieces look like, and
// agreement between the compiled blobs and the generator's manifest.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "charset/code_pages.h"
#include "charset/stored_blobs.h"

namespace vk {
namespace {

// The pages with a blob of their own, from the code-page list: the single-byte and multi-byte
// pages that read their own table, and the patch pages.
std::vector<std::int32_t> pagesOf(TableKind kind) {
  std::vector<std::int32_t> pages;
  for (const CodePageRow& row : kCodePages) {
    if (row.table == kind && (kind == TableKind::kPatch || row.tablePage == row.codePage)) {
      pages.push_back(row.codePage);
    }
  }
  return pages;
}

const std::vector<std::int32_t> kSingleBytePages = pagesOf(TableKind::kSingleByte);
const std::vector<std::int32_t> kMultiBytePages = pagesOf(TableKind::kMultiByte);
const std::vector<std::int32_t> kPatchPages = pagesOf(TableKind::kPatch);

std::vector<std::int32_t> allBlobPages() {
  std::vector<std::int32_t> pages = kSingleBytePages;
  pages.insert(pages.end(), kMultiBytePages.begin(), kMultiBytePages.end());
  pages.insert(pages.end(), kPatchPages.begin(), kPatchPages.end());
  return pages;
}

std::vector<std::string> piecesOf(std::int32_t codePage) {
  std::vector<std::string> pieces;
  const char* const* p = storedBlobPieces(codePage);
  if (p == nullptr) return pieces;
  for (; *p != nullptr; ++p) pieces.emplace_back(*p);
  return pieces;
}

std::string joined(std::int32_t codePage) {
  std::string text;
  for (const std::string& piece : piecesOf(codePage)) text += piece;
  return text;
}

int base64Value(char c) {
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t at = kAlphabet.find(c);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

// Decodes the first `count` bytes of a base64 text (enough to read a container header).
std::vector<std::uint8_t> leadingBytes(const std::string& text, std::size_t count) {
  std::vector<std::uint8_t> out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (char c : text) {
    const int v = base64Value(c);
    if (v < 0 || out.size() == count) break;
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<std::uint8_t>(acc >> bits));
    }
  }
  return out;
}

TEST(StoredBlobs, ThereAreNinetyFourSingleByteSevenMultiByteAndOnePatchPage) {
  EXPECT_EQ(kSingleBytePages.size(), 94u);
  EXPECT_EQ(kMultiBytePages.size(), 7u);
  EXPECT_EQ(kPatchPages, std::vector<std::int32_t>{10001});
}

class BlobPage : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(BlobPage, AnswersNonEmptyPieces) {
  const std::vector<std::string> pieces = piecesOf(GetParam());
  ASSERT_FALSE(pieces.empty()) << GetParam();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_FALSE(pieces[i].empty()) << GetParam() << " piece " << i;
  }
}

TEST_P(BlobPage, TextIsAStorageModeFollowedByBase64) {
  const std::int32_t page = GetParam();
  const std::string text = joined(page);
  ASSERT_GT(text.size(), 1u);
  EXPECT_EQ(text[0], page == 20127 ? 'x' : 'c') << page;
  std::size_t padding = 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '=') {
      ++padding;
    } else {
      EXPECT_EQ(padding, 0u) << page << ": base64 digit after padding at " << i;
      EXPECT_GE(base64Value(text[i]), 0) << page << ": character " << int(text[i]) << " at " << i;
    }
  }
  EXPECT_LE(padding, 2u);
  EXPECT_EQ((text.size() - 1) % 4, 0u) << page;
}

TEST_P(BlobPage, CompressedBlobsOpenWithTheContainerHeader) {
  const std::int32_t page = GetParam();
  const std::string text = joined(page);
  const std::vector<std::uint8_t> head = leadingBytes(text.substr(1), 11);
  if (text[0] == 'x') {
    // Raw table data: the ASCII mark, then 'u' for a full table.
    ASSERT_GE(head.size(), 2u);
    EXPECT_TRUE(head[0] == 'a' || head[0] == 'x');
    EXPECT_EQ(head[1], 'u');
    return;
  }
  ASSERT_EQ(head.size(), 11u);
  EXPECT_EQ(head[0], 0xE1);
  EXPECT_EQ(head[1], 0xA7);
  EXPECT_EQ(head[2], 0x94);
  EXPECT_EQ(head[3], 0xB3);
  const std::uint32_t size =
      head[4] | (head[5] << 8) | (head[6] << 16) | (static_cast<std::uint32_t>(head[7]) << 24);
  EXPECT_GT(size, 2u) << page;  // at least the mark and the kind byte
  // A bzip2 stream with block size 9 follows.
  EXPECT_EQ(head[8], 'B');
  EXPECT_EQ(head[9], 'Z');
  EXPECT_EQ(head[10], 'h');
}

TEST_P(BlobPage, SingleByteBlobsAreOnePieceAndLongBlobsAreCut) {
  const std::int32_t page = GetParam();
  const std::vector<std::string> pieces = piecesOf(page);
  bool singleByte = false;
  for (std::int32_t p : kSingleBytePages) singleByte = singleByte || p == page;
  if (singleByte) {
    EXPECT_EQ(pieces.size(), 1u) << page;
    return;
  }
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
    EXPECT_EQ(pieces[i].size(), 400u) << page << " piece " << i;
  }
  EXPECT_LE(pieces.back().size(), 400u) << page;
}

INSTANTIATE_TEST_SUITE_P(Pages, BlobPage, ::testing::ValuesIn(allBlobPages()),
                         [](const auto& info) { return std::to_string(info.param); });

class NoBlobPage : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(NoBlobPage, AnswersNull) { EXPECT_EQ(storedBlobPieces(GetParam()), nullptr); }

// 51936 is read through 936's blob; the others are converted without a table or not at all.
INSTANTIATE_TEST_SUITE_P(Pages, NoBlobPage,
                         ::testing::Values(51936, 709, 54936, 0, -1, 1200, 1201, 65001, 65000, 50220, 50225,
                                           20000, 52936, 28600, 20932),
                         [](const auto& info) {
                           return info.param < 0 ? "minus" + std::to_string(-info.param)
                                                 : std::to_string(info.param);
                         });

// The manifest written next to the blobs describes exactly the compiled blobs.
struct ManifestRow {
  std::string kind;
  char mode = 0;
  std::size_t stored = 0;
  std::size_t pieces = 0;
};

std::map<std::int32_t, ManifestRow> readManifest() {
  std::string path = std::string(VK_SOURCE_DIR) + "/charset/tables/MANIFEST.txt";
  std::ifstream in(path);
  std::map<std::int32_t, ManifestRow> rows;
  std::string line;
  std::vector<std::string> columns;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::vector<std::string> values;
    for (std::string v; std::getline(fields, v, '\t');) values.push_back(v);
    if (columns.empty()) {
      columns = values;
      continue;
    }
    std::map<std::string, std::string> row;
    for (std::size_t i = 0; i < columns.size() && i < values.size(); ++i) row[columns[i]] = values[i];
    ManifestRow r;
    r.kind = row["kind"];
    r.mode = row["mode"].empty() ? 0 : row["mode"][0];
    r.stored = std::stoul(row["stored"]);
    r.pieces = std::stoul(row["pieces"]);
    rows[std::stoi(row["codepage"])] = r;
  }
  return rows;
}

std::string expectedKind(std::int32_t page) {
  switch (codePageRow(page)->table) {
    case TableKind::kPatch: return "patch";
    case TableKind::kMultiByte: return "mbcs";
    default: return "sbcs";
  }
}

TEST(StoredBlobs, ManifestDescribesTheCompiledBlobs) {
  const std::map<std::int32_t, ManifestRow> manifest = readManifest();
  ASSERT_EQ(manifest.size(), allBlobPages().size()) << "MANIFEST.txt missing or incomplete";
  for (std::int32_t page : allBlobPages()) {
    const auto it = manifest.find(page);
    ASSERT_NE(it, manifest.end()) << page;
    const std::string text = joined(page);
    EXPECT_EQ(it->second.stored, text.size()) << page;
    EXPECT_EQ(it->second.pieces, piecesOf(page).size()) << page;
    EXPECT_EQ(it->second.mode, text.empty() ? 0 : text[0]) << page;
    EXPECT_EQ(it->second.kind, expectedKind(page)) << page;
  }
}

}  // namespace
}  // namespace vk
