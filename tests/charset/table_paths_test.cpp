// Every code path of the table converters (AVX-512 VBMI, AVX2, and the scalar loops, as far as
// this machine has them) gives the same bytes and the same answer. The single-byte pages are
// checked page by page: decoding with every byte value, the bytes a page leaves out at every
// offset of the vector blocks, and random text; encoding with every unit of the page and of
// the first rows, units it leaves out at every offset, and random text. The multi-byte pages
// are decoded with ASCII runs broken by lead and trail bytes, lone bytes and cut pairs at every
// offset.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "charset/table_store.h"
#include "simd_paths.h"
#include "test_bytes.h"

namespace vk {
namespace {

using simd::Path;
using test::availablePaths;
using test::Bytes;
using test::PathScope;

constexpr std::int32_t kUtf16 = 1200;

std::vector<std::int32_t> pagesOf(TableKind kind) {
  std::vector<std::int32_t> pages;
  for (const CodePageRow& row : kCodePages) {
    if (row.converter == Converter::kTable && row.table == kind) pages.push_back(row.codePage);
  }
  return pages;
}

struct Converted {
  Bytes bytes;
  bool result;
};

Converted convertOn(Path path, std::int32_t from, std::int32_t to, const Bytes& input) {
  PathScope scope(path);
  Bytes exact(input);  // exactly sized, so over-reads show under ASan
  DataBuffer out;
  static const std::uint8_t kKept[] = {0xAB, 0xCD};  // what the output held before: must stay
  // Room the conversion will write into, filled with a marker first: a unit a kernel claims
  // but never stores shows, instead of the same bytes left there by an earlier call.
  Bytes marker(2 * exact.size() + 64, 0xEE);
  out.append(marker.data(), static_cast<std::uint32_t>(marker.size()));
  out.setLength(0);
  out.append(kKept, 2);
  bool result = EncodingConvert().convert(from, to, exact.empty() ? nullptr : exact.data(),
                                          static_cast<std::uint32_t>(exact.size()), out);
  return {test::contents(out), result};
}

// Compares every path with the scalar one; answers whether all agreed, so that a page stops at
// its first difference instead of repeating it for every input.
bool sameOnEveryPath(std::int32_t from, std::int32_t to, const Bytes& input, const std::string& what) {
  Converted reference = convertOn(Path::Scalar, from, to, input);
  bool same = reference.bytes.size() >= 2 && reference.bytes[0] == 0xAB;
  EXPECT_TRUE(same) << what;
  for (Path path : availablePaths()) {
    Converted got = convertOn(path, from, to, input);
    EXPECT_EQ(got.result, reference.result)
        << from << " to " << to << ", " << what << " on " << simd::pathName(path);
    EXPECT_EQ(got.bytes, reference.bytes)
        << from << " to " << to << ", " << what << " on " << simd::pathName(path);
    if (got.result != reference.result || got.bytes != reference.bytes) same = false;
  }
  return same;
}

bool sameOnEveryPath(std::int32_t codePage, const Bytes& input, const std::string& what) {
  return sameOnEveryPath(codePage, kUtf16, input, what);
}

// A single-byte page's bytes split by what the scalar rule does with them.
struct ByteClasses {
  Bytes kept;     // written as a unit (0x00 included)
  Bytes dropped;  // left out
};

ByteClasses classify(std::int32_t codePage) {
  ByteClasses classes;
  const UnicodeLookup* lookup = decodeTableFor(codePage).singleByte;
  for (int b = 0; b < 256; ++b) {
    auto byte = static_cast<std::uint8_t>(b);
    (b != 0 && lookup->unitFor(byte) == 0 ? classes.dropped : classes.kept).push_back(byte);
  }
  return classes;
}

Bytes pick(std::mt19937& rng, const Bytes& from, std::size_t n) {
  Bytes out(n);
  for (auto& b : out) b = from[rng() % from.size()];
  return out;
}

// Offsets that put a byte first, last and just past each block of the kernels (16 and 64
// bytes), and in the middle of one.
const std::vector<std::size_t> kOffsets = {0,  1,  2,  7,  8,  15, 16, 17,  31,  32,  33,
                                           47, 48, 62, 63, 64, 65, 66, 100, 127, 128, 129};

class SingleBytePage : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(SingleBytePage, EveryByteValueInEveryLanePosition) {
  const std::int32_t page = GetParam();
  ASSERT_NE(decodeTableFor(page).singleByte, nullptr);
  // All 256 values in order, starting at each offset of a 64-byte block, and again after
  // a mapped prefix that shifts the block start.
  for (std::size_t shift = 0; shift < 64; ++shift) {
    Bytes input;
    for (int i = 0; i < 256 + 64; ++i) input.push_back(static_cast<std::uint8_t>((i + shift) & 0xFF));
    if (!sameOnEveryPath(page, input, "all bytes from " + std::to_string(shift))) return;
  }
}

TEST_P(SingleBytePage, EachLeftOutByteAtEveryBlockOffset) {
  const std::int32_t page = GetParam();
  ByteClasses classes = classify(page);
  std::mt19937 rng(static_cast<unsigned>(page));
  // The zero byte is written although its unit is 0; a mapped high byte must not stop a block.
  Bytes special = classes.dropped;
  special.push_back(0x00);
  special.push_back(classes.kept.back());
  for (std::uint8_t b : special) {
    for (std::size_t at : kOffsets) {
      Bytes input = pick(rng, classes.kept, at);
      input.push_back(b);
      Bytes after = pick(rng, classes.kept, 140);
      input.insert(input.end(), after.begin(), after.end());
      if (!sameOnEveryPath(page, input, "byte " + std::to_string(b) + " at " + std::to_string(at))) return;
    }
  }
}

TEST_P(SingleBytePage, RandomTextOfEveryLength) {
  const std::int32_t page = GetParam();
  ByteClasses classes = classify(page);
  std::mt19937 rng(static_cast<unsigned>(page) * 7u);
  for (std::size_t n = 0; n < 300; n += 1 + n / 16) {
    // Mostly bytes the page keeps, a few it leaves out: long vector stretches with stops.
    Bytes input = pick(rng, classes.kept, n);
    if (!classes.dropped.empty()) {
      for (auto& b : input) {
        if (rng() % 40 == 0) b = classes.dropped[rng() % classes.dropped.size()];
      }
    }
    if (!sameOnEveryPath(page, input, "random length " + std::to_string(n))) return;
  }
}

// The units a single-byte page decodes to (which it encodes back, mostly), and units it has
// no byte for: the rest of row 0 and some of the next rows, surrogates, the Arabic-Indic digits that the
// Arabic pages fold, and a few from far rows.
struct UnitClasses {
  std::vector<std::uint16_t> mapped;
  std::vector<std::uint16_t> others;
};

UnitClasses unitsOf(std::int32_t codePage) {
  UnitClasses classes;
  const UnicodeLookup* lookup = decodeTableFor(codePage).singleByte;
  std::vector<bool> seen(0x10000);
  for (int b = 0; b < 256; ++b) {
    std::uint16_t unit = lookup->unitFor(static_cast<std::uint8_t>(b));
    if ((b == 0 || unit != 0) && !seen[unit]) {
      seen[unit] = true;
      classes.mapped.push_back(unit);
    }
  }
  std::vector<std::uint16_t> candidates = {0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFD,
                                           0xFFFF, 0x20AC, 0x3042, 0xFEFF};
  // All of row 0 (the vector lookup's table), a sample of the next rows.
  for (std::uint16_t u = 0; u < 0x100; ++u) candidates.push_back(u);
  for (std::uint16_t u = 0x100; u < 0x300; u += 5) candidates.push_back(u);
  for (std::uint16_t u = 0x0660; u <= 0x0669; ++u) candidates.push_back(u);
  for (std::uint16_t u = 0x06F0; u <= 0x06F9; ++u) candidates.push_back(u);
  for (std::uint16_t u : candidates) {
    if (!seen[u]) classes.others.push_back(u);
  }
  return classes;
}

Bytes unitBytes(const std::vector<std::uint16_t>& units) {
  Bytes out;
  for (std::uint16_t u : units) {
    out.push_back(static_cast<std::uint8_t>(u));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return out;
}

std::vector<std::uint16_t> pickUnits(std::mt19937& rng, const std::vector<std::uint16_t>& from,
                                     std::size_t n) {
  std::vector<std::uint16_t> out(n);
  for (auto& u : out) u = from[rng() % from.size()];
  return out;
}

TEST_P(SingleBytePage, EncodeEveryUnitInEveryLanePosition) {
  const std::int32_t page = GetParam();
  UnitClasses classes = unitsOf(page);
  std::vector<std::uint16_t> all = classes.mapped;
  all.insert(all.end(), classes.others.begin(), classes.others.end());
  for (std::size_t shift = 0; shift < 64; shift += 3) {
    std::vector<std::uint16_t> units(all.begin() + static_cast<std::ptrdiff_t>(shift % all.size()),
                                     all.end());
    units.insert(units.end(), all.begin(), all.end());
    if (!sameOnEveryPath(kUtf16, page, unitBytes(units), "all units from " + std::to_string(shift))) return;
  }
}

TEST_P(SingleBytePage, EncodeEachUnmappedUnitAtEveryBlockOffset) {
  const std::int32_t page = GetParam();
  UnitClasses classes = unitsOf(page);
  std::mt19937 rng(static_cast<unsigned>(page) * 5u);
  // Each unit at one offset (the offsets taken in turn); a sample of them at every offset.
  for (std::size_t n = 0; n < classes.others.size(); ++n) {
    std::uint16_t unit = classes.others[n];
    for (std::size_t k = 0; k < kOffsets.size(); ++k) {
      if (n % 16 != 0 && k != n % kOffsets.size()) continue;
      std::size_t at = kOffsets[k];
      std::vector<std::uint16_t> units = pickUnits(rng, classes.mapped, at);
      units.push_back(unit);
      std::vector<std::uint16_t> after = pickUnits(rng, classes.mapped, 70);
      units.insert(units.end(), after.begin(), after.end());
      if (!sameOnEveryPath(kUtf16, page, unitBytes(units),
                           "unit " + std::to_string(unit) + " at " + std::to_string(at))) {
        return;
      }
    }
  }
}

TEST_P(SingleBytePage, EncodeRandomTextOfEveryLength) {
  const std::int32_t page = GetParam();
  UnitClasses classes = unitsOf(page);
  std::mt19937 rng(static_cast<unsigned>(page) * 11u);
  for (std::size_t n = 0; n < 300; n += 1 + n / 16) {
    std::vector<std::uint16_t> units = pickUnits(rng, classes.mapped, n);
    for (auto& u : units) {
      if (rng() % 40 == 0) u = classes.others[rng() % classes.others.size()];
    }
    Bytes input = unitBytes(units);
    if (n % 7 == 3) input.push_back(0x41);  // an odd byte at the end is not a unit
    if (!sameOnEveryPath(kUtf16, page, input, "random length " + std::to_string(n))) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, SingleBytePage, ::testing::ValuesIn(pagesOf(TableKind::kSingleByte)),
                         [](const auto& info) { return std::to_string(info.param); });

TEST(SingleBytePages, EveryPageOfTheListHasATableAndThereAreNinetyOdd) {
  std::vector<std::int32_t> pages = pagesOf(TableKind::kSingleByte);
  EXPECT_GE(pages.size(), 90u);
  for (std::int32_t page : pages) EXPECT_NE(decodeTableFor(page).singleByte, nullptr) << page;
}

// The multi-byte pages widen ASCII runs in blocks; a lead byte, a trail byte that is ASCII, a
// lone high byte or a pair cut by the end of the text sits at every offset of those blocks.
class MultiBytePage : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(MultiBytePage, AsciiRunsBrokenAtEveryOffset) {
  const std::int32_t page = GetParam();
  std::mt19937 rng(static_cast<unsigned>(page));
  Bytes ascii;
  for (int b = 0; b < 0x80; ++b) ascii.push_back(static_cast<std::uint8_t>(b));
  const std::vector<Bytes> breaks = {test::hex("81"),    test::hex("81 40"),   test::hex("81 7E"),
                                     test::hex("A4 A1"), test::hex("80"),      test::hex("FF"),
                                     test::hex("E0 5C"), test::hex("8E 41 42")};
  for (const Bytes& brk : breaks) {
    for (std::size_t at : kOffsets) {
      Bytes input = pick(rng, ascii, at);
      input.insert(input.end(), brk.begin(), brk.end());
      Bytes after = pick(rng, ascii, 80);
      input.insert(input.end(), after.begin(), after.end());
      if (!sameOnEveryPath(page, input, "break at " + std::to_string(at))) return;
      // The same text cut right after the break: a lead byte may end the input.
      input.resize(at + brk.size());
      if (!sameOnEveryPath(page, input, "cut at " + std::to_string(at))) return;
    }
  }
}

TEST_P(MultiBytePage, RandomMixturesOfAsciiAndPairs) {
  const std::int32_t page = GetParam();
  std::mt19937 rng(static_cast<unsigned>(page) * 3u);
  for (int round = 0; round < 200; ++round) {
    Bytes input;
    std::size_t n = rng() % 400;
    while (input.size() < n) {
      if (rng() % 3 != 0) {
        for (std::size_t k = rng() % 70; k > 0; --k)
          input.push_back(static_cast<std::uint8_t>(0x20 + rng() % 0x5F));
      } else {
        for (std::size_t k = 1 + rng() % 6; k > 0; --k) input.push_back(static_cast<std::uint8_t>(rng()));
      }
    }
    if (!sameOnEveryPath(page, input, "round " + std::to_string(round))) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, MultiBytePage, ::testing::ValuesIn(pagesOf(TableKind::kMultiByte)),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace vk
