// The OLE control interfaces and the services an embeddable control uses: structured storage
// (IStream, IStorage), views and drawing (IViewObjectEx and the GDI calls of the design-time
// picture), in-place activation (declared in ole_inplace.h), advise holders, and the registry
// readers OleRegGetUserType, OleRegEnumVerbs and OleRegGetMiscStatus. On Windows they come from
// the system headers; the native build declares the same interfaces here, with the same method
// order and identifiers, and implements the services in platform/native/ (streams and storages
// in memory, a device context that records the calls made on it, windows that are records of
// their position).
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/automation.h"

#ifdef _WIN32
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>
#else

using UINT = std::uint32_t;
using ULONG_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPCSTR = const char*;
using CLIPFORMAT = WORD;
using LPVOID = void*;

struct HWND__;
struct HDC__;
struct HMENU__;
struct HRGN__;
struct HACCEL__;
struct HGLOBAL__;
using HWND = HWND__*;
using HDC = HDC__*;
using HMENU = HMENU__*;
using HRGN = HRGN__*;
using HACCEL = HACCEL__*;
using HGLOBAL = HGLOBAL__*;
using HOLEMENU = HGLOBAL;

struct RECT {
  LONG left, top, right, bottom;
};
using RECTL = RECT;
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPRECTL = RECTL*;
using LPCRECTL = const RECTL*;
struct POINT {
  LONG x, y;
};
struct SIZE {
  LONG cx, cy;
};
using SIZEL = SIZE;
using LPSIZEL = SIZEL*;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
using LPMSG = MSG*;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
union LARGE_INTEGER {
  LONGLONG QuadPart;
};
union ULARGE_INTEGER {
  ULONGLONG QuadPart;
};

struct LOGPALETTE;
struct DVTARGETDEVICE {
  DWORD tdSize;
  WORD tdDriverNameOffset;
  WORD tdDeviceNameOffset;
  WORD tdPortNameOffset;
  WORD tdExtDevmodeOffset;
  BYTE tdData[1];
};

struct IMoniker;
struct IOleContainer;
struct IDropTarget;
struct IEnumSTATDATA;
struct IEnumFORMATETC;
struct IEnumSTATSTG;
struct IPropertyNotifySink;
struct IStorage;
struct IStream;
struct IDataObject;
using SNB = OLECHAR**;
using LPSTREAM = IStream*;

extern const IID IID_ISequentialStream;
extern const IID IID_IStream;
extern const IID IID_IStorage;
extern const IID IID_IPersist;
extern const IID IID_IPersistStreamInit;
extern const IID IID_IPersistStorage;
extern const IID IID_IPersistPropertyBag;
extern const IID IID_IOleWindow;
extern const IID IID_IOleInPlaceObject;
extern const IID IID_IOleInPlaceObjectWindowless;
extern const IID IID_IOleInPlaceActiveObject;
extern const IID IID_IOleControl;
extern const IID IID_IOleObject;
extern const IID IID_IOleClientSite;
extern const IID IID_IOleInPlaceSite;
extern const IID IID_IOleInPlaceSiteEx;
extern const IID IID_IOleInPlaceSiteWindowless;
extern const IID IID_IOleInPlaceUIWindow;
extern const IID IID_IOleInPlaceFrame;
extern const IID IID_IViewObject;
extern const IID IID_IViewObject2;
extern const IID IID_IViewObjectEx;
extern const IID IID_IAdviseSink;
extern const IID IID_IOleAdviseHolder;
extern const IID IID_IDataAdviseHolder;
extern const IID IID_IEnumOLEVERB;
extern const IID IID_ISpecifyPropertyPages;
extern const IID IID_IQuickActivate;
extern const IID IID_IDataObject;
extern const IID IID_IProvideClassInfo;
extern const IID IID_IProvideClassInfo2;
extern const IID IID_IConnectionPointContainer;
extern const GUID GUID_NULL;

// --- structured storage ---------------------------------------------------------------------

struct STATSTG {
  LPOLESTR pwcsName;
  DWORD type;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
};

constexpr DWORD STGTY_STORAGE = 1;
constexpr DWORD STGTY_STREAM = 2;
constexpr DWORD STATFLAG_NONAME = 1;
constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;
constexpr DWORD STGM_READ = 0x0;
constexpr DWORD STGM_READWRITE = 0x2;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x10;
constexpr DWORD STGM_CREATE = 0x1000;
constexpr DWORD STGM_DELETEONRELEASE = 0x4000000;

constexpr HRESULT STG_E_FILENOTFOUND = makeHresult(0x80030002u);
constexpr HRESULT STG_E_INVALIDFUNCTION = makeHresult(0x80030001u);
constexpr HRESULT STG_E_INVALIDPOINTER = makeHresult(0x80030009u);
constexpr HRESULT STG_E_INVALIDPARAMETER = makeHresult(0x80030057u);
constexpr HRESULT STG_E_FILEALREADYEXISTS = makeHresult(0x80030050u);
constexpr HRESULT STG_E_READFAULT = makeHresult(0x8003001Eu);
constexpr HRESULT STG_E_MEDIUMFULL = makeHresult(0x80030070u);

struct ISequentialStream : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) = 0;

 protected:
  ~ISequentialStream() = default;
};

struct IStream : ISequentialStream {
  virtual HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                           ULARGE_INTEGER* written) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit(DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
  virtual HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) = 0;
  virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IStream** copy) = 0;

 protected:
  ~IStream() = default;
};

struct IStorage : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateStream(const OLECHAR* name, DWORD mode, DWORD reserved1,
                                                 DWORD reserved2, IStream** stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenStream(const OLECHAR* name, void* reserved1, DWORD mode,
                                               DWORD reserved2, IStream** stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateStorage(const OLECHAR* name, DWORD mode, DWORD reserved1,
                                                  DWORD reserved2, IStorage** storage) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode,
                                                SNB exclude, DWORD reserved, IStorage** storage) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyTo(DWORD excludeCount, const IID* exclude, SNB excludeNames,
                                           IStorage* target) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveElementTo(const OLECHAR* name, IStorage* target,
                                                  const OLECHAR* newName, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit(DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                                                 IEnumSTATSTG** elements) = 0;
  virtual HRESULT STDMETHODCALLTYPE DestroyElement(const OLECHAR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE RenameElement(const OLECHAR* oldName, const OLECHAR* newName) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetElementTimes(const OLECHAR* name, const FILETIME* created,
                                                    const FILETIME* accessed, const FILETIME* modified) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetStateBits(DWORD bits, DWORD mask) = 0;
  virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) = 0;

 protected:
  ~IStorage() = default;
};

struct IPersist : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) = 0;

 protected:
  ~IPersist() = default;
};

struct IPersistStreamInit : IPersist {
  virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
  virtual HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL clearDirty) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitNew() = 0;

 protected:
  ~IPersistStreamInit() = default;
};

struct IPersistStorage : IPersist {
  virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
  virtual HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) = 0;
  virtual HRESULT STDMETHODCALLTYPE Load(IStorage* storage) = 0;
  virtual HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL sameAsLoad) = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* storage) = 0;
  virtual HRESULT STDMETHODCALLTYPE HandsOffStorage() = 0;

 protected:
  ~IPersistStorage() = default;
};

// A memory stream; natively only a fresh one (memory == nullptr) can be made.
HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, IStream** stream);
// A storage; natively only a temporary one in memory (name == nullptr) can be made.
HRESULT StgCreateDocfile(const OLECHAR* name, DWORD mode, DWORD reserved, IStorage** storage);

// --- data transfer and advise sinks -----------------------------------------------------------

struct FORMATETC {
  CLIPFORMAT cfFormat;
  DVTARGETDEVICE* ptd;
  DWORD dwAspect;
  LONG lindex;
  DWORD tymed;
};
struct STGMEDIUM {
  DWORD tymed;
  union {
    HGLOBAL hGlobal;
    OLECHAR* lpszFileName;
    IStream* pstm;
    IStorage* pstg;
  };
  IUnknown* pUnkForRelease;
};

constexpr DWORD TYMED_NULL = 0;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD TYMED_MFPICT = 32;
constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD ADVF_NODATA = 1;
constexpr DWORD ADVF_PRIMEFIRST = 2;
constexpr DWORD ADVF_ONLYONCE = 4;

constexpr HRESULT DV_E_FORMATETC = makeHresult(0x80040064u);
constexpr HRESULT DV_E_LINDEX = makeHresult(0x80040068u);
constexpr HRESULT DV_E_DVASPECT = makeHresult(0x8004006Bu);
constexpr HRESULT OLE_E_NOCONNECTION = makeHresult(0x80040004u);
constexpr HRESULT OLE_S_USEREG = makeHresult(0x00040000u);
constexpr HRESULT OLEOBJ_E_NOVERBS = makeHresult(0x80040180u);
constexpr HRESULT OLEOBJ_S_INVALIDVERB = makeHresult(0x00040180u);
constexpr HRESULT REGDB_E_CLASSNOTREG = makeHresult(0x80040154u);
constexpr HRESULT REGDB_E_READREGDB = makeHresult(0x80040150u);
constexpr HRESULT TYPE_E_LIBNOTREGISTERED = makeHresult(0x8002801Du);

struct IAdviseSink : IUnknown {
  virtual void STDMETHODCALLTYPE OnDataChange(FORMATETC* format, STGMEDIUM* medium) = 0;
  virtual void STDMETHODCALLTYPE OnViewChange(DWORD aspect, LONG index) = 0;
  virtual void STDMETHODCALLTYPE OnRename(IMoniker* moniker) = 0;
  virtual void STDMETHODCALLTYPE OnSave() = 0;
  virtual void STDMETHODCALLTYPE OnClose() = 0;

 protected:
  ~IAdviseSink() = default;
};

struct IDataObject : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) = 0;
  virtual HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD advf, IAdviseSink* sink,
                                            DWORD* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** advises) = 0;

 protected:
  ~IDataObject() = default;
};

struct IOleAdviseHolder : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendOnRename(IMoniker* moniker) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendOnSave() = 0;
  virtual HRESULT STDMETHODCALLTYPE SendOnClose() = 0;

 protected:
  ~IOleAdviseHolder() = default;
};

struct IDataAdviseHolder : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Advise(IDataObject* data, FORMATETC* format, DWORD advf,
                                           IAdviseSink* sink, DWORD* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendOnDataChange(IDataObject* data, DWORD reserved, DWORD advf) = 0;

 protected:
  ~IDataAdviseHolder() = default;
};

HRESULT CreateOleAdviseHolder(IOleAdviseHolder** holder);
HRESULT CreateDataAdviseHolder(IDataAdviseHolder** holder);

// --- the embedding: client site, object, verbs --------------------------------------------------

struct OLEVERB {
  LONG lVerb;
  LPOLESTR lpszVerbName;
  DWORD fuFlags;
  DWORD grfAttribs;
};
using LPOLEVERB = OLEVERB*;

struct IEnumOLEVERB : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, LPOLEVERB verbs, ULONG* fetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumOLEVERB** copy) = 0;

 protected:
  ~IEnumOLEVERB() = default;
};

struct IOleClientSite : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SaveObject() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowObject() = 0;
  virtual HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) = 0;
  virtual HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() = 0;

 protected:
  ~IOleClientSite() = default;
};

struct IOleObject : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR application, LPCOLESTR document) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index,
                                           HWND parent, LPCRECT position) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) = 0;
  virtual HRESULT STDMETHODCALLTYPE Update() = 0;
  virtual HRESULT STDMETHODCALLTYPE IsUpToDate() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) = 0;

 protected:
  ~IOleObject() = default;
};

constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_OPEN = -2;
constexpr LONG OLEIVERB_HIDE = -3;
constexpr LONG OLEIVERB_UIACTIVATE = -4;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr LONG OLEIVERB_DISCARDUNDOSTATE = -6;
constexpr LONG OLEIVERB_PROPERTIES = -7;
constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
constexpr DWORD OLECLOSE_NOSAVE = 1;
constexpr DWORD OLECLOSE_PROMPTSAVE = 2;
constexpr DWORD USERCLASSTYPE_FULL = 1;
constexpr DWORD USERCLASSTYPE_SHORT = 2;
constexpr DWORD USERCLASSTYPE_APPNAME = 3;
constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr DWORD OLEMISC_INVISIBLEATRUNTIME = 0x400;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;

#include "platform/ole_inplace.h"  // in-place activation and controls

// --- views ---------------------------------------------------------------------------------------------

struct DVEXTENTINFO {
  ULONG cb;
  DWORD dwExtentMode;
  SIZEL sizelProposed;
};

struct IViewObject : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                         HDC targetDevice, HDC dc, LPCRECTL bounds, LPCRECTL windowBounds,
                                         BOOL(STDMETHODCALLTYPE* keepGoing)(ULONG_PTR),
                                         ULONG_PTR keepGoingArgument) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspectInfo,
                                                DVTARGETDEVICE* device, HDC targetDevice,
                                                LOGPALETTE** colors) = 0;
  virtual HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) = 0;

 protected:
  ~IViewObject() = default;
};

struct IViewObject2 : IViewObject {
  virtual HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                              LPSIZEL size) = 0;

 protected:
  ~IViewObject2() = default;
};

struct IViewObjectEx : IViewObject2 {
  virtual HRESULT STDMETHODCALLTYPE GetRect(DWORD aspect, LPRECTL rect) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetViewStatus(DWORD* status) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location,
                                                  LONG closeHint, DWORD* hit) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location,
                                                 LONG closeHint, DWORD* hit) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                                     HDC targetDevice, DVEXTENTINFO* info, LPSIZEL size) = 0;

 protected:
  ~IViewObjectEx() = default;
};

constexpr DWORD HITRESULT_OUTSIDE = 0;
constexpr DWORD HITRESULT_HIT = 3;
constexpr DWORD DVEXTENT_CONTENT = 0;
constexpr DWORD DVEXTENT_INTEGRAL = 1;

// --- drawing -------------------------------------------------------------------------------------------

constexpr UINT TA_CENTER = 6;
constexpr UINT TA_BASELINE = 24;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr UINT GDI_ERROR = 0xFFFFFFFFu;

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
// The previous alignment, or GDI_ERROR.
UINT SetTextAlign(HDC dc, UINT align);
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length);
int GetDeviceCaps(HDC dc, int index);

// --- registry readers and task memory ------------------------------------------------------------

// The class's "AuxUserType\<form>" (forms 2 and 3) or its key's default value; OLE_S_USEREG is
// not used: REGDB_E_CLASSNOTREG when the class is not registered.
HRESULT OleRegGetUserType(REFCLSID clsid, DWORD form, LPOLESTR* name);
// The class's "Verb" key: each subkey named by the verb number holds "name,flags,attributes".
// OLEOBJ_E_NOVERBS when there is none, REGDB_E_CLASSNOTREG when the class is not registered.
HRESULT OleRegEnumVerbs(REFCLSID clsid, IEnumOLEVERB** verbs);
// The class's "MiscStatus" key: the subkey named by the aspect, else the key's default value.
HRESULT OleRegGetMiscStatus(REFCLSID clsid, DWORD aspect, DWORD* status);

void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* memory);

#endif
