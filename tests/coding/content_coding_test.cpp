#include <gtest/gtest.h>

#include <random>
#include <string>

#include "coding/content_coding.h"
#include "test_bytes.h"

namespace vk {
namespace {

using test::Bytes;
using test::bytesOf;
using test::hex;

std::string encoded(void (*encode)(const Bytes&, StringBuffer&), const Bytes& input) {
  StringBuffer out;
  encode(input, out);
  return std::string(out.text(), static_cast<std::size_t>(out.length()));
}

void base64Of(const Bytes& in, StringBuffer& out) {
  ContentCoding().encodeBase64(in.data(), static_cast<std::uint32_t>(in.size()), out);
}
void qpOf(const Bytes& in, StringBuffer& out) {
  ContentCoding().encodeQuotedPrintable(in.data(), static_cast<std::uint32_t>(in.size()), out);
}
void hexOf(const Bytes& in, StringBuffer& out) {
  DataBuffer buffer;
  buffer.append(in.data(), in.size());
  buffer.encodeHex(out);
}
void urlOf(const Bytes& in, StringBuffer& out) {
  DataBuffer buffer;
  buffer.append(in.data(), in.size());
  encodeUrl(buffer, out);
}

// Decoders, answering "FAIL" when the decoder reports failure.
using Decoder = bool (*)(const std::string&, DataBuffer&);
bool base64From(const std::string& t, DataBuffer& out) {
  return ContentCoding().decodeBase64(t.data(), static_cast<std::uint32_t>(t.size()), out);
}
bool qpFrom(const std::string& t, DataBuffer& out) {
  return ContentCoding().decodeQuotedPrintable(t.data(), static_cast<std::uint32_t>(t.size()), out);
}
bool hexFrom(const std::string& t, DataBuffer& out) {
  StringBuffer text(t.c_str());
  text.decodeHex(out);
  return true;
}
bool urlFrom(const std::string& t, DataBuffer& out) {
  StringBuffer text(t.c_str());
  decodeUrl(text, out);
  return true;
}

struct EncodeCase {
  const char* label;
  void (*encode)(const Bytes&, StringBuffer&);
  Bytes input;
  std::string expected;
};

class Encode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Encode, WritesTheCodedText) {
  EXPECT_EQ(encoded(GetParam().encode, GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Base64, Encode,
                         ::testing::Values(EncodeCase{"Empty", base64Of, {}, ""},
                                           EncodeCase{"One", base64Of, bytesOf("f"), "Zg=="},
                                           EncodeCase{"Two", base64Of, bytesOf("fo"), "Zm8="},
                                           EncodeCase{"Three", base64Of, bytesOf("foo"), "Zm9v"},
                                           EncodeCase{"Six", base64Of, bytesOf("foobar"), "Zm9vYmFy"},
                                           EncodeCase{"AllBits", base64Of, hex("FB FF BF 00"), "+/+/AA=="}),
                         [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    QuotedPrintable, Encode,
    ::testing::Values(EncodeCase{"DotAtLineStart", qpOf, bytesOf(".x"), "=2Ex"},
                      EncodeCase{"From", qpOf, bytesOf("From here"), "=46rom here"},
                      EncodeCase{"FromAfterBreak", qpOf, bytesOf("a\r\nFrom x"), "a\r\n=46rom x"},
                      EncodeCase{"FromCutShort", qpOf, bytesOf("From"), "From"},
                      EncodeCase{"DotInside", qpOf, bytesOf("x.y"), "x.y"},
                      EncodeCase{"Equals", qpOf, bytesOf("a=b"), "a=3Db"},
                      EncodeCase{"SpaceBeforeLineBreak", qpOf, bytesOf("a \r\nb"), "a=20\r\nb"},
                      EncodeCase{"TabBeforeLineBreak", qpOf, bytesOf("a\t\r\nb"), "a=09\r\nb"},
                      EncodeCase{"SpaceInside", qpOf, bytesOf("a b"), "a b"},
                      EncodeCase{"SpaceOneBeforeEnd", qpOf, bytesOf("a x"), "a x"},
                      EncodeCase{"TrailingSpace", qpOf, bytesOf("a "), "a=20"},
                      EncodeCase{"LoneLineFeed", qpOf, bytesOf("a\nb"), "a=0Ab"},
                      EncodeCase{"LoneCarriageReturn", qpOf, bytesOf("a\rb"), "a=0Db"},
                      EncodeCase{"HighBytes", qpOf, hex("C3 A9 7F 00"), "=C3=A9=7F=00"},
                      EncodeCase{"Column72", qpOf, Bytes(72, 'x'), std::string(72, 'x') + "=\r\n"},
                      EncodeCase{"Column80", qpOf, Bytes(80, 'x'),
                                 std::string(72, 'x') + "=\r\n" + std::string(8, 'x')},
                      // An escape that crosses column 72 makes a line of 74 characters before the break.
                      EncodeCase{"Column74", qpOf,
                                 [] {
                                   Bytes b(71, 'x');
                                   b.push_back(0xE9);
                                   b.push_back('y');
                                   return b;
                                 }(),
                                 std::string(71, 'x') + "=E9=\r\ny"},
                      // No soft break right before a hard one.
                      EncodeCase{"HardBreakAt72", qpOf,
                                 [] {
                                   Bytes b(72, 'x');
                                   b.push_back('\r');
                                   b.push_back('\n');
                                   b.push_back('z');
                                   return b;
                                 }(),
                                 std::string(72, 'x') + "\r\nz"}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    HexAndUrl, Encode,
    ::testing::Values(EncodeCase{"Hex", hexOf, hex("C3 A9 00 0F F0"), "C3A9000FF0"},
                      EncodeCase{"HexEmpty", hexOf, {}, ""},
                      EncodeCase{"Url", urlOf, bytesOf("a b-c"), "a+b%2Dc"},
                      EncodeCase{"UrlUnreserved", urlOf, bytesOf("-_.~*"), "%2D%5F%2E%7E%2A"},
                      EncodeCase{"UrlHighBytes", urlOf, hex("C3 A9 00 25 2B"), "%C3%A9%00%25%2B"}),
    [](const auto& info) { return std::string(info.param.label); });

struct DecodeCase {
  const char* label;
  Decoder decode;
  std::string input;  // may hold zero bytes
  bool ok;
  Bytes expected;
};

class Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, DeliversTheBytesOrNothing) {
  DataBuffer out;
  out.append("<", 1);  // earlier content stays, and nothing is added on failure
  bool ok = GetParam().decode(GetParam().input, out);
  EXPECT_EQ(ok, GetParam().ok);
  Bytes expected = bytesOf("<");
  expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
  EXPECT_EQ(test::show(test::contents(out)), test::show(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Base64, Decode,
    ::testing::Values(DecodeCase{"Plain", base64From, "Zm9vYmFy", true, bytesOf("foobar")},
                      DecodeCase{"Empty", base64From, "", true, {}},
                      DecodeCase{"WhiteSpaceAround", base64From, " \r\nYWJj\t ", true, bytesOf("abc")},
                      DecodeCase{"WhiteSpaceInside", base64From, "YW Jj", true, bytesOf("abc")},
                      DecodeCase{"LineBreaksInside", base64From, "Zm9v\r\nYmFy\r\nYQ==", true,
                                 bytesOf("foobara")},
                      DecodeCase{"Star", base64From, "YW*j", false, {}},
                      DecodeCase{"Hyphen", base64From, "YW-j", false, {}},
                      DecodeCase{"InvalidLate", base64From, "Zm9vYmFy!", false, {}},
                      DecodeCase{"StopsAtPad", base64From, "YQ==Yg==", true, bytesOf("a")},
                      DecodeCase{"StopsAtPadBeforeInvalid", base64From, "YQ=*", true, bytesOf("a")},
                      DecodeCase{"StopsAtZero", base64From, std::string("YWJj\0*", 6), true, bytesOf("abc")},
                      DecodeCase{"TwoCharacters", base64From, "YQ", true, bytesOf("a")},
                      DecodeCase{"ThreeCharacters", base64From, "YWI", true, bytesOf("ab")},
                      DecodeCase{"OneCharacter", base64From, "Y", true, {}},
                      DecodeCase{"UnpaddedLong", base64From, "Zm9vYmFyYg", true, bytesOf("foobarb")}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    QuotedPrintable, Decode,
    ::testing::Values(DecodeCase{"SoftBreak", qpFrom, "a=\r\nb", true, bytesOf("ab")},
                      DecodeCase{"SoftBreakWithTrailingSpace", qpFrom, "a= \r\nb", true, bytesOf("ab")},
                      DecodeCase{"LineFeedBecomesCrLf", qpFrom, "a\nb", true, bytesOf("a\r\nb")},
                      DecodeCase{"TrailingSpaceDropped", qpFrom, "abc  \r\n", true, bytesOf("abc\r\n")},
                      DecodeCase{"LastLineWithoutBreak", qpFrom, "abc \t", true, bytesOf("abc")},
                      DecodeCase{"EmptyLines", qpFrom, "\n\n", true, bytesOf("\r\n\r\n")},
                      DecodeCase{"LowerCaseDigits", qpFrom, "=e9", true, hex("E9")},
                      DecodeCase{"UpperCaseDigits", qpFrom, "=E9=3D", true, hex("E9 3D")},
                      DecodeCase{"SignExtended", qpFrom, "=FFFFFFE9x", true, hex("E9 78")},
                      DecodeCase{"SignExtendedLowerCaseFirst", qpFrom, "=ffFFFFE9", true, hex("E9")},
                      DecodeCase{"NotSignExtended", qpFrom, "=FFfFFFE9", true,
                                 bytesOf("\xFF"
                                         "fFFFE9")},
                      DecodeCase{"DigitCutByLineEnd", qpFrom, "=4\r\nx", true, bytesOf("\x40\r\nx")},
                      DecodeCase{"BadDigits", qpFrom, "=G1", true, hex("01")},
                      DecodeCase{"TopBitCleared", qpFrom, "\xE9", true, bytesOf("i")},
                      DecodeCase{"ZeroEndsInput", qpFrom, std::string("ab\0cd", 5), true, bytesOf("ab")},
                      DecodeCase{"Empty", qpFrom, "", false, {}},
                      DecodeCase{"OnlyZero", qpFrom, std::string("\0x", 2), false, {}},
                      DecodeCase{"OnlyWhiteSpace", qpFrom, "  ", true, {}}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    HexAndUrl, Decode,
    ::testing::Values(DecodeCase{"Hex", hexFrom, "c3A9", true, hex("C3 A9")},
                      DecodeCase{"HexEmpty", hexFrom, "", true, {}},
                      // The last character of an odd text pairs with the terminator: 16 * 4 - 0x30.
                      DecodeCase{"HexOdd", hexFrom, "414", true, hex("41 10")},
                      DecodeCase{"HexNotValidated", hexFrom, "zz", true, hex("73")},
                      DecodeCase{"HexHighByte", hexFrom,
                                 "\xE9"
                                 "0",
                                 true, hex("90")},
                      DecodeCase{"Url", urlFrom, "a%2db+c", true, bytesOf("a-b c")},
                      DecodeCase{"UrlCutPercent", urlFrom, "abc%", true, bytesOf("abc")},
                      DecodeCase{"UrlCutPercentDigit", urlFrom, "abc%4", true, bytesOf("abc")},
                      DecodeCase{"UrlNotValidated", urlFrom, "%zz", true, hex("43")},
                      DecodeCase{"UrlRaw", urlFrom, "\xC3\xA9~", true, hex("C3 A9 7E")}),
    [](const auto& info) { return std::string(info.param.label); });

// A one-character-at-a-time decoder by the rules, to hold the fast paths against.
bool referenceBase64(const std::string& text, Bytes& out) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::uint32_t bits = 0;
  int n = 0;
  for (char c : text) {
    if (c == 0 || c == '=') break;
    if (c == '\t' || c == '\n' || c == '\r' || c == ' ') continue;
    std::size_t v = alphabet.find(c);
    if (v == std::string::npos) return false;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    if (++n % 4 == 0) {
      out.push_back(static_cast<std::uint8_t>(bits >> 16));
      out.push_back(static_cast<std::uint8_t>(bits >> 8));
      out.push_back(static_cast<std::uint8_t>(bits));
      bits = 0;
    }
  }
  if (n % 4 == 2) out.push_back(static_cast<std::uint8_t>(bits >> 4));
  if (n % 4 == 3) {
    out.push_back(static_cast<std::uint8_t>(bits >> 10));
    out.push_back(static_cast<std::uint8_t>(bits >> 2));
  }
  return true;
}

class Base64Random : public ::testing::TestWithParam<int> {};

TEST_P(Base64Random, RoundTripsAndMatchesTheRulesWithNoiseAnywhere) {
  std::mt19937 random(static_cast<unsigned>(GetParam()));
  for (int round = 0; round < 50; ++round) {
    Bytes input(random() % 700);
    for (auto& b : input) b = static_cast<std::uint8_t>(random());
    std::string text = encoded(base64Of, input);
    EXPECT_EQ(text.size(), (input.size() + 2) / 3 * 4);
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    DataBuffer back;
    ASSERT_TRUE(base64From(text, back));
    ASSERT_EQ(test::contents(back), input);
    // White space, a stray character or a zero byte somewhere in the text.
    static const char noise[] = {' ', '\n', '\t', '\r', '*', '=', '\0', '.'};
    if (text.empty()) continue;
    for (int k = 0; k < 3; ++k) {
      std::size_t at = random() % text.size();
      text.insert(at, 1, noise[random() % sizeof noise]);
    }
    Bytes expected;
    bool expectedOk = referenceBase64(text, expected);
    DataBuffer noisy;
    EXPECT_EQ(base64From(text, noisy), expectedOk);
    EXPECT_EQ(test::contents(noisy), expectedOk ? expected : Bytes{});
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, Base64Random, ::testing::Values(1, 2, 3, 4));

TEST(QuotedPrintableRandom, LinesStayWithin74ColumnsAndDecodeBack) {
  std::mt19937 random(7);
  for (int round = 0; round < 100; ++round) {
    // Seven-bit text with CR LF pairs: such input comes back from the decoder unchanged.
    Bytes input;
    std::size_t size = random() % 400;
    while (input.size() < size) {
      unsigned r = random() % 20;
      if (r == 0) {
        input.push_back('\r');
        input.push_back('\n');
      } else {
        std::uint8_t b = static_cast<std::uint8_t>(r < 6   ? 1 + random() % 126
                                                   : r < 9 ? ' '
                                                           : 'a' + random() % 26);
        input.push_back(b == '\r' || b == '\n' ? '.' : b);
      }
    }
    std::string text = encoded(qpOf, input);
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == '\r') {
        std::size_t width = i - lineStart;
        bool soft = width > 0 && text[i - 1] == '=';
        EXPECT_LE(width, soft ? 75u : 74u) << text;
        lineStart = i + 2;
        ++i;
      }
    }
    if (text.empty()) continue;
    DataBuffer back;
    ASSERT_TRUE(qpFrom(text, back));
    EXPECT_EQ(test::contents(back), input);
  }
}

struct NameCase {
  const char* name;
  CodingKind kind;
};

class CodingNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(CodingNames, MatchWholeIgnoringCaseOnly) {
  XString name;
  name.setFromUtf8(GetParam().name);
  EXPECT_EQ(codingByName(name), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CodingNames,
    ::testing::Values(NameCase{"base64", CodingKind::Base64}, NameCase{"BASE64", CodingKind::Base64},
                      NameCase{"Base-64", CodingKind::Base64}, NameCase{"qp", CodingKind::QuotedPrintable},
                      NameCase{"Quoted-Printable", CodingKind::QuotedPrintable},
                      NameCase{"HEX", CodingKind::Hex}, NameCase{"hexidecimal", CodingKind::Hex},
                      NameCase{"url", CodingKind::Url}, NameCase{"URL", CodingKind::Url},
                      NameCase{" base64", CodingKind::None}, NameCase{"base64 ", CodingKind::None},
                      NameCase{"base32", CodingKind::None}, NameCase{"hexadecimal", CodingKind::None},
                      NameCase{"quoted_printable", CodingKind::None}, NameCase{"", CodingKind::None}));

}  // namespace
}  // namespace vk
