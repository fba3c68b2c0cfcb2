// Randomised checks of the Unicode converters: the bulk loops (with their vector and
// multi-character fast paths) must agree with plain one-character reference loops written
// here from the rules, round trips must be exact, and no input may crash or over-read.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "charset/unicode_forms.h"
#include "test_bytes.h"

namespace vk {
namespace {

using test::Bytes;

// ---- Reference loops --------------------------------------------------------------------

void putUnit(Bytes& out, std::uint32_t u) {
  out.push_back(static_cast<std::uint8_t>(u));
  out.push_back(static_cast<std::uint8_t>(u >> 8));
}

// One well-formed sequence at in[i], or 0 bytes. Lengths from the lead byte, then the
// continuation bytes, then the range of the value (no overlongs, nothing above U+10FFFF;
// surrogate values allowed).
std::size_t referenceDecode(const Bytes& in, std::size_t i, std::uint32_t& value) {
  static const std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  std::uint8_t b = in[i];
  std::size_t length = b < 0x80                   ? 1
                       : (b >= 0xC2 && b <= 0xDF) ? 2
                       : (b >= 0xE0 && b <= 0xEF) ? 3
                       : (b >= 0xF0 && b <= 0xF4) ? 4
                                                  : 0;
  if (length == 0 || i + length > in.size()) return 0;
  value = length == 1 ? b : b & (0xFF >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) {
    if ((in[i + k] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (in[i + k] & 0x3F);
  }
  if (value < kMinimum[length] || value > 0x10FFFF) return 0;
  return length;
}

Bytes referenceUtf8ToUtf16(const Bytes& in) {
  Bytes out;
  for (std::size_t i = 0; i < in.size();) {
    std::uint32_t v = 0;
    std::size_t n = referenceDecode(in, i, v);
    if (n == 0) {
      ++i;
      continue;
    }
    if (v >= 0x10000) {
      putUnit(out, 0xD800 + ((v - 0x10000) >> 10));
      putUnit(out, 0xDC00 + ((v - 0x10000) & 0x3FF));
    } else {
      putUnit(out, v);
    }
    i += n;
  }
  return out;
}

void referenceEncode(Bytes& out, std::uint32_t v) {
  if (v < 0x80) {
    out.push_back(static_cast<std::uint8_t>(v));
  } else if (v < 0x800) {
    out.push_back(static_cast<std::uint8_t>(0xC0 + (v >> 6)));
    out.push_back(static_cast<std::uint8_t>(0x80 + (v & 0x3F)));
  } else if (v < 0x10000) {
    out.push_back(static_cast<std::uint8_t>(0xE0 + (v >> 12)));
    out.push_back(static_cast<std::uint8_t>(0x80 + ((v >> 6) & 0x3F)));
    out.push_back(static_cast<std::uint8_t>(0x80 + (v & 0x3F)));
  } else {
    out.push_back(static_cast<std::uint8_t>(0xF0 + (v >> 18)));
    out.push_back(static_cast<std::uint8_t>(0x80 + ((v >> 12) & 0x3F)));
    out.push_back(static_cast<std::uint8_t>(0x80 + ((v >> 6) & 0x3F)));
    out.push_back(static_cast<std::uint8_t>(0x80 + (v & 0x3F)));
  }
}

Bytes referenceUtf16ToUtf8(const Bytes& in) {
  std::vector<std::uint32_t> units;
  for (std::size_t i = 0; i + 1 < in.size(); i += 2) units.push_back(in[i] | (in[i + 1] << 8));
  Bytes out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      referenceEncode(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else {
      referenceEncode(out, u);
    }
  }
  return out;
}

// ---- Random inputs ----------------------------------------------------------------------

// Mixed UTF-8: runs of each sequence length, boundary values, encoded surrogates and pairs,
// cut-short sequences and stray bytes, so that every fast path starts and stops everywhere.
Bytes randomUtf8(std::mt19937& rng, std::size_t pieces) {
  auto pick = [&rng](std::uint32_t lo, std::uint32_t hi) {
    return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng);
  };
  Bytes out;
  for (std::size_t p = 0; p < pieces; ++p) {
    std::uint32_t kind = pick(0, 11);
    // Long runs of one length reach the 16- and 24-byte block paths.
    std::uint32_t run = pick(1, kind <= 4 || kind >= 9 ? 40 : 6);
    for (std::uint32_t r = 0; r < run; ++r) {
      switch (kind) {
        case 0: out.push_back(static_cast<std::uint8_t>(pick(0, 0x7F))); break;
        case 1: referenceEncode(out, pick(0x80, 0x7FF)); break;
        case 2: referenceEncode(out, pick(0x800, 0xFFFF)); break;
        case 3: referenceEncode(out, pick(0x10000, 0x10FFFF)); break;
        case 4:
          referenceEncode(out, pick(0xD800, 0xDBFF));
          referenceEncode(out, pick(0xDC00, 0xDFFF));
          break;
        case 5: out.push_back(static_cast<std::uint8_t>(pick(0, 255))); break;
        case 6: {  // a valid sequence cut short
          Bytes seq;
          referenceEncode(seq, pick(0x80, 0x10FFFF));
          out.insert(out.end(), seq.begin(),
                     seq.begin() + pick(1, static_cast<std::uint32_t>(seq.size()) - 1));
          break;
        }
        case 7: {  // boundary and overlong forms
          static const char* kEdges[] = {"C2 80",       "DF BF",       "E0 A0 80",    "E0 9F BF",
                                         "EF BF BF",    "F0 90 80 80", "F0 8F BF BF", "F4 8F BF BF",
                                         "F4 90 80 80", "C0 80",       "C1 BF",       "ED A0 80",
                                         "ED BF BF",    "F5 80 80 80", "E0 80 80"};
          Bytes e = test::hex(kEdges[pick(0, 14)]);
          out.insert(out.end(), e.begin(), e.end());
          break;
        }
        case 8: out.push_back(static_cast<std::uint8_t>(pick(0x80, 0xBF))); break;
        case 9: referenceEncode(out, pick(0, 1) ? pick(0x20, 0x7E) : pick(0x391, 0x44F)); break;
        case 10: referenceEncode(out, pick(0, 3) ? pick(0x3040, 0x9FFF) : pick(0x20, 0x7E)); break;
        default: referenceEncode(out, pick(0, 7) ? pick(0x80, 0x7FF) : pick(0x800, 0xFFFF)); break;
      }
    }
  }
  return out;
}

// Random UTF-16LE units: ASCII, two- and three-byte ranges, valid pairs and lone surrogates.
Bytes randomUtf16(std::mt19937& rng, std::size_t pieces) {
  auto pick = [&rng](std::uint32_t lo, std::uint32_t hi) {
    return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng);
  };
  Bytes out;
  for (std::size_t p = 0; p < pieces; ++p) {
    std::uint32_t kind = pick(0, 6);
    std::uint32_t run = pick(1, kind == 0 ? 40 : 10);
    for (std::uint32_t r = 0; r < run; ++r) {
      switch (kind) {
        case 0: putUnit(out, pick(0, 0x7F)); break;
        case 1: putUnit(out, pick(0x80, 0x7FF)); break;
        case 2: putUnit(out, pick(0x800, 0xFFFF)); break;
        case 3:
          putUnit(out, pick(0xD800, 0xDBFF));
          putUnit(out, pick(0xDC00, 0xDFFF));
          break;
        case 4: putUnit(out, pick(0xD800, 0xDFFF)); break;
        case 5: putUnit(out, pick(0, 0xFFFF)); break;
        default: putUnit(out, pick(0, 1) ? pick(0x20, 0x7E) : pick(0x4E00, 0x9FFF)); break;
      }
    }
  }
  return out;
}

template <typename Fn>
Bytes convert(Fn fn, const Bytes& input, bool* result = nullptr) {
  // Exactly sized, so that a read past the end is caught by ASan.
  std::vector<std::uint8_t> exact(input);
  DataBuffer out;
  bool r = fn(exact.empty() ? nullptr : exact.data(), static_cast<std::uint32_t>(exact.size()), out);
  if (result != nullptr) *result = r;
  return test::contents(out);
}

bool toUtf32Le(const std::uint8_t* b, std::uint32_t n, DataBuffer& o) { return utf8ToUtf32(b, n, o, false); }
bool toUtf32Be(const std::uint8_t* b, std::uint32_t n, DataBuffer& o) { return utf8ToUtf32(b, n, o, true); }

// Sizes from empty to a few thousand bytes, so the block loops meet every alignment.
std::size_t randomPieces(std::mt19937& rng, int round) {
  return round % 10 == 0 ? 300 : std::uniform_int_distribution<std::size_t>(0, 12)(rng);
}

TEST(UnicodeFastPaths, Utf8ToUtf16AgreesWithReferenceAndCodec) {
  std::mt19937 rng(11);
  for (int round = 0; round < 3000; ++round) {
    Bytes input = randomUtf8(rng, randomPieces(rng, round));
    Bytes expected = referenceUtf8ToUtf16(input);
    ASSERT_EQ(test::show(convert(utf8ToUtf16, input)), test::show(expected)) << "input " << test::show(input);
    if (round % 50 == 0) {
      // The per-character codec, driven as the engine's simple loop would.
      DataBuffer viaCodec;
      ConvertState state;
      std::uint16_t units[2];
      std::int32_t count = 0;
      for (std::size_t i = 0; i < input.size();) {
        std::int32_t n = sharedUtf8Codec().decodeChar(
            state, input.data() + i, static_cast<std::int64_t>(input.size() - i), units, &count);
        if (n < 0) {
          ++i;
          continue;
        }
        for (std::int32_t k = 0; k < count; ++k) viaCodec.appendUnit(units[k]);
        i += static_cast<std::size_t>(n);
      }
      ASSERT_EQ(test::contents(viaCodec), expected);
    }
  }
}

TEST(UnicodeFastPaths, Utf16ToUtf8AgreesWithReference) {
  std::mt19937 rng(12);
  for (int round = 0; round < 3000; ++round) {
    Bytes input = randomUtf16(rng, randomPieces(rng, round));
    bool odd = round % 7 == 0;
    if (odd) input.push_back(0x41);
    bool result = false;
    Bytes got = convert(utf16ToUtf8, input, &result);
    ASSERT_EQ(test::show(got), test::show(referenceUtf16ToUtf8(input))) << "input " << test::show(input);
    ASSERT_EQ(result, !odd);
  }
}

TEST(UnicodeFastPaths, ReencodeEqualsTheTripThroughUtf16) {
  std::mt19937 rng(13);
  for (int round = 0; round < 2000; ++round) {
    Bytes input = randomUtf8(rng, randomPieces(rng, round));
    Bytes viaUtf16 = referenceUtf16ToUtf8(referenceUtf8ToUtf16(input));
    ASSERT_EQ(test::show(convert(reencodeUtf8, input)), test::show(viaUtf16))
        << "input " << test::show(input);
  }
}

TEST(UnicodeFastPaths, ManySmallConversionsIntoOneBuffer) {
  std::mt19937 rng(14);
  DataBuffer wide;
  DataBuffer narrow;
  Bytes expectedWide;
  Bytes expectedNarrow;
  for (int round = 0; round < 400; ++round) {
    Bytes input = randomUtf8(rng, 3);
    utf8ToUtf16(input.data(), static_cast<std::uint32_t>(input.size()), wide);
    Bytes units = referenceUtf8ToUtf16(input);
    expectedWide.insert(expectedWide.end(), units.begin(), units.end());
    utf16ToUtf8(units.data(), static_cast<std::uint32_t>(units.size()), narrow);
    Bytes back = referenceUtf16ToUtf8(units);
    expectedNarrow.insert(expectedNarrow.end(), back.begin(), back.end());
  }
  EXPECT_EQ(test::contents(wide), expectedWide);
  EXPECT_EQ(test::contents(narrow), expectedNarrow);
  // Growth is geometric, not one reallocation per call to an exact fit.
  EXPECT_LT(wide.capacity(), 4 * wide.length() + 100000);
}

TEST(UnicodeRoundTrip, AnyUtf16SurvivesUtf8AndUtf32) {
  std::mt19937 rng(21);
  for (int round = 0; round < 1500; ++round) {
    Bytes wide = randomUtf16(rng, randomPieces(rng, round));
    Bytes utf8 = convert(utf16ToUtf8, wide);
    ASSERT_EQ(convert(utf8ToUtf16, utf8), wide) << test::show(wide);
    ASSERT_EQ(convert(reencodeUtf8, utf8), utf8);

    bool ok = false;
    Bytes little = convert(toUtf32Le, utf8, &ok);
    ASSERT_TRUE(ok);
    Bytes big = convert(toUtf32Be, utf8);
    ASSERT_EQ(big.size(), little.size());
    for (std::size_t i = 0; i < big.size(); ++i) ASSERT_EQ(big[i], little[i ^ 3]);
    Bytes back = convert(utf32ToUtf8, little, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(convert(utf8ToUtf16, back), wide);
  }
}

TEST(UnicodeRoundTrip, Utf7EncodeThenDecode) {
  std::mt19937 rng(22);
  for (int round = 0; round < 1500; ++round) {
    Bytes wide = randomUtf16(rng, randomPieces(rng, round));
    if (wide.size() >= 2 && wide[0] == 0xFF && wide[1] == 0xFE) wide[0] = 0x41;  // not a mark
    Bytes utf7 = convert(utf7Encode, wide);
    for (std::uint8_t b : utf7) ASSERT_LT(b, 0x80);
    bool ok = false;
    ASSERT_EQ(convert(utf7Decode, utf7, &ok), wide);
    ASSERT_TRUE(ok) << std::string(utf7.begin(), utf7.end());
  }
}

TEST(UnicodeRobustness, RandomBytesIntoEveryConverter) {
  std::mt19937 rng(31);
  using Converter = bool (*)(const std::uint8_t*, std::uint32_t, DataBuffer&);
  const Converter converters[] = {utf8ToUtf16, utf16ToUtf8, reencodeUtf8, utf32ToUtf8,
                                  toUtf32Le,   toUtf32Be,   utf7Encode,   utf7Decode};
  for (int round = 0; round < 2000; ++round) {
    Bytes input(std::uniform_int_distribution<std::size_t>(0, round % 20 == 0 ? 2000 : 40)(rng));
    for (auto& b : input) b = static_cast<std::uint8_t>(rng());
    for (Converter fn : converters) {
      Bytes out = convert(fn, input);
      // Bounded output: no converter writes more than 5 bytes per input byte (plus a run end).
      ASSERT_LE(out.size(), 5 * input.size() + 2);
    }
    ASSERT_EQ(convert(utf8ToUtf16, input), referenceUtf8ToUtf16(input));
  }
}

}  // namespace
}  // namespace vk
