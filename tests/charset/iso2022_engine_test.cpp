// ISO-2022-JP (50220, 50221, 50222), ISO-2022-KR (50225) and HZ-GB-2312 (52936) through the
// engine: round trips of representative text, the charset names that lead there, cross-checks
// with glibc iconv and Python's codecs, and random and truncated input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "charset/encoding_convert.h"
#include "charset/hz.h"
#include "charset/iso2022_hooks.h"
#include "charset/japanese.h"
#include "charset/korean.h"
#include "test_bytes.h"

#if !defined(_WIN32) && __has_include(<iconv.h>)
#include <iconv.h>
#include <unistd.h>
#define VK_HAVE_PEERS 1
#endif

namespace vk {
namespace {

using test::Bytes;
using test::show;

constexpr std::int32_t kUtf8 = 65001;
constexpr std::int32_t kUtf16 = 1200;

Bytes convert(std::int32_t from, std::int32_t to, const Bytes& input, bool* result = nullptr) {
  DataBuffer output;
  bool ok =
      EncodingConvert().convert(from, to, input.data(), static_cast<std::uint32_t>(input.size()), output);
  if (result != nullptr) *result = ok;
  return test::contents(output);
}

bool allSevenBit(const Bytes& bytes) {
  for (std::uint8_t b : bytes) {
    if (b >= 0x80) return false;
  }
  return true;
}

const char kJapanese[] =
    "吾輩は猫である。名前はまだ無い。\r\nどこで生れたかとんと見当がつかぬ。"
    "「カタカナ」『記号』【括弧】〒※←→ ASCII: a~b\\c {x}\n";
const char kJapaneseNec[] = "①②⑩Ⅰ㈱№ 第１３区";  // NEC row 13, carried as JIS row 13
const char kKorean[] =
    "대한민국 헌법 제1조 ① 대한민국은 민주공화국이다.\r\n"
    "韓國語 漢字, ASCII ~ and 한글 끝";
const char kChinese[] =
    "中华人民共和国宪法\r\n第一条 中华人民共和国是工人阶级领导的……国家。\n"
    "ASCII ~tilde~ {braces} 《书名》“引号”";

struct RoundTripCase {
  const char* name;
  std::int32_t codePage;
  const char* text;  // UTF-8
};

class TransformRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(TransformRoundTrip, Utf8ThereAndBack) {
  const RoundTripCase& c = GetParam();
  Bytes text = test::bytesOf(c.text);
  bool there = false;
  Bytes encoded = convert(kUtf8, c.codePage, text, &there);
  EXPECT_TRUE(there);
  EXPECT_TRUE(allSevenBit(encoded)) << show(encoded);
  bool back = false;
  Bytes decoded = convert(c.codePage, kUtf8, encoded, &back);
  EXPECT_TRUE(back);
  EXPECT_EQ(std::string(decoded.begin(), decoded.end()), c.text);
}

const RoundTripCase kRoundTrips[] = {
    {"Jp50220", 50220, kJapanese},
    {"Jp50221", 50221, kJapanese},
    {"Jp50222", 50222, kJapanese},
    {"JpNecRow13", 50220, kJapaneseNec},
    {"Kr50225", 50225, kKorean},
    {"Hz52936", 52936, kChinese},
    {"JpAsciiOnly", 50220, "plain\r\n"},
    {"KrAsciiOnly", 50225, "plain\r\n"},
    {"HzAsciiOnly", 52936, "plain ~ \r\n"},
};
INSTANTIATE_TEST_SUITE_P(Texts, TransformRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TransformEngine, TransformedPagesCountAsConvertible) {
  for (std::int32_t page : {50220, 50221, 50222, 50225, 52936}) {
    EXPECT_TRUE(EncodingConvert::canConvert(page)) << page;
  }
  EXPECT_FALSE(EncodingConvert::canConvert(50227));  // ISO-2022-CN has no transform
}

TEST(TransformEngine, NullOrEmptyInputAppendsNothing) {
  const Iso2022Transforms* transforms = iso2022Transforms();
  ASSERT_NE(transforms, nullptr);
  for (auto decode : {transforms->fromIso2022Jp, transforms->fromIso2022Kr, transforms->fromHz}) {
    DataBuffer output;
    decode(nullptr, 5, output);
    decode(reinterpret_cast<const std::uint8_t*>("A"), 0, output);
    EXPECT_EQ(output.length(), 0u);
  }
  for (auto encode : {transforms->toIso2022Jp, transforms->toIso2022Kr, transforms->toHz}) {
    DataBuffer output;
    EXPECT_TRUE(encode(nullptr, 5, output));
    EXPECT_TRUE(encode(reinterpret_cast<const std::uint8_t*>("A"), 0, output));
    EXPECT_EQ(output.length(), 0u);  // no ISO-2022-KR designator either
  }
}

TEST(TransformEngine, EmptyAndUndecodableSourcesGiveTrueAndNothing) {
  for (std::int32_t page : {50220, 50221, 50222, 50225, 52936}) {
    bool result = false;
    EXPECT_TRUE(convert(page, kUtf8, {}, &result).empty());
    EXPECT_TRUE(result);
    EXPECT_TRUE(convert(kUtf8, page, {}, &result).empty());
    EXPECT_TRUE(result);
    // Escapes alone decode to nothing: success with no output.
    Bytes escapesOnly = page == 50225   ? test::hex("1B 24 29 43 0E 0F")
                        : page == 52936 ? test::bytesOf("~{~}")
                                        : test::hex("1B 24 42 1B 28 42");
    EXPECT_TRUE(convert(page, kUtf8, escapesOnly, &result).empty()) << page;
    EXPECT_TRUE(result);
  }
}

TEST(TransformEngine, NotRepresentableCharactersLeftOutWithFalse) {
  struct Case {
    std::int32_t page;
    const char* text;
    const char* kept;
  };
  const Case cases[] = {
      {50220,
       "a\xEE\x80\x80"
       "b",
       "ab"},                 // U+E000: Shift_JIS user-defined area (F0 40)
      {50220, "a髙b", "ab"},  // IBM extension FB FC: no JIS X 0208 position
      {50220, "a가b", "ab"},  // not in 932 at all
      {50225, "a갂b", "ab"},  // extended hangul of 949
      {52936, "a丂b", "ab"},  // GBK extension
  };
  for (const Case& c : cases) {
    bool result = true;
    Bytes encoded = convert(kUtf8, c.page, test::bytesOf(c.text), &result);
    EXPECT_FALSE(result) << c.page << " " << c.text;
    EXPECT_TRUE(allSevenBit(encoded));
    Bytes decoded = convert(c.page, kUtf8, encoded);
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), c.kept);
  }
}

struct NameCase {
  const char* charset;
  const char* text;
};

class TransformNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(TransformNames, NameReachesTheTransform) {
  const NameCase& c = GetParam();
  std::string text = c.text;
  DataBuffer encoded;
  ASSERT_TRUE(EncodingConvert().convertToCharset(kUtf8, c.charset, text.data(),
                                                 static_cast<std::uint32_t>(text.size()), encoded));
  EXPECT_TRUE(allSevenBit(test::contents(encoded)));
  EXPECT_NE(test::contents(encoded), test::bytesOf(text));
  DataBuffer decoded;
  ASSERT_TRUE(
      EncodingConvert().convertFromCharset(c.charset, kUtf8, encoded.data(), encoded.length(), decoded));
  EXPECT_EQ(std::string(decoded.data(), decoded.data() + decoded.length()), text);
}

const NameCase kNames[] = {
    {"csISO2022JP", "日本"},
    {"iso-2022-jp-2", "日本"},
    {"ISO_2022_KR", "한국"},
    {"HZ-GB-2312", "中国"},
};
INSTANTIATE_TEST_SUITE_P(Charsets, TransformNames, ::testing::ValuesIn(kNames), [](const auto& info) {
  std::string name;
  for (const char* p = info.param.charset; *p; ++p) {
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  }
  return name;
});

// Random bytes through every transform and through the engine in both directions: never a
// crash, a leak or a read past the input (the sanitizer build watches), and the encoders'
// output for anything the engine hands them is 7-bit and decodes to text that encodes to the
// same bytes again.
Bytes randomBytes(std::mt19937& random, std::size_t maxLength, bool biased) {
  std::size_t length = random() % (maxLength + 1);
  Bytes bytes(length);
  // Biased input is made mostly of the bytes the transforms treat specially.
  const std::uint8_t special[] = {0x1B, 0x24, 0x28, 0x29, 0x40, 0x42, 0x43, 0x4A, 0x0E, 0x0F,
                                  0x0D, 0x0A, 0x7E, 0x7B, 0x7D, 0x30, 0x21, 0xDE, 0xDF, 0xB6};
  for (auto& b : bytes) {
    b = biased && random() % 2 ? special[random() % sizeof special] : static_cast<std::uint8_t>(random());
  }
  return bytes;
}

TEST(TransformRobustness, RandomBytesThroughEachTransform) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 3000; ++round) {
    Bytes input = randomBytes(random, 48, round % 2 == 0);
    auto n = static_cast<std::uint32_t>(input.size());
    DataBuffer out;
    Japanese::fromIso2022Jp(input.data(), n, out);
    // Each decoder writes at most one byte per input byte.
    EXPECT_LE(out.length(), n);
    out.clear();
    Korean::fromIso2022Kr(input.data(), n, out);
    EXPECT_LE(out.length(), n);
    out.clear();
    Chinese::fromHz(input.data(), n, out);
    EXPECT_LE(out.length(), n);
    out.clear();
    Japanese::toIso2022Jp(input.data(), n, out);
    out.clear();
    Korean::toIso2022Kr(input.data(), n, out);
    out.clear();
    Chinese::toHz(input.data(), n, out);
  }
}

TEST(TransformRobustness, RandomBytesThroughTheEngine) {
  std::mt19937 random(77);
  const std::int32_t pages[] = {50220, 50221, 50222, 50225, 52936};
  for (int round = 0; round < 600; ++round) {
    Bytes input = randomBytes(random, 64, round % 2 == 1);
    for (std::int32_t page : pages) {
      Bytes wide = convert(page, kUtf16, input);
      EXPECT_EQ(wide.size() % 2, 0u);
      convert(page, kUtf8, input);
      convert(page, 1252, input);
      convert(kUtf8, page, input);
    }
  }
}

TEST(TransformRobustness, RandomTextEncodesSevenBitAndStable) {
  std::mt19937 random(4242);
  const std::int32_t pages[] = {50220, 50225, 52936};
  for (int round = 0; round < 400; ++round) {
    // Random UTF-16 units, weighted towards the CJK and kana blocks.
    Bytes wide;
    std::size_t units = random() % 40;
    for (std::size_t i = 0; i < units; ++i) {
      std::uint32_t pick = random() % 4;
      std::uint16_t unit = pick == 0   ? static_cast<std::uint16_t>(0x20 + random() % 0x60)
                           : pick == 1 ? static_cast<std::uint16_t>(0x3000 + random() % 0x100)
                           : pick == 2 ? static_cast<std::uint16_t>(0x4E00 + random() % 0x5200)
                                       : static_cast<std::uint16_t>(random());
      wide.push_back(static_cast<std::uint8_t>(unit));
      wide.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    for (std::int32_t page : pages) {
      Bytes encoded = convert(kUtf16, page, wide);
      ASSERT_TRUE(allSevenBit(encoded)) << page << ": " << show(encoded);
      bool decodedAll = false;
      Bytes decoded = convert(page, kUtf16, encoded, &decodedAll);
      EXPECT_TRUE(decodedAll || encoded.empty()) << page << ": " << show(encoded);
      bool again = false;
      Bytes reencoded = convert(kUtf16, page, decoded, &again);
      // Text that left nothing to decode (only a designator) encodes to nothing at all.
      if (decoded.empty()) continue;
      EXPECT_TRUE(again) << page;
      EXPECT_EQ(show(reencoded), show(encoded)) << page;
    }
  }
}

TEST(TransformRobustness, TruncatedIso2022JpDecodesToAPrefix) {
  Bytes text = test::bytesOf(kJapanese);
  Bytes sjis = convert(kUtf8, 932, text);
  DataBuffer jis;
  ASSERT_TRUE(Japanese::toIso2022Jp(sjis.data(), static_cast<std::uint32_t>(sjis.size()), jis));
  Bytes full = test::contents(jis);
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    DataBuffer part;
    Japanese::fromIso2022Jp(full.data(), static_cast<std::uint32_t>(cut), part);
    Bytes got = test::contents(part);
    ASSERT_LE(got.size(), sjis.size());
    ASSERT_TRUE(std::equal(got.begin(), got.end(), sjis.begin())) << cut;
  }
}

#ifdef VK_HAVE_PEERS

// glibc iconv as an independent peer. It follows JIS X 0208 and KS X 1001 and so agrees with
// this system on text that does not reach the Shift_JIS vendor rows or the places where the
// 932 table and JIS X 0208 map a code differently (0x8160 is U+FF5E here, U+301C there).
std::optional<Bytes> iconvConvert(const char* to, const char* from, const Bytes& input) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  Bytes out(input.size() * 4 + 64);
  char* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(input.data()));
  std::size_t inLeft = input.size();
  char* o = reinterpret_cast<char*>(out.data());
  std::size_t outLeft = out.size();
  bool ok = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1) &&
            iconv(cd, nullptr, nullptr, &o, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

struct PeerCase {
  const char* name;
  std::int32_t codePage;
  const char* iconvName;
  const char* pythonCodec;
  const char* text;
  bool pythonEncodesAlike;  // false where Python's encoder is known to write other bytes
};

const char kKoreanFromLineStart[] = "한국어 텍스트입니다.\n둘째 줄: 漢字 abc\r\n";

const PeerCase kPeerCases[] = {
    {"Japanese", 50220, "ISO-2022-JP", "iso2022_jp", kJapanese, true},
    {"JapaneseShort", 50220, "ISO-2022-JP", "iso2022_jp", "日本語ABC\r\n漢字", true},
    // Python writes the designator just before the first SO rather than at the head.
    {"Korean", 50225, "ISO-2022-KR", "iso2022_kr", kKorean, false},
    {"KoreanFromLineStart", 50225, "ISO-2022-KR", "iso2022_kr", kKoreanFromLineStart, true},
    {"Chinese", 52936, nullptr, "hz", kChinese, true},
};

class PeerCrossCheck : public ::testing::TestWithParam<PeerCase> {};

TEST_P(PeerCrossCheck, IconvWritesAndReadsTheSameBytes) {
  const PeerCase& c = GetParam();
  if (c.iconvName == nullptr) GTEST_SKIP() << "glibc iconv has no HZ";
  Bytes text = test::bytesOf(c.text);
  std::optional<Bytes> theirs = iconvConvert(c.iconvName, "UTF-8", text);
  if (!theirs) GTEST_SKIP() << "iconv cannot convert to " << c.iconvName;
  EXPECT_EQ(show(convert(kUtf8, c.codePage, text)), show(*theirs));
  bool result = false;
  Bytes ours = convert(c.codePage, kUtf8, *theirs, &result);
  EXPECT_TRUE(result);
  EXPECT_EQ(std::string(ours.begin(), ours.end()), c.text);
}

// The Python interpreter itself, found once (a launcher in front of it can be slow to start);
// empty when there is none.
const std::string& pythonExecutable() {
  static const std::string path = [] {
    std::string found;
    if (FILE* pipe = popen("python3 -c \"import sys; print(sys.executable)\" 2>/dev/null", "r")) {
      char line[1024];
      if (fgets(line, sizeof line, pipe) != nullptr) found = line;
      if (pclose(pipe) != 0) found.clear();
    }
    while (!found.empty() && (found.back() == '\n' || found.back() == '\r')) found.pop_back();
    return found;
  }();
  return path;
}

bool pythonAvailable() { return !pythonExecutable().empty(); }

// Runs Python's codec on `input`: "encode" reads UTF-8 and writes the codec's bytes,
// "decode" the reverse. Nothing when Python is not there or the codec refuses the input.
std::optional<Bytes> pythonCodec(const char* direction, const char* codec, const Bytes& input) {
  if (!pythonAvailable()) return std::nullopt;
  char path[] = "/tmp/vk_iso2022_peerXXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return std::nullopt;
  bool written = write(fd, input.data(), input.size()) == static_cast<ssize_t>(input.size());
  close(fd);
  std::optional<Bytes> result;
  if (written) {
    std::string command = "'" + pythonExecutable() +
                          "' -c \"import sys; d=open(sys.argv[1],'rb').read(); "
                          "o=d.decode('utf-8').encode(sys.argv[3]) if sys.argv[2]=='encode' "
                          "else d.decode(sys.argv[3]).encode('utf-8'); sys.stdout.buffer.write(o)\" " +
                          path + " " + direction + " " + codec + " 2>/dev/null";
    if (FILE* pipe = popen(command.c_str(), "r")) {
      Bytes out;
      std::uint8_t chunk[4096];
      std::size_t n;
      while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.insert(out.end(), chunk, chunk + n);
      if (pclose(pipe) == 0) result = out;
    }
  }
  unlink(path);
  return result;
}

TEST_P(PeerCrossCheck, PythonCodecAgrees) {
  const PeerCase& c = GetParam();
  if (!pythonAvailable()) GTEST_SKIP() << "python3 is not available";
  Bytes text = test::bytesOf(c.text);
  std::optional<Bytes> theirs = pythonCodec("encode", c.pythonCodec, text);
  ASSERT_TRUE(theirs.has_value()) << "Python refused the text";
  Bytes ours = convert(kUtf8, c.codePage, text);
  if (c.pythonEncodesAlike) { EXPECT_EQ(show(ours), show(*theirs)); }
  // Each side reads the other's bytes back to the text.
  bool result = false;
  Bytes fromTheirs = convert(c.codePage, kUtf8, *theirs, &result);
  EXPECT_TRUE(result);
  EXPECT_EQ(std::string(fromTheirs.begin(), fromTheirs.end()), c.text);
  std::optional<Bytes> theirsFromOurs = pythonCodec("decode", c.pythonCodec, ours);
  ASSERT_TRUE(theirsFromOurs.has_value()) << "Python refused our bytes: " << show(ours);
  EXPECT_EQ(std::string(theirsFromOurs->begin(), theirsFromOurs->end()), c.text);
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerCrossCheck, ::testing::ValuesIn(kPeerCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Where this system and the peers part ways by design.
TEST(PeerDifferences, HalfWidthKatakanaIsWidenedWherePeersRefuse) {
  Bytes half = test::bytesOf("ｶﾞｿﾞﾘﾝ");
  bool result = false;
  Bytes ours = convert(kUtf8, 50220, half, &result);
  EXPECT_TRUE(result);
  Bytes back = convert(50220, kUtf8, ours);
  EXPECT_EQ(std::string(back.begin(), back.end()), "ガゾリン");
  EXPECT_FALSE(iconvConvert("ISO-2022-JP", "UTF-8", half).has_value());
  if (pythonAvailable()) {
    EXPECT_FALSE(pythonCodec("encode", "iso2022_jp", half).has_value());
    // Python's widening-free reading of our bytes is the full-width text.
    std::optional<Bytes> theirs = pythonCodec("decode", "iso2022_jp", ours);
    ASSERT_TRUE(theirs.has_value());
    EXPECT_EQ(std::string(theirs->begin(), theirs->end()), "ガゾリン");
  }
}

TEST(PeerDifferences, WaveDashFollowsTheShiftJisTable) {
  // JIS 21 41 is U+301C in JIS X 0208 and U+FF5E in the 932 table this system reads it by.
  Bytes jis = test::hex("1B 24 42 21 41 1B 28 42");
  Bytes ours = convert(50220, kUtf8, jis);
  EXPECT_EQ(std::string(ours.begin(), ours.end()), "～");
  std::optional<Bytes> theirs = iconvConvert("UTF-8", "ISO-2022-JP", jis);
  ASSERT_TRUE(theirs.has_value());
  EXPECT_EQ(std::string(theirs->begin(), theirs->end()), "〜");
}

#endif  // VK_HAVE_PEERS

}  // namespace
}  // namespace vk
