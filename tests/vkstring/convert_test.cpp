// Conversion mode's block cutting and failure finding, against the engine's own conversion of
// the whole input.
#include <gtest/gtest.h>

#include <string>

#include "charset/charset_names.h"
#include "charset/encoding_convert.h"
#include "text/data_buffer.h"
#include "tools/vkstring/convert.h"

namespace vk::cli {
namespace {

std::string convertToUtf8(std::int32_t from, const std::string& bytes) {
  DataBuffer out;
  EncodingConvert().convert(from, codepage::kUtf8, bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                            out);
  return std::string(reinterpret_cast<const char*>(out.data()), out.length());
}

struct Sample {
  const char* charset;
  std::string bytes;  // valid text with multi-byte characters
};

// Every split point of a short input: the part before the cut and the rest (carried into the
// next block) convert to the same text as the whole.
TEST(VkstringConvert, CutsAtEverySplitPointKeepTheText) {
  const Sample samples[] = {
      {"utf-8", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z\n\xE6\x97\xA5"},
      {"utf-16le", std::string("a\0\x3D\xD8\x00\xDE\xE5\x65\n\0", 10)},
      {"utf-16be", std::string("\0a\xD8\x3D\xDE\x00\x65\xE5", 8)},
      // A byte-order mark inside the text is a character; at the start of a block the engine
      // would drop it.
      {"utf-8", "abcd\xEF\xBB\xBF\xEF\xBB\xBFxyz\xE2\x82\xAC"},
      {"utf-16le", std::string("a\0b\0c\0\xFF\xFE\xFE\xFF"
                               "d\0e\0f\0",
                               16)},
      {"shift_jis", "\x82\xA0x\x93\xFA\x96\x7B\n\x8C\xEA"},
      {"euc-kr", "\xB0\xA1 \xB3\xAA\xB4\xD9\n"},
      {"big5", "\xA4\xA4\xA4\xE5 \xA4\x40"},
      {"windows-1252", "caf\xE9 \x80"},
  };
  for (const Sample& sample : samples) {
    std::int32_t cp = charsetToCodePage(sample.charset);
    ASSERT_NE(cp, 0) << sample.charset;
    std::string whole = convertToUtf8(cp, sample.bytes);
    ASSERT_FALSE(whole.empty()) << sample.charset;
    for (std::size_t split = 0; split <= sample.bytes.size(); ++split) {
      auto bytes = reinterpret_cast<const std::uint8_t*>(sample.bytes.data());
      std::uint32_t cut = safeCut(cp, bytes, static_cast<std::uint32_t>(split), false);
      ASSERT_LE(cut, split);
      std::string pieces =
          convertToUtf8(cp, sample.bytes.substr(0, cut)) + convertToUtf8(cp, sample.bytes.substr(cut));
      EXPECT_EQ(pieces, whole) << sample.charset << " read up to byte " << split << ", cut at " << cut;
    }
  }
}

TEST(VkstringConvert, StatefulCharsetsAreNotCut) {
  const std::uint8_t text[] = {'a', 0x1B, '$', 'B', 0x30, 0x21, '\n'};
  EXPECT_EQ(safeCut(charsetToCodePage("iso-2022-jp"), text, sizeof text, false), 0u);
  EXPECT_EQ(safeCut(charsetToCodePage("iso-2022-jp"), text, sizeof text, true), sizeof text);
}

struct Failure {
  const char* from;
  const char* to;
  std::string bytes;
  std::uint32_t offset;
  std::uint32_t length;
  std::int32_t codePoint;  // -1: invalid input
};

TEST(VkstringConvert, FirstFailureNamesOffsetAndCause) {
  const Failure failures[] = {
      {"utf-8", "utf-16le",
       "ab\ncd\xFF"
       "ef",
       5, 1, -1},
      {"utf-8", "utf-16le", "\xE2\x82", 0, 1, -1},
      {"utf-8", "utf-16le", "x\xED\xA0\x80", 1, 1, -1},  // an encoded surrogate
      {"utf-8", "windows-1252", "caf\xC3\xA9 \xE4\xB8\x80!", 6, 3, 0x4E00},
      {"utf-8", "shift_jis", std::string(100, 'a') + "\xF0\x9F\x98\x80", 100, 4, 0x1F600},
      {"shift_jis", "windows-1252", "ab\x82\xA0", 2, 2, 0x3042},
      {"utf-16le", "koi8-r", std::string("a\0\xE9\0", 4), 2, 2, 0xE9},
  };
  for (const Failure& f : failures) {
    std::uint32_t length = 0;
    std::int32_t codePoint = 0;
    std::uint32_t at = firstFailure(charsetToCodePage(f.from), charsetToCodePage(f.to),
                                    reinterpret_cast<const std::uint8_t*>(f.bytes.data()),
                                    static_cast<std::uint32_t>(f.bytes.size()), &length, &codePoint);
    EXPECT_EQ(at, f.offset) << f.from << " to " << f.to;
    EXPECT_EQ(length, f.length) << f.from << " to " << f.to;
    EXPECT_EQ(codePoint, f.codePoint) << f.from << " to " << f.to;
  }
}

TEST(VkstringConvert, UnknownNamesGetCloseSuggestions) {
  const struct {
    const char* name;
    const char* suggested;
  } cases[] = {
      {"UTF_8 ", "utf-8"}, {"utf8x", "utf-8"}, {"windows1252", "windows-1252"}, {"shiftjis", "shift-jis"}};
  for (const auto& c : cases) {
    std::string message = unknownCharsetMessage(c.name);
    EXPECT_EQ(message.rfind(std::string("unknown charset \"") + c.name + "\"", 0), 0u) << message;
    EXPECT_NE(message.find(std::string("\"") + c.suggested + "\""), std::string::npos) << message;
  }
  EXPECT_EQ(unknownCharsetMessage("qqqqqqqqqq").find("did you mean"), std::string::npos);
}

}  // namespace
}  // namespace vk::cli
