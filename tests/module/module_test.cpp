// The built libVelkorString.so as clients meet it: vk_regsvr registers it into a registry file
// of this test, the module is created by ProgID and its members called through IDispatch, the
// unload rule lets it go, and after vk_regsvr /u creation fails again and the keys are gone.
// vk_regsvr's refusals carry regsvr32's exit codes.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "component/ivkstring.h"
#include "platform/com_activation.h"
#include "platform/registry.h"

namespace {

namespace fs = std::filesystem;
using vk::platform::RegistryRoot;

// REGDB_E_CLASSNOTREG.
constexpr HRESULT kClassNotRegistered = makeHresult(0x80040154u);

std::u16string wide(const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    std::uint32_t cp = b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra > 0) cp = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += 1 + extra;
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::u16string readValue(const std::u16string& path, const std::u16string& name = u"") {
  std::u16string value;
  if (!vk::platform::registryGetString(RegistryRoot::ClassesRoot, path, name, &value)) return u"<missing>";
  return value;
}

std::u16string classKey() {
  OLECHAR text[39];
  StringFromGUID2(CLSID_VkString, text, 39);
  return u"CLSID\\" + std::u16string(text);
}

std::string moduleFile() { return fs::canonical(VK_MODULE_FILE).string(); }

bool moduleLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

// One registry file for the whole program: a module loaded into this process reads VK_REGISTRY
// once, on its first registry operation, and keeps that file. The folder goes at exit.
const std::string& testDirectory() {
  static const std::string* dir = [] {
    char pattern[] = "/tmp/vk_module_XXXXXX";
    auto* made = new std::string(mkdtemp(pattern) != nullptr ? pattern : "");
    setenv("VK_REGISTRY", (*made + "/registry").c_str(), 1);
    vk::platform::registryUseFile(*made + "/registry");
    if (!made->empty()) std::atexit([] { fs::remove_all(testDirectory()); });
    return made;
  }();
  return *dir;
}

struct RunResult {
  int exitCode;
  std::string output;  // stdout and stderr together
};

// Runs vk_regsvr with `args`; `registry` names another registry file for this run only.
RunResult regsvr(const std::vector<std::string>& args, const std::string& registry = "") {
  std::string outputFile = testDirectory() + "/regsvr.out";
  pid_t child = fork();
  if (child == 0) {
    int fd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 1);
    dup2(fd, 2);
    if (!registry.empty()) setenv("VK_REGISTRY", registry.c_str(), 1);
    std::vector<char*> argv;
    std::string program = VK_REGSVR_FILE;
    argv.push_back(program.data());
    std::vector<std::string> copies(args);
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  std::ifstream in(outputFile);
  std::ostringstream text;
  text << in.rdbuf();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

// Calls one member by name through IDispatch; the result as a VARIANT.
HRESULT call(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> args,
             VARIANT* result) {
  DISPID dispid = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid);
  if (FAILED(hr)) return hr;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{args.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr,
                    static_cast<std::uint32_t>(args.size()), flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
  VariantInit(result);
  return object->Invoke(dispid, IID_NULL, 0, flags, &params, result, nullptr, nullptr);
}

VARIANT text(const std::u16string& s) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  return v;
}

class Module : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(testDirectory().empty());
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    CoUninitialize();
  }
};

TEST_F(Module, RegisterCreateByProgIdCallAndUnregister) {
  const std::string module = moduleFile();
  RunResult registered = regsvr({"/s", module});
  ASSERT_EQ(registered.exitCode, 0) << registered.output;
  EXPECT_EQ(registered.output, "");

  // What the other process wrote is here.
  EXPECT_EQ(readValue(classKey() + u"\\InprocServer32"), wide(module));
  EXPECT_EQ(readValue(classKey() + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
  EXPECT_EQ(readValue(u"VkString.VkString\\CurVer"), u"VkString.VkString.1");
  OLECHAR lib[39];
  StringFromGUID2(LIBID_VKSTRINGLib, lib, 39);
  std::u16string libKey = u"TypeLib\\" + std::u16string(lib) + u"\\1.0";
  EXPECT_EQ(readValue(libKey + u"\\0\\win64"), wide(module));
  EXPECT_EQ(readValue(libKey + u"\\HELPDIR"), wide(fs::path(module).parent_path().string() + "/"));

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"VkString.VkString", &clsid), S_OK);
  EXPECT_TRUE(clsid == CLSID_VkString);
  IDispatch* object = nullptr;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&object)),
            S_OK);
  EXPECT_TRUE(moduleLoaded(module));

  const std::u16string start = u"Gr\u00FC\u00DFe \U0001F600";
  VARIANT result;
  std::vector<VARIANT> args{text(start)};
  EXPECT_EQ(call(object, u"Str", DISPATCH_PROPERTYPUT, args, &result), S_OK);
  VariantClear(&args[0]);
  args = {text(u" and more")};
  EXPECT_EQ(call(object, u"Append", DISPATCH_METHOD, args, &result), S_OK);
  VariantClear(&args[0]);
  ASSERT_EQ(call(object, u"Str", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  ASSERT_EQ(result.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(result.bstrVal, SysStringLen(result.bstrVal)), start + u" and more");
  VariantClear(&result);
  ASSERT_EQ(call(object, u"Length", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  ASSERT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, static_cast<LONG>((start + u" and more").size()));  // UTF-16 units
  VariantClear(&result);

  // The live object holds the module; once it is gone the module may go.
  CoFreeUnusedLibraries();
  EXPECT_TRUE(moduleLoaded(module));
  object->Release();
  CoFreeUnusedLibraries();
  EXPECT_FALSE(moduleLoaded(module));

  RunResult unregistered = regsvr({"/u", module});
  ASSERT_EQ(unregistered.exitCode, 0) << unregistered.output;
  EXPECT_EQ(unregistered.output, "DllUnregisterServer in " + module + " succeeded.\n");
  EXPECT_EQ(CLSIDFromProgID(u"VkString.VkString", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CoCreateInstance(CLSID_VkString, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&object)),
            kClassNotRegistered);
  EXPECT_FALSE(vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, classKey()));
  EXPECT_FALSE(vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, u"VkString.VkString"));
  EXPECT_FALSE(vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, u"VkString.VkString.1"));
  EXPECT_FALSE(vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, libKey));
  EXPECT_TRUE(vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, u"CLSID"));
}

TEST_F(Module, PathWithAQuoteIsRegisteredAsItIs) {
  fs::path folder = fs::path(testDirectory()) / "Velkor's \"modules\"";
  fs::create_directories(folder);
  fs::path copy = folder / "libVelkorString.so";
  fs::copy_file(moduleFile(), copy, fs::copy_options::overwrite_existing);
  ASSERT_EQ(regsvr({"/s", copy.string()}).exitCode, 0);
  EXPECT_EQ(readValue(classKey() + u"\\InprocServer32"), wide(copy.string()));
  EXPECT_EQ(readValue(classKey() + u"\\ToolboxBitmap32"), wide(copy.string() + ", 101"));

  IUnknown* object = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_VkString, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&object)),
            S_OK);
  EXPECT_TRUE(moduleLoaded(copy.string()));
  object->Release();
  CoFreeUnusedLibraries();
  ASSERT_EQ(regsvr({"/u", "/s", copy.string()}).exitCode, 0);
  EXPECT_FALSE(vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, classKey()));
}

TEST_F(Module, RegsvrRefusalsAndTheirExitCodes) {
  Dl_info libc;
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&dlopen), &libc), 0);  // a library without the entry points
  std::string corrupt = testDirectory() + "/corrupt";
  const std::string corruptBytes = "VkString registry 1\nkey HKEY_CLASSES_ROOT \"open\nend\n";
  std::ofstream(corrupt) << corruptBytes;
  const std::string module = moduleFile();

  const struct {
    std::vector<std::string> args;
    std::string registry;
    int exitCode;
    const char* says;
  } cases[] = {
      {{}, "", 1, "usage: vk_regsvr"},
      {{"/s"}, "", 1, ""},
      {{"/x", module}, "", 1, "usage: vk_regsvr"},
      {{module, module}, "", 1, "usage: vk_regsvr"},
      {{testDirectory() + "/missing.so"}, "", 3, "failed to load"},
      {{"/u", testDirectory() + "/missing.so"}, "", 3, "failed to load"},
      {{libc.dli_fname}, "", 4, "entry-point DllRegisterServer was not found"},
      {{"-U", libc.dli_fname}, "", 4, "entry-point DllUnregisterServer was not found"},
      {{module}, corrupt, 5, "is corrupt: line 2: a string is not closed"},
  };
  for (const auto& c : cases) {
    RunResult run = regsvr(c.args, c.registry);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    if (*c.says == 0) {
      EXPECT_EQ(run.output, "");
    } else {
      EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    }
  }
  std::ifstream in(corrupt);
  std::ostringstream after;
  after << in.rdbuf();
  EXPECT_EQ(after.str(), corruptBytes);  // the refused file is left alone
}

TEST_F(Module, ExportsOnlyTheFourEntryPoints) {
  void* handle = dlopen(moduleFile().c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  for (const char* name :
       {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}) {
    EXPECT_NE(dlsym(handle, name), nullptr) << name;
  }
  // The core's own functions stay inside.
  for (const char* name : {"_ZN2vk6Module8instanceEv", "SysAllocString", "CoCreateInstance"}) {
    EXPECT_EQ(dlsym(handle, name), nullptr) << name;
  }
  using CanUnload = HRESULT (*)();
  EXPECT_EQ(reinterpret_cast<CanUnload>(dlsym(handle, "DllCanUnloadNow"))(), S_OK);
  dlclose(handle);
}

}  // namespace
