// IOleObject: the container's view of the control as an embedded object. The user type name,
// the verbs and the status flags are what registration wrote for the class.
#include "component/vkstring.h"
#include "platform/control_window.h"

namespace vk {

HRESULT VkString::SetClientSite(IOleClientSite* site) {
  if (site != nullptr) site->AddRef();
  IOleClientSite* previous = control_.clientSite;
  control_.clientSite = site;
  if (previous != nullptr) previous->Release();
  return S_OK;
}

HRESULT VkString::GetClientSite(IOleClientSite** site) {
  if (site == nullptr) return E_POINTER;
  *site = control_.clientSite;
  if (*site != nullptr) (*site)->AddRef();
  return S_OK;
}

HRESULT VkString::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

// Leaves the running state: deactivates, saves through the site when asked and the object has
// changes, tells the advise sinks, and lets go of the container's in-place site and view sink.
HRESULT VkString::Close(DWORD saveOption) {
  InPlaceDeactivate();
  if ((saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE) && control_.dirty) {
    if (control_.clientSite != nullptr) control_.clientSite->SaveObject();
    if (control_.oleAdviseHolder != nullptr) control_.oleAdviseHolder->SendOnSave();
  }
  if (control_.oleAdviseHolder != nullptr) control_.oleAdviseHolder->SendOnClose();
  if (control_.inPlaceSite != nullptr) {
    IOleInPlaceSite* site = control_.inPlaceSite;
    control_.inPlaceSite = nullptr;
    control_.siteKind = control::SiteKind::None;
    site->Release();
  }
  SetAdvise(0, 0, nullptr);
  return S_OK;
}

// Not linkable (the control cannot be linked inside), so monikers, initialisation from data and
// clipboard copies are not offered.
HRESULT VkString::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT VkString::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT VkString::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT VkString::GetClipboardData(DWORD, IDataObject** data) {
  if (data != nullptr) *data = nullptr;
  return E_NOTIMPL;
}

// The control has no verbs of its own: the standard ones activate it in place (and in the UI
// where the verb implies it) or hide it. A positive verb it does not know acts as the primary
// verb; an unknown negative verb, and the properties verb (there are no property pages), are
// not implemented.
HRESULT VkString::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT position) {
  if (control_.clientSite == nullptr && site != nullptr) SetClientSite(site);
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE: return inPlaceActivate(verb, position);
    case OLEIVERB_HIDE:
      UIDeactivate();
      if (control_.window != nullptr) platform::showControlWindow(control_.window, false);
      return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_DISCARDUNDOSTATE: return S_OK;
    default: break;
  }
  if (verb > 0) {
    HRESULT hr = inPlaceActivate(OLEIVERB_PRIMARY, position);
    return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
  }
  return E_NOTIMPL;
}

HRESULT VkString::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs == nullptr) return E_POINTER;
  return OleRegEnumVerbs(CLSID_VkString, verbs);
}

HRESULT VkString::Update() { return S_OK; }

HRESULT VkString::IsUpToDate() { return S_OK; }

// The class a user sees is the class itself (IPersist::GetClassID).
HRESULT VkString::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT VkString::GetUserType(DWORD form, LPOLESTR* name) {
  if (name == nullptr) return E_POINTER;
  return OleRegGetUserType(CLSID_VkString, form, name);
}

HRESULT VkString::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size == nullptr) return E_POINTER;
  setExtent(*size);
  return S_OK;
}

HRESULT VkString::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  if (size == nullptr) return E_POINTER;
  *size = control_.extent;
  return S_OK;
}

HRESULT VkString::Advise(IAdviseSink* sink, DWORD* connection) {
  if (connection == nullptr) return E_POINTER;
  *connection = 0;
  if (control_.oleAdviseHolder == nullptr) {
    HRESULT hr = CreateOleAdviseHolder(&control_.oleAdviseHolder);
    if (FAILED(hr)) return hr;
  }
  return control_.oleAdviseHolder->Advise(sink, connection);
}

HRESULT VkString::Unadvise(DWORD connection) {
  if (control_.oleAdviseHolder == nullptr) return OLE_E_NOCONNECTION;
  return control_.oleAdviseHolder->Unadvise(connection);
}

HRESULT VkString::EnumAdvise(IEnumSTATDATA** advises) {
  if (advises == nullptr) return E_POINTER;
  *advises = nullptr;
  if (control_.oleAdviseHolder == nullptr) {
    HRESULT hr = CreateOleAdviseHolder(&control_.oleAdviseHolder);
    if (FAILED(hr)) return hr;
  }
  return control_.oleAdviseHolder->EnumAdvise(advises);
}

HRESULT VkString::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  return OleRegGetMiscStatus(CLSID_VkString, aspect, status);
}

HRESULT VkString::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

}  // namespace vk
