// ISO-2022-KR (code page 50225, RFC 1557) as a byte transform over EUC-KR bytes, which the
// engine reads and writes as code page 949. Korean text travels shifted out (SO ... SI) with
// the high bit of each byte cleared, after the designator ESC $ ) C at the head of the text.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

class Korean {
 public:
  virtual ~Korean() = default;

  // ISO-2022-KR bytes in, EUC-KR bytes appended. The designator is skipped wherever it
  // stands, a stray ESC is dropped, and a lone byte left at the end of a shifted run is
  // dropped.
  static void fromIso2022Kr(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  // Code page 949 bytes in, ISO-2022-KR bytes appended: the designator first, then the text
  // with SO before each Korean run and SI after it, so the text ends unshifted and every
  // line break is written unshifted. Only KS X 1001 pairs (both bytes 0xA1-0xFE) can travel
  // shifted; the other pairs of 949 (its extended hangul), its single bytes 0x80 and 0xFF
  // and a lead byte cut off by the end of the input are left out and the answer is false.
  static bool toIso2022Kr(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
};

}  // namespace vk
