// The native registry's tree and the text file that holds it. The tree is one key per
// predefined root; key and value names compare case-insensitively (ASCII), as on Windows, and
// keep the spelling they were created with. The file format is described in registry_file.cpp.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace vk::platform::registry_file {

constexpr int kRootCount = 7;
// Every key line of the file spells the key's whole path, so the bound on nesting
// (kRegistryMaxDepth, as on Windows) is also what keeps the file's size, and the cost of
// writing it, in proportion to the number of keys; it bounds the depth of the tree's
// recursive walks as well.

struct NoCaseLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const;
};

struct Key {
  std::u16string name;
  std::map<std::u16string, std::u16string, NoCaseLess> values;
  std::map<std::u16string, std::unique_ptr<Key>, NoCaseLess> subkeys;
};

struct Tree {
  Key roots[kRootCount];
};

// The key names of a path: '\' separates them, empty names are dropped.
std::vector<std::u16string> splitPath(const std::u16string& path);
// Opens or creates each key of `parts` below `key`; the last one.
Key* createPath(Key* key, const std::vector<std::u16string>& parts);

// The file's bytes for the tree.
std::string serialize(const Tree& tree);
// Builds the tree from a file's bytes; an error text (with its line) when they are malformed.
std::string parse(const std::string& bytes, Tree* tree);

}  // namespace vk::platform::registry_file
