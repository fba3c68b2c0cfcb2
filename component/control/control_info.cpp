// What a container asks of a control before and while it hosts it: mnemonics and ambient
// changes, property pages, the quick activation handshake, and the class's outgoing interface.
#include "component/vkstring.h"

namespace vk {

// The control has no mnemonics, hence no accelerator table to hand out.
HRESULT VkString::GetControlInfo(CONTROLINFO* info) {
  (void)info;
  return E_NOTIMPL;
}

HRESULT VkString::OnMnemonic(MSG*) { return E_NOTIMPL; }

// No ambient property changes what the control shows.
HRESULT VkString::OnAmbientPropertyChange(DISPID) { return S_OK; }

// The control fires no events; the count is kept so the calls pair up as containers expect.
HRESULT VkString::FreezeEvents(BOOL freeze) {
  if (freeze) {
    ++control_.freezeEvents;
  } else if (control_.freezeEvents > 0) {
    --control_.freezeEvents;
  }
  return S_OK;
}

// Neither persisted property has a page, so the list is empty.
HRESULT VkString::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  return S_OK;
}

// One call in place of SetClientSite, Advise on the view and the status queries. There are no
// events and no property notifications, so no connections are made.
HRESULT VkString::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  if (container == nullptr || control == nullptr) return E_POINTER;
  HRESULT hr = SetClientSite(container->pClientSite);
  if (FAILED(hr)) return hr;
  if (container->pAdviseSink != nullptr) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
  DWORD status = 0;
  if (FAILED(GetMiscStatus(DVASPECT_CONTENT, &status))) status = 0;
  control->dwMiscStatus = status;
  GetViewStatus(&control->dwViewStatus);
  control->dwEventCookie = 0;
  control->dwPropNotifyCookie = 0;
  control->dwPointerActivationPolicy = 0;
  return S_OK;
}

HRESULT VkString::SetContentExtent(LPSIZEL size) { return SetExtent(DVASPECT_CONTENT, size); }

HRESULT VkString::GetContentExtent(LPSIZEL size) { return GetExtent(DVASPECT_CONTENT, size); }

// The class has no outgoing (event) interface.
HRESULT VkString::GetGUID(DWORD kind, GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  *guid = GUID_NULL;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  return E_FAIL;
}

}  // namespace vk
