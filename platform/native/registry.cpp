// The native registry: one tree per predefined root, kept in the process and guarded by a
// lock. Key and value names compare case-insensitively (ASCII), as on Windows, and keep the
// spelling they were created with.
#include "platform/registry.h"

#include <map>
#include <memory>
#include <mutex>

namespace vk::platform {
namespace {

char16_t foldCase(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

struct NoCaseLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      char16_t x = foldCase(a[i]);
      char16_t y = foldCase(b[i]);
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  }
};

struct Key {
  std::u16string name;
  std::map<std::u16string, std::u16string, NoCaseLess> values;
  std::map<std::u16string, std::unique_ptr<Key>, NoCaseLess> subkeys;
};

std::mutex registryLock;
Key roots[7];

std::vector<std::u16string> splitPath(const std::u16string& path) {
  std::vector<std::u16string> parts;
  std::u16string part;
  for (char16_t c : path) {
    if (c == u'\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

Key* find(RegistryRoot root, const std::u16string& path) {
  Key* key = &roots[static_cast<int>(root)];
  for (const std::u16string& part : splitPath(path)) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

// The parent of the key at `path` and the key's own name; null parent when it is missing.
Key* findParent(RegistryRoot root, const std::u16string& path, std::u16string* name) {
  std::vector<std::u16string> parts = splitPath(path);
  if (parts.empty()) return nullptr;
  *name = parts.back();
  parts.pop_back();
  Key* key = &roots[static_cast<int>(root)];
  for (const std::u16string& part : parts) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

}  // namespace

std::int32_t registryCreateKey(RegistryRoot root, const std::u16string& path) {
  std::lock_guard<std::mutex> guard(registryLock);
  Key* key = &roots[static_cast<int>(root)];
  for (const std::u16string& part : splitPath(path)) {
    std::unique_ptr<Key>& slot = key->subkeys[part];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = part;
    }
    key = slot.get();
  }
  return kRegistryOk;
}

bool registryKeyExists(RegistryRoot root, const std::u16string& path) {
  std::lock_guard<std::mutex> guard(registryLock);
  return find(root, path) != nullptr;
}

std::int32_t registrySetString(RegistryRoot root, const std::u16string& path,
                               const std::u16string& name, const std::u16string& value) {
  std::lock_guard<std::mutex> guard(registryLock);
  Key* key = find(root, path);
  if (key == nullptr) return kRegistryNotFound;
  key->values[name] = value;
  return kRegistryOk;
}

bool registryGetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                       std::u16string* value) {
  std::lock_guard<std::mutex> guard(registryLock);
  Key* key = find(root, path);
  if (key == nullptr) return false;
  auto it = key->values.find(name);
  if (it == key->values.end()) return false;
  if (value != nullptr) *value = it->second;
  return true;
}

std::int32_t registryDeleteValue(RegistryRoot root, const std::u16string& path,
                                 const std::u16string& name) {
  std::lock_guard<std::mutex> guard(registryLock);
  Key* key = find(root, path);
  if (key == nullptr || key->values.erase(name) == 0) return kRegistryNotFound;
  return kRegistryOk;
}

std::int32_t registryDeleteKey(RegistryRoot root, const std::u16string& path) {
  std::lock_guard<std::mutex> guard(registryLock);
  std::u16string name;
  Key* parent = findParent(root, path, &name);
  if (parent == nullptr) return kRegistryNotFound;
  auto it = parent->subkeys.find(name);
  if (it == parent->subkeys.end()) return kRegistryNotFound;
  if (!it->second->subkeys.empty()) return 5;  // ERROR_ACCESS_DENIED, as Windows answers
  parent->subkeys.erase(it);
  return kRegistryOk;
}

std::int32_t registryDeleteTree(RegistryRoot root, const std::u16string& path) {
  std::lock_guard<std::mutex> guard(registryLock);
  std::u16string name;
  Key* parent = findParent(root, path, &name);
  if (parent == nullptr || parent->subkeys.erase(name) == 0) return kRegistryNotFound;
  return kRegistryOk;
}

std::vector<std::u16string> registrySubkeys(RegistryRoot root, const std::u16string& path) {
  std::lock_guard<std::mutex> guard(registryLock);
  std::vector<std::u16string> names;
  Key* key = find(root, path);
  if (key == nullptr) return names;
  for (const auto& entry : key->subkeys) names.push_back(entry.second->name);
  return names;
}

}  // namespace vk::platform
