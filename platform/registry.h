// The system registry, as the component's registration needs it: string values under the
// predefined roots, key creation, and deletion of values, keys and whole subtrees. On Windows
// this is advapi32; natively it is an in-memory registry of the process.
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

}  // namespace vk::platform
