// Script statistics: the ordered classification ranges, their boundaries and the counters.
#include <gtest/gtest.h>

#include <string>

#include "unicode/unicode_info.h"

namespace vk {
namespace {

constexpr std::int32_t kNone = UnicodeInfo::kNotCounted;

struct UnitCase {
  std::uint16_t unit;
  std::int32_t script;
};

void PrintTo(const UnitCase& c, std::ostream* os) {
  *os << "U+" << std::hex << c.unit << " -> " << std::dec << c.script;
}

class ScriptBoundaries : public ::testing::TestWithParam<UnitCase> {};

TEST_P(ScriptBoundaries, ClassifyEachUnit) {
  const UnitCase& c = GetParam();
  EXPECT_EQ(UnicodeInfo::classify(c.unit), c.script);
  // Counting a one-unit text adds one to that class only (or to none).
  char16_t unit = static_cast<char16_t>(c.unit);
  UnicodeInfo info;
  info.countScripts(&unit, 1);
  for (std::int32_t k = 0; k < UnicodeInfo::kScriptCount; ++k) {
    EXPECT_EQ(info.count(k), k == c.script ? 1 : 0) << "class " << k;
  }
}

const UnitCase kUnitCases[] = {
    {0x0000, UnicodeInfo::ScriptAscii},
    {0x007F, UnicodeInfo::ScriptAscii},
    {0x0080, UnicodeInfo::ScriptLatin},
    {0x00FF, UnicodeInfo::ScriptLatin},
    {0x0100, UnicodeInfo::ScriptCentralEuro},
    {0x02C7, UnicodeInfo::ScriptCentralEuro},
    {0x02FF, UnicodeInfo::ScriptCentralEuro},
    {0x0300, UnicodeInfo::ScriptOther},
    {0x0301, UnicodeInfo::ScriptOther},
    {0x036F, UnicodeInfo::ScriptOther},
    {0x0370, UnicodeInfo::ScriptGreek},
    {0x03FF, UnicodeInfo::ScriptGreek},
    {0x0400, UnicodeInfo::ScriptCyrillic},
    {0x04FF, UnicodeInfo::ScriptCyrillic},
    {0x0500, UnicodeInfo::ScriptOther},
    {0x058F, UnicodeInfo::ScriptOther},
    {0x0590, UnicodeInfo::ScriptHebrew},
    {0x05FF, UnicodeInfo::ScriptHebrew},
    {0x0600, UnicodeInfo::ScriptArabic},
    {0x06FF, UnicodeInfo::ScriptArabic},
    {0x0700, UnicodeInfo::ScriptOther},
    {0x0DFF, UnicodeInfo::ScriptOther},
    {0x0E00, UnicodeInfo::ScriptThai},
    {0x0E7F, UnicodeInfo::ScriptThai},
    {0x0E80, UnicodeInfo::ScriptOther},
    {0x10FF, UnicodeInfo::ScriptOther},
    {0x1100, UnicodeInfo::ScriptKorean},
    {0x11FF, UnicodeInfo::ScriptKorean},
    {0x1200, UnicodeInfo::ScriptOther},
    {0x1E00, UnicodeInfo::ScriptOther},
    {0x259F, UnicodeInfo::ScriptOther},
    {0x25A0, kNone},
    {0x26FF, kNone},
    {0x2700, UnicodeInfo::ScriptOther},
    {0x2EFF, UnicodeInfo::ScriptOther},
    {0x2F00, UnicodeInfo::ScriptJapanese},
    {0x2FDF, UnicodeInfo::ScriptJapanese},
    {0x2FE0, UnicodeInfo::ScriptOther},
    {0x2FFF, UnicodeInfo::ScriptOther},
    {0x3000, kNone},
    {0x303F, kNone},
    {0x3040, UnicodeInfo::ScriptJapanese},
    {0x30FF, UnicodeInfo::ScriptJapanese},
    {0x3100, UnicodeInfo::ScriptOther},
    {0x31FF, UnicodeInfo::ScriptOther},
    {0x3200, kNone},
    {0x32FF, kNone},
    {0x3300, UnicodeInfo::ScriptOther},
    {0x33FF, UnicodeInfo::ScriptOther},
    {0x3400, UnicodeInfo::ScriptChinese},
    {0x4DBF, UnicodeInfo::ScriptChinese},
    {0x4DC0, UnicodeInfo::ScriptOther},
    {0x4DFF, UnicodeInfo::ScriptOther},
    {0x4E00, UnicodeInfo::ScriptChinese},
    {0x9FAF, UnicodeInfo::ScriptChinese},
    {0x9FB0, UnicodeInfo::ScriptOther},
    {0xABFF, UnicodeInfo::ScriptOther},
    {0xAC00, UnicodeInfo::ScriptKorean},
    {0xD7AF, UnicodeInfo::ScriptKorean},
    {0xD7B0, UnicodeInfo::ScriptOther},
    {0xD800, UnicodeInfo::ScriptOther},
    {0xDFFF, UnicodeInfo::ScriptOther},
    {0xFE1F, UnicodeInfo::ScriptOther},
    {0xFE20, kNone},
    {0xFE6F, kNone},
    {0xFE70, UnicodeInfo::ScriptOther},
    {0xFEFF, UnicodeInfo::ScriptOther},
    {0xFF00, kNone},
    {0xFF21, kNone},
    {0xFF71, kNone},
    {0xFFEF, kNone},
    {0xFFF0, UnicodeInfo::ScriptOther},
    {0xFFFF, UnicodeInfo::ScriptOther},
};

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptBoundaries, ::testing::ValuesIn(kUnitCases));

TEST(ScriptRanges, AreTheTwentyOrderedRowsWithoutOverlap) {
  // Nineteen listed ranges; everything else is the twentieth row, ScriptOther.
  constexpr std::size_t kListed = sizeof(UnicodeInfo::kRanges) / sizeof(UnicodeInfo::kRanges[0]);
  static_assert(kListed == 19, "nineteen listed ranges");
  for (std::size_t a = 0; a < kListed; ++a) {
    const UnicodeInfo::Range& r = UnicodeInfo::kRanges[a];
    EXPECT_LE(r.first, r.last);
    for (std::size_t b = a + 1; b < kListed; ++b) {
      const UnicodeInfo::Range& s = UnicodeInfo::kRanges[b];
      EXPECT_TRUE(r.last < s.first || s.last < r.first) << a << " overlaps " << b;
    }
  }
  EXPECT_EQ(UnicodeInfo::kRanges[0].script, UnicodeInfo::ScriptAscii);
  EXPECT_EQ(UnicodeInfo::kRanges[8].first, 0xAC00);
  EXPECT_EQ(UnicodeInfo::kRanges[18].script, UnicodeInfo::ScriptKorean);
}

struct TextCountCase {
  const char* name;
  std::u16string text;
  // Expected counters, indexed by ScriptIndex.
  std::int32_t counts[UnicodeInfo::kScriptCount];
};

void PrintTo(const TextCountCase& c, std::ostream* os) { *os << c.name; }

class ScriptCounts : public ::testing::TestWithParam<TextCountCase> {};

TEST_P(ScriptCounts, CountEveryUnit) {
  const TextCountCase& c = GetParam();
  UnicodeInfo info;
  info.countScripts(c.text.data(), static_cast<std::int64_t>(c.text.size()));
  for (std::int32_t k = 0; k < UnicodeInfo::kScriptCount; ++k) {
    EXPECT_EQ(info.count(k), c.counts[k]) << "class " << k;
  }
}

//                               Lat Gre Heb Ara Jap Kor Chi Tha Cyr CEu Asc Oth
const TextCountCase kTextCases[] = {
    {"Empty", u"", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"AsciiAndLatin", u"abcd\u00E9", {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0}},
    {"KanjiAndKana", u"\u65E5\u672C\u8A9E\u3072\u3089", {0, 0, 0, 0, 2, 0, 3, 0, 0, 0, 0, 0}},
    {"SurrogatePairIsTwoOther", u"\U0001F600", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}},
    {"FullAndHalfWidthNotCounted", u"\uFF21\uFF71", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"CombiningMarkIsOther", u"e\u0301", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}},
    {"Mixed", u"\u0391\u05D0\u0627\u0E01\uAC00\u0416\u0100 ", {0, 1, 1, 1, 0, 1, 0, 1, 1, 1, 1, 0}},
    {"EmbeddedZeroIsAscii", std::u16string(u"a\0b", 3), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0}},
};

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptCounts, ::testing::ValuesIn(kTextCases));

TEST(ScriptCountsReset, EachCountStartsFromZeroAndOutOfRangeIndexesGiveZero) {
  UnicodeInfo info;
  const char16_t text[] = u"abc";
  info.countScripts(text, 3);
  info.countScripts(text, 3);
  EXPECT_EQ(info.count(UnicodeInfo::ScriptAscii), 3);
  info.countScripts(nullptr, 10);
  EXPECT_EQ(info.count(UnicodeInfo::ScriptAscii), 0);
  info.countScripts(text, 3);
  info.countScripts(text, -1);
  EXPECT_EQ(info.count(UnicodeInfo::ScriptAscii), 0);
  EXPECT_EQ(info.count(-1), 0);
  EXPECT_EQ(info.count(12), 0);
  EXPECT_EQ(info.count(INT32_MIN), 0);
}

}  // namespace
}  // namespace vk
