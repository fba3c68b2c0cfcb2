// Persistence of the control's one persistent property set, its extent ("_cx", "_cy"), as the
// 12-byte record of extent_stream.h: on a stream, or in a storage as its "Contents" stream.
#include "component/control/extent_stream.h"
#include "component/vkstring.h"
#include "platform/wide_units.h"

namespace vk {
namespace {

const OLECHAR* const kContentsStream = platform::asOleChars(u"Contents");

}  // namespace

HRESULT VkString::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_VkString;
  return S_OK;
}

HRESULT VkString::IsDirty() { return control_.dirty ? S_OK : S_FALSE; }

HRESULT VkString::Load(LPSTREAM stream) {
  if (stream == nullptr) return E_POINTER;
  std::uint8_t record[control::kExtentRecordSize] = {};
  ULONG read = 0;
  HRESULT hr = stream->Read(record, sizeof record, &read);
  if (FAILED(hr)) return hr;
  SIZEL extent{};
  hr = control::decodeExtentRecord(record, read, &extent);
  if (FAILED(hr)) return hr;
  control_.extent = extent;
  control_.dirty = false;
  fireViewChange();
  return S_OK;
}

HRESULT VkString::Save(LPSTREAM stream, BOOL clearDirty) {
  if (stream == nullptr) return E_POINTER;
  std::uint8_t record[control::kExtentRecordSize];
  control::encodeExtentRecord(control_.extent, record);
  ULONG written = 0;
  HRESULT hr = stream->Write(record, sizeof record, &written);
  if (FAILED(hr)) return hr;
  if (written != sizeof record) return STG_E_MEDIUMFULL;
  if (clearDirty) control_.dirty = false;
  return S_OK;
}

HRESULT VkString::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = control::kExtentRecordSize;
  return S_OK;
}

// A new object has never been saved, so it counts as changed.
HRESULT VkString::InitNew() {
  control_.dirty = true;
  return S_OK;
}

HRESULT VkString::InitNew(IStorage* storage) {
  if (storage == nullptr) return E_INVALIDARG;
  return InitNew();
}

HRESULT VkString::Load(IStorage* storage) {
  if (storage == nullptr) return E_INVALIDARG;
  IStream* stream = nullptr;
  HRESULT hr = storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
  if (FAILED(hr)) return hr;
  hr = Load(stream);
  stream->Release();
  return hr;
}

HRESULT VkString::Save(IStorage* storage, BOOL sameAsLoad) {
  if (storage == nullptr) return E_INVALIDARG;
  IStream* stream = nullptr;
  HRESULT hr = storage->CreateStream(kContentsStream, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0,
                                     0, &stream);
  if (FAILED(hr)) return hr;
  hr = Save(stream, sameAsLoad);
  stream->Release();
  return hr;
}

HRESULT VkString::SaveCompleted(IStorage*) { return S_OK; }

HRESULT VkString::HandsOffStorage() { return S_OK; }

}  // namespace vk
