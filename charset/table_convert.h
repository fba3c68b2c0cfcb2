// The table code pages (single-byte and multi-byte) to and from UTF-16LE and UTF-8: the
// engine's conversions through the table store's lookups, with the vector kernels of
// charset/simd/ taking whole blocks where the processor has them.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

// Bytes of a table code page to UTF-16LE, appended; false when a byte is left out (or the page
// has no table).
bool tableToUtf16(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
// Bytes of a table code page to UTF-8, the same as through a UTF-16 temporary.
bool tableToUtf8(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
// UTF-16LE (an even count is taken) to a table code page; false when a unit is left out, and
// for an empty input.
bool utf16ToTable(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);
// UTF-8 to a table code page, the same as through a UTF-16 temporary.
bool utf8ToTable(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output);

}  // namespace vk
