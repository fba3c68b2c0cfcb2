// The byte transforms that carry ISO-2022-JP over Shift_JIS (932), ISO-2022-KR over code
// page 949 and HZ-GB-2312 over code page 936. The engine reaches them only through this
// table; a transform that is not present makes its code pages convert to nothing.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

struct Iso2022Transforms {
  // ISO-2022 / HZ bytes in, Shift_JIS / 949 / 936 bytes appended. Malformed input is read
  // leniently; these report nothing.
  void (*fromIso2022Jp)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  void (*fromIso2022Kr)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  // Shift_JIS / 949 / 936 bytes in, ISO-2022 / HZ bytes appended. They answer false when a
  // character has no form in the 7-bit encoding and was left out.
  bool (*toIso2022Jp)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  bool (*toIso2022Kr)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  void (*fromHz)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  bool (*toHz)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
};

// The transforms of this build, or null when none are present.
const Iso2022Transforms* iso2022Transforms();

}  // namespace vk
