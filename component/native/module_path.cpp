// The native module's own path: the file the dynamic loader mapped this code from, made
// absolute (a module loaded by a relative name must still register a path that works from
// any directory).
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstring>

#include "charset/unicode_forms.h"
#include "component/module.h"
#include "text/data_buffer.h"

namespace vk {

std::u16string ownModulePath() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&ownModulePath), &info) == 0 || info.dli_fname == nullptr) {
    return std::u16string();
  }
  // The program itself may be named by an empty string; the kernel knows its file.
  const char* named = info.dli_fname[0] != 0 ? info.dli_fname : "/proc/self/exe";
  char resolved[PATH_MAX];
  const char* path = realpath(named, resolved) != nullptr ? resolved : named;
  DataBuffer wide;
  utf8ToUtf16(reinterpret_cast<const std::uint8_t*>(path), static_cast<std::uint32_t>(std::strlen(path)),
              wide);
  return std::u16string(reinterpret_cast<const char16_t*>(wide.data()), wide.length() / 2);
}

}  // namespace vk
