// The system registry, as the component's registration needs it: string values under the
// predefined roots, key creation, and deletion of values, keys and whole subtrees. On Windows
// this is advapi32; natively it is a tree kept in the process or shared through a file.
// Paths use '\' between key names. Results are Win32 error codes (0 on success).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vk::platform {

enum class RegistryRoot {
  ClassesRoot,
  CurrentUser,
  LocalMachine,
  Users,
  PerformanceData,
  DynData,
  CurrentConfig,
};

constexpr std::int32_t kRegistryOk = 0;
constexpr std::int32_t kRegistryNotFound = 2;  // ERROR_FILE_NOT_FOUND
// The registry may be read but not changed by this user (ERROR_ACCESS_DENIED); natively, its
// file or folder is not writable, and registryProblem says which.
constexpr std::int32_t kRegistryAccessDenied = 5;

// The registry's file is corrupt (ERROR_BADDB); registryProblem says where.
constexpr std::int32_t kRegistryCorrupt = 1009;
// The registry's file cannot be read, locked or written (ERROR_REGISTRY_IO_FAILED).
constexpr std::int32_t kRegistryIoFailed = 1016;
// A key would be nested deeper than kRegistryMaxDepth keys below its root (ERROR_BADKEY).
constexpr std::int32_t kRegistryTooDeep = 1010;
constexpr std::size_t kRegistryMaxDepth = 512;

// Gathers the changes made while it lives into one: natively, the registry's file is locked
// from the group's first change to its end and written once, at the end, instead of once per
// change (so registering N keys costs one write of the file, not N). Other threads' operations
// wait for the group. Groups may nest; the outermost one writes. On Windows each change is made
// at once, as always.
class RegistryChangeGroup {
 public:
  RegistryChangeGroup();
  ~RegistryChangeGroup();  // finishes the group when finish() was not called
  RegistryChangeGroup(const RegistryChangeGroup&) = delete;
  RegistryChangeGroup& operator=(const RegistryChangeGroup&) = delete;
  // Ends the group: the first failure to use the registry's file met in it (a change refused
  // for the file's permissions, a corrupt or unreadable file) or in writing it; 0 otherwise.
  std::int32_t finish();

 private:
  bool finished_ = false;
};

// Creates the key and every missing key on its path (or opens it); kRegistryTooDeep for a path
// of more than kRegistryMaxDepth names.
std::int32_t registryCreateKey(RegistryRoot root, const std::u16string& path);
bool registryKeyExists(RegistryRoot root, const std::u16string& path);
// Sets a string value of an existing key; an empty name is the key's default value.
std::int32_t registrySetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                               const std::u16string& value);
// Reads a string value; false when the key or value is missing.
bool registryGetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                       std::u16string* value);
std::int32_t registryDeleteValue(RegistryRoot root, const std::u16string& path, const std::u16string& name);
// Deletes a key that has no subkeys.
std::int32_t registryDeleteKey(RegistryRoot root, const std::u16string& path);
// Deletes a key with its whole subtree.
std::int32_t registryDeleteTree(RegistryRoot root, const std::u16string& path);
// Names of the direct subkeys, in order.
std::vector<std::u16string> registrySubkeys(RegistryRoot root, const std::u16string& path);

#ifndef _WIN32
// Where the native registry lives. Until one of the two calls below, the first operation
// chooses: the file named by the environment variable VK_REGISTRY (":memory:" for none),
// else $XDG_DATA_HOME/vkstring/registry, else $HOME/.local/share/vkstring/registry, else
// memory. A file is shared by every process that names it; it is created by the first change.
// Each call starts from what the new place holds (an empty tree for memory).
void registryUseMemory();
void registryUseFile(const std::string& path);
// The file behind the registry; empty when it lives in this process only.
std::string registryFilePath();
// The file the first operation would choose from the environment (empty for memory).
std::string registryDefaultFilePath();

// The machine registry, under the per-user one, as COM merges the current user's classes over
// the machine's. When the first operation chooses the registry from the environment and
// VK_REGISTRY is not set, lookups made outside a change group (registryKeyExists,
// registryGetString, registrySubkeys) that the per-user file does not answer go on to the
// machine registry: the per-user file overrides it value by value, and the subkeys of a key
// are those of both. A machine registry that cannot be read fails the lookup (with
// registryProblem saying why), as the per-user file does. Changes, and lookups inside a change
// group, use only the per-user file. VK_REGISTRY, registryUseMemory and registryUseFile leave
// the machine registry out.
//
// Where the machine registry of this installation lives (machine_registry.cpp): the installed
// prefix's var/lib/vkstring/registry (/var/lib/vkstring/registry for a /usr installation),
// found from the folder this code was loaded from (the prefix's bin/ or its module folder);
// empty when this code is not installed (a build tree).
std::string registryMachineFilePath();
// The layout an installation was configured with: the programs' folder and the module's folder
// relative to the prefix, and the machine registry relative to the prefix or absolute.
struct InstallLayout {
  std::string bindir, moduledir, registry;
};
// The machine registry of the installation laid out as `layout` whose programs' or module's
// folder is `folder` (an absolute path, symbolic links resolved); empty when `folder` is
// neither. A relative registry in var/ lies under the prefix, except for the prefix /usr, whose
// state lives in /var (as GNUInstallDirs lays out a /usr prefix), so that a build configured for
// /usr/local and installed under /usr (a package) still uses /var/lib/vkstring/registry.
std::string registryMachineFileIn(const std::string& folder, const InstallLayout& layout);
// Puts the machine registry in `path` (empty: none), for tests and tools.
void registryUseMachineFile(const std::string& path);
// Why the last operation failed to use the file (a corrupt file, with its line; a system
// error); empty when it did not.
std::string registryProblem();
// The code of that failure (kRegistryCorrupt, kRegistryIoFailed, kRegistryAccessDenied,
// kRegistryTooDeep); kRegistryOk when the last operation met none.
std::int32_t registryProblemCode();
#endif

}  // namespace vk::platform
