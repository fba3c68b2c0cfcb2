// The native declarations of the in-place activation and control interfaces of an embeddable
// control (IOleInPlace*, IOleControl, IQuickActivate and their structures), with the same method
// order and identifiers as the system headers. Part of platform/ole.h, which includes it; on
// Windows the system headers declare them.
#pragma once

#ifndef _WIN32

// --- in-place activation --------------------------------------------------------------------------

struct IOleWindow : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) = 0;
  virtual HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) = 0;

 protected:
  ~IOleWindow() = default;
};

struct IOleInPlaceActiveObject;
struct OLEINPLACEFRAMEINFO {
  UINT cb;
  BOOL fMDIApp;
  HWND hwndFrame;
  HACCEL haccel;
  UINT cAccelEntries;
};
struct OLEMENUGROUPWIDTHS {
  LONG width[6];
};
using BORDERWIDTHS = RECT;

struct IOleInPlaceUIWindow : IOleWindow {
  virtual HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) = 0;
  virtual HRESULT STDMETHODCALLTYPE RequestBorderSpace(const BORDERWIDTHS* widths) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBorderSpace(const BORDERWIDTHS* widths) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) = 0;

 protected:
  ~IOleInPlaceUIWindow() = default;
};

struct IOleInPlaceFrame : IOleInPlaceUIWindow {
  virtual HRESULT STDMETHODCALLTYPE InsertMenus(HMENU shared, OLEMENUGROUPWIDTHS* widths) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMenu(HMENU shared, HOLEMENU descriptor, HWND object) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU shared) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR text) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) = 0;
  virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, WORD id) = 0;

 protected:
  ~IOleInPlaceFrame() = default;
};

struct IOleInPlaceObject : IOleWindow {
  virtual HRESULT STDMETHODCALLTYPE InPlaceDeactivate() = 0;
  virtual HRESULT STDMETHODCALLTYPE UIDeactivate() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReactivateAndUndo() = 0;

 protected:
  ~IOleInPlaceObject() = default;
};

struct IOleInPlaceObjectWindowless : IOleInPlaceObject {
  virtual HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                                    LRESULT* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget** target) = 0;

 protected:
  ~IOleInPlaceObjectWindowless() = default;
};

struct IOleInPlaceActiveObject : IOleWindow {
  virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window,
                                                 BOOL frameWindow) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) = 0;

 protected:
  ~IOleInPlaceActiveObject() = default;
};

struct IOleInPlaceSite : IOleWindow {
  virtual HRESULT STDMETHODCALLTYPE CanInPlaceActivate() = 0;
  virtual HRESULT STDMETHODCALLTYPE OnInPlaceActivate() = 0;
  virtual HRESULT STDMETHODCALLTYPE OnUIActivate() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                     LPRECT position, LPRECT clip,
                                                     OLEINPLACEFRAMEINFO* frameInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE Scroll(SIZE extent) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() = 0;
  virtual HRESULT STDMETHODCALLTYPE DiscardUndoState() = 0;
  virtual HRESULT STDMETHODCALLTYPE DeactivateAndUndo() = 0;
  virtual HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) = 0;

 protected:
  ~IOleInPlaceSite() = default;
};

struct IOleInPlaceSiteEx : IOleInPlaceSite {
  virtual HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL noRedraw) = 0;
  virtual HRESULT STDMETHODCALLTYPE RequestUIActivate() = 0;

 protected:
  ~IOleInPlaceSiteEx() = default;
};

struct IOleInPlaceSiteWindowless : IOleInPlaceSiteEx {
  virtual HRESULT STDMETHODCALLTYPE CanWindowlessActivate() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCapture() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCapture(BOOL capture) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFocus() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFocus(BOOL focus) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDC(LPCRECT rect, DWORD flags, HDC* dc) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) = 0;
  virtual HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT rect, BOOL erase) = 0;
  virtual HRESULT STDMETHODCALLTYPE InvalidateRgn(HRGN region, BOOL erase) = 0;
  virtual HRESULT STDMETHODCALLTYPE ScrollRect(INT dx, INT dy, LPCRECT scroll, LPCRECT clip) = 0;
  virtual HRESULT STDMETHODCALLTYPE AdjustRect(LPRECT rect) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                                       LRESULT* result) = 0;

 protected:
  ~IOleInPlaceSiteWindowless() = default;
};

constexpr DWORD ACTIVATE_WINDOWLESS = 1;

// --- controls ---------------------------------------------------------------------------------------

struct CONTROLINFO {
  ULONG cb;
  HACCEL hAccel;
  USHORT cAccel;
  DWORD dwFlags;
};

struct IOleControl : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID dispid) = 0;
  virtual HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) = 0;

 protected:
  ~IOleControl() = default;
};

struct CAUUID {
  ULONG cElems;
  GUID* pElems;
};

struct ISpecifyPropertyPages : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) = 0;

 protected:
  ~ISpecifyPropertyPages() = default;
};

struct IProvideClassInfo : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) = 0;

 protected:
  ~IProvideClassInfo() = default;
};

struct IProvideClassInfo2 : IProvideClassInfo {
  virtual HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) = 0;

 protected:
  ~IProvideClassInfo2() = default;
};

constexpr DWORD GUIDKIND_DEFAULT_SOURCE_DISP_IID = 1;

using OLE_COLOR = DWORD;
struct QACONTAINER {
  ULONG cbSize;
  IOleClientSite* pClientSite;
  IAdviseSink* pAdviseSink;
  IPropertyNotifySink* pPropertyNotifySink;
  IUnknown* pUnkEventSink;
  DWORD dwAmbientFlags;
  OLE_COLOR colorFore;
  OLE_COLOR colorBack;
  void* pFont;     // IFont*
  void* pUndoMgr;  // IOleUndoManager*
  DWORD dwAppearance;
  LONG lcid;
  void* hpal;              // HPALETTE
  void* pBindHost;         // IBindHost*
  void* pOleControlSite;   // IOleControlSite*
  void* pServiceProvider;  // IServiceProvider*
};
struct QACONTROL {
  ULONG cbSize;
  DWORD dwMiscStatus;
  DWORD dwViewStatus;
  DWORD dwEventCookie;
  DWORD dwPropNotifyCookie;
  DWORD dwPointerActivationPolicy;
};

struct IQuickActivate : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) = 0;

 protected:
  ~IQuickActivate() = default;
};

#endif
