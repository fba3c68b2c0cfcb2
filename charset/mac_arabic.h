// Mac Arabic stores right-to-left runs of digits and punctuation in visual order and uses its own
// bytes for them. The engine converts a copy brought to logical order, with ASCII digits and
// punctuation, through the code page's table.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

// The bytes of code page 10004 in logical order, marked bytes rewritten.
DataBuffer reorderMacArabic(const std::uint8_t* bytes, std::uint32_t count);

}  // namespace vk
