// The engine's routing, byte-order and result rules for the algorithmic code pages.
#include <gtest/gtest.h>

#include <string>

#include "charset/encoding_convert.h"
#include "test_bytes.h"

namespace vk {
namespace {

using test::Bytes;
using test::hex;

struct ConvertCase {
  const char* name;
  std::int32_t from;
  std::int32_t to;
  const char* input;     // hex
  const char* expected;  // hex
  bool result;
};

class EngineConvert : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(EngineConvert, AppendsExpectedBytesAndResult) {
  const ConvertCase& c = GetParam();
  Bytes input = hex(c.input);
  DataBuffer output;
  output.append("!", 1);  // the engine appends, never clears
  bool result =
      EncodingConvert().convert(c.from, c.to, input.data(), static_cast<std::uint32_t>(input.size()), output);
  Bytes expected = hex(std::string("21 ") + c.expected);
  EXPECT_EQ(test::show(test::contents(output)), test::show(expected));
  EXPECT_EQ(result, c.result);
}

const ConvertCase kRouting[] = {
    {"SameCodePageCopiesIncludingMark", 65001, 65001, "EF BB BF 41", "EF BB BF 41", true},
    {"NoDestinationCopies", 1252, 0, "80 81", "80 81", true},
    {"EmptyInput", 65001, 1200, "", "", true},
    {"Utf16LeMarkOnly", 1200, 65001, "FF FE", "", true},
    {"Utf16LeMarkDropped", 1200, 65001, "FF FE 41 00", "41", true},
    {"Utf16LeReadAsBigEndianAfterFEFF", 1200, 65001, "FE FF 00 41 00 E9", "41 C3 A9", true},
    {"Utf16NoMarkIsLittleEndian", 1200, 65001, "E9 00", "C3 A9", true},
    {"Utf8MarkDroppedToUtf16", 65001, 1200, "EF BB BF 41", "41 00", true},
    {"Utf8MarkOnly", 65001, 1200, "EF BB BF", "", true},
    {"Utf8TwoMarkBytesAreMalformed", 65001, 1200, "EF BB", "", true},
    {"Utf16LeToBe", 1200, 1201, "41 00 E9 00", "00 41 00 E9", true},
    {"Utf16LeWithMarkToBe", 1200, 1201, "FF FE 41 00", "00 41", true},
    {"Utf16BeToLe", 1201, 1200, "00 41 00 E9", "41 00 E9 00", true},
    {"Utf16BeWithFFFEIsLittle", 1201, 1200, "FF FE 41 00", "41 00", true},
    {"Utf16BeWithFEFFMarkDropped", 1201, 1200, "FE FF 00 41", "41 00", true},
    {"Utf16BeOddByteDropped", 1201, 1200, "00 41 00", "41 00", true},
    {"Utf16BeMarkOnly", 1201, 65001, "FE FF", "", true},
    {"Utf16BigEndianToUtf8", 1201, 65001, "00 41 30 42", "41 E3 81 82", true},
    {"CutUtf8ToUtf16BeAsLittleEndian", 65001, 1201, "C3", "", true},
    {"UnknownSourceToUtf16BeReportsFailure", 54936, 1201, "41", "", false},
    {"SamePageUtf16CopiesUnchanged", 1200, 1200, "FE FF 00 41", "FE FF 00 41", true},
    {"Utf32LeToUtf8", 65005, 65001, "41 00 00 00 E9 00 00 00", "41 C3 A9", true},
    {"Utf32BeToUtf16", 65006, 1200, "00 00 00 41 00 00 30 42", "41 00 42 30", true},
    {"Utf32BeShortGivesNothing", 65006, 1200, "00 00 41", "", true},
    {"Utf32BeTrailingBytesDropped", 65006, 1200, "00 00 00 41 00", "41 00", true},
    {"Utf32BeyondBmpToUtf16", 65005, 1200, "00 F6 01 00", "3D D8 00 DE", true},
    {"Utf32BeyondBmpToUtf8", 65005, 65001, "00 F6 01 00", "F0 9F 98 80", true},
    {"Utf16PairToUtf32Le", 1200, 65005, "3D D8 00 DE", "00 F6 01 00", true},
    {"Utf16PairToUtf32Be", 1200, 65006, "3D D8 00 DE", "00 01 F6 00", true},
    {"Utf8ToUtf32StopsAtMalformed", 65001, 65005, "41 C0 80", "41 00 00 00", false},
    {"Utf16ToUtf7", 1200, 65000, "41 00 62 22 91 03 2E 00", "41 2B 49 6D 49 44 6B 51 2D 2E", true},
    {"Utf7ToUtf16", 65000, 1200, "2B 41 4F 6B 2D", "E9 00", true},
    {"Utf7HighByteFlagNotPassedOn", 65000, 1200, "E9", "E9 FF", true},
    {"Utf7ToUtf8", 65000, 65001, "2B 2D", "2B", true},
    {"Utf8OddUtf16", 1200, 65001, "41", "", false},
    {"Utf8Reencoded", 65005, 65001, "41 00 00 00 00 00 20 00", "41 EF BF BD", true},
    {"UnknownSourceToUtf8", 54936, 65001, "41", "", true},
    {"UnknownSourceToUtf16", 54936, 1200, "41", "", false},
    {"Utf8ToUnknown", 65001, 20936, "41", "", false},
    {"Utf8ToUnknownViaUtf7Stage", 54936, 65000, "41", "", false},
    // Mac Thai has a byte for U+FEFF. Decoded, it is text; as the first unit of UTF-16 input it
    // is read as the byte-order mark, so a leading one does not come back from a round trip.
    {"MacThaiFEFFDecodesAsText", 10021, 1200, "DB DB 41", "FF FE FF FE 41 00", true},
    {"MacThaiLeadingFEFFFromUtf16IsAMark", 1200, 10021, "FF FE FF FE 41 00", "DB 41", true},
};

INSTANTIATE_TEST_SUITE_P(Routing, EngineConvert, ::testing::ValuesIn(kRouting),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EngineNames, UnknownCharsetNamesGiveFalseAndNothing) {
  DataBuffer output;
  EXPECT_FALSE(EncodingConvert().convertFromCharset("no-such-charset", 1200, "A", 1, output));
  EXPECT_FALSE(EncodingConvert().convertToCharset(1200, nullptr, "A\0", 2, output));
  EXPECT_EQ(output.length(), 0u);
}

TEST(EngineRobustness, RandomBytesBetweenAlgorithmicPagesNeverCrash) {
  const std::int32_t pages[] = {1200, 1201, 65000, 65001, 65005, 65006};
  std::uint32_t state = 12345;
  for (int round = 0; round < 300; ++round) {
    Bytes input(state % 64);
    for (auto& b : input) {
      state = state * 1103515245u + 12345u;
      b = static_cast<std::uint8_t>(state >> 16);
    }
    for (std::int32_t from : pages) {
      for (std::int32_t to : pages) {
        DataBuffer output;
        EncodingConvert().convert(from, to, input.data(), static_cast<std::uint32_t>(input.size()), output);
        if (from == to) continue;  // copied unchanged
        if (to == 1200) { EXPECT_EQ(output.length() % 2, 0u); }
        if (to == 65005 || to == 65006) { EXPECT_EQ(output.length() % 4, 0u); }
      }
    }
  }
}

}  // namespace
}  // namespace vk
