// IDataObject: the control's presentation (its design-time picture as a metafile picture,
// where the platform has metafiles) and the data advise sinks containers use to hear of
// changes. Nothing can be set into the control through it.
#include "component/control/design_picture.h"
#include "component/vkstring.h"
#include "platform/metafile_picture.h"

namespace vk {

HRESULT VkString::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (format == nullptr || medium == nullptr) return E_POINTER;
  HRESULT hr = QueryGetData(format);
  if (hr != S_OK) return hr;
  return platform::renderMetafilePicture(control_.extent, &control::drawDesignPicture, medium);
}

HRESULT VkString::GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
  if (format == nullptr || medium == nullptr) return E_POINTER;
  return E_NOTIMPL;
}

HRESULT VkString::QueryGetData(FORMATETC* format) {
  if (format == nullptr) return E_POINTER;
  if (!platform::metafilePicturesAvailable() || format->cfFormat != CF_METAFILEPICT) return DV_E_FORMATETC;
  if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (format->lindex != -1) return DV_E_LINDEX;
  if ((format->tymed & TYMED_MFPICT) == 0) return DV_E_TYMED;
  return S_OK;
}

HRESULT VkString::GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical) {
  if (format == nullptr || canonical == nullptr) return E_POINTER;
  return E_NOTIMPL;
}

HRESULT VkString::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL) {
  if (format == nullptr || medium == nullptr) return E_POINTER;
  return E_NOTIMPL;
}

HRESULT VkString::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
  if (formats == nullptr) return E_POINTER;
  *formats = nullptr;
  return E_NOTIMPL;
}

HRESULT VkString::DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink, DWORD* connection) {
  if (connection == nullptr) return E_POINTER;
  *connection = 0;
  if (format == nullptr || sink == nullptr) return E_INVALIDARG;
  if (control_.dataAdviseHolder == nullptr) {
    HRESULT hr = CreateDataAdviseHolder(&control_.dataAdviseHolder);
    if (FAILED(hr)) return hr;
  }
  return control_.dataAdviseHolder->Advise(static_cast<IDataObject*>(this), format, advf, sink, connection);
}

HRESULT VkString::DUnadvise(DWORD connection) {
  if (control_.dataAdviseHolder == nullptr) return OLE_E_NOCONNECTION;
  return control_.dataAdviseHolder->Unadvise(connection);
}

HRESULT VkString::EnumDAdvise(IEnumSTATDATA** advises) {
  if (advises == nullptr) return E_POINTER;
  *advises = nullptr;
  if (control_.dataAdviseHolder == nullptr) {
    HRESULT hr = CreateDataAdviseHolder(&control_.dataAdviseHolder);
    if (FAILED(hr)) return hr;
  }
  return control_.dataAdviseHolder->EnumAdvise(advises);
}

}  // namespace vk
