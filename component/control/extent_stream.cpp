#include "component/control/extent_stream.h"

namespace vk::control {
namespace {

void putWord(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t getWord(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
         static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

}  // namespace

void encodeExtentRecord(const SIZEL& extent, std::uint8_t (&record)[kExtentRecordSize]) {
  putWord(record, kExtentRecordVersion);
  putWord(record + 4, static_cast<std::uint32_t>(extent.cx));
  putWord(record + 8, static_cast<std::uint32_t>(extent.cy));
}

HRESULT decodeExtentRecord(const std::uint8_t* bytes, std::size_t size, SIZEL* extent) {
  if (bytes == nullptr || size < kExtentRecordSize) return STG_E_READFAULT;
  if (getWord(bytes) > kExtentRecordVersion) return E_FAIL;
  // The two values are unsigned words on disk; in memory they are the LONGs of a SIZEL.
  extent->cx = static_cast<LONG>(getWord(bytes + 4));
  extent->cy = static_cast<LONG>(getWord(bytes + 8));
  return S_OK;
}

}  // namespace vk::control
