// The control's persisted state, its display extent, as a 12-byte little-endian record: a
// version word (0x0300), the width and the height in HIMETRIC units. Kept as pure functions so
// the stream and storage loaders and the fuzzer share one reader.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/ole.h"

namespace vk::control {

constexpr std::size_t kExtentRecordSize = 12;
constexpr std::uint32_t kExtentRecordVersion = 0x0300;

void encodeExtentRecord(const SIZEL& extent, std::uint8_t (&record)[kExtentRecordSize]);

// S_OK with the extent; E_FAIL for a record written by a later version (version word above
// 0x0300); STG_E_READFAULT when fewer than 12 bytes are given. The extent is set on success only.
HRESULT decodeExtentRecord(const std::uint8_t* bytes, std::size_t size, SIZEL* extent);

}  // namespace vk::control
