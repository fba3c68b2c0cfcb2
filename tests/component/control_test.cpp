// VkString as an embeddable control: the interfaces it answers, the persisted extent on
// streams and storages, the design-time picture, registry-backed status, activation in place
// and the notices containers get.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "component/control/design_picture.h"
#include "component/ivkstring.h"
#include "component/module.h"
#include "component/vkstring.h"
#include "component/control_sites.h"
#include "platform/control_window.h"
#include "platform/metafile_picture.h"
#include "platform/native/recording_dc.h"
#include "platform/ole.h"
#include "platform/registry.h"

namespace vk {
namespace {

using platform::DrawCall;
using platform::RecordingDc;
using testing::RecordingSink;
using testing::RecordingSite;

// One control for the length of a test, released at the end.
class Control {
 public:
  Control() {
    unknown_ = nullptr;
    (new VkString)->innerUnknown()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown_));
  }
  ~Control() { unknown_->Release(); }
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // The interface, or null; the reference taken by QueryInterface is given back at once (the
  // control keeps its own), so tests need not release it.
  template <class T>
  T* as(REFIID riid) {
    void* object = nullptr;
    if (FAILED(unknown_->QueryInterface(riid, &object))) return nullptr;
    static_cast<IUnknown*>(object)->Release();
    return static_cast<T*>(object);
  }
  IUnknown* unknown() { return unknown_; }

 private:
  IUnknown* unknown_;
};

std::vector<std::uint8_t> streamBytes(IStream* stream) {
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stat.cbSize.QuadPart));
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
  return bytes;
}

IStream* streamOf(const std::vector<std::uint8_t>& bytes) {
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(nullptr, 1, &stream);
  stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  return stream;
}

SIZEL extentOf(Control& control) {
  SIZEL size{-1, -1};
  control.as<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &size);
  return size;
}

// --- interfaces -----------------------------------------------------------------------------

struct Answered {
  const char* name;
  const IID* iid;
};

const Answered kAnswered[] = {
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

// Every interface answers, hands back an interface that answers the whole list in turn (the
// rules of symmetry and transitivity), and leads back to the one IUnknown.
TEST(ControlInterfaces, EveryListedInterfaceAnswersAndSharesOneIdentity) {
  Control control;
  for (const Answered& from : kAnswered) {
    SCOPED_TRACE(from.name);
    IUnknown* first = nullptr;
    ASSERT_EQ(control.unknown()->QueryInterface(*from.iid, reinterpret_cast<void**>(&first)), S_OK);
    ASSERT_NE(first, nullptr);
    IUnknown* identity = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, control.unknown());
    identity->Release();
    for (const Answered& to : kAnswered) {
      void* next = nullptr;
      EXPECT_EQ(first->QueryInterface(*to.iid, &next), S_OK) << to.name;
      if (next != nullptr) static_cast<IUnknown*>(next)->Release();
    }
    first->Release();
  }
}

TEST(ControlInterfaces, OthersAreRefused) {
  Control control;
  const IID* refused[] = {&IID_IPersistPropertyBag, &IID_IConnectionPointContainer,
                          &IID_IClassFactory,       &IID_IStream,
                          &IID_IOleClientSite,      &IID_IAdviseSink,
                          &IID_IOleInPlaceSite};
  for (const IID* iid : refused) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(control.unknown()->QueryInterface(*iid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(control.unknown()->QueryInterface(IID_IOleObject, nullptr), E_POINTER);
}

// An outer object that hands out the inner object's interfaces and counts its references.
struct Outer final : IUnknown {
  IUnknown* inner = nullptr;
  ULONG count = 1;
  int queries = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    ++queries;
    if (riid == IID_IUnknown) {
      *object = this;
      ++count;
      return S_OK;
    }
    return inner->QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
  virtual ~Outer() = default;
};

TEST(ControlInterfaces, AggregatedInterfacesDelegateToTheOuterObject) {
  Outer outer;
  auto* object = new VkString(&outer);
  ASSERT_EQ(object->innerUnknown()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
            S_OK);
  for (const Answered& entry : kAnswered) {
    SCOPED_TRACE(entry.name);
    IUnknown* through = nullptr;
    ASSERT_EQ(outer.QueryInterface(*entry.iid, reinterpret_cast<void**>(&through)), S_OK);
    const ULONG before = outer.count;
    through->AddRef();
    EXPECT_EQ(outer.count, before + 1);
    through->Release();
    // The identity asked of any of them is the outer object's.
    const int queries = outer.queries;
    IUnknown* identity = nullptr;
    ASSERT_EQ(through->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    EXPECT_EQ(outer.queries, queries + 1);
    identity->Release();
    through->Release();
  }
  EXPECT_EQ(outer.count, 1u);
  outer.inner->Release();  // destroys the inner object
}

// --- persistence ----------------------------------------------------------------------------------

TEST(ControlPersistence, NewObjectSavesTwelveBytesOfVersionAndTwoInchSquare) {
  Control control;
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, 1, &stream), S_OK);
  ASSERT_EQ(control.as<IPersistStreamInit>(IID_IPersistStreamInit)->Save(stream, 1), S_OK);
  const std::vector<std::uint8_t> expected = {0x00, 0x03, 0x00, 0x00, 0xD8, 0x13,
                                              0x00, 0x00, 0xD8, 0x13, 0x00, 0x00};
  EXPECT_EQ(streamBytes(stream), expected);
  stream->Release();
  ULARGE_INTEGER size{};
  ASSERT_EQ(control.as<IPersistStreamInit>(IID_IPersistStreamInit)->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, expected.size());
}

struct LoadCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  HRESULT result;
  SIZEL extent;  // afterwards
};

class ControlStreamLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ControlStreamLoad, VersionWordDecides) {
  Control control;
  IStream* stream = streamOf(GetParam().bytes);
  EXPECT_EQ(control.as<IPersistStreamInit>(IID_IPersistStreamInit)->Load(stream), GetParam().result);
  stream->Release();
  const SIZEL extent = extentOf(control);
  EXPECT_EQ(extent.cx, GetParam().extent.cx);
  EXPECT_EQ(extent.cy, GetParam().extent.cy);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ControlStreamLoad,
    ::testing::Values(
        LoadCase{"Current", {0x00, 0x03, 0, 0, 0x10, 0x27, 0, 0, 0xE8, 0x03, 0, 0}, S_OK, {10000, 1000}},
        LoadCase{"Older", {0x00, 0x02, 0, 0, 0x01, 0, 0, 0, 0x02, 0, 0, 0}, S_OK, {1, 2}},
        LoadCase{"VersionZero", {0, 0, 0, 0, 0x64, 0, 0, 0, 0xC8, 0, 0, 0}, S_OK, {100, 200}},
        LoadCase{"Later", {0x01, 0x03, 0, 0, 0x01, 0, 0, 0, 0x02, 0, 0, 0}, E_FAIL, {5080, 5080}},
        LoadCase{"FarLater", {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0, 0x02, 0, 0, 0}, E_FAIL, {5080, 5080}},
        LoadCase{"VersionInHighHalf",
                 {0x00, 0x03, 0x01, 0x00, 0x01, 0, 0, 0, 0x02, 0, 0, 0},
                 E_FAIL,
                 {5080, 5080}},
        LoadCase{"Truncated", {0x00, 0x03, 0, 0, 0x01, 0, 0, 0, 0x02, 0, 0}, STG_E_READFAULT, {5080, 5080}},
        LoadCase{"Empty", {}, STG_E_READFAULT, {5080, 5080}}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(ControlPersistence, DirtyFollowsChangesSavesAndLoads) {
  Control control;
  auto* persist = control.as<IPersistStreamInit>(IID_IPersistStreamInit);
  auto* object = control.as<IOleObject>(IID_IOleObject);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  SIZEL same{5080, 5080};
  object->SetExtent(DVASPECT_CONTENT, &same);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);  // nothing changed
  SIZEL wider{7000, 5080};
  object->SetExtent(DVASPECT_CONTENT, &wider);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  // IPersistStorage reads the same flag.
  EXPECT_EQ(control.as<IPersistStorage>(IID_IPersistStorage)->IsDirty(), S_OK);

  IStream* stream = nullptr;
  CreateStreamOnHGlobal(nullptr, 1, &stream);
  persist->Save(stream, 0);
  EXPECT_EQ(persist->IsDirty(), S_OK);  // saved without clearing
  persist->Save(stream, 1);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);

  // What was saved comes back in another object, which starts clean.
  Control other;
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  ASSERT_EQ(other.as<IPersistStreamInit>(IID_IPersistStreamInit)->Load(stream), S_OK);
  EXPECT_EQ(extentOf(other).cx, 7000);
  EXPECT_EQ(other.as<IPersistStreamInit>(IID_IPersistStreamInit)->IsDirty(), S_FALSE);
  stream->Release();

  Control fresh;
  EXPECT_EQ(fresh.as<IPersistStreamInit>(IID_IPersistStreamInit)->InitNew(), S_OK);
  EXPECT_EQ(fresh.as<IPersistStreamInit>(IID_IPersistStreamInit)->IsDirty(), S_OK);
  EXPECT_EQ(persist->Load(nullptr), E_POINTER);
  EXPECT_EQ(persist->Save(nullptr, 1), E_POINTER);
}

TEST(ControlPersistence, StorageHoldsTheRecordAsContents) {
  Control control;
  SIZEL extent{1234, 4321};
  control.as<IOleObject>(IID_IOleObject)->SetExtent(DVASPECT_CONTENT, &extent);
  auto* persist = control.as<IPersistStorage>(IID_IPersistStorage);
  IStorage* storage = nullptr;
  ASSERT_EQ(StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, &storage),
            S_OK);
  ASSERT_EQ(persist->Save(storage, 1), S_OK);
  ASSERT_EQ(persist->SaveCompleted(nullptr), S_OK);

  IStream* contents = nullptr;
  ASSERT_EQ(storage->OpenStream(u"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents), S_OK);
  const std::vector<std::uint8_t> expected = {0x00, 0x03, 0, 0, 0xD2, 0x04, 0, 0, 0xE1, 0x10, 0, 0};
  EXPECT_EQ(streamBytes(contents), expected);
  contents->Release();

  Control other;
  ASSERT_EQ(other.as<IPersistStorage>(IID_IPersistStorage)->Load(storage), S_OK);
  EXPECT_EQ(extentOf(other).cy, 4321);
  // Saving twice replaces the stream rather than failing on the existing one.
  EXPECT_EQ(persist->Save(storage, 1), S_OK);
  storage->Release();

  IStorage* empty = nullptr;
  StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, &empty);
  EXPECT_EQ(other.as<IPersistStorage>(IID_IPersistStorage)->Load(empty), STG_E_FILENOTFOUND);
  empty->Release();
  EXPECT_EQ(persist->Load(static_cast<IStorage*>(nullptr)), E_INVALIDARG);
  EXPECT_EQ(persist->InitNew(static_cast<IStorage*>(nullptr)), E_INVALIDARG);

  CLSID clsid{};
  ASSERT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_VkString);
}

// --- extents and drawing --------------------------------------------------------------------------

TEST(ControlExtent, EveryViewReportsTheSameExtent) {
  Control control;
  SIZEL size{};
  ASSERT_EQ(control.as<IViewObject2>(IID_IViewObject2)->GetExtent(DVASPECT_CONTENT, -1, nullptr, &size),
            S_OK);
  EXPECT_EQ(size.cx, 5080);
  EXPECT_EQ(size.cy, 5080);
  DVEXTENTINFO info{sizeof info, DVEXTENT_CONTENT, {0, 0}};
  SIZEL natural{};
  ASSERT_EQ(control.as<IViewObjectEx>(IID_IViewObjectEx)
                ->GetNaturalExtent(DVASPECT_CONTENT, -1, nullptr, nullptr, &info, &natural),
            S_OK);
  EXPECT_EQ(natural.cx, 5080);

  SIZEL set{300, 400};
  auto* quick = control.as<IQuickActivate>(IID_IQuickActivate);
  ASSERT_EQ(quick->SetContentExtent(&set), S_OK);
  SIZEL got{};
  ASSERT_EQ(quick->GetContentExtent(&got), S_OK);
  EXPECT_EQ(got.cx, 300);
  EXPECT_EQ(got.cy, 400);
  control.as<IViewObject2>(IID_IViewObject2)->GetExtent(DVASPECT_CONTENT, -1, nullptr, &size);
  EXPECT_EQ(size.cy, 400);
  // The natural extent stays what the control was made with.
  control.as<IViewObjectEx>(IID_IViewObjectEx)
      ->GetNaturalExtent(DVASPECT_CONTENT, -1, nullptr, nullptr, &info, &natural);
  EXPECT_EQ(natural.cy, 5080);

  auto* object = control.as<IOleObject>(IID_IOleObject);
  EXPECT_EQ(object->SetExtent(DVASPECT_ICON, &set), DV_E_DVASPECT);
  EXPECT_EQ(object->GetExtent(DVASPECT_ICON, &got), E_FAIL);
  EXPECT_EQ(object->GetExtent(DVASPECT_CONTENT, nullptr), E_POINTER);
  info.dwExtentMode = DVEXTENT_INTEGRAL;
  EXPECT_EQ(control.as<IViewObjectEx>(IID_IViewObjectEx)
                ->GetNaturalExtent(DVASPECT_CONTENT, -1, nullptr, nullptr, &info, &natural),
            E_FAIL);
}

struct DrawCase {
  RECTL bounds;
  int x, y;  // where the caption goes
};

TEST(ControlDrawing, RectangleOverBoundsAndCaptionCentredOnBaseline) {
  const DrawCase cases[] = {
      {{10, 20, 110, 220}, 60, 120},
      {{0, 0, 1, 1}, 0, 0},
      {{-50, -40, 50, 40}, 0, 0},
      {{3, 4, 8, 13}, 5, 8},
      {{2147483000, 0, 2147483600, 10}, 2147483300, 5},  // no overflow in the midpoint
  };
  for (const DrawCase& c : cases) {
    Control control;
    RecordingDc dc;
    ASSERT_EQ(control.as<IViewObject>(IID_IViewObject)
                  ->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.handle(), &c.bounds, nullptr,
                         nullptr, 0),
              S_OK);
    ASSERT_EQ(dc.calls().size(), 3u);
    const DrawCall& box = dc.calls()[0];
    EXPECT_EQ(box.kind, DrawCall::Rectangle);
    EXPECT_EQ(box.x1, c.bounds.left);
    EXPECT_EQ(box.y1, c.bounds.top);
    EXPECT_EQ(box.x2, c.bounds.right);
    EXPECT_EQ(box.y2, c.bounds.bottom);
    EXPECT_EQ(dc.calls()[1].kind, DrawCall::SetTextAlign);
    EXPECT_EQ(dc.calls()[1].align, 30u);
    const DrawCall& caption = dc.calls()[2];
    EXPECT_EQ(caption.kind, DrawCall::TextOut);
    EXPECT_EQ(caption.text, "VkString");
    EXPECT_EQ(caption.x1, c.x);
    EXPECT_EQ(caption.y1, c.y);
  }
}

TEST(ControlDrawing, RefusesMissingDeviceOrBounds) {
  Control control;
  RecordingDc dc;
  RECTL bounds{0, 0, 10, 10};
  auto* view = control.as<IViewObject>(IID_IViewObject);
  EXPECT_EQ(
      view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr, nullptr, 0),
      E_INVALIDARG);
  // Not active in place, the control has no bounds of its own.
  EXPECT_EQ(
      view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.handle(), nullptr, nullptr, nullptr, 0),
      E_INVALIDARG);
  EXPECT_TRUE(dc.calls().empty());
}

TEST(ControlDrawing, HimetricRoundsToTheNearestPixel) {
  struct Case {
    LONG himetric;
    int ppi;
    LONG pixels;
  };
  // At 96 ppi a pixel is 26.46 HIMETRIC: 13 is just under half a pixel, 14 just over.
  const Case cases[] = {{5080, 96, 192},      {2540, 96, 96},  {13, 96, 0},  {14, 96, 1}, {0, 96, 0},
                        {5080, 120, 240},     {5080, 72, 144}, {26, 96, 1},  {39, 96, 1}, {40, 96, 2},
                        {2540000, 96, 96000}, {5080, 1, 2},    {1270, 1, 1}, {1269, 1, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(control::himetricToPixels(c.himetric, c.ppi), c.pixels) << c.himetric << " at " << c.ppi;
  }
}

// --- the registry, verbs and class information --------------------------------------------------

TEST(ControlRegistry, StatusAndUserTypeComeFromTheRegistration) {
  Module::instance().setModulePath(u"/opt/velkor/libVelkorString.so");
  Control control;
  auto* object = control.as<IOleObject>(IID_IOleObject);
  DWORD status = 1;
  EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(status, 0u);

  ASSERT_EQ(DllRegisterServer(), S_OK);
  ASSERT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 132497u);
  const DWORD flags = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INVISIBLEATRUNTIME | OLEMISC_ACTIVATEWHENVISIBLE |
                      OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
  EXPECT_EQ(status, flags);
  ASSERT_EQ(object->GetMiscStatus(DVASPECT_ICON, &status), S_OK);
  EXPECT_EQ(status, 0u);  // the key's own value: no aspect-4 entry

  for (DWORD form : {USERCLASSTYPE_FULL, USERCLASSTYPE_SHORT, USERCLASSTYPE_APPNAME}) {
    LPOLESTR name = nullptr;
    ASSERT_EQ(object->GetUserType(form, &name), S_OK);
    EXPECT_EQ(std::u16string(name), u"VkString Class");
    CoTaskMemFree(name);
  }
  IEnumOLEVERB* verbs = reinterpret_cast<IEnumOLEVERB*>(1);
  EXPECT_EQ(object->EnumVerbs(&verbs), OLEOBJ_E_NOVERBS);  // registration writes no verbs
  EXPECT_EQ(verbs, nullptr);

  QACONTAINER container{};
  container.cbSize = sizeof container;
  QACONTROL quick{};
  quick.cbSize = sizeof quick;
  ASSERT_EQ(control.as<IQuickActivate>(IID_IQuickActivate)->QuickActivate(&container, &quick), S_OK);
  EXPECT_EQ(quick.dwMiscStatus, 132497u);

  ASSERT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), REGDB_E_CLASSNOTREG);
  platform::registryDeleteTree(platform::RegistryRoot::ClassesRoot, u"CLSID");
}

TEST(ControlRegistry, VerbsListedUnderTheClassAreEnumeratedInOrder) {
  const std::u16string verbKey = u"CLSID\\{7E94221E-1DD1-40BE-BE90-42D3A27B2FFF}\\Verb";
  platform::registryCreateKey(platform::RegistryRoot::ClassesRoot, verbKey + u"\\1");
  platform::registryCreateKey(platform::RegistryRoot::ClassesRoot, verbKey + u"\\0");
  platform::registryCreateKey(platform::RegistryRoot::ClassesRoot, verbKey + u"\\x");
  platform::registrySetString(platform::RegistryRoot::ClassesRoot, verbKey + u"\\1", u"", u"&Open, now,0,2");
  platform::registrySetString(platform::RegistryRoot::ClassesRoot, verbKey + u"\\0", u"", u"&Edit,0,2");
  platform::registrySetString(platform::RegistryRoot::ClassesRoot, verbKey + u"\\x", u"", u"Broken");
  Control control;
  IEnumOLEVERB* verbs = nullptr;
  ASSERT_EQ(control.as<IOleObject>(IID_IOleObject)->EnumVerbs(&verbs), S_OK);
  OLEVERB got[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(verbs->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(got[0].lVerb, 0);
  EXPECT_EQ(std::u16string(got[0].lpszVerbName), u"&Edit");
  EXPECT_EQ(got[1].lVerb, 1);
  EXPECT_EQ(std::u16string(got[1].lpszVerbName), u"&Open, now");
  EXPECT_EQ(got[1].grfAttribs, 2u);
  for (ULONG i = 0; i < fetched; ++i) CoTaskMemFree(got[i].lpszVerbName);
  verbs->Release();
  platform::registryDeleteTree(platform::RegistryRoot::ClassesRoot, u"CLSID");
}

TEST(ControlInfo, ClassIdentityPagesAndOutgoingInterface) {
  Control control;
  CLSID clsid{};
  ASSERT_EQ(control.as<IOleObject>(IID_IOleObject)->GetUserClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_VkString);
  CAUUID pages{7, reinterpret_cast<GUID*>(1)};
  ASSERT_EQ(control.as<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages)->GetPages(&pages), S_OK);
  EXPECT_EQ(pages.cElems, 0u);
  EXPECT_EQ(pages.pElems, nullptr);

  auto* info = control.as<IProvideClassInfo2>(IID_IProvideClassInfo2);
  GUID source{1, 2, 3, {4}};
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), E_FAIL);  // no events
  EXPECT_EQ(source, GUID_NULL);
  EXPECT_EQ(info->GetGUID(2, &source), E_INVALIDARG);
  ITypeInfo* type = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(info->GetClassInfo(&type), TYPE_E_LIBNOTREGISTERED);  // no type library natively
  EXPECT_EQ(type, nullptr);

  // Natively there are no metafiles, so no presentation data is offered in any format.
  auto* data = control.as<IDataObject>(IID_IDataObject);
  FORMATETC picture{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
  STGMEDIUM medium{};
  EXPECT_EQ(data->QueryGetData(&picture), DV_E_FORMATETC);
  EXPECT_EQ(data->GetData(&picture, &medium), DV_E_FORMATETC);
  EXPECT_EQ(medium.tymed, TYMED_NULL);
  EXPECT_EQ(data->GetData(nullptr, &medium), E_POINTER);
}

// --- sites, activation and notices -----------------------------------------------------------------

TEST(ControlActivation, WindowlessSitePlacesTheControlWithoutAWindow) {
  RecordingSite site(RecordingSite::Offers::Windowless);
  {
    Control control;
    auto* object = control.as<IOleObject>(IID_IOleObject);
    ASSERT_EQ(object->SetClientSite(&site), S_OK);
    ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, -1, nullptr, nullptr), S_OK);
    EXPECT_EQ(site.calls, (std::vector<std::string>{"OnInPlaceActivateEx(windowless)", "ShowObject"}));
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(control.as<IOleWindow>(IID_IOleWindow)->GetWindow(&window), E_FAIL);
    EXPECT_EQ(window, nullptr);

    // Active windowless, the control draws at the place its container gave it.
    RecordingDc dc;
    ASSERT_EQ(control.as<IViewObject>(IID_IViewObject)
                  ->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.handle(), nullptr, nullptr,
                         nullptr, 0),
              S_OK);
    ASSERT_EQ(dc.calls().size(), 3u);
    EXPECT_EQ(dc.calls()[0].x2, site.placed.right);
    EXPECT_EQ(dc.calls()[2].x1, (site.placed.left + site.placed.right) / 2);

    // A new extent repaints through the site.
    site.calls.clear();
    SIZEL size{1000, 1000};
    object->SetExtent(DVASPECT_CONTENT, &size);
    EXPECT_EQ(site.calls, std::vector<std::string>{"InvalidateRect"});

    site.calls.clear();
    ASSERT_EQ(object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &site, -1, nullptr, nullptr), S_OK);
    ASSERT_EQ(control.as<IOleInPlaceObject>(IID_IOleInPlaceObject)->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(site.calls, (std::vector<std::string>{"OnUIActivate", "ShowObject", "OnUIDeactivate",
                                                    "OnInPlaceDeactivateEx"}));
    EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
  }
  EXPECT_EQ(site.count, 1u);  // every reference the control took was given back
}

TEST(ControlActivation, WindowedSiteGetsAChildWindowThatPaintsThePicture) {
  RecordingSite site(RecordingSite::Offers::InPlace);
  HWND window = nullptr;
  {
    Control control;
    auto* object = control.as<IOleObject>(IID_IOleObject);
    object->SetClientSite(&site);
    ASSERT_EQ(object->DoVerb(OLEIVERB_SHOW, nullptr, &site, -1, nullptr, nullptr), S_OK);
    EXPECT_EQ(site.calls, (std::vector<std::string>{"CanInPlaceActivate", "OnInPlaceActivate", "OnUIActivate",
                                                    "ShowObject"}));
    ASSERT_EQ(control.as<IOleWindow>(IID_IOleWindow)->GetWindow(&window), S_OK);
    platform::ControlWindowRecord record{};
    ASSERT_TRUE(platform::controlWindowRecord(window, &record));
    EXPECT_EQ(record.parent, site.parent);
    EXPECT_EQ(record.position.right, site.placed.right);

    RECT moved{0, 0, 40, 30};
    ASSERT_EQ(control.as<IOleInPlaceObject>(IID_IOleInPlaceObject)->SetObjectRects(&moved, &moved), S_OK);
    ASSERT_TRUE(platform::controlWindowRecord(window, &record));
    EXPECT_EQ(record.position.bottom, 30);
    RecordingDc dc;
    ASSERT_TRUE(platform::paintControlWindow(window, dc.handle()));
    ASSERT_EQ(dc.calls().size(), 3u);
    EXPECT_EQ(dc.calls()[2].x1, 20);
    EXPECT_EQ(dc.calls()[2].y1, 15);

    ASSERT_EQ(object->DoVerb(OLEIVERB_HIDE, nullptr, &site, -1, nullptr, nullptr), S_OK);
    ASSERT_TRUE(platform::controlWindowRecord(window, &record));
    EXPECT_FALSE(record.visible);
    object->Close(OLECLOSE_NOSAVE);
    EXPECT_FALSE(platform::controlWindowRecord(window, &record));  // closing destroys it
    object->SetClientSite(nullptr);
  }
  EXPECT_EQ(site.count, 1u);
}

TEST(ControlActivation, VerbOutcomes) {
  struct Case {
    const char* name;
    RecordingSite::Offers offers;
    HRESULT canActivate;
    LONG verb;
    HRESULT result;
  };
  const Case cases[] = {
      {"SiteDeclines", RecordingSite::Offers::InPlace, S_FALSE, OLEIVERB_INPLACEACTIVATE, E_FAIL},
      {"SiteFails", RecordingSite::Offers::InPlace, E_UNEXPECTED, OLEIVERB_INPLACEACTIVATE, E_UNEXPECTED},
      {"NoInPlaceSite", RecordingSite::Offers::ClientOnly, S_OK, OLEIVERB_INPLACEACTIVATE, E_FAIL},
      {"ExtendedSite", RecordingSite::Offers::InPlaceEx, S_OK, OLEIVERB_INPLACEACTIVATE, S_OK},
      {"UnknownPositiveVerbActsAsPrimary", RecordingSite::Offers::Windowless, S_OK, 7, OLEOBJ_S_INVALIDVERB},
      {"UnknownNegativeVerb", RecordingSite::Offers::Windowless, S_OK, -99, E_NOTIMPL},
      {"PropertiesWithoutPages", RecordingSite::Offers::Windowless, S_OK, OLEIVERB_PROPERTIES, E_NOTIMPL},
      {"Open", RecordingSite::Offers::Windowless, S_OK, OLEIVERB_OPEN, S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingSite site(c.offers);
    site.canActivate = c.canActivate;
    {
      Control control;
      auto* object = control.as<IOleObject>(IID_IOleObject);
      object->SetClientSite(&site);
      EXPECT_EQ(object->DoVerb(c.verb, nullptr, &site, -1, nullptr, nullptr), c.result);
      object->Close(OLECLOSE_NOSAVE);
      object->SetClientSite(nullptr);
    }
    EXPECT_EQ(site.count, 1u);
  }
  // Without any site there is nothing to activate in, and that is not an error.
  Control control;
  EXPECT_EQ(control.as<IOleObject>(IID_IOleObject)
                ->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, -1, nullptr, nullptr),
            S_OK);
}

TEST(ControlNotices, ViewDataAndCloseSinksAreTold) {
  RecordingSite site(RecordingSite::Offers::ClientOnly);
  RecordingSink view;
  RecordingSink data;
  RecordingSink ole;
  {
    Control control;
    auto* object = control.as<IOleObject>(IID_IOleObject);
    object->SetClientSite(&site);
    ASSERT_EQ(control.as<IViewObject>(IID_IViewObject)->SetAdvise(DVASPECT_CONTENT, 0, &view), S_OK);
    FORMATETC format{0, nullptr, DVASPECT_CONTENT, -1, TYMED_NULL};
    DWORD dataConnection = 0;
    ASSERT_EQ(control.as<IDataObject>(IID_IDataObject)->DAdvise(&format, ADVF_NODATA, &data, &dataConnection),
              S_OK);
    DWORD oleConnection = 0;
    ASSERT_EQ(object->Advise(&ole, &oleConnection), S_OK);
    EXPECT_NE(oleConnection, 0u);

    SIZEL size{100, 100};
    object->SetExtent(DVASPECT_CONTENT, &size);
    EXPECT_EQ(view.calls, std::vector<std::string>{"OnViewChange(1,-1)"});
    EXPECT_EQ(data.calls, std::vector<std::string>{"OnDataChange"});

    DWORD aspects = 0;
    IAdviseSink* held = nullptr;
    ASSERT_EQ(control.as<IViewObject>(IID_IViewObject)->GetAdvise(&aspects, nullptr, &held), S_OK);
    EXPECT_EQ(held, &view);
    EXPECT_EQ(aspects, DVASPECT_CONTENT);
    held->Release();

    // Closing a changed object saves it through the site and tells the sinks.
    ASSERT_EQ(object->Close(OLECLOSE_SAVEIFDIRTY), S_OK);
    EXPECT_EQ(site.calls, std::vector<std::string>{"SaveObject"});
    EXPECT_EQ(ole.calls, (std::vector<std::string>{"OnSave", "OnClose"}));
    ASSERT_EQ(object->Unadvise(oleConnection), S_OK);
    EXPECT_EQ(object->Unadvise(oleConnection), OLE_E_NOCONNECTION);
    ASSERT_EQ(control.as<IDataObject>(IID_IDataObject)->DUnadvise(dataConnection), S_OK);
    EXPECT_EQ(control.as<IDataObject>(IID_IDataObject)->DUnadvise(dataConnection), OLE_E_NOCONNECTION);
    // Close let go of the view sink; the client site stays until the container clears it.
    IOleClientSite* current = nullptr;
    ASSERT_EQ(object->GetClientSite(&current), S_OK);
    EXPECT_EQ(current, &site);
    current->Release();
  }
  EXPECT_EQ(site.count, 1u);
  EXPECT_EQ(view.count, 1u);
  EXPECT_EQ(data.count, 1u);
  EXPECT_EQ(ole.count, 1u);
}

TEST(ControlNotices, QuickActivateTakesTheSiteAndTheViewSink) {
  RecordingSite site(RecordingSite::Offers::ClientOnly);
  RecordingSink view;
  {
    Control control;
    QACONTAINER container{};
    container.cbSize = sizeof container;
    container.pClientSite = &site;
    container.pAdviseSink = &view;
    QACONTROL quick{};
    quick.cbSize = sizeof quick;
    ASSERT_EQ(control.as<IQuickActivate>(IID_IQuickActivate)->QuickActivate(&container, &quick), S_OK);
    EXPECT_EQ(quick.dwEventCookie, 0u);
    IOleClientSite* current = nullptr;
    control.as<IOleObject>(IID_IOleObject)->GetClientSite(&current);
    EXPECT_EQ(current, &site);
    current->Release();
    SIZEL size{10, 10};
    control.as<IQuickActivate>(IID_IQuickActivate)->SetContentExtent(&size);
    EXPECT_EQ(view.calls, std::vector<std::string>{"OnViewChange(1,-1)"});
    EXPECT_EQ(control.as<IQuickActivate>(IID_IQuickActivate)->QuickActivate(nullptr, &quick), E_POINTER);
  }
  // Released without Close or SetClientSite(nullptr): the object lets go by itself.
  EXPECT_EQ(site.count, 1u);
  EXPECT_EQ(view.count, 1u);
}

}  // namespace
}  // namespace vk
