// The registry on Windows: advapi32 under the predefined root keys. Paths and names are
// UTF-16 on both sides, so they pass through as they are.
#include "platform/registry.h"

#include <windows.h>

namespace vk::platform {
namespace {

HKEY rootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users: return HKEY_USERS;
    case RegistryRoot::PerformanceData: return HKEY_PERFORMANCE_DATA;
    case RegistryRoot::DynData: return HKEY_DYN_DATA;
    case RegistryRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  return HKEY_CLASSES_ROOT;
}

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// An open key, closed when it goes out of scope.
class OpenKey {
 public:
  OpenKey(RegistryRoot root, const std::u16string& path, REGSAM access)
      : status_(RegOpenKeyExW(rootKey(root), wide(path), 0, access, &key_)) {}
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (status_ == ERROR_SUCCESS) RegCloseKey(key_);
  }
  bool ok() const { return status_ == ERROR_SUCCESS; }
  std::int32_t status() const { return static_cast<std::int32_t>(status_); }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
  LSTATUS status_;
};

// The default value is the one without a name.
const wchar_t* valueName(const std::u16string& name) { return name.empty() ? nullptr : wide(name); }

}  // namespace

std::int32_t registryCreateKey(RegistryRoot root, const std::u16string& path) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(rootKey(root), wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  return static_cast<std::int32_t>(status);
}

bool registryKeyExists(RegistryRoot root, const std::u16string& path) {
  return OpenKey(root, path, KEY_READ).ok();
}

std::int32_t registrySetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                               const std::u16string& value) {
  OpenKey key(root, path, KEY_SET_VALUE);
  if (!key.ok()) return key.status();
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(char16_t));
  return static_cast<std::int32_t>(RegSetValueExW(key.get(), valueName(name), 0, REG_SZ,
                                                  reinterpret_cast<const BYTE*>(value.c_str()), bytes));
}

bool registryGetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                       std::u16string* value) {
  OpenKey key(root, path, KEY_QUERY_VALUE);
  if (!key.ok()) return false;
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.get(), valueName(name), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  std::u16string text(bytes / sizeof(char16_t) + 1, u'\0');
  if (RegQueryValueExW(key.get(), valueName(name), nullptr, &type, reinterpret_cast<BYTE*>(&text[0]),
                       &bytes) != ERROR_SUCCESS) {
    return false;
  }
  // The stored terminator (if any) is not part of the text.
  text.resize(bytes / sizeof(char16_t));
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  if (value != nullptr) *value = text;
  return true;
}

std::int32_t registryDeleteValue(RegistryRoot root, const std::u16string& path, const std::u16string& name) {
  OpenKey key(root, path, KEY_SET_VALUE);
  if (!key.ok()) return key.status();
  return static_cast<std::int32_t>(RegDeleteValueW(key.get(), valueName(name)));
}

std::int32_t registryDeleteKey(RegistryRoot root, const std::u16string& path) {
  // Refused (access denied) while the key has subkeys.
  return static_cast<std::int32_t>(RegDeleteKeyW(rootKey(root), wide(path)));
}

std::int32_t registryDeleteTree(RegistryRoot root, const std::u16string& path) {
  // With a subkey name, RegDeleteTreeW removes the key itself as well as what lies below it.
  if (path.empty()) return ERROR_INVALID_PARAMETER;
  return static_cast<std::int32_t>(RegDeleteTreeW(rootKey(root), wide(path)));
}

std::vector<std::u16string> registrySubkeys(RegistryRoot root, const std::u16string& path) {
  std::vector<std::u16string> names;
  OpenKey key(root, path, KEY_READ);
  if (!key.ok()) return names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // key names are at most 255 characters
    DWORD length = 256;
    LSTATUS status = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(reinterpret_cast<const char16_t*>(name), length);
  }
  return names;
}

// advapi32 makes each change at once; a group has nothing to gather.
RegistryChangeGroup::RegistryChangeGroup() = default;
RegistryChangeGroup::~RegistryChangeGroup() = default;
std::int32_t RegistryChangeGroup::finish() {
  finished_ = true;
  return ERROR_SUCCESS;
}

}  // namespace vk::platform
