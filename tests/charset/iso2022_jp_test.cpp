// ISO-2022-JP over Shift_JIS: the escape handling of the decoder, the encoder's kanji runs,
// half-width katakana widening and the JIS <-> Shift_JIS pair arithmetic.
#include <gtest/gtest.h>

#include <string>

#include "charset/encoding_convert.h"
#include "charset/japanese.h"
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

// Runs a transform behind a marker byte: the transforms append, they never clear.
template <typename Transform>
Bytes runAfterMarker(Transform transform, const Bytes& input, bool* complete = nullptr) {
  DataBuffer output;
  output.appendByte(0x21);
  bool answer = transform(input.data(), static_cast<std::uint32_t>(input.size()), output);
  if (complete != nullptr) *complete = answer;
  Bytes all = test::contents(output);
  EXPECT_FALSE(all.empty());
  EXPECT_EQ(all.empty() ? 0 : all[0], 0x21);
  return Bytes(all.begin() + (all.empty() ? 0 : 1), all.end());
}

bool decodeJp(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  Japanese::fromIso2022Jp(bytes, count, output);
  return true;
}

class JapaneseDecode : public ::testing::TestWithParam<TransformCase> {};

TEST_P(JapaneseDecode, GivesShiftJis) {
  const TransformCase& c = GetParam();
  EXPECT_EQ(show(runAfterMarker(decodeJp, hex(c.input))), show(hex(c.expected)));
}

const TransformCase kDecodeCases[] = {
    {"KanjiThenAscii", "1B 24 42 30 21 1B 28 42 41", "88 9F 41", true},
    {"OldJisDesignatorEntersKanji", "1B 24 40 30 21", "88 9F", true},
    {"JisRomanLeavesKanji", "1B 24 42 30 21 1B 28 4A 41", "88 9F 41", true},
    {"LineFeedEndsKanjiRun", "1B 24 42 30 21 0A 41", "88 9F 0A 41", true},
    {"CarriageReturnEndsKanjiRun", "1B 24 42 30 21 0D 41 42", "88 9F 0D 41 42", true},
    {"LoneByteAtEndOfKanjiRunDropped", "1B 24 42 30 21 30", "88 9F", true},
    {"PlainAsciiUnchanged", "41 42 7E 5C", "41 42 7E 5C", true},
    {"ShiftBytesPassThrough", "0E 41 0F", "0E 41 0F", true},
    {"LoneEscAtEnd", "41 1B", "41", true},
    {"EscDollarAtEnd", "41 1B 24", "41", true},
    {"EscParenAtEnd", "41 1B 28", "41", true},
    {"UnknownEscapeTwoBytesSwallowed", "1B 41 42", "42", true},
    {"UnknownMultiByteDesignationSwallowed", "1B 24 41 42", "42", true},
    {"JisX0212DesignationSwallowedThreeBytes", "1B 24 28 44 30 21", "44 30 21", true},
    {"KatakanaDesignationSwallowedTextStays", "1B 28 49 31 1B 28 42", "31", true},
    {"EscapeInsideKanjiRun", "1B 24 42 30 21 1B 24 42 30 22 1B 28 42", "88 9F 88 A0", true},
    {"KanjiPairTakenWhateverTheSecondByte", "1B 24 42 30 0A", "88 88", true},
    {"EmptyInput", "", "", true},
};
INSTANTIATE_TEST_SUITE_P(Cases, JapaneseDecode, ::testing::ValuesIn(kDecodeCases), nameOf);

class JapaneseEncode : public ::testing::TestWithParam<TransformCase> {};

TEST_P(JapaneseEncode, GivesIso2022Jp) {
  const TransformCase& c = GetParam();
  bool complete = false;
  EXPECT_EQ(show(runAfterMarker(Japanese::toIso2022Jp, hex(c.input), &complete)), show(hex(c.expected)));
  EXPECT_EQ(complete, c.complete);
}

const TransformCase kEncodeCases[] = {
    {"KanjiThenAscii", "88 9F 41", "1B 24 42 30 21 1B 28 42 41", true},
    {"KanjiClosedAtEnd", "88 9F", "1B 24 42 30 21 1B 28 42", true},
    {"LineBreakClosesAndReopens", "88 9F 0D 0A 88 9F",
     "1B 24 42 30 21 1B 28 42 0D 0A 1B 24 42 30 21 1B 28 42", true},
    {"OneEscapePerRun", "88 9F 88 A0 41 88 9F", "1B 24 42 30 21 30 22 1B 28 42 41 1B 24 42 30 21 1B 28 42",
     true},
    {"AsciiOnlyHasNoEscape", "41 0D 0A 42", "41 0D 0A 42", true},
    {"LeadByteAtEndDropped", "88", "", false},
    {"LeadByteAfterAsciiDropped", "41 88", "41", false},
    {"LeadByteAfterKanjiDroppedRunClosed", "88 9F 88", "1B 24 42 30 21 1B 28 42", false},
    {"OutOfRangeTrailCopied", "81 20 41", "81 20 41", true},
    {"NecRow13CarriedArithmetically", "87 40", "1B 24 42 2D 21 1B 28 42", true},
    {"NecSelectedIbmRowCarried", "ED 40", "1B 24 42 79 21 1B 28 42", true},
    {"KatakanaKaVoiced", "B6 DE", "1B 24 42 25 2C 1B 28 42", true},
    {"KatakanaHaSemiVoiced", "CA DF", "1B 24 42 25 51 1B 28 42", true},
    {"KatakanaUVoicedIsVu", "B3 DE", "1B 24 42 25 74 1B 28 42", true},
    {"VoicedMarkAlone", "DE", "1B 24 42 21 2B 1B 28 42", true},
    {"SemiVoicedMarkAlone", "DF", "1B 24 42 21 2C 1B 28 42", true},
    {"KatakanaAtEnd", "B1", "1B 24 42 25 22 1B 28 42", true},
    {"KatakanaJoinsKanjiRun", "88 9F B1 41", "1B 24 42 30 21 25 22 1B 28 42 41", true},
    {"MarkNotAbsorbedByA", "B1 DE", "1B 24 42 25 22 21 2B 1B 28 42", true},
    {"SemiVoicedNotAbsorbedByKa", "B6 DF", "1B 24 42 25 2B 21 2C 1B 28 42", true},
    // Pairs with lead bytes F0-FC have no JIS X 0208 position (the 932 table holds the IBM
    // extension characters only there).
    {"IbmExtensionPairLeftOut", "41 FA 40 42", "41 42", false},
    // Written raw, the trail B1 of this pair would come out as a full-width katakana.
    {"IbmExtensionTrailNotReadAsKatakana", "FB B1 42", "42", false},
    {"IbmExtensionTrailNotReadAsLead", "FA 9C 41", "41", false},
    {"IbmLeadWithoutTrailLeftOut", "FA 20 41", "20 41", false},
    {"UserDefinedPairInKanjiRunLeftOut", "88 9F F0 9F 88 9F", "1B 24 42 30 21 30 21 1B 28 42", false},
    {"PrivateSingleBytesLeftOut", "80 41 A0 FD FE FF", "41", false},
    {"EmptyInput", "", "", true},
};
INSTANTIATE_TEST_SUITE_P(Cases, JapaneseEncode, ::testing::ValuesIn(kEncodeCases), nameOf);

// JIS row/cell codes and their Shift_JIS pairs at the row and cell boundaries where the
// arithmetic changes branch.
struct PairCase {
  const char* name;
  std::uint8_t j1, j2, s1, s2;
};

class JisShiftJisPairs : public ::testing::TestWithParam<PairCase> {};

TEST_P(JisShiftJisPairs, ConvertBothWays) {
  const PairCase& c = GetParam();
  Japanese::Pair s = Japanese::jisToShiftJis(c.j1, c.j2);
  EXPECT_EQ(show({s.first, s.second}), show({c.s1, c.s2}));
  Japanese::Pair j = Japanese::shiftJisToJis(c.s1, c.s2);
  EXPECT_EQ(show({j.first, j.second}), show({c.j1, c.j2}));
}

const PairCase kPairCases[] = {
    {"FirstCode", 0x21, 0x21, 0x81, 0x40},
    {"OddRowCell5F", 0x21, 0x5F, 0x81, 0x7E},
    {"OddRowCell60SkipsDel", 0x21, 0x60, 0x81, 0x80},
    {"OddRowLastCell", 0x21, 0x7E, 0x81, 0x9E},
    {"EvenRowFirstCell", 0x22, 0x21, 0x81, 0x9F},
    {"EvenRowLastCell", 0x22, 0x7E, 0x81, 0xFC},
    {"Row5ELast", 0x5E, 0x7E, 0x9F, 0xFC},
    {"Row5FJumpsToE0", 0x5F, 0x21, 0xE0, 0x40},
    {"Row60", 0x60, 0x21, 0xE0, 0x9F},
    {"Row74", 0x74, 0x26, 0xEA, 0xA4},
    {"LastRow", 0x7E, 0x7E, 0xEF, 0xFC},
    {"Kanji30_21", 0x30, 0x21, 0x88, 0x9F},
};
INSTANTIATE_TEST_SUITE_P(Boundaries, JisShiftJisPairs, ::testing::ValuesIn(kPairCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JisShiftJisPairsAll, EveryJisCodeRoundTripsThroughShiftJisRanges) {
  for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      Japanese::Pair s =
          Japanese::jisToShiftJis(static_cast<std::uint8_t>(j1), static_cast<std::uint8_t>(j2));
      bool leadOk = (s.first >= 0x81 && s.first <= 0x9F) || (s.first >= 0xE0 && s.first <= 0xEF);
      bool trailOk = s.second >= 0x40 && s.second <= 0xFC && s.second != 0x7F;
      ASSERT_TRUE(leadOk && trailOk) << j1 << "," << j2 << " -> " << show({s.first, s.second});
      Japanese::Pair back = Japanese::shiftJisToJis(s.first, s.second);
      ASSERT_EQ(back.first, j1);
      ASSERT_EQ(back.second, j2);
    }
  }
}

// Half-width katakana widened on the way to ISO-2022-JP, seen through the engine: UTF-8
// half-width text to 50220 and back gives the full-width text.
struct WidenCase {
  const char* name;
  const char* halfWidth;  // UTF-8
  const char* fullWidth;  // UTF-8
};

class KatakanaWidening : public ::testing::TestWithParam<WidenCase> {};

TEST_P(KatakanaWidening, RoundTripGivesFullWidth) {
  const WidenCase& c = GetParam();
  std::string half = c.halfWidth;
  DataBuffer jis;
  ASSERT_TRUE(
      EncodingConvert().convert(65001, 50220, half.data(), static_cast<std::uint32_t>(half.size()), jis));
  for (std::uint8_t b : test::contents(jis)) ASSERT_LT(b, 0x80) << show(test::contents(jis));
  DataBuffer back;
  ASSERT_TRUE(EncodingConvert().convert(50220, 65001, jis.data(), jis.length(), back));
  EXPECT_EQ(std::string(back.data(), back.data() + back.length()), c.fullWidth);
}

const WidenCase kWidenCases[] = {
    {"WholeHalfWidthSet", "｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ",
     "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜"},
    {"VoicedLetters", "ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞｳﾞ",
     "ガギグゲゴザジズゼゾダヂヅデドバビブベボヴ"},
    {"SemiVoicedLetters", "ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "パピプペポ"},
    {"MarksThatDoNotCombine", "ｱﾞﾅﾟﾜﾞｶﾟｦﾞﾝﾟ", "ア゛ナ゜ワ゛カ゜ヲ゛ン゜"},
    {"MarkAfterCombinedLetterStandsAlone", "ｶﾞﾞﾊﾟﾟ", "ガ゛パ゜"},
    {"WithKanjiAndAscii", "ﾃﾞｰﾀ 日本 ﾊﾟｿｺﾝ", "データ 日本 パソコン"},
};
INSTANTIATE_TEST_SUITE_P(Engine, KatakanaWidening, ::testing::ValuesIn(kWidenCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JapaneseStaging, LongTextComesOutWholeAcrossStagingBlocks) {
  // 500 kanji and 501 ASCII bytes alternating: every pair opens and closes a run, so the
  // output (over 4000 bytes) crosses many 200-byte staging blocks.
  Bytes sjis;
  Bytes expected;
  for (int i = 0; i < 500; ++i) {
    std::uint8_t j2 = static_cast<std::uint8_t>(0x21 + i % 94);
    Japanese::Pair s = Japanese::jisToShiftJis(0x30, j2);
    sjis.insert(sjis.end(), {s.first, s.second, 0x41});
    expected.insert(expected.end(), {0x1B, 0x24, 0x42, 0x30, j2, 0x1B, 0x28, 0x42, 0x41});
  }
  DataBuffer output;
  ASSERT_TRUE(Japanese::toIso2022Jp(sjis.data(), static_cast<std::uint32_t>(sjis.size()), output));
  EXPECT_EQ(test::contents(output), expected);
  DataBuffer decoded;
  Japanese::fromIso2022Jp(output.data(), output.length(), decoded);
  EXPECT_EQ(test::contents(decoded), sjis);
}

}  // namespace
}  // namespace vk
