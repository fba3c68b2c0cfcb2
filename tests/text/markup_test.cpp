// Markup transforms: entity encoding, the reference table and the decoding passes, the
// Unicode reference pass and tag stripping.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "ansi_scope.h"
#include "charset/encoding_convert.h"
#include "test_bytes.h"
#include "text/html_entities.h"
#include "text/markup.h"
#include "value_helpers.h"

namespace vk {
namespace {

using test::currentForms;
using test::valueOf;
using test::wideOf;

// ---------------------------------------------------------------------------------------
// HtmlEntityEncode

struct TextCase {
  const char* name;
  std::u16string text;
  std::u16string expected;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class EntityEncoding : public ::testing::TestWithParam<TextCase> {};

TEST_P(EntityEncoding, EscapesTheFourMarkupCharacters) {
  const TextCase& c = GetParam();
  XString value = valueOf(c.text);
  markup::htmlEntityEncode(value);
  EXPECT_EQ(currentForms(value), c.expected.empty() ? "WAU" : "U");
  EXPECT_EQ(wideOf(value), c.expected);
}

const TextCase kEncodeCases[] = {
    {"AllFour", u"a<b & \"c\"", u"a&lt;b &amp; &quot;c&quot;"},
    {"ApostropheUnchanged", u"it's", u"it's"},
    {"AmpersandFirstSoNoDoubleEscape", u"&lt;", u"&amp;lt;"},
    {"NonAsciiKept", u"\u00E9<\u65E5", u"\u00E9&lt;\u65E5"},
    {"OnlyMarkup", u"<>&\"", u"&lt;&gt;&amp;&quot;"},
    {"EndsAtEmbeddedZero", std::u16string(u"<\0>", 3), u"&lt;"},
};

INSTANTIATE_TEST_SUITE_P(Markup, EntityEncoding, ::testing::ValuesIn(kEncodeCases));

// Encoding in one pass gives what the four replacements give in turn, on texts made of the
// characters that matter.
TEST(EntityEncodingPasses, OnePassEqualsTheFourReplacementsInTurn) {
  const char alphabet[] = "&<>\"a;ltgqu";
  std::uint64_t state = 12345;
  for (int round = 0; round < 500; ++round) {
    std::string text;
    std::size_t length = round % 40;
    for (std::size_t i = 0; i < length; ++i) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      text += alphabet[(state >> 33) % (sizeof alphabet - 1)];
    }
    StringBuffer passes(text.c_str());
    passes.replaceAll("&", "&amp;");
    passes.replaceAll("<", "&lt;");
    passes.replaceAll(">", "&gt;");
    passes.replaceAll("\"", "&quot;");
    StringBuffer onePass(text.c_str());
    html::encodeEntities(onePass);
    ASSERT_STREQ(onePass.text(), passes.text()) << text;
  }
}

// Encoding in the text's own block (filled from the back) gives what encoding into a new
// block gives, for texts in blocks with no spare byte and texts with bytes after a zero byte
// (which encoding drops).
TEST(EntityEncodingPasses, InPlaceEqualsEncodingIntoANewBlock) {
  const char alphabet[] = "&<>\"ab\0";
  std::uint64_t state = 777;
  for (int round = 0; round < 500; ++round) {
    std::string text;
    for (int i = 0, n = round % 60; i < n; ++i) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      text += alphabet[(state >> 33) % (sizeof alphabet - 1)];
    }
    StringBuffer expected;
    html::encodeEntities(text.data(), text.size(), expected);
    StringBuffer inPlace = StringBuffer::withSize(static_cast<std::int32_t>(text.size() + 1));
    inPlace.appendBytes(text.data(), static_cast<std::int64_t>(text.size()));
    html::encodeEntities(inPlace);
    ASSERT_EQ(std::string(inPlace.text(), static_cast<std::size_t>(inPlace.length())),
              std::string(expected.text(), static_cast<std::size_t>(expected.length())))
        << test::show(test::bytesOf(text));
  }
}

// ---------------------------------------------------------------------------------------
// The reference table

TEST(EntityTable, HasUniqueWellFormedRowsInTheRequiredOrder) {
  std::set<std::string> seen;
  for (const html::EntityRow& row : html::kEntityRows) {
    std::string reference = row.reference;
    ASSERT_GE(reference.size(), 4u) << reference;
    EXPECT_EQ(reference.front(), '&') << reference;
    EXPECT_EQ(reference.back(), ';') << reference;
    EXPECT_TRUE(seen.insert(reference).second) << "duplicate " << reference;
    EXPECT_NE(row.byte, 0) << reference;
  }
  EXPECT_EQ(seen.size(), html::kEntityRowCount);
  EXPECT_STREQ(html::kEntityRows[2].reference, "&amp;");
  EXPECT_STREQ(html::kEntityRows[3].reference, "&lt;");
  EXPECT_STREQ(html::kEntityRows[html::kEntityRowCount - 1].reference, "&#8364;");
}

struct RowByteCase {
  const char* reference;
  std::uint8_t byte;
};

void PrintTo(const RowByteCase& c, std::ostream* os) { *os << c.reference; }

class EntityTableRows : public ::testing::TestWithParam<RowByteCase> {};

TEST_P(EntityTableRows, GiveTheirByte) {
  const RowByteCase& c = GetParam();
  const html::EntityRow* found = nullptr;
  for (const html::EntityRow& row : html::kEntityRows) {
    if (std::strcmp(row.reference, c.reference) == 0) found = &row;
  }
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->byte, c.byte);
}

const RowByteCase kRowByteCases[] = {
    {"&amp;", 38},    {"&nbsp;", 32},    {"&shy;", 173},  {"&trade;", 153}, {"&euro;", 128},
    {"&times;", 215}, {"&divide;", 247}, {"&Yuml;", 159}, {"&yuml;", 255},  {"&zwj;", 32},
};

INSTANTIATE_TEST_SUITE_P(Markup, EntityTableRows, ::testing::ValuesIn(kRowByteCases));

// Every numeric row other than the spacing ones names the character its byte is in 1252.
TEST(EntityTable, NumericRowsAgreeWithCodePage1252) {
  int checked = 0;
  for (const html::EntityRow& row : html::kEntityRows) {
    if (row.reference[1] != '#' || row.byte == 32) continue;
    long number = std::strtol(row.reference + 2, nullptr, 10);
    DataBuffer wide;
    EncodingConvert().convert(1252, codepage::kUtf16Le, &row.byte, 1, wide);
    ASSERT_EQ(wide.length(), 2u) << row.reference;
    EXPECT_EQ(wide.data()[0] | (wide.data()[1] << 8), number) << row.reference;
    ++checked;
  }
  EXPECT_EQ(checked, 23);
}

// ---------------------------------------------------------------------------------------
// decodeEntities at byte level (no code-page conversion involved)

struct BytesCase {
  const char* name;
  std::string text;
  std::string expected;
};

void PrintTo(const BytesCase& c, std::ostream* os) { *os << c.name; }

class EntityDecodingBytes : public ::testing::TestWithParam<BytesCase> {};

TEST_P(EntityDecodingBytes, DecodesToAnsiBytes) {
  const BytesCase& c = GetParam();
  StringBuffer text(c.text.c_str());
  html::decodeEntities(text);
  EXPECT_EQ(test::show(test::bytesOf(text.text())), test::show(test::bytesOf(c.expected)));
}

const BytesCase kDecodeBytesCases[] = {
    {"AmpLtAllTheWay", "&amp;lt;", "<"},
    {"AmpAmpAllTheWay", "&amp;amp;", "&"},
    {"NbspIsSpace", "a&nbsp;b", "a b"},
    {"Eacute", "&eacute;", "\xE9"},
    {"EuroNumericRow", "&#8364;", "\x80"},
    {"CaseSensitiveNames", "&Yuml;&yuml;", "\x9F\xFF"},
    {"UnknownNameKept", "&bogus; &", "&bogus; &"},
    {"HexByte", "&#xe9;", "\xE9"},
    {"HexDropsByteAfterDigits", "&#xE9 x", "\xE9x"},
    {"HexUpperXNotBytePass", "&#X41;", "&#X41;"},
    {"HexAboveByteLeft", "&#x20AC;", "&#x20AC;"},
    {"DecimalByte", "&#233;", "\xE9"},
    {"Decimal255Left", "&#255;", "&#255;"},
    {"DecimalNeedsNoSemicolon", "&#12", "\x0C"},
    {"DecimalLongLeft", "&#1234", "&#1234"},
    {"EmptyReference", "&#;", "&#;"},
};

INSTANTIATE_TEST_SUITE_P(Markup, EntityDecodingBytes, ::testing::ValuesIn(kDecodeBytesCases));

// References cut off at every length near the end of the text: the passes must neither read
// past the end nor decode what is not there.
struct PassCase {
  const char* name;
  bool hex;
  std::string text;
  std::string expected;
  std::int32_t count;
};

void PrintTo(const PassCase& c, std::ostream* os) { *os << c.name; }

class ByteReferencePasses : public ::testing::TestWithParam<PassCase> {};

TEST_P(ByteReferencePasses, StayInsideTheText) {
  const PassCase& c = GetParam();
  // An exact-size block, so that a read past the end is caught by the address sanitizer.
  StringBuffer text(c.text.c_str());
  std::int32_t count = c.hex ? html::decodeHexByteReferences(text) : html::decodeDecimalByteReferences(text);
  EXPECT_EQ(count, c.count);
  EXPECT_EQ(test::show(test::bytesOf(text.text())), test::show(test::bytesOf(c.expected)));
}

const PassCase kPassCases[] = {
    {"HexTooShort", true, "&#x4", "&#x4", 0},
    {"HexTwoDigitsAtEnd", true, "a&#x41", "aA", 1},
    {"HexOneDigitWithSemicolonAtEnd", true, "ab&#x4;", "ab\x04", 1},
    {"HexOneDigitAtVeryEnd", true, "ab&#x4", "ab&#x4", 0},
    {"HexAmpersandNearEnd", true, "abcd&#x", "abcd&#x", 0},
    {"HexOnlyPrefix", true, "&#x;;", "&#x;;", 0},
    {"HexZeroValue", true, "&#x0;x", "&#x0;x", 0},
    {"HexLeadingZeroDigits", true, "&#x09;", "\x09", 1},
    {"HexMixedCaseDigits", true, "&#xE9;&#xe9;", "\xE9\xE9", 2},
    {"HexOverflowLeft", true, "&#xFFFFFFFFFF41;", "&#xFFFFFFFFFF41;", 0},
    {"DecimalTooShort", false, "&#1", "&#1", 0},
    {"DecimalOneDigitWithSemicolon", false, "ab&#9;", "ab\x09", 1},
    {"DecimalOneDigitAtVeryEnd", false, "ab&#9", "ab&#9", 0},
    {"DecimalThreeDigitsAtEnd", false, "&#100", "d", 1},
    {"DecimalAmpersandAtEnd", false, "abc&", "abc&", 0},
    {"DecimalHashAtEnd", false, "abc&#", "abc&#", 0},
    {"DecimalNegativeLeft", false, "&#-5;", "&#-5;", 0},
    {"DecimalZeroLeft", false, "&#0;xx", "&#0;xx", 0},
    {"DecimalOverflowLeft", false, "&#99999999999;", "&#99999999999;", 0},
};

INSTANTIATE_TEST_SUITE_P(Markup, ByteReferencePasses, ::testing::ValuesIn(kPassCases));

// The passes write over the text they read. When they decode something the text ends where
// their output does, so what followed a zero byte goes; when they decode nothing it stays.
struct NulPassCase {
  const char* name;
  bool hex;
  std::string text;
  std::string expected;
};

void PrintTo(const NulPassCase& c, std::ostream* os) { *os << c.name; }

class ByteReferencePassesAtNul : public ::testing::TestWithParam<NulPassCase> {};

TEST_P(ByteReferencePassesAtNul, KeepTheTailOnlyWhenNothingWasDecoded) {
  const NulPassCase& c = GetParam();
  StringBuffer text = StringBuffer::withSize(static_cast<std::int32_t>(c.text.size() + 1));
  text.appendBytes(c.text.data(), static_cast<std::int64_t>(c.text.size()));
  if (c.hex) {
    html::decodeHexByteReferences(text);
  } else {
    html::decodeDecimalByteReferences(text);
  }
  std::string got(text.text(), static_cast<std::size_t>(text.length()));
  EXPECT_EQ(test::show(test::bytesOf(got)), test::show(test::bytesOf(c.expected)));
}

const NulPassCase kNulPassCases[] = {
    {"HexDecodedDropsTail", true, std::string("x&#x41;y\0&#x42;", 15), "xAy"},
    {"HexNothingKeepsTail", true, std::string("xy&#x;\0&#x42;", 13), std::string("xy&#x;\0&#x42;", 13)},
    {"DecimalDecodedDropsTail", false, std::string("&#65;&#66;\0&#67;", 16), "AB"},
    {"DecimalNothingKeepsTail", false, std::string("abcd\0&#67;", 10), std::string("abcd\0&#67;", 10)},
    {"HexBackToBack", true, "&#x41;&#x42;&#x43;", "ABC"},
    {"DecimalBetweenText", false, "a&#98;c&#100;e", "abcde"},
};

INSTANTIATE_TEST_SUITE_P(Markup, ByteReferencePassesAtNul, ::testing::ValuesIn(kNulPassCases));

// ---------------------------------------------------------------------------------------
// decodeNumericReferences (UTF-8 in, UTF-8 out unless stated)

class NumericReferences : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumericReferences, DecodeAsUnicode) {
  const TextCase& c = GetParam();
  std::string input = test::utf8Of(c.text);
  // An exact-size copy, so that a read past the end is caught by the address sanitizer.
  std::unique_ptr<char[]> exact(new char[input.size()]);
  std::memcpy(exact.get(), input.data(), input.size());
  DataBuffer output;
  html::decodeNumericReferences(exact.get(), input.size(), codepage::kUtf8, output);
  std::string decoded(reinterpret_cast<const char*>(output.data()), output.length());
  EXPECT_EQ(decoded, test::utf8Of(c.expected));
}

const TextCase kNumericCases[] = {
    {"HexEuro", u"&#x20AC;", u"\u20AC"},
    {"UpperHexX", u"&#X41;", u"A"},
    {"Decimal255", u"&#255;", u"\u00FF"},
    {"SurrogatePairFromTwoReferences", u"&#55357;&#56832;", u"\U0001F600"},
    {"HexSurrogatePair", u"a&#xD83D;&#xDE00;b", u"a\U0001F600b"},
    {"AboveFFFFHex", u"&#x1F600;", u"\U0001F600"},
    {"AboveFFFFDecimal", u"&#128512", u"&#128512"},
    {"SixDigitsAbandoned", u"&#123456;", u"&#123456;"},
    {"SixHexDigitsAbandoned", u"&#x10FFFF;", u"&#x10FFFF;"},
    {"EmptyReference", u"&#;", u"&#;"},
    {"TrailingUnterminated", u"ab&#1234", u"ab&#1234"},
    {"OtherStopByte", u"&#12a;", u"&#12a;"},
    {"AmpersandAlone", u"a & b", u"a & b"},
    {"HashAtEnd", u"a&#", u"a&#"},
    {"ZeroLeftAsItStood", u"a&#0;b", u"a&#0;b"},
    {"NonAsciiAround", u"\u00E9&#233;\u65E5", u"\u00E9\u00E9\u65E5"},
    {"HexLetterInDecimalStops", u"&#1F600;", u"&#1F600;"},
};

INSTANTIATE_TEST_SUITE_P(Markup, NumericReferences, ::testing::ValuesIn(kNumericCases));

TEST(NumericReferencesTarget, WritesPlainBytesAndUnitsInTheTargetCodePage) {
  const char text[] = "a\xC3\xA9&#x20AC;b";
  DataBuffer output;
  html::decodeNumericReferences(text, sizeof text - 1, codepage::kUtf16Le, output);
  EXPECT_EQ(test::show(test::contents(output)), test::show(test::utf16le(u"a\u00E9\u20ACb")));
}

TEST(NumericReferencesTarget, StopsAtTheFirstNul) {
  const char text[] = "a&#65;\0&#66;";
  DataBuffer output;
  html::decodeNumericReferences(text, sizeof text - 1, codepage::kUtf8, output);
  EXPECT_EQ(test::show(test::contents(output)), test::show(test::bytesOf("aA")));
}

// ---------------------------------------------------------------------------------------
// HtmlEntityDecode on the text value: through the ANSI form, then the Unicode pass.

struct DecodeCase {
  const char* name;
  std::int32_t codePage;
  std::u16string text;
  std::u16string expected;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class EntityDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(EntityDecoding, DecodesReferences) {
  const DecodeCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  XString value = valueOf(c.text);
  markup::htmlEntityDecode(value);
  if (!c.expected.empty()) { EXPECT_EQ(currentForms(value), "U"); }
  EXPECT_EQ(wideOf(value), c.expected);
}

const DecodeCase kDecodeCases[] = {
    {"AmpLt", 1252, u"&amp;lt;", u"<"},
    {"Nbsp", 1252, u"&nbsp;", u" "},
    {"EacuteDecimal", 1252, u"&#233;", u"\u00E9"},
    {"EacuteHex", 1252, u"&#xe9;", u"\u00E9"},
    {"EuroDecimal", 1252, u"&#8364;", u"\u20AC"},
    {"EuroHexUnicodePass", 1252, u"&#x20AC;", u"\u20AC"},
    {"UpperXUnicodePass", 1252, u"&#X41;", u"A"},
    {"HexDropsSpace", 1252, u"&#xE9 x", u"\u00E9x"},
    {"SixDigitsLeft", 1252, u"&#128512;", u"&#128512;"},
    {"SurrogatePairReferences", 1252, u"&#55357;&#56832;", u"\U0001F600"},
    {"AboveFFFF", 1252, u"&#x1F600;", u"\U0001F600"},
    {"TrailingLongLeft", 1252, u"x&#1234", u"x&#1234"},
    {"TrailingShortIsByte", 1252, u"x&#12", u"x\u000C"},
    {"YumlCases", 1252, u"&Yuml;&yuml;", u"\u0178\u00FF"},
    {"LosesWhatAnsiLacks", 1252, u"\u03B1&lt;", u"<"},
    {"KanjiKept932", 932, u"&lt;\u65E5\u672C&gt;", u"<\u65E5\u672C>"},
    {"UnicodePass932", 932, u"\u65E5&#x20AC;", u"\u65E5\u20AC"},
    {"SurrogatePair932", 932, u"&#x1F600;", u"\U0001F600"},
};

INSTANTIATE_TEST_SUITE_P(Markup, EntityDecoding, ::testing::ValuesIn(kDecodeCases));

// ---------------------------------------------------------------------------------------
// StripHtml

class TagStripping : public ::testing::TestWithParam<TextCase> {};

TEST_P(TagStripping, RemovesTags) {
  const TextCase& c = GetParam();
  XString value = valueOf(c.text);
  markup::stripHtml(value);
  EXPECT_EQ(currentForms(value), "U");
  EXPECT_EQ(wideOf(value), c.expected);
}

const TextCase kStripCases[] = {
    {"Simple", u"<b>bold</b> text", u"bold text"},
    {"DoubleQuotedGreaterThan", u"<a href=\"x>y\">link</a>", u"link"},
    {"ApostropheInsideDoubleQuotes", u"<a title=\"it's\">x</a>y", u"xy"},
    {"QuoteInsideSingleQuotes", u"<a title='say \"hi'>x</a>", u"x"},
    {"UnterminatedTag", u"a < b", u"a "},
    {"LessThanInsideTag", u"<<b>>", u">"},
    {"BackslashHidesOneByte", u"<p \\>hidden>shown", u"shown"},
    {"EscapeClearsAfterOneByte", u"<i\\x>after", u"after"},
    {"EscapedQuote", u"<a t=\"\\\">\">x", u"x"},
    {"ScriptContentsStay", u"<script>x<y</script>z", u"xz"},
    {"UnterminatedQuote", u"<a \"x>y", u""},
    {"BackslashOutsideTag", u"a\\b<i>c", u"a\\bc"},
    {"EndsAtEmbeddedZero", std::u16string(u"a<b>c\0d<i>e", 11), u"ac"},
};

INSTANTIATE_TEST_SUITE_P(Markup, TagStripping, ::testing::ValuesIn(kStripCases));

}  // namespace
}  // namespace vk
