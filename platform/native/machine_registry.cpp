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
#include <link.h>
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
  // The loader's own record of the file this code came from: dladdr's file name for the main
  // program is its argv[0] (a bare "vkstring" when it was found on PATH), but the link map
  // names the main program by an empty string and every loaded library by the path it was
  // loaded from.
  Dl_info info;
  struct link_map* map = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&registryMachineFilePath), &info, reinterpret_cast<void**>(&map),
              RTLD_DL_LINKMAP) == 0 ||
      map == nullptr || map->l_name == nullptr) {
    return std::string();
  }
  // The kernel knows the main program's file.
  const char* named = map->l_name[0] != 0 ? map->l_name : "/proc/self/exe";
  char resolved[PATH_MAX];
  if (realpath(named, resolved) == nullptr) return std::string();
  std::string image = resolved;
  return registryMachineFileIn(image.substr(0, image.rfind('/')),
                               InstallLayout{VK_INSTALL_BINDIR, VK_INSTALL_MODULEDIR, VK_MACHINE_REGISTRY});
}

}  // namespace vk::platform
