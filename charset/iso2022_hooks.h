// The byte transforms that carry ISO-2022-JP over Shift_JIS (932) and ISO-2022-KR over code
// page 949. The engine reaches them only through this table; a transform that is not
// present makes its code pages convert to nothing.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

struct Iso2022Transforms {
  // ISO-2022 bytes in, Shift_JIS / 949 bytes appended.
  void (*fromIso2022Jp)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  void (*fromIso2022Kr)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  // Shift_JIS / 949 bytes in, ISO-2022 bytes appended.
  void (*toIso2022Jp)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
  void (*toIso2022Kr)(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
};

// The transforms of this build, or null when none are present.
const Iso2022Transforms* iso2022Transforms();

}  // namespace vk
