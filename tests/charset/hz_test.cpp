// HZ-GB-2312 (RFC 1843) over code page 936: mode switching, '~~', line continuation, the
// lenient reading of malformed text and what cannot be written in HZ.
#include <gtest/gtest.h>

#include <string>

#include "charset/encoding_convert.h"
#include "charset/hz.h"
#include "test_bytes.h"

namespace vk {
namespace {

using test::Bytes;
using test::bytesOf;
using test::hex;
using test::show;

// HZ text as written, with the 936 bytes it stands for.
struct DecodeCase {
  const char* name;
  const char* hz;
  const char* expected;  // hex
};

class HzDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(HzDecode, GivesGbBytes) {
  const DecodeCase& c = GetParam();
  Bytes input = bytesOf(c.hz);
  DataBuffer output;
  output.appendByte(0x21);
  Chinese::fromHz(input.data(), static_cast<std::uint32_t>(input.size()), output);
  EXPECT_EQ(show(test::contents(output)), show(hex(std::string("21 ") + c.expected)));
}

const DecodeCase kDecodeCases[] = {
    {"Rfc1843Example", "~{<:Ky2;S{#,NpJ)l6HK!#~}",
     "BC BA CB F9 B2 BB D3 FB A3 AC CE F0 CA A9 EC B6 C8 CB A1 A3"},
    {"AsciiAroundGb", "Bye.~{VP~}ok", "42 79 65 2E D6 D0 6F 6B"},
    {"DoubleTildeIsTilde", "a~~b", "61 7E 62"},
    {"TildeNewlineJoinsLines", "a~\nb", "61 62"},
    {"TildeCrLfJoinsLines", "a~\r\nb", "61 62"},
    {"TildeCrJoinsLines", "a~\rb", "61 62"},
    {"CloseInAsciiIgnored", "~}a", "61"},
    {"TildeBeforeOtherByteKept", "~/x", "7E 2F 78"},
    {"TildeAtEndKept", "a~", "61 7E"},
    {"NewlineEndsGbRun", "~{VP\nab", "D6 D0 0A 61 62"},
    {"CrLfEndsGbRun", "~{VP\r\nVP", "D6 D0 0D 0A 56 50"},
    {"LoneGbByteAtEndDropped", "~{VPN", "D6 D0"},
    {"GbByteWithoutPartnerDropped", "~{V ~}", "20"},
    {"GbRunReadInPairsAfterDroppedByte", "~{V VP~}", "20 D6 D0"},
    {"RepeatedOpenInGbRun", "~{VP~{ND~}", "D6 D0 CE C4"},
    {"OpenAtEndOfText", "a~{", "61"},
    {"TildeAtEndOfGbRunDropped", "~{VP~", "D6 D0"},
    {"EightBitBytesInGbRunPass", "~{\xD6\xD0~}", "D6 D0"},
    {"Empty", "", ""},
};
INSTANTIATE_TEST_SUITE_P(Cases, HzDecode, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// 936 bytes with the HZ text they are written as.
struct EncodeCase {
  const char* name;
  const char* gbk;  // hex
  const char* hz;
  bool complete;
};

class HzEncode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(HzEncode, GivesHzText) {
  const EncodeCase& c = GetParam();
  Bytes input = hex(c.gbk);
  DataBuffer output;
  output.appendByte(0x21);
  bool complete = Chinese::toHz(input.data(), static_cast<std::uint32_t>(input.size()), output);
  EXPECT_EQ(show(test::contents(output)), show(bytesOf(std::string("!") + c.hz)));
  EXPECT_EQ(complete, c.complete);
}

const EncodeCase kEncodeCases[] = {
    {"GbClosedAtEnd", "D6 D0 CE C4", "~{VPND~}", true},
    {"AsciiAroundGb", "61 D6 D0 62", "a~{VP~}b", true},
    {"TildeDoubled", "7E", "~~", true},
    {"TildeBetweenGb", "D6 D0 7E CE C4", "~{VP~}~~~{ND~}", true},
    {"LineBreakClosesGbRun", "D6 D0 0D 0A D6 D0", "~{VP~}\r\n~{VP~}", true},
    {"GbAreaCorners", "A1 A1 FD FE", "~{!!}~~}", true},
    // Row FE would come out as '~' and FE FD as '~}', closing the run early.
    {"RowFeLeftOut", "D6 D0 FE FD CE C4", "~{VPND~}", false},
    {"GbkExtensionLeftOut", "81 40", "", false},
    {"GbkExtensionBetweenAscii", "61 81 40 62", "ab", false},
    {"GbkExtensionInsideRun", "D6 D0 81 40 CE C4", "~{VPND~}", false},
    {"GbkLowTrailLeftOut", "D6 D0 FE 50 CE C4", "~{VPND~}", false},
    {"SingleHighBytesLeftOut", "80 61 FF", "a", false},
    {"LeadByteAtEndDropped", "61 D6", "a", false},
    {"Empty", "", "", true},
};
INSTANTIATE_TEST_SUITE_P(Cases, HzEncode, ::testing::ValuesIn(kEncodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HzEncodeAll, EveryWritablePairRoundTripsSevenBit) {
  Bytes gb;
  for (int b = 0xA1; b <= 0xFD; ++b) {
    for (int c = 0xA1; c <= 0xFE; ++c) {
      gb.push_back(static_cast<std::uint8_t>(b));
      gb.push_back(static_cast<std::uint8_t>(c));
    }
    gb.push_back(0x7E);
    gb.push_back(0x0A);
  }
  DataBuffer hz;
  ASSERT_TRUE(Chinese::toHz(gb.data(), static_cast<std::uint32_t>(gb.size()), hz));
  for (std::uint32_t i = 0; i < hz.length(); ++i) ASSERT_LT(hz.data()[i], 0x80) << i;
  DataBuffer back;
  Chinese::fromHz(hz.data(), hz.length(), back);
  EXPECT_EQ(test::contents(back), gb);
}

// Code page 52936 through the engine, to and from UTF-8.
struct EngineCase {
  const char* name;
  const char* utf8;
  const char* hz;
  bool result;
};

class HzEngine : public ::testing::TestWithParam<EngineCase> {};

TEST_P(HzEngine, Utf8ToHz) {
  const EngineCase& c = GetParam();
  std::string text = c.utf8;
  DataBuffer output;
  bool result =
      EncodingConvert().convert(65001, 52936, text.data(), static_cast<std::uint32_t>(text.size()), output);
  EXPECT_EQ(std::string(output.data(), output.data() + output.length()), c.hz);
  EXPECT_EQ(result, c.result);
}

const EngineCase kEngineCases[] = {
    {"Chinese", "中文", "~{VPND~}", true},
    {"Rfc1843Sentence", "己所不欲，勿施於人。", "~{<:Ky2;S{#,NpJ)l6HK!#~}", true},
    {"MixedLines", "GB: 中\n~ok", "GB: ~{VP~}\n~~ok", true},
    {"GbkOnlyCharacterLeftOut", "中丂文", "~{VPND~}", false},
    {"EuroLeftOut", "a€b", "ab", false},
    {"NotIn936LeftOut", "a가b", "ab", false},
};
INSTANTIATE_TEST_SUITE_P(Cases, HzEngine, ::testing::ValuesIn(kEngineCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk
