// The in-process server: unload rules, the class object, aggregation, and registration.
#include <gtest/gtest.h>

#include "component/ivkstring.h"
#include "component/module.h"
#include "component/registrar.h"
#include "platform/registry.h"

namespace vk {
namespace {

using platform::RegistryRoot;

std::u16string readValue(const std::u16string& path, const std::u16string& name = u"") {
  std::u16string value;
  if (!platform::registryGetString(RegistryRoot::ClassesRoot, path, name, &value)) return u"<missing>";
  return value;
}

TEST(Server, UnloadIsAllowedOnlyWithoutObjectsOrLocks) {
  ASSERT_EQ(DllCanUnloadNow(), S_OK);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_VkString, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // a client holds the class object
  IVkString* object = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IVkString, reinterpret_cast<void**>(&object)), S_OK);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the object holds the module
  object->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  ASSERT_EQ(DllGetClassObject(CLSID_VkString, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  factory->LockServer(1);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  ASSERT_EQ(DllGetClassObject(CLSID_VkString, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  factory->LockServer(0);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(Server, ClassObjectIsCreatedOnceAndOnlyForItsClass) {
  void* first = nullptr;
  void* second = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_VkString, IID_IClassFactory, &first), S_OK);
  ASSERT_EQ(DllGetClassObject(CLSID_VkString, IID_IUnknown, &second), S_OK);
  EXPECT_EQ(first, second);
  static_cast<IUnknown*>(first)->Release();
  static_cast<IUnknown*>(second)->Release();

  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(DllGetClassObject(IID_IDispatch, IID_IClassFactory, &other), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(DllGetClassObject(CLSID_VkString, IID_IClassFactory, nullptr), E_POINTER);
}

// A minimal outer object for aggregation: it counts its own references.
struct Outer final : IUnknown {
  ULONG count = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = this;
    ++count;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
  virtual ~Outer() = default;
};

TEST(Server, AggregationOnlyThroughIUnknown) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_VkString, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  Outer outer;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IVkString, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);

  IUnknown* inner = nullptr;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
  IVkString* string = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IVkString, reinterpret_cast<void**>(&string)), S_OK);
  ULONG before = outer.count;
  string->AddRef();  // delegates to the outer object
  EXPECT_EQ(outer.count, before + 1);
  string->Release();
  string->Release();
  inner->Release();
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IVkString, nullptr), E_POINTER);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(Server, RegistrationWritesAndRemovesTheClassKeys) {
  Module::instance().setModulePath(u"C:\\Program Files\\Velkor's\\VelkorString.DLL");
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_EQ(readValue(u"VkString.VkString\\CurVer"), u"VkString.VkString.1");
  std::u16string clsid = readValue(u"VkString.VkString.1\\CLSID");
  EXPECT_EQ(readValue(u"VkString.VkString\\CLSID"), clsid);
  std::u16string classKey = u"CLSID\\" + clsid;
  EXPECT_EQ(readValue(classKey), u"VkString Class");
  EXPECT_EQ(readValue(classKey + u"\\InprocServer32"), u"C:\\Program Files\\Velkor's\\VelkorString.DLL");
  EXPECT_EQ(readValue(classKey + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
  EXPECT_EQ(readValue(classKey + u"\\ToolboxBitmap32"),
            u"C:\\Program Files\\Velkor's\\VelkorString.DLL, 101");
  EXPECT_EQ(readValue(classKey + u"\\MiscStatus\\1"), u"132497");
  EXPECT_EQ(readValue(classKey + u"\\MiscStatus"), u"0");
  EXPECT_EQ(readValue(classKey + u"\\Version"), u"1.0");
  EXPECT_TRUE(platform::registryKeyExists(RegistryRoot::ClassesRoot, classKey + u"\\Programmable"));
  EXPECT_EQ(readValue(classKey + u"\\ProgID"), u"VkString.VkString.1");

  platform::registryCreateKey(RegistryRoot::ClassesRoot, u"CLSID\\{SOMETHING-ELSE}");
  ASSERT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_FALSE(platform::registryKeyExists(RegistryRoot::ClassesRoot, classKey));
  EXPECT_FALSE(platform::registryKeyExists(RegistryRoot::ClassesRoot, u"VkString.VkString"));
  EXPECT_FALSE(platform::registryKeyExists(RegistryRoot::ClassesRoot, u"VkString.VkString.1"));
  EXPECT_TRUE(platform::registryKeyExists(RegistryRoot::ClassesRoot, u"CLSID"));
  platform::registryDeleteTree(RegistryRoot::ClassesRoot, u"CLSID");
}

struct ScriptCase {
  const char* name;
  const char16_t* script;
  HRESULT expected;
};

class RegistrarScripts : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(RegistrarScripts, ParseOrRefuse) {
  Registrar registrar;
  registrar.addReplacement(u"MODULE", u"m");
  EXPECT_EQ(registrar.registerScript(GetParam().script), GetParam().expected);
  platform::registryDeleteTree(RegistryRoot::CurrentUser, u"Test");
}

const ScriptCase kScripts[] = {
    {"Minimal", u"HKCU { Test }", S_OK},
    {"ValuesAndQuotes", u"HKCU { Test = s 'it''s' { val 'a b' = s '%MODULE%' 'x y' } }", S_OK},
    {"LongRootName", u"HKEY_CURRENT_USER { NoRemove Test { Delete Gone } }", S_OK},
    {"UnknownRoot", u"HKXX { Test }", E_FAIL},
    {"UnclosedBlock", u"HKCU { Test {", E_FAIL},
    {"UnterminatedString", u"HKCU { Test = s 'abc }", E_FAIL},
    {"UnknownVariable", u"HKCU { Test = s '%NOPE%' }", E_FAIL},
    {"ValueWithoutType", u"HKCU { Test = 'abc' }", E_FAIL},
    {"ValAtRoot", u"HKCU { val x = s 'y' }", E_FAIL},
    {"Empty", u"", S_OK},
};

INSTANTIATE_TEST_SUITE_P(Cases, RegistrarScripts, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Registrar, ForceRemoveReplacesAndNoRemoveStays) {
  Registrar registrar;
  platform::registryCreateKey(RegistryRoot::CurrentUser, u"Root\\Forced\\Stale");
  ASSERT_EQ(registrar.registerScript(
                u"HKCU { NoRemove Root { ForceRemove Forced = s 'v' { Fresh } Plain { val n = s '1' } } }"),
            S_OK);
  EXPECT_FALSE(platform::registryKeyExists(RegistryRoot::CurrentUser, u"Root\\Forced\\Stale"));
  EXPECT_TRUE(platform::registryKeyExists(RegistryRoot::CurrentUser, u"Root\\Forced\\Fresh"));
  std::u16string value;
  EXPECT_TRUE(platform::registryGetString(RegistryRoot::CurrentUser, u"Root\\Plain", u"n", &value));
  platform::registryCreateKey(RegistryRoot::CurrentUser, u"Root\\Plain\\Foreign");
  ASSERT_EQ(registrar.unregisterScript(
                u"HKCU { NoRemove Root { ForceRemove Forced { Fresh } Plain { val n = s '1' } } }"),
            S_OK);
  EXPECT_FALSE(platform::registryKeyExists(RegistryRoot::CurrentUser, u"Root\\Forced"));
  // A key with a subkey the script does not know stays, without the script's value.
  EXPECT_TRUE(platform::registryKeyExists(RegistryRoot::CurrentUser, u"Root\\Plain\\Foreign"));
  EXPECT_FALSE(platform::registryGetString(RegistryRoot::CurrentUser, u"Root\\Plain", u"n", &value));
  EXPECT_TRUE(platform::registryKeyExists(RegistryRoot::CurrentUser, u"Root"));
  platform::registryDeleteTree(RegistryRoot::CurrentUser, u"Root");
}

TEST(Registrar, QuotesInTheModulePathAreDoubled) { EXPECT_EQ(doubleQuotes(u"a'b''c"), u"a''b''''c"); }

}  // namespace
}  // namespace vk
