// Native class activation. A ProgID and a class are looked up in the platform registry's
// HKEY_CLASSES_ROOT; the module named by "InprocServer32" is loaded with dlopen and kept in a
// process-wide table (one handle per path), so every activation of its classes reaches the
// same module state, as one loaded DLL does on Windows. Whether a thread has entered the model
// is kept per thread.
#include "platform/com_activation.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/registry.h"
#include "platform/utf8.h"

namespace {

using vk::platform::RegistryRoot;

// How far "CurVer" is followed: registrations chain one step; a loop must not hang the caller.
constexpr int kMaxCurVerSteps = 8;
// The longest ProgID the component model accepts, in characters.
constexpr std::size_t kMaxProgIdLength = 39;
constexpr std::size_t kGuidTextLength = 38;
// REGDB_E_CLASSNOTREG: the class, or its server for the asked context, is not registered.
constexpr HRESULT kClassNotRegistered = makeHresult(0x80040154u);

thread_local int initCount = 0;
thread_local DWORD initModel = COINIT_APARTMENTTHREADED;

using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT (*)();

struct LoadedModule {
  void* handle;
  GetClassObjectFn getClassObject;
  CanUnloadNowFn canUnloadNow;
};

// Held while a module is loaded, asked for a class object or unloaded, so that
// CoFreeUnusedLibraries cannot unload a module between its load and the class object that
// keeps it loaded. Recursive: a module may activate other classes from DllGetClassObject.
std::recursive_mutex& modulesLock() {
  static std::recursive_mutex lock;
  return lock;
}

std::map<std::string, LoadedModule>& loadedModules() {
  static std::map<std::string, LoadedModule> modules;
  return modules;
}

int hexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads `digits` hex digits at text[at]; false when one is not a hex digit.
bool readHex(const std::u16string& text, std::size_t at, int digits, std::uint64_t* value) {
  std::uint64_t v = 0;
  for (int i = 0; i < digits; ++i) {
    int d = hexValue(text[at + static_cast<std::size_t>(i)]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  *value = v;
  return true;
}

bool parseGuid(const std::u16string& text, GUID* guid) {
  if (text.size() != kGuidTextLength || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' ||
      text[14] != u'-' || text[19] != u'-' || text[24] != u'-') {
    return false;
  }
  std::uint64_t v;
  GUID g{};
  if (!readHex(text, 1, 8, &v)) return false;
  g.Data1 = static_cast<std::uint32_t>(v);
  if (!readHex(text, 10, 4, &v)) return false;
  g.Data2 = static_cast<std::uint16_t>(v);
  if (!readHex(text, 15, 4, &v)) return false;
  g.Data3 = static_cast<std::uint16_t>(v);
  static const std::size_t byteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!readHex(text, byteAt[i], 2, &v)) return false;
    g.Data4[i] = static_cast<std::uint8_t>(v);
  }
  *guid = g;
  return true;
}

std::u16string guidText(const GUID& g) {
  OLECHAR text[kGuidTextLength + 1];
  StringFromGUID2(g, text, static_cast<int>(kGuidTextLength + 1));
  return std::u16string(text, kGuidTextLength);
}

// What a lookup that found nothing answers: `missing`, unless the registry itself could not be
// read (its file is corrupt or unreadable), which is told as that failure (ERROR_BADDB,
// ERROR_REGISTRY_IO_FAILED as HRESULTs) rather than as a class that is not registered.
HRESULT lookupFailure(HRESULT missing) {
  std::int32_t code = vk::platform::registryProblemCode();
  if (code == vk::platform::kRegistryOk) return missing;
  return makeHresult(0x80070000u | (static_cast<std::uint32_t>(code) & 0xFFFFu));
}

std::u16string classesValue(const std::u16string& path) {
  std::u16string value;
  if (!vk::platform::registryGetString(RegistryRoot::ClassesRoot, path, u"", &value)) value.clear();
  return value;
}

std::string utf8Path(const std::u16string& path) { return vk::utf8::fromUtf16(path); }

// The loaded module at `path`, loading it on first use. Called under modulesLock().
HRESULT moduleAt(const std::string& path, LoadedModule* module) {
  auto found = loadedModules().find(path);
  if (found != loadedModules().end()) {
    *module = found->second;
    return S_OK;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    struct stat info;
    bool missing = path.find('/') == std::string::npos || stat(path.c_str(), &info) != 0;
    return missing ? CO_E_DLLNOTFOUND : CO_E_ERRORINDLL;
  }
  LoadedModule loaded{handle, reinterpret_cast<GetClassObjectFn>(dlsym(handle, "DllGetClassObject")),
                      reinterpret_cast<CanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"))};
  if (loaded.getClassObject == nullptr) {
    dlclose(handle);
    return CO_E_ERRORINDLL;
  }
  loadedModules()[path] = loaded;
  *module = loaded;
  return S_OK;
}

}  // namespace

HRESULT CoInitializeEx(LPVOID, DWORD coInit) {
  DWORD model = (coInit & COINIT_APARTMENTTHREADED) != 0 ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
  if (initCount > 0 && model != initModel) return RPC_E_CHANGED_MODE;
  initModel = model;
  return ++initCount == 1 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (initCount > 0) --initCount;
}

int StringFromGUID2(REFGUID g, LPOLESTR text, int capacity) {
  if (text == nullptr || capacity < static_cast<int>(kGuidTextLength + 1)) return 0;
  static const char16_t* digits = u"0123456789ABCDEF";
  int at = 0;
  auto hex = [&](std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) text[at++] = digits[(value >> (4 * i)) & 15];
  };
  text[at++] = u'{';
  hex(g.Data1, 8);
  text[at++] = u'-';
  hex(g.Data2, 4);
  text[at++] = u'-';
  hex(g.Data3, 4);
  text[at++] = u'-';
  hex(g.Data4[0], 2);
  hex(g.Data4[1], 2);
  text[at++] = u'-';
  for (int i = 2; i < 8; ++i) hex(g.Data4[i], 2);
  text[at++] = u'}';
  text[at++] = 0;
  return at;
}

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (clsid == nullptr) return E_INVALIDARG;
  if (text == nullptr) return CO_E_CLASSSTRING;
  std::u16string s;
  for (const OLECHAR* p = text; *p != 0 && s.size() <= kGuidTextLength; ++p) s += *p;
  return parseGuid(s, clsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
  if (clsid == nullptr) return E_INVALIDARG;
  *clsid = GUID{};
  if (progId == nullptr) return CO_E_CLASSSTRING;
  std::u16string name;
  for (const OLECHAR* p = progId; *p != 0; ++p) {
    // A '\' would step into another key of the registry; such a name is no ProgID.
    if (*p == u'\\' || name.size() >= kMaxProgIdLength) return CO_E_CLASSSTRING;
    name += *p;
  }
  if (name.empty()) return CO_E_CLASSSTRING;
  if (!vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, name))
    return lookupFailure(CO_E_CLASSSTRING);

  // Follow "CurVer" to the versioned ProgID; its "CLSID" names the class. When a step of the
  // chain lacks one, the nearest earlier step's "CLSID" is taken.
  std::u16string classText = classesValue(name + u"\\CLSID");
  for (int step = 0; step < kMaxCurVerSteps; ++step) {
    std::u16string next = classesValue(name + u"\\CurVer");
    if (next.empty() || next.find(u'\\') != std::u16string::npos || next == name) break;
    name = next;
    std::u16string versioned = classesValue(name + u"\\CLSID");
    if (!versioned.empty()) classText = versioned;
  }
  return parseGuid(classText, clsid) ? S_OK : lookupFailure(CO_E_CLASSSTRING);
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, LPVOID, REFIID riid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (initCount == 0) return CO_E_NOTINITIALIZED;
  if ((clsContext & CLSCTX_INPROC_SERVER) == 0) return kClassNotRegistered;
  std::u16string server = classesValue(u"CLSID\\" + guidText(clsid) + u"\\InprocServer32");
  if (server.empty()) return lookupFailure(kClassNotRegistered);
  std::lock_guard<std::recursive_mutex> guard(modulesLock());
  LoadedModule module;
  HRESULT hr = moduleAt(utf8Path(server), &module);
  if (FAILED(hr)) return hr;
  return module.getClassObject(clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr =
      CoGetClassObject(clsid, clsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, riid, object);
  factory->Release();
  return hr;
}

void CoFreeUnusedLibraries() {
  std::lock_guard<std::recursive_mutex> guard(modulesLock());
  auto& modules = loadedModules();
  for (auto it = modules.begin(); it != modules.end();) {
    const LoadedModule& module = it->second;
    if (module.canUnloadNow != nullptr && module.canUnloadNow() == S_OK) {
      dlclose(module.handle);
      it = modules.erase(it);
    } else {
      ++it;
    }
  }
}
