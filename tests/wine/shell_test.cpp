// GoogleTest suite of the in-process server's rules, run under Wine against the real module:
//
//   vk_wine_shell_tests.exe <path of VelkorString.dll> [GoogleTest options]
//
// It loads the DLL itself and calls its entry points: the unload rule, the class object (one
// per process, answering only for VkString), creation and aggregation, the object's interface
// answers, and what DllRegisterServer writes to the registry and DllUnregisterServer removes.
// The module must not be registered when the suite starts; the suite leaves it unregistered.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "component/ivkstring.h"

namespace {

std::wstring gModulePath;
HMODULE gModule = nullptr;

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using RegisterServer = HRESULT(STDAPICALLTYPE*)();

template <typename T>
T entry(const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(gModule, name)));
}

HRESULT canUnload() { return entry<CanUnloadNow>("DllCanUnloadNow")(); }

HRESULT classObject(REFCLSID clsid, IClassFactory** factory) {
  return entry<GetClassObject>("DllGetClassObject")(clsid, IID_IClassFactory,
                                                    reinterpret_cast<void**>(factory));
}

// A controlling object for aggregation requests; its count is not tracked.
class Outer final : public IUnknown {
 public:
  virtual ~Outer() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    *object = riid == IID_IUnknown ? this : nullptr;
    return *object != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// --- entry points ---------------------------------------------------------------------------------

TEST(EntryPoints, AllFourAreExportedUnderTheirPlainNames) {
  for (const char* name :
       {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}) {
    EXPECT_NE(GetProcAddress(gModule, name), nullptr) << name;
  }
}

struct ForeignClassCase {
  const char* label;
  const CLSID* clsid;
};

class ForeignClass : public ::testing::TestWithParam<ForeignClassCase> {};

TEST_P(ForeignClass, IsNotAvailableAndClearsTheOutPointer) {
  IClassFactory* factory = reinterpret_cast<IClassFactory*>(1);
  EXPECT_EQ(classObject(*GetParam().clsid, &factory), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Classes, ForeignClass,
                         ::testing::Values(ForeignClassCase{"InterfaceId", &IID_IVkString},
                                           ForeignClassCase{"Null", &GUID_NULL},
                                           ForeignClassCase{"TypeLibraryId", &LIBID_VKSTRINGLib}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ClassObject, IsOneObjectThatHoldsTheModuleWhileAClientHoldsIt) {
  ASSERT_EQ(canUnload(), S_OK);
  EXPECT_EQ(entry<GetClassObject>("DllGetClassObject")(CLSID_VkString, IID_IClassFactory, nullptr),
            E_POINTER);
  IClassFactory* first = nullptr;
  IClassFactory* second = nullptr;
  ASSERT_EQ(classObject(CLSID_VkString, &first), S_OK);
  ASSERT_EQ(classObject(CLSID_VkString, &second), S_OK);
  EXPECT_EQ(first, second);
  EXPECT_EQ(canUnload(), S_FALSE);
  second->Release();
  EXPECT_EQ(canUnload(), S_FALSE);
  first->Release();
  EXPECT_EQ(canUnload(), S_OK);
}

TEST(ClassObject, LockServerHoldsTheModuleUntilUnlocked) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(classObject(CLSID_VkString, &factory), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(canUnload(), S_FALSE);
  ASSERT_EQ(classObject(CLSID_VkString, &factory), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(canUnload(), S_FALSE);  // one lock is left
  ASSERT_EQ(classObject(CLSID_VkString, &factory), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(canUnload(), S_OK);
}

// --- creation and aggregation ---------------------------------------------------------------------

struct CreateCase {
  const char* label;
  bool outer;
  const IID* iid;
  HRESULT expected;
};

class Create : public ::testing::TestWithParam<CreateCase> {};

TEST_P(Create, FollowsTheAggregationRules) {
  const CreateCase& c = GetParam();
  IClassFactory* factory = nullptr;
  ASSERT_EQ(classObject(CLSID_VkString, &factory), S_OK);
  Outer outer;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(c.outer ? &outer : nullptr, *c.iid, &object), c.expected);
  factory->Release();
  if (SUCCEEDED(c.expected)) {
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);  // the live object holds the module
    static_cast<IUnknown*>(object)->Release();
  } else {
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(canUnload(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Create,
    ::testing::Values(CreateCase{"Plain", false, &IID_IVkString, S_OK},
                      CreateCase{"PlainUnknown", false, &IID_IUnknown, S_OK},
                      CreateCase{"PlainDispatch", false, &IID_IDispatch, S_OK},
                      CreateCase{"PlainForeignInterface", false, &IID_IPersistPropertyBag, E_NOINTERFACE},
                      CreateCase{"AggregatedUnknown", true, &IID_IUnknown, S_OK},
                      CreateCase{"AggregatedInterface", true, &IID_IVkString, CLASS_E_NOAGGREGATION},
                      CreateCase{"AggregatedDispatch", true, &IID_IDispatch, CLASS_E_NOAGGREGATION}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Create, NullOutPointerIsRefused) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(classObject(CLSID_VkString, &factory), S_OK);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IVkString, nullptr), E_POINTER);
  factory->Release();
  EXPECT_EQ(canUnload(), S_OK);
}

// --- the object's interface answers ---------------------------------------------------------------

struct AnswerCase {
  const char* label;
  const IID* iid;
  HRESULT expected;
};

class Answers : public ::testing::TestWithParam<AnswerCase> {};

// Interfaces answered are the same object as IVkString where it is the first base; refused ones
// clear the out pointer.
TEST_P(Answers, MatchTheInterfaceList) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(classObject(CLSID_VkString, &factory), S_OK);
  IVkString* string = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IVkString, reinterpret_cast<void**>(&string)), S_OK);
  factory->Release();
  void* answer = reinterpret_cast<void*>(1);
  EXPECT_EQ(string->QueryInterface(*GetParam().iid, &answer), GetParam().expected);
  if (SUCCEEDED(GetParam().expected)) {
    ASSERT_NE(answer, nullptr);
    if (*GetParam().iid == IID_IUnknown || *GetParam().iid == IID_IDispatch) {
      EXPECT_EQ(answer, static_cast<void*>(string));
    }
    static_cast<IUnknown*>(answer)->Release();
  } else {
    EXPECT_EQ(answer, nullptr);
  }
  EXPECT_EQ(string->QueryInterface(*GetParam().iid, nullptr), E_POINTER);
  string->Release();
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, Answers,
    ::testing::Values(AnswerCase{"Unknown", &IID_IUnknown, S_OK},
                      AnswerCase{"VkString", &IID_IVkString, S_OK},
                      AnswerCase{"Dispatch", &IID_IDispatch, S_OK},
                      AnswerCase{"PersistPropertyBag", &IID_IPersistPropertyBag, E_NOINTERFACE},
                      AnswerCase{"ConnectionPointContainer", &IID_IConnectionPointContainer, E_NOINTERFACE},
                      AnswerCase{"ClassFactory", &IID_IClassFactory, E_NOINTERFACE},
                      AnswerCase{"Enumerator", &IID_IEnumVARIANT, E_NOINTERFACE}),
    [](const auto& info) { return std::string(info.param.label); });

// --- registration -----------------------------------------------------------------------------------

constexpr wchar_t kClsid[] = L"{7E94221E-1DD1-40BE-BE90-42D3A27B2FFF}";
constexpr wchar_t kLibid[] = L"{4574B9C3-B953-4F84-BE53-C17AA494F238}";

bool keyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The string value of a key under HKCR (the default value for an empty name); "<missing>" when
// there is none.
std::wstring value(const std::wstring& path, const wchar_t* name) {
  wchar_t data[1024];
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name[0] != 0 ? name : nullptr, RRF_RT_REG_SZ, nullptr,
                   data, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return data;
}

struct KeyValue {
  std::wstring key;
  const wchar_t* name;
  std::wstring data;
};

std::vector<KeyValue> registeredValues() {
  const std::wstring c = std::wstring(L"CLSID\\") + kClsid;
  return {
      {L"VkString.VkString.1", L"", L"VkString Class"},
      {L"VkString.VkString.1\\CLSID", L"", kClsid},
      {L"VkString.VkString", L"", L"VkString Class"},
      {L"VkString.VkString\\CLSID", L"", kClsid},
      {L"VkString.VkString\\CurVer", L"", L"VkString.VkString.1"},
      {c, L"", L"VkString Class"},
      {c + L"\\ProgID", L"", L"VkString.VkString.1"},
      {c + L"\\VersionIndependentProgID", L"", L"VkString.VkString"},
      {c + L"\\InprocServer32", L"", gModulePath},
      {c + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {c + L"\\ToolboxBitmap32", L"", gModulePath + L", 101"},
      {c + L"\\MiscStatus", L"", L"0"},
      {c + L"\\MiscStatus\\1", L"", L"132497"},
      {c + L"\\TypeLib", L"", kLibid},
      {c + L"\\Version", L"", L"1.0"},
      {std::wstring(L"TypeLib\\") + kLibid + L"\\1.0", L"", L"Velkor String Component"},
      {std::wstring(L"TypeLib\\") + kLibid + L"\\1.0\\0\\" + (sizeof(void*) == 4 ? L"win32" : L"win64"), L"",
       gModulePath},
  };
}

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

TEST(Registration, WritesTheKeysAndUnregistrationRemovesThemKeepingClsid) {
  const std::wstring c = std::wstring(L"CLSID\\") + kClsid;
  ASSERT_FALSE(keyExists(c)) << "the module is registered already; the suite needs it unregistered";
  ASSERT_EQ(entry<RegisterServer>("DllRegisterServer")(), S_OK);
  for (const KeyValue& v : registeredValues()) {
    EXPECT_EQ(value(v.key, v.name), v.data) << narrow(v.key) << " " << narrow(v.name);
  }
  for (const wchar_t* flag : {L"\\Programmable", L"\\Control", L"\\Insertable"}) {
    EXPECT_TRUE(keyExists(c + flag)) << narrow(flag);
  }
  // Registering again over an existing registration changes nothing.
  ASSERT_EQ(entry<RegisterServer>("DllRegisterServer")(), S_OK);
  EXPECT_EQ(value(c + L"\\InprocServer32", L""), gModulePath);

  ASSERT_EQ(entry<RegisterServer>("DllUnregisterServer")(), S_OK);
  for (const std::wstring& gone : {std::wstring(L"VkString.VkString"), std::wstring(L"VkString.VkString.1"),
                                   c, std::wstring(L"TypeLib\\") + kLibid}) {
    EXPECT_FALSE(keyExists(gone)) << narrow(gone);
  }
  EXPECT_TRUE(keyExists(L"CLSID"));
  // Unregistering what is not registered still succeeds.
  EXPECT_EQ(entry<RegisterServer>("DllUnregisterServer")(), S_OK);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::printf("usage: vk_wine_shell_tests <VelkorString.dll> [GoogleTest options]\n");
    return 2;
  }
  gModulePath = argv[1];
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  gModule = LoadLibraryW(gModulePath.c_str());
  if (gModule == nullptr) {
    std::printf("cannot load %s: error %lu\n", narrow(gModulePath).c_str(), GetLastError());
    return 2;
  }
  // The path as the module itself reports it is what registration writes.
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(gModule, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) gModulePath.assign(path, length);
  const int result = RUN_ALL_TESTS();
  FreeLibrary(gModule);
  CoUninitialize();
  return result;
}
