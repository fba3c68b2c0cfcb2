// vk_regsvr: registers or unregisters a native in-process server, as regsvr32 does a DLL.
//
//   vk_regsvr [--machine] [/u] [/s] path/to/libVelkorString.so
//   vk_regsvr [--machine] --ansi-code-page CODEPAGE|default
//   vk_regsvr --version
//
// The module is loaded by its absolute path (so that the path it registers works from any
// directory) and its DllRegisterServer, or DllUnregisterServer with /u, is called. /s keeps
// every message back; options may also be written -u and -s. The exit codes are regsvr32's:
// 0 success, 1 bad arguments, 3 the module does not load, 4 the entry point is missing, 5 the
// entry point failed. The registry is the one the module itself chooses (VK_REGISTRY, see
// README.md), or with --machine the machine registry of the installation this vk_regsvr
// belongs to (handed to the module as VK_REGISTRY); a failure caused by the registry is explained: a file
// this user may only read, a corrupt one (with its line), a key nested too deep. --ansi-code-page sets the
// ANSI code page that the native module reads at start-up (the registry's ACP value, as on Windows), or with
// "default" removes it; a value that is not an ANSI code page is refused and nothing written.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/automation.h"
#include "platform/code_page.h"
#include "platform/registry.h"
#include "vk_version.h"

namespace {

enum ExitCode { kSuccess = 0, kFailArgs = 1, kFailLoad = 3, kFailEntry = 4, kFailReg = 5 };

using EntryPoint = HRESULT (*)();

void usage() {
  std::fprintf(stderr,
               "usage: vk_regsvr [--machine] [/u] [/s] module\n"
               "       vk_regsvr [--machine] --ansi-code-page CODEPAGE|default\n"
               "       vk_regsvr --version\n"
               "  --machine  use the machine registry of this installation (for every user;\n"
               "             needs write access to it, root for a system one)\n"
               "  /u         unregister the module instead of registering it\n"
               "  /s         silent: print no message\n"
               "  --ansi-code-page  set the ANSI code page (874, 932, 936, 949, 950, 1250-1258;\n"
               "             \"default\" removes the setting: 1252)\n");
}

// One option of two characters: '/' or '-' and a letter, any case.
char optionLetter(const char* arg) {
  if ((arg[0] != '/' && arg[0] != '-') || arg[1] == 0 || arg[2] != 0) return 0;
  char c = arg[1];
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Says what the registry had against the registration, when that is why it failed. The module
// keeps its own registry state, so what is known here comes from the failure's code and from
// reading the same registry file again.
void explainRegistryFailure(HRESULT hr) {
  using namespace vk::platform;
  std::uint32_t bits = static_cast<std::uint32_t>(hr);
  std::int32_t code = (bits >> 16) == 0x8007u ? static_cast<std::int32_t>(bits & 0xFFFFu) : -1;
  std::string file = registryFilePath();
  if (code == kRegistryAccessDenied && !file.empty()) {
    std::fprintf(stderr,
                 "The registry file %s may be read but not changed by this user (access denied); "
                 "register as its owner, or into a registry file of your own (VK_REGISTRY=FILE).\n",
                 file.c_str());
    return;
  }
  if (code == kRegistryTooDeep) {
    std::fprintf(stderr,
                 "A key of the registration is nested deeper than %zu keys, which the registry refuses.\n",
                 kRegistryMaxDepth);
    return;
  }
  registryKeyExists(RegistryRoot::ClassesRoot, u"CLSID");
  std::string problem = registryProblem();
  if (problem.empty()) return;
  if (problem[0] >= 'a' && problem[0] <= 'z') problem[0] = static_cast<char>(problem[0] - 32);
  std::fprintf(stderr, "%s.\n", problem.c_str());
}

// Writes (or with "default" removes) the registry's ACP value; the registry is the one
// VK_REGISTRY names (the machine's with --machine), else the per-user one.
int setAnsiCodePageSetting(const std::string& text, bool silent) {
  using namespace vk::platform;
  std::int32_t code = kRegistryOk;
  std::string problem;
  if (text == "default") {
    code = registryDeleteValue(RegistryRoot::LocalMachine, kCodePageKey, kAnsiCodePageValue);
    if (code == kRegistryNotFound) code = kRegistryOk;
  } else {
    std::int32_t codePage = parseAnsiCodePage(text, &problem);
    if (codePage == 0) {
      if (!silent)
        std::fprintf(stderr, "vk_regsvr: --ansi-code-page %s is refused: %s.\n", text.c_str(),
                     problem.c_str());
      return kFailArgs;
    }
    std::string digits = std::to_string(codePage);
    code = registryCreateKey(RegistryRoot::LocalMachine, kCodePageKey);
    if (code == kRegistryOk) {
      code = registrySetString(RegistryRoot::LocalMachine, kCodePageKey, kAnsiCodePageValue,
                               std::u16string(digits.begin(), digits.end()));
    }
  }
  if (code != kRegistryOk) {
    if (!silent) {
      std::fprintf(stderr, "vk_regsvr: the ANSI code page could not be set (error %d).\n", code);
      explainRegistryFailure(static_cast<HRESULT>(0x80070000u | static_cast<std::uint32_t>(code)));
    }
    return kFailReg;
  }
  if (!silent) {
    std::printf("The ANSI code page of %s is %s.\n", registryFilePath().c_str(),
                text == "default" ? "the default, 1252" : text.c_str());
  }
  return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("vk_regsvr %s\n", VK_VERSION_TEXT);
    return kSuccess;
  }
  bool unregister = false;
  bool silent = false;
  for (int i = 1; i < argc; ++i) silent = silent || optionLetter(argv[i]) == 's';
  const char* module = nullptr;
  bool machine = false;
  const char* codePage = nullptr;
  for (int i = 1; i < argc; ++i) {
    char letter = optionLetter(argv[i]);
    if (std::strcmp(argv[i], "--machine") == 0) {
      machine = true;
    } else if (std::strcmp(argv[i], "--ansi-code-page") == 0 && i + 1 < argc && codePage == nullptr) {
      codePage = argv[++i];
    } else if (letter == 'u') {
      unregister = true;
    } else if (letter == 's') {
    } else if (letter != 0 || module != nullptr) {
      if (!silent) usage();
      return kFailArgs;
    } else {
      module = argv[i];
    }
  }
  // The code page is a setting of its own: no module goes with it, nor /u.
  if ((module == nullptr) == (codePage == nullptr) || (codePage != nullptr && unregister)) {
    if (!silent) usage();
    return kFailArgs;
  }
  if (machine) {
    // The module writes the registry that VK_REGISTRY names; for the machine registry that is
    // the file this installation's programs and module read under every user's own.
    std::string file = vk::platform::registryMachineFilePath();
    if (file.empty()) {
      if (!silent) {
        std::fprintf(stderr,
                     "vk_regsvr --machine: this vk_regsvr is not installed (it is not in the bin "
                     "folder of an installation), so there is no machine registry to use.\n");
      }
      return kFailArgs;
    }
    setenv("VK_REGISTRY", file.c_str(), 1);
    // Every user reads the machine registry: its file and folders are made readable by all,
    // whatever the umask of the one who writes them.
    umask(022);
  }
  if (codePage != nullptr) return setAnsiCodePageSetting(codePage, silent);

  char absolute[PATH_MAX];
  const char* path = realpath(module, absolute) != nullptr ? absolute : module;
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (!silent) std::fprintf(stderr, "The module \"%s\" failed to load.\n%s\n", module, dlerror());
    return kFailLoad;
  }
  const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto entry = reinterpret_cast<EntryPoint>(dlsym(handle, entryName));
  if (entry == nullptr) {
    if (!silent) {
      std::fprintf(stderr, "The module \"%s\" was loaded but the entry-point %s was not found.\n", module,
                   entryName);
    }
    dlclose(handle);
    return kFailEntry;
  }
  // The file the loader took the module from, absolute, is what it registers (a bare name may
  // have been found on the library path).
  Dl_info loaded;
  if (dladdr(reinterpret_cast<void*>(entry), &loaded) != 0 && loaded.dli_fname != nullptr &&
      realpath(loaded.dli_fname, absolute) != nullptr) {
    path = absolute;
  }
  HRESULT hr = entry();
  // The module stays loaded until the process ends a moment later: its registry store lives
  // for the life of the module's image, and unloading it first would only discard that.
  if (FAILED(hr)) {
    if (!silent) {
      std::fprintf(stderr, "The module \"%s\" was loaded but the call to %s failed with error code 0x%08X.\n",
                   module, entryName, static_cast<unsigned>(hr));
      explainRegistryFailure(hr);
    }
    return kFailReg;
  }
  if (!silent) std::printf("%s in %s succeeded.\n", entryName, path);
  return kSuccess;
}
