// The UTF-8 <-> UTF-16LE kernels of every CPU path this machine has, against the scalar pass,
// at the code-unit level: the same output bytes and the same position reached, for each kind
// of sequence placed at every offset across the 32- and 64-byte blocks, and for passes cut
// at every `stop` inside a text (a sequence begun before `stop` is finished past it). Inputs
// are exactly sized heap blocks, and the output holds only the documented slack, so a read or
// write past either shows under AddressSanitizer.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "test_bytes.h"
#include "unicode/simd/transcode.h"

namespace vk::simd {
namespace {

using test::Bytes;

struct Kernel {
  Path path;
  TranscodePass pass;
};

// The kernels in use on each available path, each kernel once.
std::vector<Kernel> kernels(TranscodePass (*select)(Path)) {
  std::vector<Kernel> out;
  for (int i = 1; i < kPathCount; ++i) {
    auto path = static_cast<Path>(i);
    if (!pathAvailable(path)) break;
    TranscodePass pass = select(path);
    if (pass == select(Path::Scalar)) continue;
    if (!out.empty() && out.back().pass == pass) continue;
    out.push_back({path, pass});
  }
  return out;
}

struct Run {
  Bytes bytes;
  std::size_t reached;
};

// One pass over [0, stop) of `input` (readable to its end) into an output of exactly the
// worst case plus the slack.
Run runPass(TranscodePass pass, const Bytes& input, std::size_t stop, std::uint64_t num, std::uint64_t den,
            std::uint64_t slack) {
  std::vector<std::uint8_t> in(input);
  std::vector<std::uint8_t> out((stop * num + den - 1) / den + slack);
  const std::uint8_t* base = in.data();
  std::uint8_t* q = out.data();
  const std::uint8_t* reached = pass(base, base + stop, base + in.size(), q);
  out.resize(static_cast<std::size_t>(q - out.data()));
  return {out, static_cast<std::size_t>(reached - base)};
}

struct Direction {
  const char* name;
  TranscodePass scalar;
  TranscodePass (*select)(Path);
  std::uint64_t num, den, slack;
  std::size_t step;  // the code-unit size: passes are cut at multiples of it
};

const Direction kUtf8To16 = {
    "UTF-8 to UTF-16", utf8ToUtf16Scalar, utf8ToUtf16Kernel, 2, 1, kUtf8To16Slack, 1};
const Direction kUtf16To8 = {
    "UTF-16 to UTF-8", utf16ToUtf8Scalar, utf16ToUtf8Kernel, 3, 2, kUtf16To8Slack, 2};

// Every kernel against the scalar pass over [0, stop); stops at the first difference.
void expectSame(const Direction& d, const Bytes& input, std::size_t stop, const std::string& what) {
  Run reference = runPass(d.scalar, input, stop, d.num, d.den, d.slack);
  for (const Kernel& k : kernels(d.select)) {
    Run got = runPass(k.pass, input, stop, d.num, d.den, d.slack);
    ASSERT_EQ(got.reached, reference.reached)
        << d.name << " on " << pathName(k.path) << ", " << what << ", input " << test::show(input);
    ASSERT_EQ(test::show(got.bytes), test::show(reference.bytes))
        << d.name << " on " << pathName(k.path) << ", " << what << ", input " << test::show(input);
  }
}

Bytes repeated(const Bytes& unit, std::size_t length) {
  Bytes out;
  while (out.size() + unit.size() <= length) out.insert(out.end(), unit.begin(), unit.end());
  return out;
}

// Fillers whose blocks take each fast case: ASCII, 2-byte, 3-byte, 4-byte, and CJK with an
// occasional ASCII byte as real text has.
const std::vector<Bytes> kUtf8Fillers = {test::hex("61"), test::hex("C3 A9"), test::hex("E4 B8 AD"),
                                         test::hex("F0 9F 98 80"),
                                         test::hex("E4 B8 AD E3 80 82 0A E6 97 A5 31")};

const std::vector<Bytes> kUtf8Pieces = {
    test::hex("C3 A9"),          test::hex("D0 96"),       test::hex("C2 80"),
    test::hex("DF BF"),          test::hex("E0 A0 80"),    test::hex("EF BF BF"),
    test::hex("ED A0 80"),       test::hex("ED BF BF"),    test::hex("F0 90 80 80"),
    test::hex("F4 8F BF BF"),    test::hex("F0 8F BF BF"), test::hex("F4 90 80 80"),
    test::hex("E0 9F BF"),       test::hex("E0 80 80"),    test::hex("C0 AF"),
    test::hex("C1 BF"),          test::hex("80"),          test::hex("BF"),
    test::hex("E3 80"),          test::hex("C3"),          test::hex("F0 9F 98"),
    test::hex("F5 80 80 80"),    test::hex("FF"),          test::hex("E3 41 82"),
    test::hex("F8 88 80 80 80"), test::hex("C3 C3 A9"),    test::hex("E3 80 E3 80 82"),
};

TEST(TranscodeKernels, ReportsTheKernelsThatRan) {
  std::string names;
  for (const Kernel& k : kernels(utf8ToUtf16Kernel)) names += std::string(" ") + pathName(k.path);
  std::printf("[ kernels  ] beside the scalar pass:%s\n", names.empty() ? " none" : names.c_str());
  // Each path picks a kernel, and the scalar path the scalar pass itself.
  EXPECT_EQ(utf8ToUtf16Kernel(Path::Scalar), &utf8ToUtf16Scalar);
  EXPECT_EQ(utf16ToUtf8Kernel(Path::Scalar), &utf16ToUtf8Scalar);
}

TEST(TranscodeKernels, Utf8EachPieceAtEveryOffsetAcrossTwoBlocks) {
  for (std::size_t f = 0; f < kUtf8Fillers.size(); ++f) {
    for (std::size_t p = 0; p < kUtf8Pieces.size(); ++p) {
      for (std::size_t lead = 0; lead <= 140; ++lead) {
        Bytes input = repeated(kUtf8Fillers[f], lead);
        // Pad with ASCII to the exact offset, so every offset is reached with every filler.
        input.resize(lead, 'a');
        input.insert(input.end(), kUtf8Pieces[p].begin(), kUtf8Pieces[p].end());
        std::string what =
            "filler " + std::to_string(f) + ", piece " + std::to_string(p) + " at " + std::to_string(lead);
        expectSame(kUtf8To16, input, input.size(), what + " (at the end)");
        Bytes tail = repeated(kUtf8Fillers[f], 150 - lead);
        input.insert(input.end(), tail.begin(), tail.end());
        expectSame(kUtf8To16, input, input.size(), what);
        if (HasFatalFailure()) return;
      }
    }
  }
}

// UTF-16 pieces: single units of each length and kind, pairs, and surrogates out of order.
const std::vector<std::u16string> kUtf16Pieces = {
    u"\u00E9",
    u"\u07FF",
    u"\u0800",
    u"\u4E2D",
    u"\uFFFF",
    u"\U0001F600",
    u"\U0010FFFF",
    std::u16string(1, 0xD800),
    std::u16string(1, 0xDBFF),
    std::u16string(1, 0xDC00),
    std::u16string(1, 0xDFFF),
    std::u16string{0xDC00, 0xD800},
    std::u16string{0xD800, 0xD800, 0xDC00},
    std::u16string{0xD800, 0xDC00, 0xDC00},
};

const std::vector<std::u16string> kUtf16Fillers = {u"a", u"\u00E9", u"\u4E2D", u"\U0001F600",
                                                   u"\u4E2D\u3002\n\u65E51"};

TEST(TranscodeKernels, Utf16EachPieceAtEveryUnitAcrossTwoBlocks) {
  for (std::size_t f = 0; f < kUtf16Fillers.size(); ++f) {
    for (std::size_t p = 0; p < kUtf16Pieces.size(); ++p) {
      for (std::size_t lead = 0; lead <= 72; ++lead) {
        std::u16string text;
        while (text.size() + kUtf16Fillers[f].size() <= lead) text += kUtf16Fillers[f];
        text.resize(lead, u'a');
        text += kUtf16Pieces[p];
        std::string what = "filler " + std::to_string(f) + ", piece " + std::to_string(p) + " at unit " +
                           std::to_string(lead);
        Bytes input = test::utf16le(text);
        expectSame(kUtf16To8, input, input.size(), what + " (at the end)");
        while (text.size() < lead + 80) text += kUtf16Fillers[f];
        input = test::utf16le(text);
        expectSame(kUtf16To8, input, input.size(), what);
        if (HasFatalFailure()) return;
      }
    }
  }
}

// A pass cut short at `stop` answers the scalar pass's position and bytes: a sequence begun
// before `stop` is finished from the bytes after it, and nothing after that is touched.
TEST(TranscodeKernels, PassesCutAtEveryStopAgree) {
  std::mt19937 random(2020);
  for (int round = 0; round < 24; ++round) {
    Bytes utf8;
    std::u16string utf16;
    while (utf8.size() < 200) {
      const Bytes& piece = random() % 6 == 0 ? kUtf8Pieces[random() % kUtf8Pieces.size()]
                                             : kUtf8Fillers[round % kUtf8Fillers.size()];
      utf8.insert(utf8.end(), piece.begin(), piece.end());
      utf16 += random() % 6 == 0 ? kUtf16Pieces[random() % kUtf16Pieces.size()]
                                 : kUtf16Fillers[round % kUtf16Fillers.size()];
    }
    Bytes wide = test::utf16le(utf16);
    for (std::size_t stop = 0; stop <= utf8.size(); ++stop) {
      expectSame(kUtf8To16, utf8, stop, "round " + std::to_string(round) + ", stop " + std::to_string(stop));
      if (HasFatalFailure()) return;
    }
    for (std::size_t stop = 0; stop <= wide.size(); stop += 2) {
      expectSame(kUtf16To8, wide, stop, "round " + std::to_string(round) + ", stop " + std::to_string(stop));
      if (HasFatalFailure()) return;
    }
  }
}

// Long random texts: runs of one kind with odd pieces dropped in, so that most blocks take a
// fast case and the odd ones fall at every position in them.
TEST(TranscodeKernels, LongRandomTextsAgree) {
  std::mt19937 random(77);
  for (int round = 0; round < 60; ++round) {
    Bytes utf8;
    std::u16string utf16;
    std::size_t kind = random() % kUtf8Fillers.size();
    std::size_t length = 64 + random() % 4000;
    while (utf8.size() < length) {
      bool odd = random() % 40 == 0;
      const Bytes& piece = odd ? kUtf8Pieces[random() % kUtf8Pieces.size()] : kUtf8Fillers[kind];
      utf8.insert(utf8.end(), piece.begin(), piece.end());
      utf16 += random() % 40 == 0 ? kUtf16Pieces[random() % kUtf16Pieces.size()] : kUtf16Fillers[kind];
      if (random() % 128 == 0) kind = random() % kUtf8Fillers.size();
    }
    std::string what = "round " + std::to_string(round);
    expectSame(kUtf8To16, utf8, utf8.size(), what);
    Bytes wide = test::utf16le(utf16);
    expectSame(kUtf16To8, wide, wide.size(), what);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace vk::simd
