// Byte-exact behaviour of the Unicode converters: decoder limits, surrogates and pairs,
// odd counts, UTF-32 in both byte orders and UTF-7 runs.
#include <gtest/gtest.h>

#include <string>

#include "charset/unicode_forms.h"
#include "test_bytes.h"

namespace vk {
namespace {

using test::Bytes;
using test::hex;
using test::show;

// Runs a converter on exactly-sized input after a marker byte already in the output, so
// that reads past the end show under ASan and the converter is seen to append.
template <typename Fn>
std::pair<Bytes, bool> run(Fn fn, const Bytes& input) {
  Bytes exact(input);
  DataBuffer output;
  output.appendByte(0x5A);
  bool result = fn(exact.empty() ? nullptr : exact.data(), static_cast<std::uint32_t>(exact.size()), output);
  Bytes out = test::contents(output);
  EXPECT_EQ(out.front(), 0x5A) << "existing content was touched";
  return {Bytes(out.begin() + 1, out.end()), result};
}

struct Case {
  const char* name;
  const char* input;     // hex
  const char* expected;  // hex
  bool result;
};

std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

// ---- UTF-8 to UTF-16 --------------------------------------------------------------------

class UnicodeUtf8ToUtf16 : public ::testing::TestWithParam<Case> {};

TEST_P(UnicodeUtf8ToUtf16, DecodesOrSkipsByteByByte) {
  const Case& c = GetParam();
  auto [out, result] = run(utf8ToUtf16, hex(c.input));
  EXPECT_EQ(show(out), show(hex(c.expected)));
  EXPECT_TRUE(result);
}

const Case kUtf8ToUtf16[] = {
    {"Ascii", "41 42 00 7F", "41 00 42 00 00 00 7F 00", true},
    {"TwoByteSmallest", "C2 80", "80 00", true},
    {"TwoByteLargest", "DF BF", "FF 07", true},
    {"EAcute", "C3 A9", "E9 00", true},
    {"OverlongC0", "C0 80 41", "41 00", true},
    {"OverlongC1", "C1 BF", "", true},
    {"LoneContinuation", "80 BF 41", "41 00", true},
    {"TwoByteCutShort", "C3", "", true},
    {"TwoByteBadContinuation", "C3 41", "41 00", true},
    {"ThreeByteOverlong", "E0 80 80", "", true},
    {"ThreeByteOverlongTop", "E0 9F BF", "", true},
    {"ThreeByteSmallest", "E0 A0 80", "00 08", true},
    {"ThreeByteLargest", "EF BF BF", "FF FF", true},
    {"ThreeByteCutShort", "E2 82", "", true},
    {"ThreeByteBadThird", "E2 82 41", "41 00", true},
    {"EncodedHighSurrogateAccepted", "ED A0 80", "00 D8", true},
    {"EncodedLowSurrogateAccepted", "ED BF BF", "FF DF", true},
    {"EncodedPairGivesPair", "ED A0 BD ED B8 80", "3D D8 00 DE", true},
    {"FourByteGivesPair", "F0 9F 98 80", "3D D8 00 DE", true},
    {"EncodedPairAcrossMalformedByte", "ED A0 BD FF ED B8 80", "3D D8 00 DE", true},
    {"FourByteSmallest", "F0 90 80 80", "00 D8 00 DC", true},
    {"FourByteLargest", "F4 8F BF BF", "FF DB FF DF", true},
    {"FourByteOverlong", "F0 8F BF BF 41", "41 00", true},
    {"FourByteAboveRange", "F4 90 80 80", "", true},
    {"LeadF5", "F5 80 80 80", "", true},
    {"LeadFF", "FF 41", "41 00", true},
    {"FourByteCutShort", "F0 9F 98", "", true},
    {"FourByteBadFourth", "F0 9F 98 41", "41 00", true},
    {"FourByteBadSecond", "F0 41 98 80", "41 00", true},
    {"Empty", "", "", true},
    // Long enough for the block paths, with the odd byte at every kind of place.
    {"AsciiBlockThenTwoByte", "41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 C3 A9 42",
     "41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 "
     "41 00 41 00 E9 00 42 00",
     true},
    {"AsciiBlockEndsInCutSequence", "41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 E2 82",
     "41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00 41 00", true},
};
INSTANTIATE_TEST_SUITE_P(Table, UnicodeUtf8ToUtf16, ::testing::ValuesIn(kUtf8ToUtf16), caseName);

// ---- The codec, one character ---------------------------------------------------------

struct DecodeCase {
  const char* name;
  const char* input;
  std::int32_t consumed;
  const char* units;  // hex of the UTF-16 units, high byte first per unit
};

class UnicodeDecodeChar : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(UnicodeDecodeChar, AnswersConsumedOrError) {
  const DecodeCase& c = GetParam();
  Bytes input = hex(c.input);
  ConvertState state;
  std::uint16_t units[2] = {0, 0};
  std::int32_t unitCount = -1;
  std::int32_t consumed = sharedUtf8Codec().decodeChar(
      state, input.data(), static_cast<std::int64_t>(input.size()), units, &unitCount);
  EXPECT_EQ(consumed, c.consumed);
  Bytes got;
  for (std::int32_t i = 0; i < (consumed > 0 ? unitCount : 0); ++i) {
    got.push_back(static_cast<std::uint8_t>(units[i] >> 8));
    got.push_back(static_cast<std::uint8_t>(units[i]));
  }
  EXPECT_EQ(show(got), show(hex(c.units)));
  EXPECT_EQ(state.word, 0u);
}

const DecodeCase kDecodeChar[] = {
    {"Ascii", "41 C3", 1, "0041"},
    {"TwoByte", "C3 A9 41", 2, "00E9"},
    {"ThreeByte", "E2 82 AC", 3, "20AC"},
    {"EncodedSurrogate", "ED A0 80", 3, "D800"},
    {"FourByte", "F0 9F 98 80", 4, "D83D DE00"},
    {"Continuation", "80", -1, ""},
    {"C0", "C0 80", -1, ""},
    {"TwoByteCut", "C3", -2, ""},
    {"TwoByteBad", "C3 41", -1, ""},
    {"ThreeByteCutBeforeCheck", "E0 80", -2, ""},
    {"ThreeByteOverlong", "E0 80 80", -1, ""},
    {"FourByteCut", "F0 9F 98", -2, ""},
    {"FourByteOverlong", "F0 8F BF BF", -1, ""},
    {"FourByteTooLarge", "F4 90 80 80", -1, ""},
    {"F5", "F5 80 80 80", -1, ""},
    {"NothingAvailable", "", -2, ""},
};
INSTANTIATE_TEST_SUITE_P(Table, UnicodeDecodeChar, ::testing::ValuesIn(kDecodeChar),
                         [](const auto& info) { return std::string(info.param.name); });

struct EncodeCase {
  std::uint16_t unit;
  const char* bytes;
};

class UnicodeEncodeChar : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(UnicodeEncodeChar, WritesOneUnitAlone) {
  DataBuffer out;
  ConvertState state;
  std::int32_t n = sharedUtf8Codec().encodeChar(state, GetParam().unit, out);
  EXPECT_EQ(show(test::contents(out)), show(hex(GetParam().bytes)));
  EXPECT_EQ(static_cast<std::uint32_t>(n), out.length());
}

const EncodeCase kEncodeChar[] = {{0x0000, "00"},       {0x007F, "7F"},       {0x0080, "C2 80"},
                                  {0x07FF, "DF BF"},    {0x0800, "E0 A0 80"}, {0xD800, "ED A0 80"},
                                  {0xDFFF, "ED BF BF"}, {0xFFFF, "EF BF BF"}};
INSTANTIATE_TEST_SUITE_P(Table, UnicodeEncodeChar, ::testing::ValuesIn(kEncodeChar));

TEST(UnicodeCodec, PairAndInterfaceDefaults) {
  DataBuffer out;
  EXPECT_EQ(sharedUtf8Codec().encodePair(0xD83D, 0xDE00, out), 4);
  EXPECT_EQ(show(test::contents(out)), "F0 9F 98 80");
  EXPECT_TRUE(sharedUtf8Codec().groupsMalformedSequences());
  EXPECT_EQ(&sharedUtf8Codec(), &sharedUtf8Codec());

  EncodingBase base;
  ConvertState state;
  std::uint8_t byte = 0x41;
  std::uint16_t units[2];
  std::int32_t unitCount = 7;
  EXPECT_EQ(base.decodeChar(state, &byte, 1, units, &unitCount), 0);
  EXPECT_EQ(unitCount, 0);
  EXPECT_EQ(base.encodeChar(state, 0x41, out), 0);
  EXPECT_FALSE(base.groupsMalformedSequences());
  EXPECT_EQ(out.length(), 4u);
}

// ---- UTF-16 to UTF-8 and re-encoding --------------------------------------------------

class UnicodeUtf16ToUtf8 : public ::testing::TestWithParam<Case> {};

TEST_P(UnicodeUtf16ToUtf8, EncodesUnitsAndPairs) {
  const Case& c = GetParam();
  auto [out, result] = run(utf16ToUtf8, hex(c.input));
  EXPECT_EQ(show(out), show(hex(c.expected)));
  EXPECT_EQ(result, c.result);
}

const Case kUtf16ToUtf8[] = {
    {"Empty", "", "", true},
    {"OneByteIsFalse", "41", "", false},
    {"OddCountDropsLastByte", "41 00 42", "41", false},
    {"Nul", "00 00", "00", true},
    {"Ascii", "7F 00", "7F", true},
    {"TwoByteSmallest", "80 00", "C2 80", true},
    {"TwoByteLargest", "FF 07", "DF BF", true},
    {"ThreeByteSmallest", "00 08", "E0 A0 80", true},
    {"ThreeByteLargest", "FF FF", "EF BF BF", true},
    {"PairIsOneFourByteSequence", "3D D8 00 DE", "F0 9F 98 80", true},
    {"LowestPair", "00 D8 00 DC", "F0 90 80 80", true},
    {"HighestPair", "FF DB FF DF", "F4 8F BF BF", true},
    {"LoneHighAtEnd", "3D D8", "ED A0 BD", true},
    {"LoneHighBeforeAscii", "3D D8 41 00", "ED A0 BD 41", true},
    {"LowThenHighIsNoPair", "00 DE 3D D8", "ED B8 80 ED A0 BD", true},
    {"HighHighLow", "3D D8 3D D8 00 DE", "ED A0 BD F0 9F 98 80", true},
    {"PairThenOddByte", "3D D8 00 DE 41", "F0 9F 98 80", false},
    {"HighThenOddByte", "3D D8 00", "ED A0 BD", false},
};
INSTANTIATE_TEST_SUITE_P(Table, UnicodeUtf16ToUtf8, ::testing::ValuesIn(kUtf16ToUtf8), caseName);

class UnicodeReencodeUtf8 : public ::testing::TestWithParam<Case> {};

TEST_P(UnicodeReencodeUtf8, CopiesWellFormedAndDropsTheRest) {
  const Case& c = GetParam();
  auto [out, result] = run(reencodeUtf8, hex(c.input));
  EXPECT_EQ(show(out), show(hex(c.expected)));
  EXPECT_TRUE(result);
}

const Case kReencode[] = {
    {"Empty", "", "", true},
    {"WellFormedUnchanged", "41 C3 A9 E2 82 AC F0 9F 98 80", "41 C3 A9 E2 82 AC F0 9F 98 80", true},
    {"MalformedDropped", "41 C0 80 42 FF 43 E0 80 80", "41 42 43", true},
    {"CutShortDropped", "41 F0 9F 98", "41", true},
    {"EncodedPairJoined", "ED A0 BD ED B8 80", "F0 9F 98 80", true},
    {"EncodedPairAcrossMalformedByte", "ED A0 BD FF ED B8 80", "F0 9F 98 80", true},
    {"LoneEncodedSurrogateKept", "ED A0 BD 41", "ED A0 BD 41", true},
    {"EncodedLowThenHighKept", "ED B8 80 ED A0 BD", "ED B8 80 ED A0 BD", true},
    {"BeyondRangeDropped", "F4 90 80 80", "", true},
};
INSTANTIATE_TEST_SUITE_P(Table, UnicodeReencodeUtf8, ::testing::ValuesIn(kReencode), caseName);

// ---- UTF-32 -----------------------------------------------------------------------------

class UnicodeUtf32ToUtf8 : public ::testing::TestWithParam<Case> {};

TEST_P(UnicodeUtf32ToUtf8, EncodesEachValue) {
  const Case& c = GetParam();
  auto [out, result] = run(utf32ToUtf8, hex(c.input));
  EXPECT_EQ(show(out), show(hex(c.expected)));
  EXPECT_EQ(result, c.result);
}

const Case kUtf32ToUtf8[] = {
    {"Empty", "", "", true},
    {"OneByte", "41", "", false},
    {"ThreeBytes", "41 00 00", "", false},
    {"Ascii", "41 00 00 00", "41", true},
    {"TrailingBytesIgnored", "41 00 00 00 42", "41", true},
    {"TwoByte", "E9 00 00 00", "C3 A9", true},
    {"ThreeByte", "00 08 00 00", "E0 A0 80", true},
    {"SurrogateValueAlone", "00 D8 00 00", "ED A0 80", true},
    {"SurrogateValuesNotJoined", "3D D8 00 00 00 DE 00 00", "ED A0 BD ED B8 80", true},
    {"BeyondBmp", "00 F6 01 00", "F0 9F 98 80", true},
    {"LastCodePoint", "FF FF 10 00", "F4 8F BF BF", true},
    {"AboveRangeStillFourBytes", "00 00 11 00", "F4 90 80 80", true},
    {"LargestFourByte", "FF FF 1F 00", "F7 BF BF BF", true},
    {"TooLargeIsReplacement", "00 00 20 00", "EF BF BD", true},
    {"AllOnesIsReplacement", "FF FF FF FF", "EF BF BD", true},
};
INSTANTIATE_TEST_SUITE_P(Table, UnicodeUtf32ToUtf8, ::testing::ValuesIn(kUtf32ToUtf8), caseName);

// Expected output is given little-endian; the big-endian run expects each group reversed.
class UnicodeUtf8ToUtf32 : public ::testing::TestWithParam<Case> {};

TEST_P(UnicodeUtf8ToUtf32, BothByteOrders) {
  const Case& c = GetParam();
  Bytes little = hex(c.expected);
  Bytes big = little;
  for (std::size_t i = 0; i + 4 <= big.size(); i += 4) {
    std::swap(big[i], big[i + 3]);
    std::swap(big[i + 1], big[i + 2]);
  }
  for (bool bigEndian : {false, true}) {
    auto [out, result] = run([bigEndian](const std::uint8_t* b, std::uint32_t n,
                                         DataBuffer& o) { return utf8ToUtf32(b, n, o, bigEndian); },
                             hex(c.input));
    EXPECT_EQ(show(out), show(bigEndian ? big : little)) << (bigEndian ? "big" : "little");
    EXPECT_EQ(result, c.result);
  }
}

const Case kUtf8ToUtf32[] = {
    {"Empty", "", "", true},
    {"Ascii", "41", "41 00 00 00", true},
    {"TwoByte", "C3 A9", "E9 00 00 00", true},
    {"ThreeByte", "E0 A0 80", "00 08 00 00", true},
    {"FourByte", "F0 9F 98 80", "00 F6 01 00", true},
    {"LastCodePoint", "F4 8F BF BF", "FF FF 10 00", true},
    {"EncodedPairJoined", "ED A0 BD ED B8 80", "00 F6 01 00", true},
    {"LoneHigh", "ED A0 BD 41", "3D D8 00 00 41 00 00 00", true},
    {"LowThenHigh", "ED B8 80 ED A0 BD", "00 DE 00 00 3D D8 00 00", true},
    {"HighThenFourByte", "ED A0 BD F0 9F 98 80", "3D D8 00 00 00 F6 01 00", true},
    {"HighThenCutLow", "ED A0 BD ED B8", "3D D8 00 00", false},
    {"OverlongStops", "C0 80", "", false},
    {"StopKeepsWhatCameBefore", "41 C0 80 42", "41 00 00 00", false},
    {"StrayContinuation", "41 80 42", "41 00 00 00", false},
    {"ThreeByteOverlong", "E0 9F BF", "", false},
    {"FourByteOverlong", "F0 8F BF BF", "", false},
    {"AboveRange", "F4 90 80 80", "", false},
    {"LeadF5", "F5 80 80 80", "", false},
    {"FiveByteSequence", "F8 88 80 80 80", "", false},
    {"CutShort", "41 E2 82", "41 00 00 00", false},
    {"BadContinuation", "C3 41", "", false},
};
INSTANTIATE_TEST_SUITE_P(Table, UnicodeUtf8ToUtf32, ::testing::ValuesIn(kUtf8ToUtf32), caseName);

// ---- UTF-7 ------------------------------------------------------------------------------

struct Utf7Case {
  const char* name;
  std::u16string wide;
  std::string utf7;
  bool decodeResult;
};

Bytes utf7Bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

class UnicodeUtf7Encode : public ::testing::TestWithParam<Utf7Case> {};

TEST_P(UnicodeUtf7Encode, WritesRuns) {
  const Utf7Case& c = GetParam();
  auto [out, result] = run(utf7Encode, test::utf16le(c.wide));
  EXPECT_EQ(std::string(out.begin(), out.end()), c.utf7);
  EXPECT_TRUE(result);
}

const Utf7Case kUtf7Encode[] = {
    {"Example", u"A\u2262\u0391.", "A+ImIDkQ-.", true},
    {"PlusAlone", u"+", "+-", true},
    {"EAcute", u"\u00E9", "+AOk-", true},
    {"TwoUnitsOneRun", u"\u00E9\u00E9", "+AOkA6Q-", true},
    {"PlusInsideRun", u"\u00E9+", "+AOkAKw-", true},
    {"PlusThenRun", u"+\u00E9", "+-+AOk-", true},
    {"MinusAfterRun", u"\u00E9-", "+AOk--", true},
    {"OptionalDirectIsEncoded", u"!", "+ACE-", true},
    {"TildeIsEncoded", u"~", "+AH4-", true},
    {"Nul", std::u16string(1, u'\0'), "+AAA-", true},
    {"WhitespaceDirect", u"a b\t\r\n", "a b\t\r\n", true},
    {"SetD", u"Zz09'(),-./:?", "Zz09'(),-./:?", true},
    {"PairAsTwoUnits", u"\U0001F600", "+2D3eAA-", true},
    {"LeadingMarkDropped", u"\uFEFFA", "A", true},
    {"LaterMarkEncoded", u"A\uFEFF", "A+/v8-", true},
    {"OnlyMark", u"\uFEFF", "", true},
    {"Empty", u"", "", true},
};
INSTANTIATE_TEST_SUITE_P(Table, UnicodeUtf7Encode, ::testing::ValuesIn(kUtf7Encode),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UnicodeUtf7EncodeOdd, FinalOddByteIgnored) {
  auto [out, result] = run(utf7Encode, hex("41 00 42"));
  EXPECT_EQ(std::string(out.begin(), out.end()), "A");
  EXPECT_TRUE(result);
  auto [none, emptyResult] = run(utf7Encode, hex("41"));
  EXPECT_TRUE(none.empty());
  EXPECT_TRUE(emptyResult);
}

class UnicodeUtf7Decode : public ::testing::TestWithParam<Utf7Case> {};

TEST_P(UnicodeUtf7Decode, ReadsRunsAndReportsProblems) {
  const Utf7Case& c = GetParam();
  auto [out, result] = run(utf7Decode, utf7Bytes(c.utf7));
  EXPECT_EQ(show(out), show(test::utf16le(c.wide)));
  EXPECT_EQ(result, c.decodeResult);
}

const Utf7Case kUtf7Decode[] = {
    {"Example", u"A\u2262\u0391.", "A+ImIDkQ-.", true},
    {"EAcute", u"\u00E9", "+AOk-", true},
    {"RunEndedByInputEnd", u"\u00E9", "+AOk", true},
    {"RunEndedByDirect", u"\u2262\u0391.", "+ImIDkQ.", true},
    {"PlusMinus", u"+", "+-", true},
    {"LonePlusAtEnd", u"", "+", false},
    {"EmptyRunBeforeDirect", u"!", "+!", false},
    {"RunTooShortForUnit", u"", "+A-", false},
    {"NonZeroLeftoverBits", u"\u00E9", "+AOl-", false},
    {"ZeroLeftoverByteAccepted", std::u16string(1, u'\0'), "+AAAA-", true},
    {"SecondMinusKept", u"\u00E9-", "+AOk--", true},
    {"DirectAroundRun", u"a\u00E9b", "a+AOk-b", true},
    {"Pair", u"\U0001F600", "+2D3eAA-", true},
    {"MarkKept", u"\uFEFF", "+/v8-", true},
    {"OptionalDirectRead", u"~\\!", "~\\!", true},
    {"HighByte", u"\uFFE9", "\xE9", false},
    {"HighByteEndsRun", u"\u00E9\uFFE9", "+AOk\xE9", false},
    {"HighByteAfterRunTerminator", u"\u00E9\uFF80", "+AOk-\x80", false},
    {"Empty", u"", "", true},
};
INSTANTIATE_TEST_SUITE_P(Table, UnicodeUtf7Decode, ::testing::ValuesIn(kUtf7Decode),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vk
