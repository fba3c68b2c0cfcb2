// IDataObject: containers use it to be told when the control's data changes (data advise
// sinks). The control offers no data formats of its own to get or set.
#include "component/vkstring.h"

namespace vk {

HRESULT VkString::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (format == nullptr || medium == nullptr) return E_POINTER;
  return E_NOTIMPL;
}

HRESULT VkString::GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
  if (format == nullptr || medium == nullptr) return E_POINTER;
  return E_NOTIMPL;
}

HRESULT VkString::QueryGetData(FORMATETC* format) {
  if (format == nullptr) return E_POINTER;
  return E_NOTIMPL;
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
