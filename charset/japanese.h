// ISO-2022-JP (code pages 50220, 50221 and 50222, all handled alike) as a byte transform
// over Shift_JIS (code page 932). Decoding turns the JIS X 0208 runs between ESC $ B and
// ESC ( B into Shift_JIS pairs, which the engine then converts from 932; encoding takes the
// engine's Shift_JIS rendering and wraps its double-byte runs in escape sequences, widening
// half-width katakana (which ISO-2022-JP cannot carry) to their full-width forms.
//
// The further character sets of ISO-2022-JP-1 and -2 are not supported: their designations
// are swallowed on input and never written.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

class Japanese {
 public:
  virtual ~Japanese() = default;

  // A double-byte code, as JIS (row and cell bytes 0x21-0x7E) or as Shift_JIS (lead, trail).
  struct Pair {
    std::uint8_t first;
    std::uint8_t second;
  };

  // The full-width Shift_JIS pair of a half-width katakana byte (0xA1-0xDF), combining the
  // voiced (0xDE) or semi-voiced (0xDF) mark that follows where the full-width set has a
  // combined letter.
  struct Widened {
    Pair pair;
    bool absorbedNext;  // the following mark became part of the letter
  };

  // ISO-2022-JP bytes in, Shift_JIS bytes appended. Malformed input is read leniently:
  // unknown escape sequences are swallowed, CR and LF end a kanji run, and a lone byte left
  // at the end of a kanji run is dropped.
  static void fromIso2022Jp(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  // Where fromIso2022Jp first reads leniently: the offset of the first escape sequence it
  // swallows (any but ESC $ @, ESC $ B, ESC ( B and ESC ( J, or one cut off by the end) or
  // of a lone byte left at the end of a kanji run; `count` when there is none.
  static std::uint32_t firstMalformedIso2022Jp(const std::uint8_t* bytes, std::uint32_t count);
  // Shift_JIS bytes in, ISO-2022-JP bytes appended; every kanji run is closed by ESC ( B
  // before CR, LF, other single bytes and the end of the text. Answers false when something
  // could not be carried: pairs of the user-defined and IBM extension rows (lead bytes
  // 0xF0-0xFC), the single bytes 0x80, 0xA0 and 0xFD-0xFF, and a lead byte cut off by the
  // end of the input are left out.
  static bool toIso2022Jp(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);

  // `katakana` in 0xA1-0xDF; `next` is the byte after it, or -1 at the end of the input.
  static Widened widenKatakana(std::uint8_t katakana, int next);

  // Pair arithmetic on bytes (modulo 256); neither checks that its input is in range.
  static Pair jisToShiftJis(std::uint8_t j1, std::uint8_t j2);
  static Pair shiftJisToJis(std::uint8_t s1, std::uint8_t s2);
};

}  // namespace vk
