// The control's views: the design-time picture on a container's device context, the extent,
// the view advise sink, and hit testing over the bounds.
#include "component/control/design_picture.h"
#include "component/vkstring.h"

namespace vk {

// Without bounds only a windowless active control can draw: its container placed it.
HRESULT VkString::Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                       BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (dc == nullptr) return E_INVALIDARG;
  RECTL area;
  if (bounds != nullptr) {
    area = *bounds;
  } else if (control_.inPlaceActive && control_.window == nullptr) {
    area = RECTL{control_.position.left, control_.position.top, control_.position.right,
                 control_.position.bottom};
  } else {
    return E_INVALIDARG;
  }
  control::drawDesignPicture(dc, area);
  return S_OK;
}

// The picture uses the device context's own pen and brush: there is no palette to offer.
HRESULT VkString::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors != nullptr) *colors = nullptr;
  return E_NOTIMPL;
}

// Freezing the picture is not offered: it never changes by itself.
HRESULT VkString::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  if (freeze != nullptr) *freeze = 0;
  return E_NOTIMPL;
}

HRESULT VkString::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT VkString::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) {
  if (sink != nullptr) sink->AddRef();
  IAdviseSink* previous = control_.viewSink;
  control_.viewSink = sink;
  control_.viewAspects = sink != nullptr ? aspects : 0;
  control_.viewAdviseFlags = sink != nullptr ? advf : 0;
  if (previous != nullptr) previous->Release();
  return S_OK;
}

HRESULT VkString::GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) {
  if (aspects != nullptr) *aspects = control_.viewAspects;
  if (advf != nullptr) *advf = control_.viewAdviseFlags;
  if (sink != nullptr) {
    *sink = control_.viewSink;
    if (*sink != nullptr) (*sink)->AddRef();
  }
  return S_OK;
}

HRESULT VkString::GetExtent(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  if (size == nullptr) return E_POINTER;
  *size = control_.extent;
  return S_OK;
}

// The control leaves its placement to the container.
HRESULT VkString::GetRect(DWORD, LPRECTL rect) {
  (void)rect;
  return E_NOTIMPL;
}

// The rectangle is drawn with whatever brush the container selected, which may be hollow, so
// the control does not claim to be opaque.
HRESULT VkString::GetViewStatus(DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = 0;
  return S_OK;
}

HRESULT VkString::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG, DWORD* hit) {
  if (bounds == nullptr || hit == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  const bool inside = location.x >= bounds->left && location.x < bounds->right && location.y >= bounds->top &&
                      location.y < bounds->bottom;
  *hit = inside ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

HRESULT VkString::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG, DWORD* hit) {
  if (bounds == nullptr || location == nullptr || hit == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  const bool overlaps = location->left < bounds->right && bounds->left < location->right &&
                        location->top < bounds->bottom && bounds->top < location->bottom;
  *hit = overlaps ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

HRESULT VkString::GetNaturalExtent(DWORD aspect, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO* info,
                                   LPSIZEL size) {
  if (info == nullptr || size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT || info->dwExtentMode != DVEXTENT_CONTENT) return E_FAIL;
  *size = control_.naturalExtent;
  return S_OK;
}

}  // namespace vk
