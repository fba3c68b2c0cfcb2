#include "charset/charset_names.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "charset/charset_name_table.h"

namespace vk {
namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

TEST(CharsetNameTable, HoldsFourHundredTenNamesForOneHundredFortyNineCodePages) {
  std::size_t count = 0;
  const CharsetName* names = charsetNames(&count);
  EXPECT_EQ(count, 410u);
  std::set<std::string> distinct;
  std::set<std::int32_t> codePages;
  for (std::size_t i = 0; i < count; ++i) {
    distinct.insert(names[i].name);
    codePages.insert(names[i].codePage);
  }
  EXPECT_EQ(distinct.size(), 410u);
  EXPECT_EQ(codePages.size(), 149u);
}

// Every stored name is found as written, in capitals, with blanks around it and with '_' for
// each '-'; nothing is stored that a normalised name could not equal.
TEST(CharsetNameTable, EveryNameResolvesToItsRowInEveryWriting) {
  std::size_t count = 0;
  const CharsetName* names = charsetNames(&count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = names[i].name;
    const std::int32_t expected = names[i].codePage;
    EXPECT_GE(name.size(), 3u) << name;
    EXPECT_EQ(name.find('_'), std::string::npos) << name;
    EXPECT_EQ(charsetToCodePage(name.c_str()), expected) << name;
    EXPECT_EQ(charsetToCodePage(upper(name).c_str()), expected) << name;
    EXPECT_EQ(charsetToCodePage((" \t" + name + "\r\n").c_str()), expected) << name;
    std::string underscored = name;
    for (char& c : underscored) c = c == '-' ? '_' : c;
    EXPECT_EQ(charsetToCodePage(underscored.c_str()), expected) << name;
    // A prefix or an extension of a name is not a match unless it is a name itself.
    const std::string longer = name + "x";
    const std::string shorter = name.substr(0, name.size() - 1);
    bool longerIsName = false;
    bool shorterIsName = false;
    for (std::size_t j = 0; j < count; ++j) {
      longerIsName |= longer == names[j].name;
      shorterIsName |= shorter == names[j].name;
    }
    if (!longerIsName) { EXPECT_EQ(charsetToCodePage(longer.c_str()), 0) << longer; }
    if (!shorterIsName) { EXPECT_EQ(charsetToCodePage(shorter.c_str()), 0) << shorter; }
  }
}

struct NameCase {
  const char* name;
  std::int32_t codePage;
};

class CharsetLookup : public ::testing::TestWithParam<NameCase> {};

TEST_P(CharsetLookup, ResolvesTheName) {
  EXPECT_EQ(charsetToCodePage(GetParam().name), GetParam().codePage)
      << "\"" << (GetParam().name ? GetParam().name : "(null)") << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CharsetLookup,
    ::testing::Values(
        // UTF-8 in every writing
        NameCase{"utf-8", 65001}, NameCase{"UTF-8", 65001}, NameCase{"  utf-8  ", 65001},
        NameCase{"utf-8\r\n", 65001}, NameCase{"\tUtF_8\n", 65001}, NameCase{"utf_8", 65001},
        NameCase{"utf8", 0}, NameCase{"utf-8x", 0}, NameCase{"utf- 8", 0},
        // Shift_JIS
        NameCase{"Shift_JIS", 932}, NameCase{"shift_Jis", 932}, NameCase{"SJIS", 932},
        NameCase{"x-sjis", 932}, NameCase{"ms-kanji", 932}, NameCase{"MS_Kanji", 932},
        NameCase{"windows-31j", 0}, NameCase{"csWindows31J", 932},
        // ISO 8859
        NameCase{"iso_8859-1:1987", 28591}, NameCase{"ISO_8859_1:1987", 28591}, NameCase{"latin1", 28591},
        NameCase{"latin-1", 28591}, NameCase{"latin", 0}, NameCase{"iso-8859-11", 874},
        NameCase{"iso-8859-8-i", 38598}, NameCase{"iso-8859-8 visual", 28598},
        NameCase{"iso-8859-8  visual", 0}, NameCase{"iso-8859-8\tvisual", 0},
        // Unicode forms
        NameCase{"unicode", 1200}, NameCase{"utf-16", 1200}, NameCase{"ucs-2", 1200},
        NameCase{"UnicodeFFFE", 1201}, NameCase{"UNICODEFFFE", 1201}, NameCase{"utf-16be", 1201},
        NameCase{"utf-32", 65005}, NameCase{"utf-32be", 65006}, NameCase{"utf-32le", 0},
        NameCase{"utf-7", 65000},
        // ISO-2022
        NameCase{"iso-2022-jp", 50220}, NameCase{"csISO2022JP", 50221}, NameCase{"CSISO2022JP", 50221},
        NameCase{"iso-2022-jp-1", 50221}, NameCase{"iso-2022-jp-2", 50222}, NameCase{"iso-2022-kr", 50225},
        // Windows and IBM pages
        NameCase{"cp1252", 0}, NameCase{"windows-1252", 1252}, NameCase{"x-ansi", 1252},
        NameCase{"cp1256", 1256}, NameCase{"CP437", 437}, NameCase{"CsPc8CodePage437", 437},
        NameCase{"IBM437", 437}, NameCase{"ccsid01140", 1140}, NameCase{"ebcdic-latin9--euro", 20924},
        NameCase{"ebcdic-latin9-euro", 0}, NameCase{"asmo-449+", 709}, NameCase{"ANSI_X3.4-1968", 20127},
        // Names without a converter are still names
        NameCase{"gb18030", 54936}, NameCase{"hz-gb-2312", 52936}, NameCase{"x-user-defined", 50000},
        // Too short, empty, blank or missing
        NameCase{"", 0}, NameCase{"   ", 0}, NameCase{"\r\n\t ", 0}, NameCase{"us", 0}, NameCase{"l1", 0},
        NameCase{"L9", 0}, NameCase{" l1 ", 0}, NameCase{"ab", 0}, NameCase{nullptr, 0},
        // Bytes 0xC0-0xDF are shifted by the lower-casing and never match
        NameCase{"utf-8\xC0", 0}, NameCase{"\xC9utf-8", 0}));

TEST(CharsetLookup, LeavesTheCallersTextUntouched) {
  char name[] = " Shift_JIS ";
  EXPECT_EQ(charsetToCodePage(name), 932);
  EXPECT_STREQ(name, " Shift_JIS ");
}

TEST(CharsetLookup, LongNamesAreRefusedWithoutHarm) {
  std::string longName(100000, 'a');
  EXPECT_EQ(charsetToCodePage(longName.c_str()), 0);
  std::string padded = std::string(5000, ' ') + "utf-8" + std::string(5000, '\n');
  EXPECT_EQ(charsetToCodePage(padded.c_str()), 65001);
}

}  // namespace
}  // namespace vk
