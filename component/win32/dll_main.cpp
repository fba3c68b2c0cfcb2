// The module's entry routine: on process attach it records the instance handle and the full
// path (registration writes the path into the registry) and switches off per-thread
// notifications; on process detach it releases the cached class object and the type
// information.
#include <windows.h>

#include <string>

#include "component/module.h"
#include "component/win32/module_instance.h"

namespace vk {
namespace {
HINSTANCE gInstance = nullptr;

// The full path of the module file, however long.
std::u16string modulePathOf(HINSTANCE instance) {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    const auto capacity = static_cast<DWORD>(path.size());
    DWORD length = GetModuleFileNameW(instance, reinterpret_cast<wchar_t*>(&path[0]), capacity);
    if (length == 0) return std::u16string();
    if (length < capacity) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // cut short: try again with more room
  }
}
}  // namespace

void setModuleInstance(HINSTANCE instance) { gInstance = instance; }
HINSTANCE moduleInstance() { return gInstance; }

}  // namespace vk

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      vk::setModuleInstance(instance);
      vk::Module::instance().setModulePath(vk::modulePathOf(instance));
      DisableThreadLibraryCalls(instance);
      break;
    case DLL_PROCESS_DETACH:
      vk::Module::instance().terminate();
      // When the whole process is ending (reserved set), other DLLs may already be gone: the
      // type information is only released when the module alone is being unloaded.
      if (reserved == nullptr) vk::releaseTypeInformation();
      break;
    default: break;
  }
  return TRUE;
}
