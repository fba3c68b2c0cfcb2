// Every code path of the base64 coder (AVX-512 VBMI, AVX2, and the scalar loops, as far as
// this machine has them) gives the same text, the same bytes and the same answer. The inputs
// put every kind of character the decoder treats apart (white space, '=', the zero byte, bytes
// just outside the alphabet's ranges, bytes above 0x7F) at every offset of the vector blocks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "coding/content_coding.h"
#include "simd_paths.h"
#include "test_bytes.h"

namespace vk {
namespace {

using simd::Path;
using test::availablePaths;
using test::Bytes;
using test::PathScope;

std::string encodeOn(Path path, const Bytes& input) {
  PathScope scope(path);
  Bytes exact(input);  // exactly sized, so over-reads show under ASan
  StringBuffer out;
  ContentCoding().encodeBase64(exact.empty() ? nullptr : exact.data(),
                               static_cast<std::uint32_t>(exact.size()), out);
  return std::string(out.data(), static_cast<std::size_t>(out.length()));
}

struct Decoded {
  Bytes bytes;
  bool result;
};

Decoded decodeOn(Path path, const Bytes& text) {
  PathScope scope(path);
  Bytes exact(text);
  DataBuffer out;
  static const std::uint8_t kKept[] = {0xAB, 0xCD};  // what the output held before: must stay
  // The room the decoder writes into is filled with a marker first: bytes a kernel claims but
  // never stores show, instead of the same bytes left there by an earlier call.
  Bytes marker(exact.size() + 64, 0xEE);
  out.append(marker.data(), static_cast<std::uint32_t>(marker.size()));
  out.setLength(0);
  out.append(kKept, 2);
  bool result = ContentCoding().decodeBase64(reinterpret_cast<const char*>(exact.data()),
                                             static_cast<std::uint32_t>(exact.size()), out);
  return {test::contents(out), result};
}

void expectSameEncoding(const Bytes& input, const std::string& what) {
  std::string reference = encodeOn(Path::Scalar, input);
  ASSERT_EQ(reference.size(), (input.size() + 2) / 3 * 4) << what;
  for (Path path : availablePaths()) {
    ASSERT_EQ(encodeOn(path, input), reference) << what << " on " << simd::pathName(path);
  }
}

void expectSameDecoding(const Bytes& text, const std::string& what) {
  Decoded reference = decodeOn(Path::Scalar, text);
  ASSERT_GE(reference.bytes.size(), 2u);
  ASSERT_EQ(reference.bytes[0], 0xAB) << what;
  for (Path path : availablePaths()) {
    Decoded got = decodeOn(path, text);
    ASSERT_EQ(got.result, reference.result) << what << " on " << simd::pathName(path);
    ASSERT_EQ(got.bytes, reference.bytes) << what << " on " << simd::pathName(path);
  }
}

Bytes randomBytes(std::mt19937& rng, std::size_t n) {
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

// The base64 text of `bytes` as the scalar encoder writes it.
Bytes encoded(const Bytes& bytes) {
  std::string text = encodeOn(Path::Scalar, bytes);
  return Bytes(text.begin(), text.end());
}

// Lengths around the kernels' blocks (24 and 48 bytes, 32 and 64 characters) and the encoder's
// 6144-byte output block.
std::vector<std::size_t> edgeLengths() {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 260; ++n) lengths.push_back(n);
  for (std::size_t block : {6144, 12288}) {
    for (std::size_t n = block - 52; n <= block + 52; ++n) lengths.push_back(n);
  }
  return lengths;
}

TEST(Base64Paths, ReportsWhichPathsRan) {
  std::string ran;
  for (Path path : availablePaths()) ran += std::string(ran.empty() ? "" : ", ") + simd::pathName(path);
  RecordProperty("paths", ran);
  std::printf("base64 paths compared: %s%s\n", ran.c_str(),
              simd::cpuFeatures().avx512vbmi ? " (AVX-512 with VBMI)" : "");
  EXPECT_FALSE(availablePaths().empty());
}

TEST(Base64Paths, EncodeEveryLengthAroundTheBlocks) {
  std::mt19937 rng(20);
  for (std::size_t n : edgeLengths()) expectSameEncoding(randomBytes(rng, n), "length " + std::to_string(n));
}

TEST(Base64Paths, EncodeEveryByteValueInEveryLanePosition) {
  // Each value at each position of a 48-byte block: every field of every lane sees it.
  for (int value = 0; value < 256; ++value) {
    Bytes input(96, 0x00);
    for (std::size_t i = 0; i < 48; ++i) input[i] = static_cast<std::uint8_t>(value ^ (i * 37));
    for (std::size_t i = 48; i < 96; ++i) input[i] = static_cast<std::uint8_t>(value);
    expectSameEncoding(input, "value " + std::to_string(value));
  }
}

TEST(Base64Paths, DecodeValidTextOfEveryLength) {
  std::mt19937 rng(21);
  for (std::size_t n : edgeLengths()) {
    Bytes text = encoded(randomBytes(rng, n));
    expectSameDecoding(text, "encoded length " + std::to_string(n));
    // The same without its padding, and cut after every possible character count.
    while (!text.empty() && text.back() == '=') text.pop_back();
    expectSameDecoding(text, "unpadded length " + std::to_string(n));
    if (n < 120) {
      for (std::size_t cut = 0; cut < text.size(); ++cut) {
        expectSameDecoding(Bytes(text.begin(), text.begin() + cut), "cut at " + std::to_string(cut));
      }
    }
  }
}

TEST(Base64Paths, DecodeEveryByteAtEveryPosition) {
  // A 160-character text holds two AVX-512 blocks and five AVX2 blocks; every byte value
  // replaces each character in turn, so each of the checks (alphabet ranges and their ends,
  // white space, '=', zero, bytes above 0x7F) meets every position of a block.
  std::mt19937 rng(22);
  const Bytes text = encoded(randomBytes(rng, 120));
  ASSERT_EQ(text.size(), 160u);
  for (int value = 0; value < 256; ++value) {
    for (std::size_t at = 0; at < 136; ++at) {
      Bytes changed = text;
      changed[at] = static_cast<std::uint8_t>(value);
      expectSameDecoding(changed, "byte " + std::to_string(value) + " at " + std::to_string(at));
    }
  }
}

TEST(Base64Paths, DecodeTextWithSeparatorsEverywhere) {
  // Line breaks as mail writes them, and runs of white space at random places, in long texts
  // where the kernels stop and start again many times.
  std::mt19937 rng(23);
  const std::vector<std::string> separators = {"\r\n", "\n", " ", "\t", "  \t", "\r\n\r\n"};
  for (std::size_t lineLength : {4, 60, 64, 72, 76, 128}) {
    for (const std::string& separator : separators) {
      Bytes text = encoded(randomBytes(rng, 3000));
      Bytes lines;
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 0 && i % lineLength == 0) lines.insert(lines.end(), separator.begin(), separator.end());
        lines.push_back(text[i]);
      }
      expectSameDecoding(lines, "lines of " + std::to_string(lineLength));
    }
  }
  for (int round = 0; round < 200; ++round) {
    Bytes text = encoded(randomBytes(rng, 200 + rng() % 400));
    std::size_t inserts = rng() % 8;
    for (std::size_t k = 0; k < inserts; ++k) {
      const std::string& s = separators[rng() % separators.size()];
      text.insert(text.begin() + static_cast<std::ptrdiff_t>(rng() % (text.size() + 1)), s.begin(), s.end());
    }
    expectSameDecoding(text, "round " + std::to_string(round));
  }
}

TEST(Base64Paths, DecodeStopsAtPaddingOrZeroWhateverFollows) {
  // After a stop character the rest is never looked at, invalid bytes included; before it a
  // bad byte still fails the call.
  std::mt19937 rng(24);
  for (std::uint8_t stop : {std::uint8_t{'='}, std::uint8_t{0}}) {
    for (std::size_t at = 0; at < 200; at += 3) {
      Bytes text = encoded(randomBytes(rng, 150));
      text[at] = stop;
      for (std::size_t i = at + 1; i < text.size(); ++i) text[i] = static_cast<std::uint8_t>(rng());
      expectSameDecoding(text, "stop at " + std::to_string(at));
      if (at > 0) {
        text[rng() % at] = '!';
        expectSameDecoding(text, "bad byte before the stop at " + std::to_string(at));
      }
    }
  }
}

TEST(Base64Paths, DecodeRandomMixtures) {
  // Long texts of mostly alphabet characters with a few others anywhere, and plain noise.
  std::mt19937 rng(25);
  const std::string others = std::string("\t\n\r =!-_.~\x7f@[`{:") + std::string(1, '\0');
  for (int round = 0; round < 300; ++round) {
    Bytes text = encoded(randomBytes(rng, rng() % 1500));
    std::size_t changes = rng() % 3;
    for (std::size_t k = 0; k < changes && !text.empty(); ++k) {
      text[rng() % text.size()] = static_cast<std::uint8_t>(others[rng() % others.size()]);
    }
    expectSameDecoding(text, "mixture " + std::to_string(round));
    expectSameDecoding(randomBytes(rng, rng() % 200), "noise " + std::to_string(round));
  }
}

TEST(Base64Paths, LongRoundTripFromEveryAlignment) {
  std::mt19937 rng(26);
  const Bytes data = randomBytes(rng, (1 << 20) + 7);
  for (std::size_t offset = 0; offset < 4; ++offset) {
    Bytes input(data.begin() + static_cast<std::ptrdiff_t>(offset), data.end());
    expectSameEncoding(input, "offset " + std::to_string(offset));
    Bytes text = encoded(input);
    expectSameDecoding(text, "decoding at offset " + std::to_string(offset));
    Decoded back = decodeOn(simd::activePath(), text);
    ASSERT_TRUE(back.result);
    ASSERT_EQ(Bytes(back.bytes.begin() + 2, back.bytes.end()), input);
  }
}

}  // namespace
}  // namespace vk
