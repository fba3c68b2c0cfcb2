// The system registry, as the component's registration needs it: string values under the
// predefined roots, key creation, and deletion of values, keys and whole subtrees. On Windows
// this is advapi32; natively it is a tree kept in the process or shared through a file.
// Paths use '\' between key names. Results are Win32 error codes (0 on success).
#pragma once
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

// The registry's file is corrupt (ERROR_BADDB); registryProblem says where.
constexpr std::int32_t kRegistryCorrupt = 1009;
// The registry's file cannot be read, locked or written (ERROR_REGISTRY_IO_FAILED).
constexpr std::int32_t kRegistryIoFailed = 1016;

// Creates the key and every missing key on its path (or opens it).
std::int32_t registryCreateKey(RegistryRoot root, const std::u16string& path);
bool registryKeyExists(RegistryRoot root, const std::u16string& path);
// Sets a string value of an existing key; an empty name is the key's default value.
std::int32_t registrySetString(RegistryRoot root, const std::u16string& path,
                               const std::u16string& name, const std::u16string& value);
// Reads a string value; false when the key or value is missing.
bool registryGetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                       std::u16string* value);
std::int32_t registryDeleteValue(RegistryRoot root, const std::u16string& path,
                                 const std::u16string& name);
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
// Why the last operation failed to use the file (a corrupt file, with its line; a system
// error); empty when it did not.
std::string registryProblem();
#endif

}  // namespace vk::platform
