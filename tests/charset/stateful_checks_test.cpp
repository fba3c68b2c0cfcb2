// Where the 7-bit stateful readers first read leniently: the offset of each kind of fault, and
// no fault at all in what the engine itself writes in those charsets.
#include "charset/stateful_checks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "charset/charset_names.h"
#include "charset/encoding_convert.h"
#include "text/data_buffer.h"

namespace vk {
namespace {

using Check = std::uint32_t (*)(const std::uint8_t*, std::uint32_t);

struct Case {
  const char* what;
  Check check;
  std::string bytes;
  std::uint32_t at;  // bytes.size() when clean
};

std::uint32_t run(Check check, const std::string& bytes) {
  return check(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
}

TEST(StatefulChecks, FirstLenientPlace) {
  const std::string kr = "\x1B$)C";
  const Case cases[] = {
      {"KR clean", firstMalformedIso2022Kr,
       kr + "a\x0E\x30\x21\x0F"
            "b\n",
       11},
      {"KR other escape", firstMalformedIso2022Kr, kr + "ab\x1B(B", 6},
      {"KR cut designator", firstMalformedIso2022Kr, "ab\x1B$)", 2},
      {"KR control in pair", firstMalformedIso2022Kr, kr + "\x0E\x30\n", 5},
      {"KR 8-bit in pair", firstMalformedIso2022Kr, kr + "\x0E\x30\x21\xB0\xA1", 7},
      {"KR lone byte at end", firstMalformedIso2022Kr, kr + "\x0E\x30\x21\x30", 7},
      {"HZ clean", firstMalformedHz, "a~~b~{\x30\x21~}c~\nd", 14},
      {"HZ CR LF line continuation", firstMalformedHz, "a~\r\nb", 5},
      {"HZ stray tilde", firstMalformedHz, "ab~x", 2},
      {"HZ tilde at end", firstMalformedHz, "ab~", 2},
      {"HZ odd byte in GB", firstMalformedHz, "~{\x30\x21\x30\n", 4},
      {"HZ 8-bit in GB", firstMalformedHz, "~{\x30\xA1", 2},
      {"HZ line end leaves GB", firstMalformedHz, "~{\x30\x21\nab", 7},
      {"UTF-7 clean", firstMalformedUtf7, "a+AGEAYg-b+-c", 13},
      {"UTF-7 8-bit byte", firstMalformedUtf7, "ab\xE9", 2},
      {"UTF-7 empty run", firstMalformedUtf7, "a+-b+ c", 4},
      {"UTF-7 leftover bits", firstMalformedUtf7, "a+AGF-", 1},
      {"UTF-7 pair in one run", firstMalformedUtf7, "+2D3eAA-", 8},
      {"UTF-7 pair over two runs", firstMalformedUtf7, "+2D0-+3gA-", 10},
      {"UTF-7 high then text", firstMalformedUtf7, "x+2D0-y", 1},
      {"UTF-7 high at end", firstMalformedUtf7, "xy+2D0-", 2},
      {"UTF-7 high then high", firstMalformedUtf7, "+2D0-+2D0-", 0},
      {"UTF-7 low alone", firstMalformedUtf7, "ab+3gA-", 2},
      {"UTF-7 high then a plus sign", firstMalformedUtf7, "+2D0-+-", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(run(c.check, c.bytes), c.at) << c.what;
}

// What the engine writes in each charset reads back without a fault, whatever the text.
TEST(StatefulChecks, TheEnginesOwnOutputIsClean) {
  struct Target {
    const char* charset;
    Check check;
    std::u16string alphabet;  // U+FFFF stands for a surrogate pair
  } targets[] = {
      {"iso-2022-kr", firstMalformedIso2022Kr, u"a\n ~\uAC00\uB098\uD55C"},
      {"hz-gb-2312", firstMalformedHz, u"a\n~{\u554A\u4E2D\u3001"},
      {"utf-7", firstMalformedUtf7, u"a+-\n\u00E9\u4E2D\uFFFF"},
  };
  std::mt19937 random(11);
  for (const Target& target : targets) {
    std::int32_t page = charsetToCodePage(target.charset);
    ASSERT_NE(page, 0) << target.charset;
    for (int round = 0; round < 300; ++round) {
      std::u16string text;
      std::size_t length = random() % 40;
      while (text.size() < length) {
        char16_t unit = target.alphabet[random() % target.alphabet.size()];
        text += unit == 0xFFFF ? std::u16string(u"\U0001F600") : std::u16string(1, unit);
      }
      DataBuffer bytes;
      EncodingConvert().convert(codepage::kUtf16Le, page, text.data(),
                                static_cast<std::uint32_t>(2 * text.size()), bytes);
      std::string written(reinterpret_cast<const char*>(bytes.data()), bytes.length());
      EXPECT_EQ(run(target.check, written), written.size()) << target.charset << " round " << round;
    }
  }
}

}  // namespace
}  // namespace vk
