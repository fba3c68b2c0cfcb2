// A compiled Windows client of VelkorString.dll and of the Windows platform layer, run under
// Wine by scripts/wine-test.sh after the module has been registered:
//
//   vk_wine_client.exe <path of VelkorString.dll> <scratch folder>
//
// The module part loads the DLL itself and checks its entry points (unload rule, class object,
// aggregation, interfaces), IDispatch through the registered type library, and the vtable of
// IVkString as a compiled (early-bound) client sees it, and the object as an embeddable control
// (its interfaces, persisted stream and storage, drawing on a memory device context, registry
// status and class information). The platform part calls the Windows side
// of platform/ directly: registry, ANSI code page, system messages, files. Prints one line per
// failed check and ends with "DONE failures=<n>"; the exit code is 1 when anything failed.
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "component/ivkstring.h"
#include "platform/code_page.h"
#include "platform/file_services.h"
#include "platform/registry.h"
#include "platform/system_message.h"

namespace {

int failures = 0;

void failed(int line, const char* what, const std::string& detail) {
  ++failures;
  std::printf("FAIL line %d: %s%s%s\n", line, what, detail.empty() ? "" : ": ", detail.c_str());
  std::fflush(stdout);
}

std::string hresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::string narrow(const wchar_t* text) {
  std::string out;
  for (; text != nullptr && *text != 0; ++text) out += *text < 128 ? static_cast<char>(*text) : '?';
  return out;
}

#define CHECK(condition)                                \
  do {                                                  \
    if (!(condition)) failed(__LINE__, #condition, ""); \
  } while (0)
#define CHECK_HR(expression, expected)                                                    \
  do {                                                                                    \
    HRESULT hr_ = (expression);                                                           \
    if (hr_ != (expected)) failed(__LINE__, #expression, "answered " + hresultText(hr_)); \
  } while (0)

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

template <typename T>
T entry(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A minimal controlling object for aggregation requests.
class Outer final : public IUnknown {
 public:
  virtual ~Outer() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown) {
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// --- the module's entry points ------------------------------------------------------------------

void testEntryPoints(HMODULE module) {
  auto canUnload = entry<CanUnloadNow>(module, "DllCanUnloadNow");
  auto getClass = entry<GetClassObject>(module, "DllGetClassObject");
  CHECK(canUnload != nullptr);
  CHECK(getClass != nullptr);
  CHECK(GetProcAddress(module, "DllRegisterServer") != nullptr);
  CHECK(GetProcAddress(module, "DllUnregisterServer") != nullptr);
  if (canUnload == nullptr || getClass == nullptr) return;

  CHECK_HR(canUnload(), S_OK);
  void* object = reinterpret_cast<void*>(1);
  CHECK_HR(getClass(IID_IVkString, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  CHECK(object == nullptr);
  CHECK_HR(getClass(CLSID_VkString, IID_IClassFactory, nullptr), E_POINTER);

  IClassFactory* first = nullptr;
  IClassFactory* second = nullptr;
  CHECK_HR(getClass(CLSID_VkString, IID_IClassFactory, reinterpret_cast<void**>(&first)), S_OK);
  CHECK_HR(getClass(CLSID_VkString, IID_IClassFactory, reinterpret_cast<void**>(&second)), S_OK);
  if (first == nullptr || second == nullptr) return;
  CHECK(first == second);
  CHECK_HR(canUnload(), S_FALSE);  // a client holds the class object
  second->Release();
  CHECK_HR(canUnload(), S_FALSE);
  first->Release();
  CHECK_HR(canUnload(), S_OK);

  IClassFactory* factory = nullptr;
  CHECK_HR(getClass(CLSID_VkString, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  if (factory == nullptr) return;
  IVkString* string = nullptr;
  CHECK_HR(factory->CreateInstance(nullptr, IID_IVkString, reinterpret_cast<void**>(&string)), S_OK);
  factory->Release();
  CHECK_HR(canUnload(), S_FALSE);  // the live object holds the module
  if (string != nullptr) string->Release();
  CHECK_HR(canUnload(), S_OK);

  CHECK_HR(getClass(CLSID_VkString, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  if (factory == nullptr) return;
  CHECK_HR(factory->LockServer(TRUE), S_OK);
  factory->Release();
  CHECK_HR(canUnload(), S_FALSE);
  CHECK_HR(getClass(CLSID_VkString, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  CHECK_HR(factory->LockServer(FALSE), S_OK);

  Outer outer;
  void* inner = reinterpret_cast<void*>(1);
  CHECK_HR(factory->CreateInstance(&outer, IID_IVkString, &inner), CLASS_E_NOAGGREGATION);
  CHECK(inner == nullptr);
  CHECK_HR(factory->CreateInstance(nullptr, IID_IVkString, nullptr), E_POINTER);
  IUnknown* aggregated = nullptr;
  CHECK_HR(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&aggregated)), S_OK);
  if (aggregated != nullptr) aggregated->Release();
  factory->Release();
  CHECK_HR(canUnload(), S_OK);
}

// --- the object, as early- and late-bound clients see it ---------------------------------------

BSTR text(const wchar_t* value) { return SysAllocString(value); }

void testObject() {
  IVkString* string = nullptr;
  CHECK_HR(CoCreateInstance(CLSID_VkString, nullptr, CLSCTX_INPROC_SERVER, IID_IVkString,
                            reinterpret_cast<void**>(&string)),
           S_OK);
  if (string == nullptr) return;

  void* other = reinterpret_cast<void*>(1);
  CHECK_HR(string->QueryInterface(IID_IPersistPropertyBag, &other), E_NOINTERFACE);
  CHECK(other == nullptr);
  CHECK_HR(string->QueryInterface(IID_IConnectionPointContainer, &other), E_NOINTERFACE);
  CHECK_HR(string->QueryInterface(IID_IDispatch, nullptr), E_POINTER);
  IUnknown* unknown = nullptr;
  IDispatch* dispatch = nullptr;
  CHECK_HR(string->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  CHECK_HR(string->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  CHECK(unknown == static_cast<IUnknown*>(string));
  CHECK(dispatch == static_cast<IDispatch*>(string));
  if (unknown != nullptr) unknown->Release();

  // Early binding: the vtable in the order of the member list.
  BSTR value = text(L"cd");
  CHECK_HR(string->put_Str(value), S_OK);
  SysFreeString(value);
  value = text(L"ab");
  CHECK_HR(string->Prepend(value), S_OK);
  SysFreeString(value);
  value = text(L"\x00e9\xD83D\xDE00");
  CHECK_HR(string->Append(value), S_OK);
  SysFreeString(value);
  BSTR got = nullptr;
  CHECK_HR(string->get_Str(&got), S_OK);
  CHECK(got != nullptr && SysStringLen(got) == 7 && std::wcscmp(got, L"abcd\x00e9\xD83D\xDE00") == 0);
  SysFreeString(got);
  LONG length = -1;
  CHECK_HR(string->Length(&length), S_OK);
  CHECK(length == 7);
  LONG count = -1;
  CHECK_HR(string->get_NumAscii(&count), S_OK);
  CHECK(count == 4);
  BSTR encoding = text(L"hex");
  BSTR charset = text(L"utf-8");
  got = nullptr;
  CHECK_HR(string->GetEncoded(encoding, charset, &got), S_OK);
  CHECK(got != nullptr && std::wcscmp(got, L"61626364C3A9F09F9880") == 0);
  SysFreeString(got);
  CHECK_HR(string->put_Str(nullptr), S_OK);
  got = nullptr;
  CHECK_HR(string->get_Str(&got), S_OK);
  CHECK(got != nullptr && SysStringLen(got) == 0);  // an allocated empty string, never null
  SysFreeString(got);
  VARIANT bytes;
  VariantInit(&bytes);
  CHECK_HR(string->EmitMultibyte(charset, &bytes), S_OK);
  CHECK(bytes.vt == VT_NULL);
  SysFreeString(encoding);
  SysFreeString(charset);

  if (dispatch == nullptr) {
    string->Release();
    return;
  }
  // Late binding through the registered type library.
  UINT infoCount = 0;
  CHECK_HR(dispatch->GetTypeInfoCount(&infoCount), S_OK);
  CHECK(infoCount == 1);
  ITypeInfo* info = nullptr;
  CHECK_HR(dispatch->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  CHECK_HR(dispatch->GetTypeInfo(0, 0, &info), S_OK);
  if (info != nullptr) {
    BSTR name = nullptr;
    BSTR doc = nullptr;
    CHECK_HR(info->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr), S_OK);
    CHECK(name != nullptr && std::wcscmp(name, L"IVkString") == 0);
    CHECK(doc != nullptr && std::wcscmp(doc, L"IVkString Interface") == 0);
    SysFreeString(name);
    SysFreeString(doc);
    CHECK_HR(info->GetDocumentation(2, &name, &doc, nullptr, nullptr), S_OK);
    CHECK(name != nullptr && std::wcscmp(name, L"Append") == 0);
    CHECK(doc != nullptr && std::wcscmp(doc, L"method Append") == 0);
    SysFreeString(name);
    SysFreeString(doc);
    CHECK_HR(info->GetDocumentation(1, &name, &doc, nullptr, nullptr), S_OK);
    CHECK(doc != nullptr && std::wcscmp(doc, L"property Str") == 0);
    SysFreeString(name);
    SysFreeString(doc);
    ITypeLib* library = nullptr;
    UINT index = 0;
    CHECK_HR(info->GetContainingTypeLib(&library, &index), S_OK);
    if (library != nullptr) {
      CHECK_HR(library->GetDocumentation(-1, &name, &doc, nullptr, nullptr), S_OK);
      CHECK(name != nullptr && std::wcscmp(name, L"VKSTRINGLib") == 0);
      CHECK(doc != nullptr && std::wcscmp(doc, L"Velkor String Component") == 0);
      SysFreeString(name);
      SysFreeString(doc);
      ITypeInfo* coclass = nullptr;
      CHECK_HR(library->GetTypeInfoOfGuid(CLSID_VkString, &coclass), S_OK);
      if (coclass != nullptr) {
        CHECK_HR(coclass->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr), S_OK);
        CHECK(doc != nullptr && std::wcscmp(doc, L"VkString Class") == 0);
        SysFreeString(name);
        SysFreeString(doc);
        coclass->Release();
      }
      library->Release();
    }
    info->Release();
  }

  const struct {
    const wchar_t* name;
    DISPID id;
  } names[] = {{L"Str", 1},          {L"append", 2},         {L"LENGTH", 20},           {L"Matches", 28},
               {L"NumCyrillic", 39}, {L"EmitMultibyte", 41}, {L"ParseDateRfc3339", 46}, {L"StripHtml", 57}};
  for (const auto& n : names) {
    LPOLESTR name = const_cast<LPOLESTR>(n.name);
    DISPID id = 0;
    CHECK_HR(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    if (id != n.id) failed(__LINE__, "dispatch identifier", narrow(n.name) + " is " + std::to_string(id));
  }
  LPOLESTR unknownName = const_cast<LPOLESTR>(L"NoSuchMember");
  DISPID unknownId = 0;
  CHECK_HR(dispatch->GetIDsOfNames(IID_NULL, &unknownName, 1, LOCALE_USER_DEFAULT, &unknownId),
           DISP_E_UNKNOWNNAME);
  CHECK(unknownId == DISPID_UNKNOWN);

  // Invoke: put Str, call Matches with its arguments last to first, read Length.
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_BSTR;
  argument.bstrVal = text(L"report.txt");
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS put = {&argument, &putId, 1, 1};
  CHECK_HR(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
  VariantClear(&argument);
  VARIANT arguments[2];
  VariantInit(&arguments[0]);
  VariantInit(&arguments[1]);
  arguments[1].vt = VT_BSTR;
  arguments[1].bstrVal = text(L"*.TXT");
  arguments[0].vt = VT_I2;  // coerced to the LONG parameter
  arguments[0].iVal = 0;
  DISPPARAMS call = {arguments, nullptr, 2, 0};
  VARIANT result;
  VariantInit(&result);
  CHECK_HR(dispatch->Invoke(28, IID_NULL, 0, DISPATCH_METHOD, &call, &result, nullptr, nullptr), S_OK);
  CHECK(result.vt == VT_I4 && result.lVal == 1);
  VariantClear(&arguments[1]);
  VariantClear(&result);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  CHECK_HR(dispatch->Invoke(20, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &result, nullptr,
                            nullptr),
           S_OK);
  CHECK(result.vt == VT_I4 && result.lVal == 10);
  CHECK_HR(dispatch->Invoke(20, IID_IVkString, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
           DISP_E_UNKNOWNINTERFACE);
  CHECK_HR(dispatch->Invoke(9, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
           DISP_E_MEMBERNOTFOUND);
  dispatch->Release();
  string->Release();
}

// --- the Windows platform layer -------------------------------------------------------------------

// --- the object as an embeddable control ----------------------------------------------------------

struct ControlInterface {
  const char* name;
  const IID* iid;
};

const ControlInterface kControlInterfaces[] = {
    {"IVkString", &IID_IVkString},
    {"IDispatch", &IID_IDispatch},
    {"IViewObjectEx", &IID_IViewObjectEx},
    {"IViewObject2", &IID_IViewObject2},
    {"IViewObject", &IID_IViewObject},
    {"IOleInPlaceObjectWindowless", &IID_IOleInPlaceObjectWindowless},
    {"IOleInPlaceObject", &IID_IOleInPlaceObject},
    {"IOleWindow", &IID_IOleWindow},
    {"IOleInPlaceActiveObject", &IID_IOleInPlaceActiveObject},
    {"IOleControl", &IID_IOleControl},
    {"IOleObject", &IID_IOleObject},
    {"IPersistStreamInit", &IID_IPersistStreamInit},
    {"IPersist", &IID_IPersist},
    {"ISpecifyPropertyPages", &IID_ISpecifyPropertyPages},
    {"IQuickActivate", &IID_IQuickActivate},
    {"IPersistStorage", &IID_IPersistStorage},
    {"IDataObject", &IID_IDataObject},
    {"IProvideClassInfo", &IID_IProvideClassInfo},
    {"IProvideClassInfo2", &IID_IProvideClassInfo2},
};

// The bytes of a whole stream.
std::string streamContents(IStream* stream) {
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return "<no stat>";
  std::string bytes(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  stream->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &read);
  bytes.resize(read);
  return bytes;
}

IStream* streamHolding(const std::string& bytes) {
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return nullptr;
  stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  return stream;
}

void testControl() {
  IUnknown* control = nullptr;
  CHECK_HR(CoCreateInstance(CLSID_VkString, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                            reinterpret_cast<void**>(&control)),
           S_OK);
  if (control == nullptr) return;
  for (const ControlInterface& entry : kControlInterfaces) {
    void* object = nullptr;
    HRESULT hr = control->QueryInterface(*entry.iid, &object);
    if (hr != S_OK || object == nullptr) failed(__LINE__, entry.name, "answered " + hresultText(hr));
    if (object != nullptr) static_cast<IUnknown*>(object)->Release();
  }

  // The persisted extent through the platform's own memory stream.
  IPersistStreamInit* persist = nullptr;
  CHECK_HR(control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)), S_OK);
  if (persist != nullptr) {
    IStream* stream = nullptr;
    CHECK_HR(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    if (stream != nullptr) {
      CHECK_HR(persist->Save(stream, TRUE), S_OK);
      const std::string expected("\x00\x03\x00\x00\xD8\x13\x00\x00\xD8\x13\x00\x00", 12);
      CHECK(streamContents(stream) == expected);
      stream->Release();
    }
    IStream* later = streamHolding(std::string("\x01\x03\x00\x00\x01\x00\x00\x00\x02\x00\x00\x00", 12));
    IStream* older = streamHolding(std::string("\x00\x02\x00\x00\x10\x27\x00\x00\xE8\x03\x00\x00", 12));
    if (later != nullptr && older != nullptr) {
      CHECK_HR(persist->Load(later), E_FAIL);
      CHECK_HR(persist->Load(older), S_OK);
    }
    if (later != nullptr) later->Release();
    if (older != nullptr) older->Release();
    persist->Release();
  }

  IOleObject* object = nullptr;
  CHECK_HR(control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)), S_OK);
  if (object != nullptr) {
    SIZEL size{};
    CHECK_HR(object->GetExtent(DVASPECT_CONTENT, &size), S_OK);
    CHECK(size.cx == 10000 && size.cy == 1000);  // what the older stream held
    DWORD status = 0;
    CHECK_HR(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    CHECK(status == 132497);
    LPOLESTR name = nullptr;
    CHECK_HR(object->GetUserType(USERCLASSTYPE_FULL, &name), S_OK);
    CHECK(narrow(name) == "VkString Class");
    CoTaskMemFree(name);
    CLSID user{};
    CHECK_HR(object->GetUserClassID(&user), S_OK);
    CHECK(IsEqualCLSID(user, CLSID_VkString));
    object->Release();
  }
  DWORD status = 0;
  CHECK_HR(OleRegGetMiscStatus(CLSID_VkString, DVASPECT_CONTENT, &status), S_OK);
  CHECK(status == 132497);

  // A storage of the platform's compound files gets the record as its "Contents" stream.
  IPersistStorage* storagePersist = nullptr;
  IStorage* storage = nullptr;
  CHECK_HR(control->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&storagePersist)), S_OK);
  CHECK_HR(
      StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_DELETEONRELEASE, 0,
                       &storage),
      S_OK);
  if (storagePersist != nullptr && storage != nullptr) {
    CHECK_HR(storagePersist->Save(storage, TRUE), S_OK);
    IStream* contents = nullptr;
    CHECK_HR(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents), S_OK);
    if (contents != nullptr) {
      CHECK(streamContents(contents) == std::string("\x00\x03\x00\x00\x10\x27\x00\x00\xE8\x03\x00\x00", 12));
      contents->Release();
    }
  }
  if (storage != nullptr) storage->Release();
  if (storagePersist != nullptr) storagePersist->Release();

  // The design-time picture on a real memory device context: the default black pen outlines the
  // bounds, the default white brush fills them.
  IViewObject* view = nullptr;
  CHECK_HR(control->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view)), S_OK);
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 96;
  info.bmiHeader.biHeight = -64;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (view != nullptr && dc != nullptr && bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(dc, bitmap);
    RECT clear{0, 0, 96, 64};
    FillRect(dc, &clear, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    RECTL bounds{4, 4, 92, 60};
    CHECK_HR(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
             S_OK);
    CHECK(GetTextAlign(dc) == (TA_CENTER | TA_BASELINE));
    CHECK(GetPixel(dc, 4, 30) == RGB(0, 0, 0));         // the left edge
    CHECK(GetPixel(dc, 10, 10) == RGB(255, 255, 255));  // inside, away from the caption
    CHECK(GetPixel(dc, 2, 2) != RGB(255, 255, 255));    // outside the bounds: untouched
    SelectObject(dc, previous);
  } else {
    failed(__LINE__, "memory device context", "");
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (dc != nullptr) DeleteDC(dc);
  if (view != nullptr) view->Release();

  // The presentation data: the picture as a metafile picture at the control's extent.
  IDataObject* data = nullptr;
  CHECK_HR(control->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&data)), S_OK);
  if (data != nullptr) {
    FORMATETC picture{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    CHECK_HR(data->QueryGetData(&picture), S_OK);
    STGMEDIUM medium{};
    CHECK_HR(data->GetData(&picture, &medium), S_OK);
    if (medium.tymed == TYMED_MFPICT && medium.hMetaFilePict != nullptr) {
      auto* held = static_cast<METAFILEPICT*>(GlobalLock(medium.hMetaFilePict));
      CHECK(held != nullptr && held->mm == MM_ANISOTROPIC && held->xExt == 10000 && held->yExt == 1000);
      CHECK(held != nullptr && GetMetaFileBitsEx(held->hMF, 0, nullptr) > 0);
      GlobalUnlock(medium.hMetaFilePict);
      ReleaseStgMedium(&medium);
    } else {
      failed(__LINE__, "GetData", "no metafile picture");
    }
    FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    CHECK_HR(data->QueryGetData(&text), DV_E_FORMATETC);
    data->Release();
  }

  // Class information from the registered type library.
  IProvideClassInfo* provide = nullptr;
  CHECK_HR(control->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&provide)), S_OK);
  if (provide != nullptr) {
    ITypeInfo* type = nullptr;
    CHECK_HR(provide->GetClassInfo(&type), S_OK);
    if (type != nullptr) {
      TYPEATTR* attributes = nullptr;
      if (SUCCEEDED(type->GetTypeAttr(&attributes))) {
        CHECK(attributes->typekind == TKIND_COCLASS);
        CHECK(IsEqualGUID(attributes->guid, CLSID_VkString));
        type->ReleaseTypeAttr(attributes);
      }
      type->Release();
    }
    provide->Release();
  }
  control->Release();
}

void testRegistry() {
  using vk::platform::RegistryRoot;
  const RegistryRoot root = RegistryRoot::CurrentUser;
  const std::u16string base = u"Software\\VkStringClientTest";
  vk::platform::registryDeleteTree(root, base);
  CHECK(!vk::platform::registryKeyExists(root, base));
  CHECK(vk::platform::registryCreateKey(root, base + u"\\a\\b") == 0);
  CHECK(vk::platform::registryKeyExists(root, base + u"\\a\\b"));
  CHECK(vk::platform::registrySetString(root, base + u"\\a", u"", u"default \u00e9") == 0);
  CHECK(vk::platform::registrySetString(root, base + u"\\a", u"named", u"x") == 0);
  CHECK(vk::platform::registrySetString(root, base + u"\\missing", u"named", u"x") ==
        vk::platform::kRegistryNotFound);
  std::u16string value;
  CHECK(vk::platform::registryGetString(root, base + u"\\a", u"", &value) && value == u"default \u00e9");
  CHECK(vk::platform::registryGetString(root, base + u"\\A", u"NAMED", &value) && value == u"x");
  CHECK(!vk::platform::registryGetString(root, base + u"\\a", u"other", &value));
  CHECK(vk::platform::registryCreateKey(root, base + u"\\a\\c") == 0);
  const auto subkeys = vk::platform::registrySubkeys(root, base + u"\\a");
  CHECK(subkeys.size() == 2 && subkeys[0] == u"b" && subkeys[1] == u"c");
  CHECK(vk::platform::registryDeleteKey(root, base + u"\\a") != 0);  // it has subkeys
  CHECK(vk::platform::registryDeleteValue(root, base + u"\\a", u"named") == 0);
  CHECK(!vk::platform::registryGetString(root, base + u"\\a", u"named", &value));
  CHECK(vk::platform::registryDeleteKey(root, base + u"\\a\\c") == 0);
  CHECK(vk::platform::registryDeleteTree(root, base) == 0);
  CHECK(!vk::platform::registryKeyExists(root, base + u"\\a\\b"));
  CHECK(vk::platform::registryDeleteTree(root, base) == vk::platform::kRegistryNotFound);
}

void testCodePageAndMessages() {
  CHECK(vk::platform::ansiCodePage() == static_cast<std::int32_t>(GetACP()));
  vk::platform::setAnsiCodePage(932);
  CHECK(vk::platform::ansiCodePage() == 932);
  vk::platform::setAnsiCodePage(0);
  CHECK(vk::platform::ansiCodePage() == static_cast<std::int32_t>(GetACP()));

  vk::platform::setLastErrorCode(5);
  CHECK(GetLastError() == 5);
  SetLastError(123);
  CHECK(vk::platform::lastErrorCode() == 123);
  const std::string known = vk::platform::systemMessageText(2);
  CHECK(!known.empty() && known.find("Unknown error") == std::string::npos);
  CHECK(vk::platform::systemMessageText(0x2FFFFFFF) == "Unknown error 805306367.");
}

void testFiles(const std::wstring& scratch) {
  namespace p = vk::platform;
  const std::wstring name = scratch + L"\\client-\x03b1\x4e2d.bin";
  const auto* path = reinterpret_cast<const char16_t*>(name.c_str());
  DeleteFileW(name.c_str());
  const std::uint64_t calls = p::createFileCallCount();
  p::FileHandle file =
      p::createFileW(path, p::kGenericWrite, p::kFileShareRead, p::kCreateAlways, p::kFileAttributeNormal);
  CHECK(file != p::kInvalidFileHandle);
  CHECK(p::createFileCallCount() == calls + 1);
  std::uint32_t written = 0;
  CHECK(p::writeFile(file, "abcdef", 6, &written) && written == 6);
  // The open handle shares reading only: a second writer is refused with a sharing violation.
  p::FileHandle other = p::createFileW(path, p::kGenericWrite, p::kFileShareRead | p::kFileShareWrite,
                                       p::kOpenExisting, p::kFileAttributeNormal);
  CHECK(other == p::kInvalidFileHandle);
  CHECK(p::lastErrorCode() == p::kErrorSharingViolation);
  CHECK(p::closeHandle(file));

  file =
      p::createFileW(path, p::kGenericRead | p::kGenericWrite, 0, p::kOpenExisting, p::kFileAttributeNormal);
  CHECK(file != p::kInvalidFileHandle);
  std::uint32_t high = 7;
  CHECK(p::getFileSize(file, &high) == 6 && high == 0);
  CHECK(p::setFilePointer(file, 0, nullptr, p::kFileEnd) == 6);
  CHECK(p::writeFile(file, "gh", 2, &written) && written == 2);
  CHECK(p::setFilePointer(file, 2, nullptr, p::kFileBegin) == 2);
  char buffer[16] = {};
  std::uint32_t read = 0;
  CHECK(p::readFile(file, buffer, sizeof buffer, &read) && read == 6 &&
        std::memcmp(buffer, "cdefgh", 6) == 0);
  CHECK(p::closeHandle(file));
  CHECK(!p::closeHandle(file));

  CHECK(p::createFileA("Z:\\no\\such\\folder\\x.txt", p::kGenericRead, p::kFileShareRead, p::kOpenExisting,
                       p::kFileAttributeNormal) == p::kInvalidFileHandle);
  CHECK(p::lastErrorCode() == p::kErrorPathNotFound);

  char16_t wide[MAX_PATH];
  const std::uint32_t units = p::getCurrentDirectoryW(MAX_PATH, wide);
  wchar_t expected[MAX_PATH];
  CHECK(units > 0 && units == GetCurrentDirectoryW(MAX_PATH, expected) &&
        std::memcmp(wide, expected, units * sizeof(wchar_t)) == 0);
  CHECK(p::getCurrentDirectoryA(1, nullptr) > 1);  // too small: the size needed

  p::OsVersionInfoA version{};
  version.dwOSVersionInfoSize = sizeof version;
  CHECK(p::getVersionExA(&version) && version.dwPlatformId == p::kVerPlatformWin32Nt);
  p::OsVersionInfoA windows98{};
  windows98.dwMajorVersion = 4;
  windows98.dwMinorVersion = 10;
  windows98.dwPlatformId = p::kVerPlatformWin32Windows;
  p::overrideVersionInfo(&windows98);
  CHECK(p::getVersionExA(&version) && version.dwPlatformId == p::kVerPlatformWin32Windows &&
        version.dwMinorVersion == 10);
  p::overrideVersionInfo(nullptr);
  CHECK(p::getVersionExA(&version) && version.dwPlatformId == p::kVerPlatformWin32Nt);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: vk_wine_client <VelkorString.dll> <scratch folder>\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HMODULE module = LoadLibraryW(argv[1]);
  if (module == nullptr) {
    failed(__LINE__, "LoadLibraryW", "error " + std::to_string(GetLastError()));
  } else {
    testEntryPoints(module);
  }
  testObject();
  testControl();
  testRegistry();
  testCodePageAndMessages();
  testFiles(argv[2]);
  if (module != nullptr) FreeLibrary(module);
  CoUninitialize();
  std::printf("DONE failures=%d\n", failures);
  std::fflush(stdout);
  return failures == 0 ? 0 : 1;
}
