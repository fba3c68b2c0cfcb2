// Control plumbing that several interface families share: in-place activation, the extent,
// and the notices a container gets when the picture or the data changes.
#include <mutex>

#include "component/control/design_picture.h"
#include "component/module.h"
#include "component/vkstring.h"
#include "platform/control_window.h"

namespace vk {

namespace {

template <class T>
void releaseAndClear(T*& pointer) {
  if (pointer != nullptr) {
    T* held = pointer;
    pointer = nullptr;
    held->Release();
  }
}

}  // namespace

void VkString::releaseControlState() {
  if (control_.window != nullptr) {
    platform::destroyControlWindow(control_.window);
    control_.window = nullptr;
  }
  releaseAndClear(control_.inPlaceSite);
  control_.siteKind = control::SiteKind::None;
  control_.inPlaceActive = false;
  control_.uiActive = false;
  releaseAndClear(control_.viewSink);
  releaseAndClear(control_.oleAdviseHolder);
  releaseAndClear(control_.dataAdviseHolder);
  releaseAndClear(control_.clientSite);
}

void VkString::paintWindow(void* context, HDC dc, const RECT& client) {
  (void)context;
  control::drawDesignPicture(dc, RECTL{client.left, client.top, client.right, client.bottom});
}

// Finds the richest in-place site the container offers (windowless first, as the control can
// draw without a window), tells it the control is active, places the control, and goes on to
// UI activation for the verbs that ask for it.
HRESULT VkString::inPlaceActivate(LONG verb, LPCRECT position) {
  IOleClientSite* site = control_.clientSite;
  if (site == nullptr) return S_OK;  // nothing to activate in

  if (control_.inPlaceSite == nullptr) {
    void* found = nullptr;
    if (SUCCEEDED(site->QueryInterface(IID_IOleInPlaceSiteWindowless, &found)) && found != nullptr) {
      control_.siteKind = control::SiteKind::Windowless;
    } else if (SUCCEEDED(site->QueryInterface(IID_IOleInPlaceSiteEx, &found)) && found != nullptr) {
      control_.siteKind = control::SiteKind::Extended;
    } else if (SUCCEEDED(site->QueryInterface(IID_IOleInPlaceSite, &found)) && found != nullptr) {
      control_.siteKind = control::SiteKind::Plain;
    } else {
      return E_FAIL;  // the container cannot hold the control in place
    }
    control_.inPlaceSite = static_cast<IOleInPlaceSite*>(found);
  }
  IOleInPlaceSite* inPlace = control_.inPlaceSite;

  bool windowless = false;
  if (!control_.inPlaceActive) {
    BOOL noRedraw = 0;
    if (control_.siteKind == control::SiteKind::Windowless &&
        static_cast<IOleInPlaceSiteWindowless*>(inPlace)->CanWindowlessActivate() == S_OK) {
      windowless = true;
      HRESULT hr = static_cast<IOleInPlaceSiteWindowless*>(inPlace)->OnInPlaceActivateEx(&noRedraw,
                                                                                         ACTIVATE_WINDOWLESS);
      if (FAILED(hr)) return hr;
    } else if (control_.siteKind != control::SiteKind::Plain) {
      HRESULT hr = static_cast<IOleInPlaceSiteEx*>(inPlace)->OnInPlaceActivateEx(&noRedraw, 0);
      if (FAILED(hr)) return hr;
    } else {
      HRESULT hr = inPlace->CanInPlaceActivate();
      if (FAILED(hr)) return hr;
      if (hr != S_OK) return E_FAIL;  // S_FALSE: the container declines
      inPlace->OnInPlaceActivate();
    }
    control_.inPlaceActive = true;
  } else {
    windowless = control_.window == nullptr;
  }

  // Where the container puts the control, and its window to put it in.
  HWND parent = nullptr;
  if (inPlace->GetWindow(&parent) == S_OK) {
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT placed{};
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    if (SUCCEEDED(inPlace->GetWindowContext(&frame, &document, &placed, &clip, &frameInfo))) {
      if (position == nullptr) position = &placed;
    }
    if (frame != nullptr) frame->Release();
    if (document != nullptr) document->Release();
    if (position != nullptr) control_.position = *position;
    if (!windowless) {
      if (control_.window != nullptr) {
        platform::showControlWindow(control_.window, true);
      } else {
        std::lock_guard<std::mutex> guard(Module::instance().windowLock());
        control_.window =
            platform::createControlWindow(parent, control_.position, &VkString::paintWindow, this);
      }
      if (control_.window == nullptr) {
        InPlaceDeactivate();
        return E_FAIL;
      }
      platform::moveControlWindow(control_.window, control_.position);
    }
  } else if (position != nullptr) {
    control_.position = *position;
  }

  const bool uiVerb = verb == OLEIVERB_PRIMARY || verb == OLEIVERB_SHOW || verb == OLEIVERB_UIACTIVATE;
  if (uiVerb && !control_.uiActive) {
    control_.uiActive = true;
    HRESULT hr = inPlace->OnUIActivate();
    if (FAILED(hr)) {
      control_.uiActive = false;
      return hr;
    }
  }
  site->ShowObject();
  return S_OK;
}

// A change of extent marks the object dirty; as it asks to be recomposed on resize, the
// container is told that both its picture and its data changed.
void VkString::setExtent(const SIZEL& extent) {
  if (extent.cx == control_.extent.cx && extent.cy == control_.extent.cy) return;
  control_.extent = extent;
  control_.dirty = true;
  sendOnDataChange();
  fireViewChange();
}

void VkString::fireViewChange() {
  if (control_.inPlaceActive) {
    if (control_.window != nullptr) {
      platform::invalidateControlWindow(control_.window);
    } else if (control_.siteKind == control::SiteKind::Windowless && control_.inPlaceSite != nullptr) {
      static_cast<IOleInPlaceSiteWindowless*>(control_.inPlaceSite)->InvalidateRect(nullptr, 1);
    }
  } else if (control_.viewSink != nullptr) {
    IAdviseSink* sink = control_.viewSink;
    sink->AddRef();  // the sink may call SetAdvise(…, nullptr) while it is told
    sink->OnViewChange(DVASPECT_CONTENT, -1);
    sink->Release();
  }
}

void VkString::sendOnDataChange() {
  if (control_.dataAdviseHolder != nullptr) {
    control_.dataAdviseHolder->SendOnDataChange(static_cast<IDataObject*>(this), 0, 0);
  }
}

}  // namespace vk
