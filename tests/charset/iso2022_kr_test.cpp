// ISO-2022-KR over code page 949: the designator, SO/SI shifting, the return to ASCII at
// line breaks and at the end of the text, and what cannot travel shifted.
#include <gtest/gtest.h>

#include <string>

#include "charset/encoding_convert.h"
#include "charset/korean.h"
#include "test_bytes.h"

namespace vk {
namespace {

using test::Bytes;
using test::hex;
using test::show;

struct TransformCase {
  const char* name;
  const char* input;     // hex
  const char* expected;  // hex
  bool complete;         // the encoder's answer (decoder cases: true)
};

std::string nameOf(const ::testing::TestParamInfo<TransformCase>& info) { return info.param.name; }

class KoreanDecode : public ::testing::TestWithParam<TransformCase> {};

TEST_P(KoreanDecode, GivesEucKr) {
  const TransformCase& c = GetParam();
  Bytes input = hex(c.input);
  DataBuffer output;
  output.appendByte(0x21);
  Korean::fromIso2022Kr(input.data(), static_cast<std::uint32_t>(input.size()), output);
  EXPECT_EQ(show(test::contents(output)), show(hex(std::string("21 ") + c.expected)));
}

const TransformCase kDecodeCases[] = {
    {"ShiftedPairBetweenAscii", "1B 24 29 43 61 0E 30 21 0F 62", "61 B0 A1 62", true},
    {"WithoutDesignator", "0E 30 21 0F", "B0 A1", true},
    {"DesignatorInsideText", "61 1B 24 29 43 62", "61 62", true},
    {"EndsShiftedWithoutShiftIn", "0E 30 21", "B0 A1", true},
    {"LoneShiftedByteAtEndDropped", "0E 30 21 30", "B0 A1", true},
    {"StrayEscDroppedRestRead", "1B 24 29 41 61", "24 29 41 61", true},
    {"ShortDesignatorAtEnd", "61 1B 24 29", "61 24 29", true},
    {"LoneEscAtEnd", "61 1B", "61", true},
    {"LineBreakInsideShiftedRunIsPairByte", "0E 30 0A", "B0 8A", true},
    {"ShiftInAloneHasNoEffect", "0F 61", "61", true},
    {"RepeatedShiftOut", "0E 0E 30 21 0E 30 22", "B0 A1 B0 A2", true},
    {"EmptyInput", "", "", true},
};
INSTANTIATE_TEST_SUITE_P(Cases, KoreanDecode, ::testing::ValuesIn(kDecodeCases), nameOf);

class KoreanEncode : public ::testing::TestWithParam<TransformCase> {};

TEST_P(KoreanEncode, GivesIso2022Kr) {
  const TransformCase& c = GetParam();
  Bytes input = hex(c.input);
  DataBuffer output;
  output.appendByte(0x21);
  bool complete = Korean::toIso2022Kr(input.data(), static_cast<std::uint32_t>(input.size()), output);
  EXPECT_EQ(show(test::contents(output)), show(hex(std::string("21 ") + c.expected)));
  EXPECT_EQ(complete, c.complete);
}

const TransformCase kEncodeCases[] = {
    {"AsciiStillGetsDesignator", "61 62 63", "1B 24 29 43 61 62 63", true},
    {"KoreanThenAscii", "B0 A1 61", "1B 24 29 43 0E 30 21 0F 61", true},
    // A text that ends in Korean returns to ASCII (RFC 1557).
    {"KoreanAtEndShiftedBackIn", "B0 A1", "1B 24 29 43 0E 30 21 0F", true},
    {"LineBreaksWrittenUnshifted", "B0 A1 0D 0A B0 A1 0A", "1B 24 29 43 0E 30 21 0F 0D 0A 0E 30 21 0F 0A",
     true},
    {"OneShiftPerRun", "B0 A1 B0 A2 20 B0 A3", "1B 24 29 43 0E 30 21 30 22 0F 20 0E 30 23 0F", true},
    {"LastKsX1001Code", "FE FE", "1B 24 29 43 0E 7E 7E 0F", true},
    {"LeadByteAtEndDropped", "61 B0", "1B 24 29 43 61", false},
    {"LeadByteAtEndAfterKoreanRunClosed", "B0 A1 B0", "1B 24 29 43 0E 30 21 0F", false},
    // The extended hangul of 949 would come out as control bytes (8E -> SO, 8F -> SI).
    {"ExtendedHangulLeftOut", "61 8E 41 62", "1B 24 29 43 61 62", false},
    {"ExtendedHangulHighLeadLeftOut", "C6 52 B0 A1", "1B 24 29 43 0E 30 21 0F", false},
    {"ExtendedHangulInsideRun", "B0 A1 81 41 B0 A2", "1B 24 29 43 0E 30 21 30 22 0F", false},
    {"SingleHighBytesLeftOut", "80 61 FF", "1B 24 29 43 61", false},
    {"EmptyInputNoDesignator", "", "", true},
};
INSTANTIATE_TEST_SUITE_P(Cases, KoreanEncode, ::testing::ValuesIn(kEncodeCases), nameOf);

TEST(KoreanEncodeAll, EveryKsX1001PairRoundTripsSevenBit) {
  Bytes euc;
  for (int b = 0xA1; b <= 0xFE; ++b) {
    for (int c = 0xA1; c <= 0xFE; ++c) {
      euc.push_back(static_cast<std::uint8_t>(b));
      euc.push_back(static_cast<std::uint8_t>(c));
    }
    euc.push_back(0x0A);
  }
  DataBuffer kr;
  ASSERT_TRUE(Korean::toIso2022Kr(euc.data(), static_cast<std::uint32_t>(euc.size()), kr));
  for (std::uint32_t i = 0; i < kr.length(); ++i) {
    std::uint8_t b = kr.data()[i];
    ASSERT_LT(b, 0x80) << i;
    if (i >= 4) {
      ASSERT_NE(b, 0x1B) << i;  // the designator is written once, at the head
    }
  }
  EXPECT_EQ(kr.data()[kr.length() - 1], 0x0A);
  EXPECT_EQ(kr.data()[kr.length() - 2], 0x0F);
  DataBuffer back;
  Korean::fromIso2022Kr(kr.data(), kr.length(), back);
  EXPECT_EQ(test::contents(back), euc);
}

// Through the engine: the return to ASCII at the end, and hangul outside KS X 1001.
struct EngineCase {
  const char* name;
  const char* utf8;
  const char* expected;  // hex
  bool result;
};

class KoreanEngine : public ::testing::TestWithParam<EngineCase> {};

TEST_P(KoreanEngine, Utf8ToIso2022Kr) {
  const EngineCase& c = GetParam();
  std::string text = c.utf8;
  DataBuffer output;
  bool result =
      EncodingConvert().convert(65001, 50225, text.data(), static_cast<std::uint32_t>(text.size()), output);
  EXPECT_EQ(show(test::contents(output)), show(hex(c.expected)));
  EXPECT_EQ(result, c.result);
}

const EngineCase kEngineCases[] = {
    {"EndsInKorean", "가", "1B 24 29 43 0E 30 21 0F", true},
    {"KoreanLines", "가\r\n나", "1B 24 29 43 0E 30 21 0F 0D 0A 0E 33 2A 0F", true},
    // U+AC02 and U+B620 exist in 949 only as extended hangul (no KS X 1001 code).
    {"ExtendedHangulLeftOut", "가갂나", "1B 24 29 43 0E 30 21 33 2A 0F", false},
    {"ExtendedHangulAlone", "똠", "1B 24 29 43", false},
    {"HanjaCarried", "韓國", "1B 24 29 43 0E 79 5B 4F 50 0F", true},
};
INSTANTIATE_TEST_SUITE_P(Cases, KoreanEngine, ::testing::ValuesIn(kEngineCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk
