// In-place activation as the container drives it: the control's window (when it has one),
// deactivation, placement, and the active object's part in the container's UI. The control has
// no UI of its own (no menus, accelerators or border tools), so those calls succeed idly.
#include "component/vkstring.h"
#include "platform/control_window.h"

namespace vk {

HRESULT VkString::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = control_.window;
  return control_.window != nullptr ? S_OK : E_FAIL;
}

HRESULT VkString::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT VkString::InPlaceDeactivate() {
  if (!control_.inPlaceActive) return S_OK;
  UIDeactivate();
  control_.inPlaceActive = false;
  if (control_.window != nullptr) {
    platform::destroyControlWindow(control_.window);
    control_.window = nullptr;
  }
  if (control_.inPlaceSite != nullptr) {
    if (control_.siteKind == control::SiteKind::Plain) {
      control_.inPlaceSite->OnInPlaceDeactivate();
    } else {
      static_cast<IOleInPlaceSiteEx*>(control_.inPlaceSite)->OnInPlaceDeactivateEx(1);
    }
  }
  return S_OK;
}

HRESULT VkString::UIDeactivate() {
  if (!control_.uiActive) return S_OK;
  control_.uiActive = false;
  if (control_.inPlaceSite != nullptr) control_.inPlaceSite->OnUIDeactivate(0);
  return S_OK;
}

HRESULT VkString::SetObjectRects(LPCRECT position, LPCRECT) {
  if (position == nullptr) return E_INVALIDARG;
  control_.position = *position;
  if (control_.window != nullptr) platform::moveControlWindow(control_.window, *position);
  return S_OK;
}

HRESULT VkString::ReactivateAndUndo() { return E_NOTIMPL; }

// Windowless, the control takes no input: every message is left to the container.
HRESULT VkString::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) {
  if (result != nullptr) *result = 0;
  return S_FALSE;
}

HRESULT VkString::GetDropTarget(IDropTarget** target) {
  if (target == nullptr) return E_POINTER;
  *target = nullptr;
  return E_NOTIMPL;
}

HRESULT VkString::TranslateAccelerator(LPMSG) { return S_FALSE; }

HRESULT VkString::OnFrameWindowActivate(BOOL) { return S_OK; }

// Leaving the document window ends the control's UI activation.
HRESULT VkString::OnDocWindowActivate(BOOL activate) {
  if (!activate) UIDeactivate();
  return S_OK;
}

HRESULT VkString::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }

HRESULT VkString::EnableModeless(BOOL) { return S_OK; }

}  // namespace vk
