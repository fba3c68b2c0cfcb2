// Registration on Windows: the registration script is the module's REGISTRY resource 102, and
// the type library is registered and unregistered through oleaut32.
#include <windows.h>
#include <oleauto.h>

#include <string>

#include "component/module.h"
#include "component/win32/module_instance.h"

namespace vk {
namespace {

constexpr WORD kRegistrationScriptResource = 102;

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// The module path with its extension replaced by ".tlb": from the last '.' on, or appended
// when there is no '.'.
std::u16string typeLibraryFileBeside(const std::u16string& modulePath) {
  std::size_t dot = modulePath.rfind(u'.');
  return (dot == std::u16string::npos ? modulePath : modulePath.substr(0, dot)) + u".tlb";
}

// The folder part of a path, up to and including its last '\', '/' or ':'.
std::u16string helpDirectory(const std::u16string& path) {
  std::size_t cut = path.find_last_of(u"\\/:");
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut + 1);
}

// Loads the type library from the module's own TYPELIB 1 resource, else from the ".tlb" file
// beside the module; `loadedFrom` receives the path that worked.
HRESULT loadTypeLibrary(const std::u16string& modulePath, ITypeLib** library, std::u16string* loadedFrom) {
  *library = nullptr;
  HRESULT hr = LoadTypeLibEx(wide(modulePath), REGKIND_NONE, library);
  if (SUCCEEDED(hr)) {
    *loadedFrom = modulePath;
    return hr;
  }
  const std::u16string besides = typeLibraryFileBeside(modulePath);
  hr = LoadTypeLibEx(wide(besides), REGKIND_NONE, library);
  if (SUCCEEDED(hr)) *loadedFrom = besides;
  return hr;
}

}  // namespace

std::u16string registrationScript() {
  HMODULE module = moduleInstance();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(kRegistrationScriptResource), L"REGISTRY");
  if (found == nullptr) return std::u16string();
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const char* bytes = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (bytes == nullptr || size == 0) return std::u16string();
  // The script is stored as UTF-8 text (plain ASCII in practice).
  const int units = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
  std::u16string script(static_cast<std::size_t>(units), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), reinterpret_cast<wchar_t*>(&script[0]),
                      units);
  return script;
}

HRESULT registerTypeLibrary(const std::u16string& modulePath) {
  ITypeLib* library = nullptr;
  std::u16string path;
  HRESULT hr = loadTypeLibrary(modulePath, &library, &path);
  if (FAILED(hr)) return hr;
  std::u16string directory = helpDirectory(path);
  hr = RegisterTypeLib(library, const_cast<wchar_t*>(wide(path)), const_cast<wchar_t*>(wide(directory)));
  library->Release();
  return hr;
}

HRESULT unregisterTypeLibrary(const std::u16string& modulePath) {
  ITypeLib* library = nullptr;
  std::u16string path;
  HRESULT hr = loadTypeLibrary(modulePath, &library, &path);
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = library->GetLibAttr(&attributes);
  if (SUCCEEDED(hr)) {
    // Looked up by name at this moment; without the library or the entry this step is skipped.
    using UnRegisterFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
    HMODULE oleaut = LoadLibraryW(L"oleaut32.dll");
    if (oleaut != nullptr) {
      FARPROC entry = GetProcAddress(oleaut, "UnRegisterTypeLib");
      if (entry != nullptr) {
        auto unregister = reinterpret_cast<UnRegisterFunction>(reinterpret_cast<void (*)()>(entry));
        hr = unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                        attributes->lcid, attributes->syskind);
      }
      FreeLibrary(oleaut);
    }
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
  return hr;
}

}  // namespace vk
