// The one-pass checked conversion against the engine: the same bytes for clean text, on the
// vector and the scalar path; a refusal (and the output as it was) at every kind of fault
// wherever it falls; line feeds counted in each unit size.
#include "charset/checked_convert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charset/charset_names.h"
#include "charset/encoding_convert.h"
#include "text/data_buffer.h"
#include "unicode/simd/cpu_paths.h"

namespace vk {
namespace {

std::string asString(const DataBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.length());
}

std::string engine(std::int32_t from, std::int32_t to, const std::string& bytes, bool* complete = nullptr) {
  DataBuffer out;
  bool done =
      EncodingConvert().convert(from, to, bytes.data(), static_cast<std::uint32_t>(bytes.size()), out);
  if (complete != nullptr) *complete = done;
  return asString(out);
}

std::int32_t cp(const char* name) {
  std::int32_t page = charsetToCodePage(name);
  EXPECT_NE(page, 0) << name;
  return page;
}

// A text of ASCII runs of every length around the vector width between the characters of
// `pieces`, so that characters fall at every place in a 16-byte block.
std::string mixed(const std::vector<std::string>& pieces) {
  std::string text;
  std::uint32_t seed = 7;
  for (int round = 0; round < 40; ++round) {
    for (const std::string& piece : pieces) {
      seed = seed * 1103515245u + 12345u;
      text.append((seed >> 16) % 37, static_cast<char>('a' + round % 26));
      if (round % 5 == 0) text += '\n';
      text += piece;
    }
  }
  return text;
}

// Runs `body` once on each code path the machine has (scalar first).
template <typename Body>
void onEachPath(Body body) {
  for (simd::Path path : {simd::Path::Scalar, simd::Path::Baseline, simd::Path::Avx2, simd::Path::Avx512}) {
    if (!simd::pathAvailable(path)) continue;
    simd::Path previous = simd::forcePath(path);
    body(simd::pathName(path));
    simd::forcePath(previous);
  }
}

struct CleanCase {
  const char* from;
  const char* to;
  std::vector<std::string> characters;  // UTF-8; the source is the engine's conversion of the text
  const char* prefix = "";              // source bytes put before the text (a byte-order mark)
};

TEST(CheckedConvert, CleanTextGivesTheEngineBytes) {
  const std::vector<std::string> latin = {"\xC3\xA9", "\xE2\x82\xAC", "\xC5\x93", "\xC2\xA0", "\xE2\x80\x9C"};
  const std::vector<std::string> japanese = {"\xE6\x97\xA5", "\xE3\x81\x82", "\xEF\xBD\xB1", "\xE2\x80\xBB",
                                             "\\"};
  const std::vector<std::string> korean = {"\xEA\xB0\x80", "\xED\x95\x9C", "\xEB\x8B\xA4"};
  const std::vector<std::string> chinese = {"\xE4\xB8\xAD", "\xE6\x96\x87", "\xE3\x80\x82"};
  const std::vector<std::string> cyrillic = {"\xD0\x96", "\xD1\x8F", "\xD0\x81"};
  const std::vector<std::string> any = {
      "\xC3\xA9",     "\xE6\x97\xA5", "\xF0\x9F\x98\x80",  "\xF4\x8F\xBF\xBD", "\xDF\xBF",
      "\xEF\xBB\xBF", "\x7F",         std::string(1, '\0')};
  const CleanCase cases[] = {
      {"windows-1252", "utf-8", latin},
      {"koi8-r", "utf-8", cyrillic},
      {"shift_jis", "utf-8", japanese},
      {"euc-jp", "utf-8", japanese},
      {"euc-kr", "utf-8", korean},
      {"big5", "utf-8", chinese},
      {"gb2312", "utf-8", chinese},
      {"utf-8", "shift_jis", japanese},
      {"utf-8", "windows-1252", latin},
      {"utf-8", "euc-kr", korean},
      {"utf-8", "koi8-r", cyrillic},
      {"utf-8", "shift_jis", japanese, "\xEF\xBB\xBF"},
      {"utf-16le", "utf-8", any},
      {"utf-16le", "utf-8", japanese},  // no surrogate: the whole block goes to the vector kernel
      {"utf-16le", "utf-8", latin, "\xFF\xFE"},
      {"utf-16be", "utf-8", any},
      {"utf-16le", "utf-8", any, "\xFF\xFE"},
      {"utf-16be", "utf-8", any, "\xFE\xFF"},
      {"utf-8", "utf-8", any},
      {"utf-8", "utf-8", any, "\xEF\xBB\xBF"},
  };
  for (const CleanCase& c : cases) {
    std::int32_t from = cp(c.from), to = cp(c.to);
    std::string text = mixed(c.characters);
    bool complete = false;
    std::string source = from == codepage::kUtf8 ? text : engine(codepage::kUtf8, from, text, &complete);
    if (from != codepage::kUtf8) { ASSERT_TRUE(complete) << c.from << " lacks a test character"; }
    source = c.prefix + source;
    std::string expected = engine(from, to, source);
    CheckedConvert checked(from, to);
    ASSERT_TRUE(checked.usable()) << c.from << " to " << c.to;
    onEachPath([&](const char* path) {
      DataBuffer out;
      out.append("kept", 4);  // output is appended after what the buffer holds
      EXPECT_TRUE(checked.convert(reinterpret_cast<const std::uint8_t*>(source.data()),
                                  static_cast<std::uint32_t>(source.size()), out))
          << c.from << " to " << c.to << " (" << path << ")";
      EXPECT_EQ(asString(out), "kept" + expected) << c.from << " to " << c.to << " (" << path << ")";
    });
  }
}

struct FaultCase {
  const char* from;
  const char* to;
  std::string fault;  // source bytes the engine leaves out (in part) when they stand anywhere
};

TEST(CheckedConvert, EveryFaultIsRefusedWhereverItStands) {
  const FaultCase cases[] = {
      {"utf-8", "utf-8", "\xFF"},
      {"utf-8", "utf-8", "\xC0\xAF"},          // overlong
      {"utf-8", "utf-8", "\xE0\x80\xAF"},      // overlong
      {"utf-8", "utf-8", "\xED\xA0\x80"},      // an encoded surrogate
      {"utf-8", "utf-8", "\xF4\x90\x80\x80"},  // above U+10FFFF
      {"utf-8", "utf-8", "\xE6\x97"},          // cut short
      {"utf-8", "utf-8", "\x80"},
      {"utf-8", "shift_jis", "\xC3\xA9"},          // U+00E9, not in Shift_JIS
      {"utf-8", "shift_jis", "\xF0\x9F\x98\x80"},  // beyond the BMP
      {"utf-8", "shift_jis", "\xE6\x97"},
      {"utf-8", "windows-1252", "\xE6\x97\xA5"},
      {"utf-8", "koi8-r", "\xC3\xA9"},
      {"shift_jis", "utf-8", "\x82"},  // a lead byte alone (also at the very end)
      {"euc-kr", "utf-8", "\xB0"},
      {"windows-1252", "utf-8", "\x81"},
      {"utf-16le", "utf-8", std::string("\x00\xD8", 2)},  // a lone high surrogate
      {"utf-16le", "utf-8", std::string("\x00\xDC", 2)},  // a lone low surrogate
      {"utf-16be", "utf-8", std::string("\xD8\x00", 2)},
      {"utf-16be", "utf-8", std::string("\xDC\x00", 2)},
  };
  for (const FaultCase& c : cases) {
    std::int32_t from = cp(c.from), to = cp(c.to);
    bool isUtf16 = from == codepage::kUtf16Le || from == codepage::kUtf16Be;
    std::string pad = isUtf16 ? engine(codepage::kUtf8, from, "x") : " ";  // never a trail byte
    CheckedConvert checked(from, to);
    ASSERT_TRUE(checked.usable()) << c.from << " to " << c.to;
    onEachPath([&](const char* path) {
      for (int before = 0; before <= 40; ++before) {
        std::string source;
        for (int k = 0; k < before; ++k) source += pad;
        source += c.fault;
        // With text after it, and at the end.
        for (int after : {0, 20}) {
          std::string input = source;
          for (int k = 0; k < after; ++k) input += pad;
          if (from != codepage::kUtf8 && !isUtf16) {
            bool complete = true;
            engine(from, codepage::kUtf16Le, input, &complete);
            ASSERT_FALSE(complete) << "the engine converts " << c.from << " fault " << before;
          }
          DataBuffer out;
          out.append("kept", 4);
          EXPECT_FALSE(checked.convert(reinterpret_cast<const std::uint8_t*>(input.data()),
                                       static_cast<std::uint32_t>(input.size()), out))
              << c.from << " to " << c.to << ", fault after " << before << " (" << path << ")";
          EXPECT_EQ(asString(out), "kept");
        }
      }
    });
  }
  // A byte windows-1252 leaves out, anywhere in a block longer than the vector chunks; the
  // same block clean gives the engine's bytes.
  {
    std::string latin = engine(codepage::kUtf8, 1252, mixed({"\xC3\xA9", "\xE2\x82\xAC", "\xC5\x93"}));
    while (latin.size() < 10000) latin += latin;
    CheckedConvert checked(1252, codepage::kUtf8);
    std::string expected = engine(1252, codepage::kUtf8, latin);
    for (std::size_t at : {std::size_t{0}, std::size_t{63}, std::size_t{4095}, std::size_t{4096},
                           latin.size() / 2, latin.size() - 1, latin.size()}) {
      std::string faulty = latin;
      faulty.insert(at, 1, '\x81');
      onEachPath([&](const char* path) {
        DataBuffer out;
        EXPECT_FALSE(checked.convert(reinterpret_cast<const std::uint8_t*>(faulty.data()),
                                     static_cast<std::uint32_t>(faulty.size()), out))
            << "0x81 at " << at << " (" << path << ")";
        DataBuffer clean;
        EXPECT_TRUE(checked.convert(reinterpret_cast<const std::uint8_t*>(latin.data()),
                                    static_cast<std::uint32_t>(latin.size()), clean));
        EXPECT_EQ(asString(clean), expected) << path;
      });
    }
  }
  // A lone surrogate deep in a long block of UTF-16, where clean blocks go to the vector kernel.
  for (const char* lone : {"\x00\xD8", "\x00\xDC", "\xFF\xDB"}) {
    std::string input = engine(codepage::kUtf8, codepage::kUtf16Le, mixed({"\xE6\x97\xA5", "\xC3\xA9"}));
    for (std::size_t at : {std::size_t{0}, input.size() / 2 & ~std::size_t{1}, input.size()}) {
      std::string faulty = input;
      faulty.insert(at, lone, 2);
      onEachPath([&](const char* path) {
        DataBuffer out;
        EXPECT_FALSE(CheckedConvert(codepage::kUtf16Le, codepage::kUtf8)
                         .convert(reinterpret_cast<const std::uint8_t*>(faulty.data()),
                                  static_cast<std::uint32_t>(faulty.size()), out))
            << "surrogate at " << at << " (" << path << ")";
      });
    }
  }
  // An odd byte count of UTF-16.
  DataBuffer out;
  const std::uint8_t odd[] = {'a', 0, 'b'};
  EXPECT_FALSE(CheckedConvert(codepage::kUtf16Le, codepage::kUtf8).convert(odd, sizeof odd, out));
}

// Pairs that keep state between characters, or that the engine rearranges, are never taken in
// one pass: a piece of them could not be converted on its own.
TEST(CheckedConvert, StatefulAndRearrangedPairsAreLeftToTheEngine) {
  const struct {
    const char* from;
    const char* to;
  } pairs[] = {{"iso-2022-jp", "utf-8"},  {"utf-8", "iso-2022-jp"}, {"hz-gb-2312", "utf-8"},
               {"utf-7", "utf-8"},        {"utf-8", "utf-7"},       {"x-mac-arabic", "utf-8"},
               {"utf-8", "windows-1256"}, {"utf-8", "utf-32"},      {"utf-8", "utf-16le"},
               {"shift_jis", "euc-kr"}};
  for (const auto& p : pairs)
    EXPECT_FALSE(CheckedConvert(cp(p.from), cp(p.to)).usable()) << p.from << " to " << p.to;
}

TEST(CheckedConvert, LineFeedsAreCountedInEachUnitSize) {
  // Long enough for the byte counters of the vector loop to be emptied more than once.
  std::string text;
  std::size_t feeds = 0;
  for (int i = 0; i < 6000; ++i) {
    bool feed = i % 7 == 3 || i % 13 == 0;
    text += feed ? "\n" : i % 5 == 0 ? "\xE0\xA8\x8A" : "a";  // U+0A0A holds 0x0A bytes in UTF-16/32
    feeds += feed;
  }
  for (std::int32_t page :
       {codepage::kUtf8, codepage::kUtf16Le, codepage::kUtf16Be, codepage::kUtf32Le, codepage::kUtf32Be}) {
    std::string name = std::to_string(page);
    std::string source = page == codepage::kUtf8 ? text : engine(codepage::kUtf8, page, text);
    onEachPath([&](const char* path) {
      for (std::size_t cut : {std::size_t{0}, std::size_t{4}, source.size() / 3 & ~std::size_t{3}}) {
        auto bytes = reinterpret_cast<const std::uint8_t*>(source.data());
        std::uint64_t counted =
            countLineFeeds(page, bytes, static_cast<std::uint32_t>(cut)) +
            countLineFeeds(page, bytes + cut, static_cast<std::uint32_t>(source.size() - cut));
        EXPECT_EQ(counted, feeds) << name << " cut at " << cut << " (" << path << ")";
      }
    });
  }
}

}  // namespace
}  // namespace vk
