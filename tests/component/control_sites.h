// Test doubles for a control's container: a client site that can also be an in-place site
// (plain, extended or windowless, as a test chooses) and an advise sink, each recording what
// the control asked of it.
#pragma once
#include <string>
#include <vector>

#include "platform/ole.h"

namespace vk::testing {

class RecordingSite final : public IOleClientSite, public IOleInPlaceSiteWindowless {
 public:
  enum class Offers { ClientOnly, InPlace, InPlaceEx, Windowless };
  explicit RecordingSite(Offers offers) : offers_(offers) {}
  virtual ~RecordingSite() = default;

  std::vector<std::string> calls;
  HRESULT canActivate = S_OK;  // CanInPlaceActivate's answer
  HRESULT canActivateWindowless = S_OK;
  HWND parent = reinterpret_cast<HWND>(0x77);
  RECT placed{5, 6, 105, 56};
  ULONG count = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
      *object = static_cast<IOleClientSite*>(this);
    } else if ((riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) && offers_ != Offers::ClientOnly) {
      *object = static_cast<IOleInPlaceSiteWindowless*>(this);
    } else if (riid == IID_IOleInPlaceSiteEx &&
               (offers_ == Offers::InPlaceEx || offers_ == Offers::Windowless)) {
      *object = static_cast<IOleInPlaceSiteWindowless*>(this);
    } else if (riid == IID_IOleInPlaceSiteWindowless && offers_ == Offers::Windowless) {
      *object = static_cast<IOleInPlaceSiteWindowless*>(this);
    } else {
      return E_NOINTERFACE;
    }
    ++count;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return note("SaveObject"); }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return note("ShowObject"); }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return note("OnShowWindow"); }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    *window = parent;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override {
    note("CanInPlaceActivate");
    return canActivate;
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return note("OnInPlaceActivate"); }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return note("OnUIActivate"); }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                             LPRECT position, LPRECT clip, OLEINPLACEFRAMEINFO*) override {
    *frame = nullptr;
    *document = nullptr;
    *position = placed;
    *clip = placed;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return note("OnUIDeactivate"); }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return note("OnInPlaceDeactivate"); }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceSiteEx
  HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override {
    if (noRedraw != nullptr) *noRedraw = 0;
    return note(flags == ACTIVATE_WINDOWLESS ? "OnInPlaceActivateEx(windowless)" : "OnInPlaceActivateEx");
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL) override { return note("OnInPlaceDeactivateEx"); }
  HRESULT STDMETHODCALLTYPE RequestUIActivate() override { return S_OK; }

  // IOleInPlaceSiteWindowless
  HRESULT STDMETHODCALLTYPE CanWindowlessActivate() override { return canActivateWindowless; }
  HRESULT STDMETHODCALLTYPE GetCapture() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetCapture(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetFocus() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetFocus(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetDC(LPCRECT, DWORD, HDC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT, BOOL) override { return note("InvalidateRect"); }
  HRESULT STDMETHODCALLTYPE InvalidateRgn(HRGN, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE AdjustRect(LPRECT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override { return S_FALSE; }

 private:
  HRESULT note(const char* call) {
    calls.emplace_back(call);
    return S_OK;
  }
  Offers offers_;
};

class RecordingSink final : public IAdviseSink {
 public:
  virtual ~RecordingSink() = default;
  std::vector<std::string> calls;
  ULONG count = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IAdviseSink) return E_NOINTERFACE;
    *object = this;
    ++count;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
  void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM* medium) override {
    calls.push_back(medium != nullptr && medium->tymed == TYMED_NULL ? "OnDataChange" : "OnDataChange(data)");
  }
  void STDMETHODCALLTYPE OnViewChange(DWORD aspect, LONG index) override {
    calls.push_back("OnViewChange(" + std::to_string(aspect) + "," + std::to_string(index) + ")");
  }
  void STDMETHODCALLTYPE OnRename(IMoniker*) override { calls.emplace_back("OnRename"); }
  void STDMETHODCALLTYPE OnSave() override { calls.emplace_back("OnSave"); }
  void STDMETHODCALLTYPE OnClose() override { calls.emplace_back("OnClose"); }
};

}  // namespace vk::testing
