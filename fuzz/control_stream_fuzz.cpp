// The control's persisted extent record on arbitrary bytes: the record reader alone, and the
// object's stream loader reading them from an in-memory stream. Checks: a record that reads
// writes back to the same twelve bytes, versions above the current one and short records are
// refused, and a refused load leaves the object usable (a save after it succeeds).
#include <cstring>

#include "component/control/extent_stream.h"
#include "component/vkstring.h"
#include "fuzz_check.h"
#include "platform/ole.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 256) return 0;
  SIZEL extent = {-1, -1};
  const HRESULT hr = vk::control::decodeExtentRecord(data, size, &extent);
  if (size < vk::control::kExtentRecordSize) {
    FUZZ_CHECK(hr == STG_E_READFAULT);
  } else {
    const std::uint32_t version = static_cast<std::uint32_t>(data[0]) | data[1] << 8 | data[2] << 16 |
                                  static_cast<std::uint32_t>(data[3]) << 24;
    FUZZ_CHECK((hr == S_OK) == (version <= vk::control::kExtentRecordVersion));
  }
  if (hr == S_OK) {
    std::uint8_t record[vk::control::kExtentRecordSize];
    vk::control::encodeExtentRecord(extent, record);
    // The version word is written as the current one; the extent's eight bytes are kept.
    FUZZ_CHECK(std::memcmp(record + 4, data + 4, 8) == 0);
  }

  IStream* stream = nullptr;
  FUZZ_CHECK(SUCCEEDED(CreateStreamOnHGlobal(nullptr, 1, &stream)));
  ULONG written = 0;
  stream->Write(data, static_cast<ULONG>(size), &written);
  LARGE_INTEGER start;
  start.QuadPart = 0;
  stream->Seek(start, 0, nullptr);

  vk::VkString* object = new vk::VkString;
  object->AddRef();
  IPersistStreamInit* persist = nullptr;
  if (SUCCEEDED(object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)))) {
    persist->Load(stream);
    IStream* out = nullptr;
    FUZZ_CHECK(SUCCEEDED(CreateStreamOnHGlobal(nullptr, 1, &out)));
    FUZZ_CHECK(SUCCEEDED(persist->Save(out, 1)));
    out->Release();
    persist->Release();
  }
  object->Release();
  stream->Release();
  return 0;
}
