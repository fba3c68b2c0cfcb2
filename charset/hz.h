// HZ-GB-2312 (code page 52936, RFC 1843) as a byte transform over GBK (code page 936), in the
// manner of the ISO-2022 transforms: decoding yields 936 bytes that the engine converts on,
// encoding takes the engine's 936 rendering and writes it as 7-bit HZ.
//
// HZ text is ASCII until '~{', after which GB2312 codes follow as byte pairs with the high
// bits cleared (0x21-0x7E each) until '~}'. In ASCII, '~~' stands for '~' and '~' before a
// line break joins the two lines.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

class Chinese {
 public:
  virtual ~Chinese() = default;

  // HZ bytes in, 936 bytes appended. Read leniently: a '~' that starts no escape stays as
  // text, a line break ends a GB run as '~}' would, a GB byte without a partner (the last of
  // the text, or one before a byte outside 0x21-0x7E) is dropped, and other bytes inside a
  // GB run pass through as they are.
  static void fromHz(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  // Code page 936 bytes in, HZ bytes appended; every GB run is closed by '~}' before any
  // ASCII byte and at the end, and '~' is written '~~'. Only the GB2312 area (both bytes
  // 0xA1-0xFE, except the row 0xFE, whose 7-bit form '~' would clash with the escapes) can
  // be written; the other pairs of 936 (the GBK extensions), its single bytes 0x80 and 0xFF
  // and a lead byte cut off by the end of the input are left out and the answer is false.
  static bool toHz(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
};

}  // namespace vk
