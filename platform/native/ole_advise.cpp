// Advise holders: the lists of sinks an object notifies when it closes, saves or renames
// (IOleAdviseHolder) and when its data changes (IDataAdviseHolder). Connections are numbered
// from 1 and never reused.
#include <atomic>
#include <vector>

#include "platform/native/com_object.h"
#include "platform/ole.h"

namespace {

template <class Interface>
class Holder : public vk::platform::ComObject<Interface> {
 public:
  virtual ~Holder() {
    for (Entry& entry : entries_) entry.sink->Release();
  }

  // The same in both holders' interfaces.
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override { return remove(connection); }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) override {
    if (advises != nullptr) *advises = nullptr;
    return E_NOTIMPL;
  }

 protected:
  struct Entry {
    DWORD connection;
    IAdviseSink* sink;
    FORMATETC format;
    DWORD advf;
  };

  virtual REFIID ownIid() const = 0;
  bool answers(REFIID riid) const override { return riid == ownIid(); }

  HRESULT add(IAdviseSink* sink, const FORMATETC& format, DWORD advf, DWORD* connection) {
    if (connection != nullptr) *connection = 0;
    if (sink == nullptr || connection == nullptr) return E_INVALIDARG;
    sink->AddRef();
    entries_.push_back(Entry{next_, sink, format, advf});
    *connection = next_++;
    return S_OK;
  }

  HRESULT remove(DWORD connection) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->connection == connection) {
        IAdviseSink* sink = it->sink;
        entries_.erase(it);
        sink->Release();
        return S_OK;
      }
    }
    return OLE_E_NOCONNECTION;
  }

  // A sink may unadvise while it is being told; each is told from a snapshot that holds a
  // reference to it.
  template <class Tell>
  void tellAll(Tell tell) {
    std::vector<Entry> snapshot = entries_;
    for (Entry& entry : snapshot) entry.sink->AddRef();
    for (Entry& entry : snapshot) {
      tell(entry);
      entry.sink->Release();
    }
  }

  std::vector<Entry> entries_;

 private:
  DWORD next_ = 1;
};

class OleAdviseHolder final : public Holder<IOleAdviseHolder> {
 public:
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override {
    return add(sink, FORMATETC{}, 0, connection);
  }
  HRESULT STDMETHODCALLTYPE SendOnRename(IMoniker* moniker) override {
    tellAll([moniker](Entry& entry) { entry.sink->OnRename(moniker); });
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SendOnSave() override {
    tellAll([](Entry& entry) { entry.sink->OnSave(); });
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SendOnClose() override {
    tellAll([](Entry& entry) { entry.sink->OnClose(); });
    return S_OK;
  }

 protected:
  REFIID ownIid() const override { return IID_IOleAdviseHolder; }
};

class DataAdviseHolder final : public Holder<IDataAdviseHolder> {
 public:
  HRESULT STDMETHODCALLTYPE Advise(IDataObject* data, FORMATETC* format, DWORD advf, IAdviseSink* sink,
                                   DWORD* connection) override {
    if (format == nullptr) return E_INVALIDARG;
    HRESULT hr = add(sink, *format, advf, connection);
    if (SUCCEEDED(hr) && (advf & ADVF_PRIMEFIRST) != 0 && data != nullptr) {
      send(data, entries_.back());
      if ((advf & ADVF_ONLYONCE) != 0) remove(*connection);
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE SendOnDataChange(IDataObject* data, DWORD, DWORD advf) override {
    std::vector<DWORD> once;
    tellAll([&](Entry& entry) {
      send(data, entry, advf);
      if ((entry.advf & ADVF_ONLYONCE) != 0) once.push_back(entry.connection);
    });
    for (DWORD connection : once) remove(connection);
    return S_OK;
  }

 protected:
  REFIID ownIid() const override { return IID_IDataAdviseHolder; }

 private:
  // The data goes with the notice unless the sink asked for none or the object cannot
  // render it; then the sink gets an empty medium.
  static void send(IDataObject* data, Entry& entry, DWORD extraAdvf = 0) {
    STGMEDIUM medium{};
    medium.tymed = TYMED_NULL;
    bool rendered = false;
    if (((entry.advf | extraAdvf) & ADVF_NODATA) == 0 && data != nullptr) {
      rendered = SUCCEEDED(data->GetData(&entry.format, &medium));
    }
    entry.sink->OnDataChange(&entry.format, &medium);
    if (rendered && medium.pUnkForRelease != nullptr) medium.pUnkForRelease->Release();
  }
};

template <class Made, class Interface>
HRESULT make(Interface** holder) {
  if (holder == nullptr) return E_INVALIDARG;
  auto* made = new Made;
  made->AddRef();
  *holder = made;
  return S_OK;
}

}  // namespace

HRESULT CreateOleAdviseHolder(IOleAdviseHolder** holder) { return make<OleAdviseHolder>(holder); }
HRESULT CreateDataAdviseHolder(IDataAdviseHolder** holder) { return make<DataAdviseHolder>(holder); }
