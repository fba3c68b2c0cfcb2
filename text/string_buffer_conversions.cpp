// The StringBuffer operations that go through the conversion engine. They belong to the
// text layer, which stands on the engine; the rest of StringBuffer lies below the engine,
// which stores its output in the byte buffers.
#include <cstring>

#include "charset/encoding_convert.h"
#include "platform/fatal.h"
#include "text/data_buffer.h"
#include "text/string_buffer.h"

namespace vk {

void StringBuffer::convertFromAnsi(std::int32_t codePage) {
  checkAlive();
  DataBuffer converted;
  EncodingConvert().convertFromAnsi(codePage, data_, static_cast<std::uint32_t>(length_), converted);
  adoptBytes(converted);
}

BSTR StringBuffer::toWideString() const {
  checkAlive();
  DataBuffer wide;
  EncodingConvert().convertFromAnsi(codepage::kUtf16Le, data_, static_cast<std::uint32_t>(length_), wide);
  UINT units = wide.length() / 2;
  if (units == 0) return SysAllocStringLen(nullptr, 0);
  BSTR result = SysAllocStringLen(nullptr, units);
  if (result == nullptr) capacityExceeded("automation string too long");
  std::memcpy(result, wide.data(), static_cast<std::size_t>(units) * 2);
  return result;
}

}  // namespace vk
