#include "charset/japanese.h"

#include "charset/staged_output.h"

namespace vk {
namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kVoicedMark = 0xDE;
constexpr std::uint8_t kSemiVoicedMark = 0xDF;

// Full-width Shift_JIS pairs of the half-width katakana bytes 0xA1-0xDF, in byte order.
constexpr std::uint8_t kFullWidthKatakana[63][2] = {
    {0x81, 0x42}, {0x81, 0x75}, {0x81, 0x76}, {0x81, 0x41}, {0x81, 0x45}, {0x83, 0x92},  // A1-A6
    {0x83, 0x40}, {0x83, 0x42}, {0x83, 0x44}, {0x83, 0x46}, {0x83, 0x48}, {0x83, 0x83},  // A7-AC
    {0x83, 0x85}, {0x83, 0x87}, {0x83, 0x62}, {0x81, 0x5B}, {0x83, 0x41}, {0x83, 0x43},  // AD-B2
    {0x83, 0x45}, {0x83, 0x47}, {0x83, 0x49}, {0x83, 0x4A}, {0x83, 0x4C}, {0x83, 0x4E},  // B3-B8
    {0x83, 0x50}, {0x83, 0x52}, {0x83, 0x54}, {0x83, 0x56}, {0x83, 0x58}, {0x83, 0x5A},  // B9-BE
    {0x83, 0x5C}, {0x83, 0x5E}, {0x83, 0x60}, {0x83, 0x63}, {0x83, 0x65}, {0x83, 0x67},  // BF-C4
    {0x83, 0x69}, {0x83, 0x6A}, {0x83, 0x6B}, {0x83, 0x6C}, {0x83, 0x6D}, {0x83, 0x6E},  // C5-CA
    {0x83, 0x71}, {0x83, 0x74}, {0x83, 0x77}, {0x83, 0x7A}, {0x83, 0x7D}, {0x83, 0x7E},  // CB-D0
    {0x83, 0x80}, {0x83, 0x81}, {0x83, 0x82}, {0x83, 0x84}, {0x83, 0x86}, {0x83, 0x88},  // D1-D6
    {0x83, 0x89}, {0x83, 0x8A}, {0x83, 0x8B}, {0x83, 0x8C}, {0x83, 0x8D}, {0x83, 0x8F},  // D7-DC
    {0x83, 0x93}, {0x81, 0x4A}, {0x81, 0x4B},                                            // DD-DF
};

bool isLeadByte(std::uint8_t b) { return inRange(b, 0x81, 0x9F) || inRange(b, 0xE0, 0xEF); }
bool isTrailByte(std::uint8_t b) { return inRange(b, 0x40, 0xFC); }
// Lead bytes of Shift_JIS rows that have no JIS X 0208 position (user-defined F0-F9, IBM
// extensions FA-FC): their pairs cannot be written in ISO-2022-JP.
bool isExtensionLeadByte(std::uint8_t b) { return inRange(b, 0xF0, 0xFC); }
// Letters that the voiced mark turns into a combined letter: KA..TO, HA..HO, and U (to VU).
bool takesVoicedMark(std::uint8_t b) { return inRange(b, 0xB6, 0xC4) || inRange(b, 0xCA, 0xCE) || b == 0xB3; }
bool takesSemiVoicedMark(std::uint8_t b) { return inRange(b, 0xCA, 0xCE); }

// The escape sequences of ISO-2022-JP that this transform writes.
void enterKanji(StagedOutput& out) { out.put(kEsc, 0x24, 0x42); }  // ESC $ B: JIS X 0208
void enterAscii(StagedOutput& out) { out.put(kEsc, 0x28, 0x42); }  // ESC ( B: ASCII

}  // namespace

Japanese::Pair Japanese::jisToShiftJis(std::uint8_t j1, std::uint8_t j2) {
  auto s1 = static_cast<std::uint8_t>(((j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0));
  std::uint8_t s2;
  if (j1 & 1) {
    s2 = static_cast<std::uint8_t>(j2 + (j2 <= 0x5F ? 0x1F : 0x20));
  } else {
    s2 = static_cast<std::uint8_t>(j2 + 0x7E);
  }
  return {s1, s2};
}

Japanese::Pair Japanese::shiftJisToJis(std::uint8_t s1, std::uint8_t s2) {
  auto j1 = static_cast<std::uint8_t>(2 * (s1 - (s1 < 0xA0 ? 0x70 : 0xB0)) - (s2 < 0x9F ? 1 : 0));
  std::uint8_t j2;
  if (s2 < 0x9F) {
    j2 = static_cast<std::uint8_t>(s2 - (s2 <= 0x7F ? 0x1F : 0x20));
  } else {
    j2 = static_cast<std::uint8_t>(s2 - 0x7E);
  }
  return {j1, j2};
}

Japanese::Widened Japanese::widenKatakana(std::uint8_t katakana, int next) {
  Widened result{{0x81, 0x45}, false};  // outside 0xA1-0xDF: the middle dot, never used
  if (!inRange(katakana, 0xA1, 0xDF)) return result;
  const std::uint8_t* full = kFullWidthKatakana[katakana - 0xA1];
  result.pair = {full[0], full[1]};
  std::uint8_t& p2 = result.pair.second;
  if (next == kVoicedMark && takesVoicedMark(katakana)) {
    result.absorbedNext = true;
    if (inRange(p2, 0x4A, 0x67) || inRange(p2, 0x6E, 0x7A)) {
      p2 = static_cast<std::uint8_t>(p2 + 1);
    } else if (result.pair.first == 0x83 && p2 == 0x45) {
      p2 = 0x94;  // U with the voiced mark is VU, which sits apart from the other letters
    }
  } else if (next == kSemiVoicedMark && takesSemiVoicedMark(katakana)) {
    result.absorbedNext = true;
    p2 = static_cast<std::uint8_t>(p2 + 2);
  }
  return result;
}

namespace {

// ISO-2022-JP bytes to Shift_JIS bytes as Japanese::fromIso2022Jp describes, or, into
// FirstLenient, the walk up to the first place it reads leniently.
template <class Output>
void readIso2022Jp(const std::uint8_t* bytes, std::uint32_t count, Output& out) {
  bool kanji = false;
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (b == kEsc) {
      std::uint8_t c = i + 1 < count ? bytes[i + 1] : 0;
      std::uint8_t d = i + 2 < count ? bytes[i + 2] : 0;
      bool toKanji = c == 0x24 && (d == 0x40 || d == 0x42);  // ESC $ @, ESC $ B
      bool toAscii = c == 0x28 && (d == 0x42 || d == 0x4A);  // ESC ( B, ESC ( J
      if (toKanji || toAscii) {
        kanji = toKanji;
      } else if (out.lenientAt(i)) {
        break;
      }
      // Any other sequence is swallowed: three bytes after ESC $ and ESC (, else two; one cut
      // off by the end ends the text.
      std::uint32_t length = (c == 0x24 || c == 0x28) ? 3 : 2;
      if (count - i < length) break;
      i += length;
      continue;
    }
    if (b == kCr || b == kLf) {
      kanji = false;
      out.put(b);
      ++i;
      continue;
    }
    if (kanji) {
      if (i + 1 >= count) {  // a lone byte left of a pair
        out.lenientAt(i);
        break;
      }
      std::uint8_t c = bytes[i + 1];
      // ESC, CR or LF taken into a pair as its second byte: read so all the same.
      if ((c == kEsc || c == kCr || c == kLf) && out.lenientAt(i)) break;
      Japanese::Pair s = Japanese::jisToShiftJis(b, c);
      out.put(s.first, s.second);
      i += 2;
      continue;
    }
    out.put(b);
    ++i;
  }
}

}  // namespace

void Japanese::fromIso2022Jp(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  if (bytes == nullptr || count == 0) return;
  StagedOutput out(output);
  readIso2022Jp(bytes, count, out);
}

std::uint32_t Japanese::firstMalformedIso2022Jp(const std::uint8_t* bytes, std::uint32_t count) {
  FirstLenient check(count);
  readIso2022Jp(bytes, count, check);
  return check.at();
}

bool Japanese::toIso2022Jp(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  if (bytes == nullptr || count == 0) return true;
  StagedOutput out(output);
  bool kanji = false;
  bool complete = true;
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (b == kCr || b == kLf) {
      if (kanji) enterAscii(out);
      kanji = false;
      out.put(b);
      ++i;
    } else if (isLeadByte(b)) {
      if (i + 1 >= count) {
        complete = false;  // the lead byte's pair is cut off
        break;
      }
      std::uint8_t c = bytes[i + 1];
      if (isTrailByte(c)) {
        if (!kanji) enterKanji(out);
        kanji = true;
        Pair j = shiftJisToJis(b, c);
        out.put(j.first, j.second);
      } else {
        out.put(b, c);  // not a Shift_JIS pair: copied as it stands
      }
      i += 2;
    } else if (inRange(b, 0xA1, 0xDF)) {
      Widened w = widenKatakana(b, i + 1 < count ? bytes[i + 1] : -1);
      if (!kanji) enterKanji(out);
      kanji = true;
      Pair j = shiftJisToJis(w.pair.first, w.pair.second);
      out.put(j.first, j.second);
      i += w.absorbedNext ? 2 : 1;
    } else if (b >= 0x80) {
      // 0x80, 0xA0 and 0xF0-0xFF: the user-defined and IBM extension pairs and the private
      // single bytes have no place in a 7-bit JIS X 0208 stream. Written raw, the trail byte
      // of a pair would be read as a lead or katakana byte of its own.
      complete = false;
      i += (isExtensionLeadByte(b) && i + 1 < count && isTrailByte(bytes[i + 1])) ? 2 : 1;
    } else {
      if (kanji) enterAscii(out);
      kanji = false;
      out.put(b);
      ++i;
    }
  }
  if (kanji) enterAscii(out);
  return complete;
}

}  // namespace vk
