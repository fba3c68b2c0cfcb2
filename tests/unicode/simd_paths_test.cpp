// Every code path of the Unicode form converters (AVX-512, AVX2, baseline, scalar, as far as
// this machine has them) gives the same bytes and the same answer. Inputs are built from
// pieces that meet the block loops' edge cases: runs of each sequence length, encoded
// surrogates, bad and cut sequences, lone surrogates, at every offset around a block end.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "charset/unicode_forms.h"
#include "test_bytes.h"
#include "unicode/simd/cpu_paths.h"

namespace vk {
namespace {

using simd::Path;
using test::Bytes;

using Converter = bool (*)(const std::uint8_t*, std::uint32_t, DataBuffer&);

struct Outcome {
  Bytes bytes;
  bool result;
};

Outcome convertOn(Path path, Converter convert, const Bytes& input) {
  Path previous = simd::forcePath(path);
  Bytes exact(input);  // exactly sized, so over-reads show under ASan
  DataBuffer output;
  bool result =
      convert(exact.empty() ? nullptr : exact.data(), static_cast<std::uint32_t>(exact.size()), output);
  simd::forcePath(previous);
  return {test::contents(output), result};
}

std::vector<Path> availablePaths() {
  std::vector<Path> paths;
  for (int i = 0; i < simd::kPathCount; ++i) {
    if (simd::pathAvailable(static_cast<Path>(i))) paths.push_back(static_cast<Path>(i));
  }
  return paths;
}

// Compares every available path against the scalar one; stops at the first mismatch.
void expectSameOnEveryPath(Converter convert, const Bytes& input, const std::string& what) {
  Outcome reference = convertOn(Path::Scalar, convert, input);
  for (Path path : availablePaths()) {
    Outcome got = convertOn(path, convert, input);
    ASSERT_EQ(got.result, reference.result) << what << " on " << simd::pathName(path);
    ASSERT_EQ(test::show(got.bytes), test::show(reference.bytes))
        << what << " on " << simd::pathName(path) << ", input " << test::show(input);
  }
}

// UTF-8 pieces, each a sequence kind the converters treat differently.
const std::vector<Bytes> kUtf8Pieces = {
    test::hex("41"),          test::hex("0A"),          test::hex("C3 A9"),       test::hex("D0 96"),
    test::hex("C2 80"),       test::hex("DF BF"),       test::hex("E3 80 82"),    test::hex("E4 B8 AD"),
    test::hex("E0 A0 80"),    test::hex("EF BF BF"),    test::hex("ED A0 80"),    test::hex("ED BF BF"),
    test::hex("F0 9F 98 80"), test::hex("F4 8F BF BF"), test::hex("F0 8F BF BF"), test::hex("F4 90 80 80"),
    test::hex("E0 9F BF"),    test::hex("C0 AF"),       test::hex("C1 BF"),       test::hex("80"),
    test::hex("BF"),          test::hex("E3 80"),       test::hex("C3"),          test::hex("F0 9F 98"),
    test::hex("F5 80 80 80"), test::hex("FF"),          test::hex("E3 41 82"),
};

// UTF-16LE units, each a kind the converters treat differently.
const std::vector<std::uint16_t> kUtf16Units = {0x41,   0x7F,   0x80,   0xE9,   0x7FF,
                                                0x800,  0x3002, 0x4E2D, 0xFFFF, 0xD800,
                                                0xDBFF, 0xDC00, 0xDFFF, 0xD83D, 0xDE00};

// A filler of `length` bytes of one kind, to place the interesting piece near a block end.
Bytes filler(int kind, std::size_t length) {
  static const Bytes kinds[] = {test::hex("61"), test::hex("C3 A9"), test::hex("E4 B8 AD")};
  const Bytes& unit = kinds[kind % 3];
  Bytes out;
  while (out.size() + unit.size() <= length) out.insert(out.end(), unit.begin(), unit.end());
  while (out.size() < length) out.push_back('a');
  return out;
}

TEST(SimdPaths, ReportsThePathsThisMachineRuns) {
  std::string names;
  for (Path path : availablePaths()) names += std::string(" ") + simd::pathName(path);
  const simd::CpuFeatures& f = simd::cpuFeatures();
  std::printf("[ paths    ]%s; in force: %s (cpu: sse2=%d avx2=%d avx512=%d vbmi=%d vbmi2=%d)\n",
              names.c_str(), simd::pathName(simd::activePath()), f.sse2, f.avx2, f.avx512, f.avx512vbmi,
              f.avx512vbmi2);
  EXPECT_TRUE(simd::pathAvailable(Path::Scalar));
  // Forcing a path the machine lacks settles on the widest one it has.
  Path widest = availablePaths().back();
  Path previous = simd::forcePath(Path::Avx512);
  EXPECT_EQ(simd::activePath(), widest);
  simd::forcePath(previous);
}

TEST(SimdPaths, Utf8ToUtf16EachPieceAtEveryOffsetOfABlock) {
  for (std::size_t p = 0; p < kUtf8Pieces.size(); ++p) {
    for (int kind = 0; kind < 3; ++kind) {
      // Past 128 bytes: the widest kernels take 64-byte blocks.
      for (std::size_t lead = 0; lead <= 140; ++lead) {
        Bytes input = filler(kind, lead);
        input.insert(input.end(), kUtf8Pieces[p].begin(), kUtf8Pieces[p].end());
        Bytes tail = filler(kind, 150 - lead);
        Bytes withTail = input;
        withTail.insert(withTail.end(), tail.begin(), tail.end());
        std::string what = "piece " + std::to_string(p) + " after " + std::to_string(lead);
        expectSameOnEveryPath(utf8ToUtf16, input, what + " (at the end)");
        expectSameOnEveryPath(utf8ToUtf16, withTail, what);
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(SimdPaths, Utf16ToUtf8EachUnitAtEveryOffsetOfABlock) {
  const std::uint16_t fillers[] = {0x61, 0xE9, 0x4E2D};
  for (std::uint16_t unit : kUtf16Units) {
    for (std::uint16_t fill : fillers) {
      // Past 64 units: the widest kernels take 32-unit blocks.
      for (std::size_t lead = 0; lead <= 72; ++lead) {
        std::u16string text(lead, static_cast<char16_t>(fill));
        text += static_cast<char16_t>(unit);
        std::u16string withTail = text + std::u16string(80 - lead, static_cast<char16_t>(fill));
        Bytes input = test::utf16le(text);
        std::string what = "unit " + std::to_string(unit) + " after " + std::to_string(lead);
        expectSameOnEveryPath(utf16ToUtf8, input, what + " (at the end)");
        expectSameOnEveryPath(utf16ToUtf8, test::utf16le(withTail), what);
        input.push_back(0x41);  // an odd count answers false on every path
        expectSameOnEveryPath(utf16ToUtf8, input, what + " (odd count)");
        if (HasFatalFailure()) return;
      }
    }
  }
}

// Random mixes, weighted towards runs of one kind so that whole blocks take the fast paths
// and single odd pieces fall inside them.
TEST(SimdPaths, RandomMixesAgreeInBothDirections) {
  std::mt19937 random(20);
  for (int round = 0; round < 400; ++round) {
    Bytes utf8;
    std::u16string utf16;
    std::size_t pieces = random() % 200;
    std::size_t common = random() % kUtf8Pieces.size();
    std::size_t commonUnit = random() % kUtf16Units.size();
    for (std::size_t i = 0; i < pieces; ++i) {
      bool odd = random() % 16 == 0;
      const Bytes& piece = kUtf8Pieces[odd ? random() % kUtf8Pieces.size() : common % 10];
      utf8.insert(utf8.end(), piece.begin(), piece.end());
      utf16 += static_cast<char16_t>(kUtf16Units[odd ? random() % kUtf16Units.size() : commonUnit % 9]);
      if (random() % 64 == 0) common = random() % kUtf8Pieces.size();
    }
    std::string what = "round " + std::to_string(round);
    expectSameOnEveryPath(utf8ToUtf16, utf8, what);
    expectSameOnEveryPath(utf16ToUtf8, test::utf16le(utf16), what);
    expectSameOnEveryPath(reencodeUtf8, utf8, what);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace vk
