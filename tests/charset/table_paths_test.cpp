// Every code path of the table decoders (AVX-512, AVX2, baseline, scalar, as far as this
// machine has them) gives the same UTF-16 and the same answer, on every table code page:
// all 256 bytes, each byte at every offset around the 64-byte block ends, random bytes, and
// for the multi-byte pages ASCII runs of every length between valid pairs.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "charset/simd/table_kernels.h"
#include "test_bytes.h"
#include "unicode/simd/cpu_paths.h"

namespace vk {
namespace {

using simd::Path;
using test::Bytes;

struct Outcome {
  Bytes bytes;
  bool result;
  bool operator==(const Outcome& o) const { return bytes == o.bytes && result == o.result; }
};

Outcome decodeOn(Path path, std::int32_t page, const Bytes& input) {
  Path previous = simd::forcePath(path);
  Bytes exact(input);  // exactly sized, so over-reads show under ASan
  DataBuffer output;
  bool result = EncodingConvert().convert(page, codepage::kUtf16Le, exact.empty() ? nullptr : exact.data(),
                                          static_cast<std::uint32_t>(exact.size()), output);
  simd::forcePath(previous);
  return {test::contents(output), result};
}

std::vector<Path> widePaths() {
  std::vector<Path> paths;
  for (Path path : {Path::Baseline, Path::Avx2, Path::Avx512}) {
    if (simd::pathAvailable(path)) paths.push_back(path);
  }
  return paths;
}

std::vector<std::int32_t> tablePages(TableKind kind) {
  std::vector<std::int32_t> pages;
  for (const CodePageRow& row : kCodePages) {
    if (row.converter == Converter::kTable && row.table == kind) pages.push_back(row.codePage);
  }
  return pages;
}

// The inputs every page gets: all bytes in order and reversed, each byte at every offset from
// 0 to 130 in a run of ASCII (so that a dropped or mapped byte meets both block ends), and
// random bytes of every length up to 300.
std::vector<Bytes> inputsFor(std::mt19937& random) {
  std::vector<Bytes> inputs;
  Bytes all(256);
  for (int b = 0; b < 256; ++b) all[b] = static_cast<std::uint8_t>(b);
  inputs.push_back(all);
  inputs.emplace_back(all.rbegin(), all.rend());
  for (int b : {0x00, 0x41, 0x80, 0x81, 0x8D, 0x9F, 0xA0, 0xC1, 0xFF}) {
    for (std::size_t at = 0; at <= 130; at += 1) {
      Bytes text(140, 'a');
      text[at] = static_cast<std::uint8_t>(b);
      inputs.push_back(text);
    }
  }
  for (std::size_t length = 0; length <= 300; length += 7) {
    Bytes text(length);
    for (auto& b : text) b = static_cast<std::uint8_t>(random());
    inputs.push_back(text);
  }
  return inputs;
}

TEST(TablePaths, SingleBytePagesDecodeAlikeOnEveryPath) {
  std::vector<std::int32_t> pages = tablePages(TableKind::kSingleByte);
  ASSERT_GE(pages.size(), 80u);
  std::mt19937 random(5);
  std::vector<Bytes> inputs = inputsFor(random);
  for (std::int32_t page : pages) {
    for (const Bytes& input : inputs) {
      Outcome scalar = decodeOn(Path::Scalar, page, input);
      for (Path path : widePaths()) {
        ASSERT_EQ(decodeOn(path, page, input), scalar)
            << "page " << page << ", " << simd::pathName(path) << ", input of " << input.size() << " bytes";
      }
    }
  }
}

TEST(TablePaths, MultiBytePagesDecodeAlikeOnEveryPath) {
  std::vector<std::int32_t> pages = tablePages(TableKind::kMultiByte);
  ASSERT_GE(pages.size(), 4u);
  std::mt19937 random(9);
  std::vector<Bytes> inputs = inputsFor(random);
  for (std::int32_t page : pages) {
    // Valid text of the page (the engine's own encoding of some CJK and Latin text), cut into
    // pairs and ASCII runs of every length up to 70.
    DataBuffer encoded;
    std::u16string text = u"\u3042\u65E5\u4E2D\uAC00\u00E9\uFF71";
    EncodingConvert().convert(codepage::kUtf16Le, page, text.data(), static_cast<std::uint32_t>(2 * text.size()),
                              encoded);
    Bytes valid = test::contents(encoded);
    Bytes mixed;
    for (std::size_t run = 0; run <= 70; ++run) {
      mixed.insert(mixed.end(), run, static_cast<std::uint8_t>('0' + run % 10));
      mixed.insert(mixed.end(), valid.begin(), valid.end());
    }
    std::vector<Bytes> all = inputs;
    all.push_back(mixed);
    for (std::size_t cut = mixed.size() - 200; cut < mixed.size(); ++cut) all.emplace_back(mixed.begin(), mixed.begin() + static_cast<long>(cut));
    for (const Bytes& input : all) {
      Outcome scalar = decodeOn(Path::Scalar, page, input);
      for (Path path : widePaths()) {
        ASSERT_EQ(decodeOn(path, page, input), scalar)
            << "page " << page << ", " << simd::pathName(path) << ", input of " << input.size() << " bytes";
      }
    }
  }
}

#if VK_TABLE_SIMD
// The kernels themselves stop exactly at the first byte their page leaves out, and write the
// units of the bytes before it.
TEST(TablePaths, SingleByteKernelsStopAtTheFirstDroppedByte) {
  std::uint16_t units[256];
  for (int b = 0; b < 256; ++b) units[b] = static_cast<std::uint16_t>(b == 0 ? 0 : 0x100 + b);
  units[0x81] = 0;  // left out
  for (Path path : {Path::Avx2, Path::Avx512}) {
    if (!simd::pathAvailable(path)) continue;
    Path previous = simd::forcePath(path);
    tablesimd::SingleByteDecoder decoder(units);
    for (std::size_t at = 0; at < 200; ++at) {
      Bytes input(200, 0x41);
      input[0] = 0;  // the zero byte maps to U+0000 and is not left out
      if (at > 0) input[at] = 0x81;
      Bytes out(2 * input.size(), 0xEE);
      std::size_t taken = decoder.decode(input.data(), input.size(), out.data());
      std::size_t block = path == Path::Avx512 ? 64 : 16;
      std::size_t whole = input.size() / block * block;  // only whole blocks
      std::size_t expected = at == 0 || at > whole ? whole : at;
      EXPECT_EQ(taken, expected) << simd::pathName(path) << ", dropped byte at " << at;
      for (std::size_t k = 0; k < taken; ++k) {
        std::uint16_t unit = static_cast<std::uint16_t>(out[2 * k] | out[2 * k + 1] << 8);
        ASSERT_EQ(unit, units[input[k]]) << simd::pathName(path) << " at " << k;
      }
    }
    simd::forcePath(previous);
  }
}
#endif

}  // namespace
}  // namespace vk
