#include <gtest/gtest.h>

#include <string>

#include "platform/utf8.h"

namespace vk {
namespace {

struct DecodeCase {
  const char* label;
  std::string bytes;
  std::size_t length;  // 0: refused
  std::uint32_t codePoint;
  utf8::Surrogates surrogates;
};

class Utf8Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8Decode, ReadsWellFormedSequencesOnly) {
  const DecodeCase& c = GetParam();
  std::uint32_t cp = 0xFFFFFFFF;
  std::size_t n =
      utf8::decode(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size(), &cp, c.surrogates);
  EXPECT_EQ(n, c.length);
  if (c.length != 0) {
    EXPECT_EQ(cp, c.codePoint);
    // What decodes encodes back to the same bytes.
    std::string again;
    utf8::append(again, cp);
    EXPECT_EQ(again, c.bytes.substr(0, n));
  }
}

const auto kRefuse = utf8::Surrogates::Refuse;
const auto kAccept = utf8::Surrogates::Accept;

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Decode,
                         ::testing::Values(DecodeCase{"Ascii", "A", 1, 0x41, kRefuse},
                                           DecodeCase{"TwoBytes", "\xC3\xA9", 2, 0xE9, kRefuse},
                                           DecodeCase{"ThreeBytes", "\xE2\x82\xAC", 3, 0x20AC, kRefuse},
                                           DecodeCase{"FourBytes", "\xF0\x9F\x98\x80", 4, 0x1F600, kRefuse},
                                           DecodeCase{"Highest", "\xF4\x8F\xBF\xBF", 4, 0x10FFFF, kRefuse},
                                           DecodeCase{"AboveHighest", "\xF4\x90\x80\x80", 0, 0, kRefuse},
                                           DecodeCase{"Overlong", "\xC0\xAF", 0, 0, kRefuse},
                                           DecodeCase{"OverlongThree", "\xE0\x80\xAF", 0, 0, kRefuse},
                                           DecodeCase{"Cut", "\xE2\x82", 0, 0, kRefuse},
                                           DecodeCase{"LoneContinuation", "\x80", 0, 0, kRefuse},
                                           DecodeCase{"SurrogateRefused", "\xED\xA0\x80", 0, 0, kRefuse},
                                           DecodeCase{"SurrogateAccepted", "\xED\xA0\x80", 3, 0xD800,
                                                      kAccept},
                                           DecodeCase{"FollowedByMore", "\xC3\xA9xyz", 2, 0xE9, kRefuse}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(Utf8Names, UnitsComeBackUnchangedThroughUtf8) {
  const std::u16string names[] = {u"plain.txt", u"\u03C3\u00E9.txt", u"\U0001F600 face",
                                  std::u16string(1, char16_t{0xD800}) + u"lone high",
                                  u"lone low " + std::u16string(1, char16_t{0xDC00})};
  for (const std::u16string& name : names) {
    std::string utf8 = utf8::fromUtf16(name);
    std::u16string back;
    EXPECT_TRUE(utf8::toUtf16(utf8.data(), utf8.size(), &back));
    EXPECT_EQ(back, name);
  }
  EXPECT_EQ(utf8::fromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
  std::u16string partial;
  EXPECT_FALSE(
      utf8::toUtf16("ab\xFF"
                    "c",
                    4, &partial));
  EXPECT_EQ(partial, u"ab");
}

// With Refuse, a lone surrogate becomes U+FFFD on the way to UTF-8 and stops the way back; a
// pair is one character under either policy.
TEST(Utf8Names, RefusePolicyReplacesOrStopsAtLoneSurrogates) {
  const struct {
    std::u16string units;
    std::string printed;
  } cases[] = {
      {std::u16string(1, char16_t{0xD800}), "\xEF\xBF\xBD"},
      {u"a" + std::u16string(1, char16_t{0xDC00}) + u"b",
       "a\xEF\xBF\xBD"
       "b"},
      {std::u16string(2, char16_t{0xD83D}), "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf8::fromUtf16(c.units.data(), c.units.size(), utf8::Surrogates::Refuse), c.printed);
  }
  std::u16string back;
  const std::string encodedLow = "x\xED\xB0\x80y";
  EXPECT_TRUE(utf8::toUtf16(encodedLow.data(), encodedLow.size(), &back));
  EXPECT_EQ(back, u"x" + std::u16string(1, char16_t{0xDC00}) + u"y");
  EXPECT_FALSE(utf8::toUtf16(encodedLow.data(), encodedLow.size(), &back, utf8::Surrogates::Refuse));
  EXPECT_EQ(back, u"x");
}

}  // namespace
}  // namespace vk
