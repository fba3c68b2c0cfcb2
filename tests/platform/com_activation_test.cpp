// Activation by ProgID and class identifier over the registry: identifier texts, ProgID
// resolution through "CurVer", the thread's entry into the model, and the refusals of
// CoCreateInstance before any module answers.
#include "platform/com_activation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/registry.h"

namespace {

using vk::platform::RegistryRoot;

// REGDB_E_CLASSNOTREG.
constexpr HRESULT kClassNotRegistered = makeHresult(0x80040154u);

const CLSID kClass = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
const char16_t kClassText[] = u"{01234567-89AB-CDEF-0123-456789ABCDEF}";

void setKey(const std::u16string& path, const std::u16string& value) {
  ASSERT_EQ(vk::platform::registryCreateKey(RegistryRoot::ClassesRoot, path), 0);
  ASSERT_EQ(vk::platform::registrySetString(RegistryRoot::ClassesRoot, path, u"", value), 0);
}

// Enters the model for one test and leaves it again.
struct ModelScope {
  ModelScope() { EXPECT_EQ(CoInitialize(nullptr), S_OK); }
  ~ModelScope() { CoUninitialize(); }
};

TEST(ComActivation, GuidTextRoundTripsAndRefusesOtherShapes) {
  OLECHAR text[39];
  ASSERT_EQ(StringFromGUID2(kClass, text, 39), 39);
  EXPECT_EQ(std::u16string(text), kClassText);
  EXPECT_EQ(StringFromGUID2(kClass, text, 38), 0);  // no room for the terminator

  struct Case {
    const char16_t* text;
    HRESULT result;
  } cases[] = {
      {kClassText, S_OK},
      {u"{01234567-89ab-cdef-0123-456789abcdef}", S_OK},               // either case
      {u"01234567-89AB-CDEF-0123-456789ABCDEF", CO_E_CLASSSTRING},     // no braces
      {u"{01234567-89AB-CDEF-0123-456789ABCDEF}x", CO_E_CLASSSTRING},  // trailing text
      {u"{01234567-89AB-CDEF-0123-456789ABCDE}", CO_E_CLASSSTRING},    // one digit short
      {u"{01234567-89AB-CDEF-0123+456789ABCDEF}", CO_E_CLASSSTRING},   // wrong separator
      {u"{0123456G-89AB-CDEF-0123-456789ABCDEF}", CO_E_CLASSSTRING},   // not a hex digit
      {u"", CO_E_CLASSSTRING},
      {nullptr, CO_E_CLASSSTRING},
  };
  for (const Case& c : cases) {
    CLSID parsed{};
    EXPECT_EQ(CLSIDFromString(c.text, &parsed), c.result) << (c.text ? "text" : "null");
    if (c.result == S_OK) { EXPECT_TRUE(parsed == kClass); }
  }
}

TEST(ComActivation, ProgIdResolvesThroughCurVer) {
  // The version-independent ProgID names a stale class itself; "CurVer" leads to the right one.
  setKey(u"VkTest.Resolve", u"Test Class");
  setKey(u"VkTest.Resolve\\CLSID", u"{00000000-0000-0000-0000-000000000001}");
  setKey(u"VkTest.Resolve\\CurVer", u"VkTest.Resolve.2");
  setKey(u"VkTest.Resolve.2\\CLSID", kClassText);
  // A versioned ProgID without "CLSID" of its own falls back to the one before it.
  setKey(u"VkTest.NoClass\\CLSID", kClassText);
  setKey(u"VkTest.NoClass\\CurVer", u"VkTest.NoClass.1");
  setKey(u"VkTest.NoClass.1", u"Test Class");
  // A loop of "CurVer" values ends instead of hanging.
  setKey(u"VkTest.Loop\\CLSID", kClassText);
  setKey(u"VkTest.Loop\\CurVer", u"VkTest.Loop.1");
  setKey(u"VkTest.Loop.1\\CurVer", u"VkTest.Loop");
  setKey(u"VkTest.BadClass\\CLSID", u"not a class");
  setKey(u"VkTest.Bare", u"no CLSID anywhere");

  struct Case {
    const char16_t* progId;
    HRESULT result;
  } cases[] = {
      {u"VkTest.Resolve", S_OK},
      {u"vktest.resolve.2", S_OK},  // names compare without case
      {u"VkTest.NoClass", S_OK},
      {u"VkTest.Loop", S_OK},
      {u"VkTest.BadClass", CO_E_CLASSSTRING},
      {u"VkTest.Bare", CO_E_CLASSSTRING},
      {u"VkTest.Missing", CO_E_CLASSSTRING},
      {u"VkTest.Resolve\\CurVer", CO_E_CLASSSTRING},  // a path, not a name
      {u"VkTest.AVeryLongProgIdThatGoesPastTheLimit", CO_E_CLASSSTRING},
      {u"", CO_E_CLASSSTRING},
      {nullptr, CO_E_CLASSSTRING},
  };
  for (const Case& c : cases) {
    CLSID clsid = kClass;
    EXPECT_EQ(CLSIDFromProgID(c.progId, &clsid), c.result) << (c.progId ? "progid" : "null");
    if (c.result == S_OK) {
      EXPECT_TRUE(clsid == kClass);
    } else {
      EXPECT_TRUE(clsid == GUID{});
    }
  }
  EXPECT_EQ(CLSIDFromProgID(u"VkTest.Resolve", nullptr), E_INVALIDARG);
}

TEST(ComActivation, ThreadEntersTheModelOnceWithOneConcurrencyModel) {
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
  EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);
  CoUninitialize();
  CoUninitialize();
  EXPECT_EQ(CoInitialize(nullptr), S_OK);  // left entirely: a new model may be chosen
  CoUninitialize();
  CoUninitialize();  // one too many does no harm
}

TEST(ComActivation, CreationRefusalsBeforeAnyModuleAnswers) {
  const CLSID unregistered = {0x0BADC1A5, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  const CLSID noServer = {0x0BADC1A5, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
  const CLSID missingModule = {0x0BADC1A5, 0, 0, {0, 0, 0, 0, 0, 0, 0, 3}};
  const CLSID notAModule = {0x0BADC1A5, 0, 0, {0, 0, 0, 0, 0, 0, 0, 4}};
  const CLSID noEntry = {0x0BADC1A5, 0, 0, {0, 0, 0, 0, 0, 0, 0, 5}};
  auto classKey = [](const CLSID& clsid) {
    OLECHAR text[39];
    StringFromGUID2(clsid, text, 39);
    return u"CLSID\\" + std::u16string(text);
  };

  char textFile[] = "/tmp/vk_activation_XXXXXX";
  int fd = mkstemp(textFile);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "not a module\n", 13), 13);
  close(fd);
  std::u16string textFileName(textFile, textFile + sizeof(textFile) - 1);

  setKey(classKey(noServer), u"Class without a server");
  setKey(classKey(missingModule) + u"\\InprocServer32", u"/nonexistent/libNothing.so");
  setKey(classKey(notAModule) + u"\\InprocServer32", textFileName);
  // A shared object that loads but is no server: the C library itself.
  setKey(classKey(noEntry) + u"\\InprocServer32", u"libc.so.6");

  struct Case {
    const CLSID* clsid;
    DWORD context;
    HRESULT result;
  } cases[] = {
      {&unregistered, CLSCTX_INPROC_SERVER, kClassNotRegistered},
      {&noServer, CLSCTX_INPROC_SERVER, kClassNotRegistered},
      {&missingModule, CLSCTX_INPROC_SERVER, CO_E_DLLNOTFOUND},
      {&notAModule, CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL},
      {&noEntry, CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL},
      {&missingModule, CLSCTX_LOCAL_SERVER, kClassNotRegistered},  // no out-of-process servers
  };
  {
    ModelScope model;
    for (const Case& c : cases) {
      void* object = reinterpret_cast<void*>(1);
      EXPECT_EQ(CoCreateInstance(*c.clsid, nullptr, c.context, IID_IUnknown, &object), c.result)
          << c.clsid->Data4[7];
      EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(CoCreateInstance(unregistered, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
              E_POINTER);
  }
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(missingModule, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            CO_E_NOTINITIALIZED);
  EXPECT_EQ(object, nullptr);
  std::remove(textFile);
}

// A registry file that cannot be read is told as such by both lookups, never as a class that
// is not registered; a missing file is an empty registry, where nothing is registered.
TEST(ComActivation, UnreadableRegistryIsNotReportedAsUnregistered) {
  char folder[] = "/tmp/vk_activation_registry_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string corrupt = std::string(folder) + "/corrupt";
  if (std::FILE* f = std::fopen(corrupt.c_str(), "w")) {
    std::fputs("VkString registry 1\nkey HKEY_CLASSES_ROOT \"VkString.VkString\"\nvalue \"\" open\nend\n", f);
    std::fclose(f);
  }
  const struct {
    std::string file;
    HRESULT byProgId;
    HRESULT byClass;
    const char* problem;
  } cases[] = {
      {corrupt, makeHresult(0x800703F1u), makeHresult(0x800703F1u),
       "is corrupt: line 3: a quoted string is expected"},
      {folder, makeHresult(0x800703F8u), makeHresult(0x800703F8u), "cannot read the registry file"},
      {std::string(folder) + "/missing", CO_E_CLASSSTRING, kClassNotRegistered, ""},
  };
  {
    ModelScope model;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.file);
      vk::platform::registryUseFile(c.file);
      CLSID clsid{};
      EXPECT_EQ(CLSIDFromProgID(u"VkString.VkString", &clsid), c.byProgId);
      EXPECT_NE(vk::platform::registryProblem().find(c.problem), std::string::npos)
          << vk::platform::registryProblem();
      void* object = nullptr;
      EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), c.byClass);
      EXPECT_EQ(object, nullptr);
    }
  }
  vk::platform::registryUseMemory();
  std::remove(corrupt.c_str());
  rmdir(folder);
}

}  // namespace
