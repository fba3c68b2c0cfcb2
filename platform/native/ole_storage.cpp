// Structured storage in memory: a stream over a growable byte block, and a storage that holds
// named streams. Enough for a control to be saved and loaded the way containers do it; nested
// storages, transactions and region locks are not offered.
#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <memory>
#include <vector>

#include "platform/native/com_object.h"
#include "platform/ole.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr LONGLONG kLimit = 0xFFFFFFFFLL;

class MemoryStream final : public vk::platform::ComObject<IStream> {
 public:
  explicit MemoryStream(std::shared_ptr<Bytes> bytes) : bytes_(std::move(bytes)) {}
  virtual ~MemoryStream() = default;
  bool answers(REFIID riid) const override { return riid == IID_ISequentialStream || riid == IID_IStream; }

  HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override {
    if (data == nullptr && size != 0) return STG_E_INVALIDPOINTER;
    std::size_t available = position_ < bytes_->size() ? bytes_->size() - position_ : 0;
    std::size_t n = size < available ? size : available;
    if (n != 0)
      std::copy(bytes_->begin() + static_cast<std::ptrdiff_t>(position_),
                bytes_->begin() + static_cast<std::ptrdiff_t>(position_ + n),
                static_cast<std::uint8_t*>(data));
    position_ += n;
    if (read != nullptr) *read = static_cast<ULONG>(n);
    return n == size ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override {
    if (data == nullptr && size != 0) return STG_E_INVALIDPOINTER;
    if (static_cast<LONGLONG>(position_ + size) > kLimit) return STG_E_MEDIUMFULL;
    if (bytes_->size() < position_ + size) bytes_->resize(position_ + size);
    const auto* from = static_cast<const std::uint8_t*>(data);
    if (size != 0) std::copy(from, from + size, bytes_->begin() + static_cast<std::ptrdiff_t>(position_));
    position_ += size;
    if (written != nullptr) *written = size;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
    LONGLONG base;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
      case STREAM_SEEK_END: base = static_cast<LONGLONG>(bytes_->size()); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    // A position before the start is refused; one beyond the end is allowed (a later write
    // fills the gap with zeros).
    // Memory blocks stop at 4 GB, as they do for the platform's memory streams.
    if (move.QuadPart < -base || move.QuadPart > kLimit - base) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<std::size_t>(base + move.QuadPart);
    if (position != nullptr) position->QuadPart = position_;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
    if (size.QuadPart > static_cast<ULONGLONG>(kLimit)) return STG_E_MEDIUMFULL;
    bytes_->resize(static_cast<std::size_t>(size.QuadPart));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override {
    if (target == nullptr) return STG_E_INVALIDPOINTER;
    std::size_t available = position_ < bytes_->size() ? bytes_->size() - position_ : 0;
    std::size_t n = size.QuadPart < available ? static_cast<std::size_t>(size.QuadPart) : available;
    Bytes chunk(bytes_->begin() + static_cast<std::ptrdiff_t>(position_),
                bytes_->begin() + static_cast<std::ptrdiff_t>(position_ + n));
    position_ += n;
    ULONG done = 0;
    HRESULT hr = target->Write(chunk.data(), static_cast<ULONG>(n), &done);
    if (read != nullptr) read->QuadPart = n;
    if (written != nullptr) written->QuadPart = done;
    return hr;
  }

  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }

  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (stat == nullptr) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes_->size();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override {
    if (copy == nullptr) return STG_E_INVALIDPOINTER;
    auto* clone = new MemoryStream(bytes_);
    clone->position_ = position_;
    clone->AddRef();
    *copy = clone;
    return S_OK;
  }

 private:
  std::shared_ptr<Bytes> bytes_;
  std::size_t position_ = 0;
};

IStream* newStream(std::shared_ptr<Bytes> bytes) {
  auto* stream = new MemoryStream(std::move(bytes));
  stream->AddRef();
  return stream;
}

class MemoryStorage final : public vk::platform::ComObject<IStorage> {
 public:
  virtual ~MemoryStorage() = default;
  bool answers(REFIID riid) const override { return riid == IID_IStorage; }

  HRESULT STDMETHODCALLTYPE CreateStream(const OLECHAR* name, DWORD mode, DWORD, DWORD,
                                         IStream** stream) override {
    if (stream == nullptr) return STG_E_INVALIDPOINTER;
    *stream = nullptr;
    if (name == nullptr || *name == 0) return STG_E_INVALIDPARAMETER;
    auto& slot = streams_[std::u16string(name)];
    if (slot != nullptr && (mode & STGM_CREATE) == 0) return STG_E_FILEALREADYEXISTS;
    slot = std::make_shared<Bytes>();
    *stream = newStream(slot);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OpenStream(const OLECHAR* name, void*, DWORD, DWORD, IStream** stream) override {
    if (stream == nullptr) return STG_E_INVALIDPOINTER;
    *stream = nullptr;
    if (name == nullptr) return STG_E_INVALIDPARAMETER;
    auto found = streams_.find(std::u16string(name));
    if (found == streams_.end()) return STG_E_FILENOTFOUND;
    *stream = newStream(found->second);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CreateStorage(const OLECHAR*, DWORD, DWORD, DWORD, IStorage** storage) override {
    if (storage != nullptr) *storage = nullptr;
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE OpenStorage(const OLECHAR*, IStorage*, DWORD, SNB, DWORD,
                                        IStorage** storage) override {
    if (storage != nullptr) *storage = nullptr;
    return STG_E_FILENOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE CopyTo(DWORD, const IID*, SNB, IStorage*) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE MoveElementTo(const OLECHAR*, IStorage*, const OLECHAR*, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** elements) override {
    if (elements != nullptr) *elements = nullptr;
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE DestroyElement(const OLECHAR* name) override {
    if (name == nullptr) return STG_E_INVALIDPARAMETER;
    return streams_.erase(std::u16string(name)) != 0 ? S_OK : STG_E_FILENOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE RenameElement(const OLECHAR* oldName, const OLECHAR* newName) override {
    if (oldName == nullptr || newName == nullptr) return STG_E_INVALIDPARAMETER;
    auto found = streams_.find(std::u16string(oldName));
    if (found == streams_.end()) return STG_E_FILENOTFOUND;
    if (streams_.count(std::u16string(newName)) != 0) return STG_E_FILEALREADYEXISTS;
    auto bytes = found->second;
    streams_.erase(found);
    streams_[std::u16string(newName)] = bytes;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetElementTimes(const OLECHAR*, const FILETIME*, const FILETIME*,
                                            const FILETIME*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) override {
    clsid_ = clsid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetStateBits(DWORD, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (stat == nullptr) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STORAGE;
    stat->clsid = clsid_;
    return S_OK;
  }

 private:
  std::map<std::u16string, std::shared_ptr<Bytes>> streams_;
  CLSID clsid_{};
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL, IStream** stream) {
  if (stream == nullptr) return E_INVALIDARG;
  *stream = nullptr;
  if (memory != nullptr) return E_INVALIDARG;  // only fresh blocks exist here
  *stream = newStream(std::make_shared<Bytes>());
  return S_OK;
}

HRESULT StgCreateDocfile(const OLECHAR* name, DWORD, DWORD, IStorage** storage) {
  if (storage == nullptr) return STG_E_INVALIDPOINTER;
  *storage = nullptr;
  if (name != nullptr) return STG_E_INVALIDPARAMETER;  // only temporary storages in memory
  auto* made = new MemoryStorage;
  made->AddRef();
  *storage = made;
  return S_OK;
}
