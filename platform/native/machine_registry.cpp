// Where this installation's machine registry lives. The build bakes in the installation's
// layout (the compile definitions below, from GNUInstallDirs): the programs' folder and the
// module's folder relative to the prefix, and the registry either relative to the prefix or,
// when the state folder lies outside it (a /usr installation keeps its state in /var), as an
// absolute path. The prefix itself is found at run time from the folder this code was loaded
// from, so `cmake --install --prefix P` needs no rebuild: a program in P/bin or the module in
// P/lib/vkstring finds P's registry. Code that is not in either folder (a build tree) has no
// machine registry. The prefix /usr keeps its state in /var whatever prefix the build was
// configured for, so a Debian package made from an ordinary build registers where the FHS asks.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <string>

#include "platform/registry.h"

#ifndef VK_INSTALL_BINDIR
#define VK_INSTALL_BINDIR "bin"
#endif
#ifndef VK_INSTALL_MODULEDIR
#define VK_INSTALL_MODULEDIR "lib/vkstring"
#endif
#ifndef VK_MACHINE_REGISTRY
#define VK_MACHINE_REGISTRY "var/lib/vkstring/registry"
#endif

namespace vk::platform {
namespace {

// The prefix that `folder` is `installed` below (folder == prefix + "/" + installed); empty
// when it is not.
std::string prefixOf(const std::string& folder, const std::string& installed) {
  std::string tail = "/" + installed;
  if (folder.size() <= tail.size() || folder.compare(folder.size() - tail.size(), tail.size(), tail) != 0) {
    return std::string();
  }
  return folder.substr(0, folder.size() - tail.size());
}

}  // namespace

std::string registryMachineFileIn(const std::string& folder, const InstallLayout& layout) {
  std::string prefix = prefixOf(folder, layout.bindir);
  if (prefix.empty()) prefix = prefixOf(folder, layout.moduledir);
  if (prefix.empty() || layout.registry.empty()) return std::string();
  if (layout.registry[0] == '/') return layout.registry;
  if (prefix == "/usr" && layout.registry.compare(0, 4, "var/") == 0) return "/" + layout.registry;
  return prefix + "/" + layout.registry;
}

std::string registryMachineFilePath() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&registryMachineFilePath), &info) == 0 || info.dli_fname == nullptr) {
    return std::string();
  }
  // The program itself may be named by an empty string; the kernel knows its file.
  const char* named = info.dli_fname[0] != 0 ? info.dli_fname : "/proc/self/exe";
  char resolved[PATH_MAX];
  if (realpath(named, resolved) == nullptr) return std::string();
  std::string image = resolved;
  return registryMachineFileIn(image.substr(0, image.rfind('/')),
                               InstallLayout{VK_INSTALL_BINDIR, VK_INSTALL_MODULEDIR, VK_MACHINE_REGISTRY});
}

}  // namespace vk::platform
