#include "component/registrar.h"

#include <algorithm>
#include <memory>

#include "platform/registry.h"

namespace vk {
namespace {

using platform::RegistryRoot;

HRESULT fromWin32(std::int32_t code) {
  if (code == 0) return S_OK;
  return static_cast<HRESULT>(0x80070000u | (static_cast<std::uint32_t>(code) & 0xFFFFu));
}

enum class KeyFlag { Normal, ForceRemove, NoRemove, Delete };

struct NamedValue {
  std::u16string name;
  std::u16string value;
};

struct KeyNode {
  std::u16string name;
  KeyFlag flag = KeyFlag::Normal;
  bool hasDefault = false;
  std::u16string defaultValue;
  std::vector<NamedValue> values;
  std::vector<KeyNode> children;
};

struct RootNode {
  RegistryRoot root;
  std::vector<KeyNode> keys;
};

struct Token {
  enum Kind { Word, Quoted, Open, Close, Equals, End } kind;
  std::u16string text;
};

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

class Tokenizer {
 public:
  explicit Tokenizer(const std::u16string& text) : text_(text) {}

  bool next(Token* token) {
    while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) {
      *token = {Token::End, {}};
      return true;
    }
    char16_t c = text_[pos_];
    bool braceAlone = pos_ + 1 >= text_.size() || isSpace(text_[pos_ + 1]);
    if ((c == u'{' || c == u'}') && braceAlone) {
      ++pos_;
      *token = {c == u'{' ? Token::Open : Token::Close, {}};
      return true;
    }
    if (c == u'=') {
      ++pos_;
      *token = {Token::Equals, {}};
      return true;
    }
    if (c == u'\'') {
      std::u16string value;
      ++pos_;
      while (true) {
        if (pos_ >= text_.size()) return false;  // unterminated string
        if (text_[pos_] == u'\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\'') {
            value += u'\'';
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        value += text_[pos_++];
      }
      *token = {Token::Quoted, value};
      return true;
    }
    std::u16string word;
    while (pos_ < text_.size() && !isSpace(text_[pos_]) && text_[pos_] != u'=') word += text_[pos_++];
    *token = {Token::Word, word};
    return true;
  }

 private:
  const std::u16string& text_;
  std::size_t pos_ = 0;
};

bool equalsNoCase(const std::u16string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    char16_t x = a[i];
    char16_t y = static_cast<unsigned char>(b[i]);
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return i == a.size() && b[i] == 0;
}

bool rootFromName(const std::u16string& name, RegistryRoot* root) {
  struct RootName {
    const char* name;
    RegistryRoot root;
  };
  static const RootName kRoots[] = {
      {"HKCR", RegistryRoot::ClassesRoot},
      {"HKCU", RegistryRoot::CurrentUser},
      {"HKLM", RegistryRoot::LocalMachine},
      {"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
      {"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
      {"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
      {"HKEY_USERS", RegistryRoot::Users},
      {"HKEY_PERFORMANCE_DATA", RegistryRoot::PerformanceData},
      {"HKEY_DYN_DATA", RegistryRoot::DynData},
      {"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
  };
  for (const RootName& r : kRoots) {
    if (equalsNoCase(name, r.name)) {
      *root = r.root;
      return true;
    }
  }
  return false;
}

class Parser {
 public:
  explicit Parser(const std::u16string& text) : tokens_(text) {}

  bool parse(std::vector<RootNode>* roots) {
    if (!advance()) return false;
    while (current_.kind != Token::End) {
      RootNode root;
      if (current_.kind != Token::Word || !rootFromName(current_.text, &root.root)) return false;
      if (!advance() || current_.kind != Token::Open) return false;
      if (!advance() || !parseKeys(&root.keys)) return false;
      roots->push_back(std::move(root));
    }
    return true;
  }

 private:
  bool advance() { return tokens_.next(&current_); }

  // Reads "s 'text'" after an equals sign.
  bool parseStringValue(std::u16string* value) {
    if (!advance() || current_.kind != Token::Word || !equalsNoCase(current_.text, "s")) return false;
    if (!advance() || current_.kind != Token::Quoted) return false;
    *value = current_.text;
    return advance();
  }

  // Keys of a root, up to and including the closing brace.
  bool parseKeys(std::vector<KeyNode>* keys) {
    while (current_.kind != Token::Close) {
      if (current_.kind == Token::End) return false;
      // Named values belong to a key, not to a root.
      if (current_.kind == Token::Word && equalsNoCase(current_.text, "val")) return false;
      if (!parseOneKey(keys)) return false;
    }
    return advance();
  }

  // The block of a key: named values and subkeys, up to and including the closing brace.
  bool parseBlock(KeyNode* key) {
    while (current_.kind != Token::Close) {
      if (current_.kind == Token::End) return false;
      if (current_.kind == Token::Word && equalsNoCase(current_.text, "val")) {
        NamedValue value;
        if (!advance() || (current_.kind != Token::Word && current_.kind != Token::Quoted)) return false;
        value.name = current_.text;
        if (!advance() || current_.kind != Token::Equals) return false;
        if (!parseStringValue(&value.value)) return false;
        key->values.push_back(std::move(value));
        continue;
      }
      if (!parseOneKey(&key->children)) return false;
    }
    return advance();
  }

  bool parseOneKey(std::vector<KeyNode>* out) {
    KeyNode key;
    if (current_.kind == Token::Word) {
      if (equalsNoCase(current_.text, "ForceRemove")) key.flag = KeyFlag::ForceRemove;
      if (equalsNoCase(current_.text, "NoRemove")) key.flag = KeyFlag::NoRemove;
      if (equalsNoCase(current_.text, "Delete")) key.flag = KeyFlag::Delete;
      if (key.flag != KeyFlag::Normal && !advance()) return false;
    }
    if (current_.kind != Token::Word && current_.kind != Token::Quoted) return false;
    key.name = current_.text;
    if (key.name.empty() || !advance()) return false;
    if (current_.kind == Token::Equals) {
      key.hasDefault = true;
      if (!parseStringValue(&key.defaultValue)) return false;
    }
    if (current_.kind == Token::Open) {
      if (!advance() || !parseBlock(&key)) return false;
    }
    out->push_back(std::move(key));
    return true;
  }

  Tokenizer tokens_;
  Token current_{Token::End, {}};
};

std::u16string joinPath(const std::u16string& parent, const std::u16string& name) {
  return parent.empty() ? name : parent + u'\\' + name;
}

HRESULT registerKey(RegistryRoot root, const std::u16string& parent, const KeyNode& key) {
  std::u16string path = joinPath(parent, key.name);
  if (key.flag == KeyFlag::Delete) {
    platform::registryDeleteTree(root, path);
    return S_OK;
  }
  if (key.flag == KeyFlag::ForceRemove) platform::registryDeleteTree(root, path);
  if (HRESULT hr = fromWin32(platform::registryCreateKey(root, path)); FAILED(hr)) return hr;
  auto setValue = [&](const std::u16string& name, const std::u16string& value) {
    return fromWin32(platform::registrySetString(root, path, name, value));
  };
  // The default value is the one with the empty name.
  if (key.hasDefault) {
    if (HRESULT hr = setValue(u"", key.defaultValue); FAILED(hr)) return hr;
  }
  for (const NamedValue& value : key.values) {
    if (HRESULT hr = setValue(value.name, value.value); FAILED(hr)) return hr;
  }
  for (const KeyNode& child : key.children) {
    if (HRESULT hr = registerKey(root, path, child); FAILED(hr)) return hr;
  }
  return S_OK;
}

void unregisterKey(RegistryRoot root, const std::u16string& parent, const KeyNode& key) {
  std::u16string path = joinPath(parent, key.name);
  if (!platform::registryKeyExists(root, path)) return;
  if (key.flag == KeyFlag::ForceRemove) {
    platform::registryDeleteTree(root, path);
    return;
  }
  for (const KeyNode& child : key.children) unregisterKey(root, path, child);
  for (const NamedValue& value : key.values) platform::registryDeleteValue(root, path, value.name);
  if (key.flag == KeyFlag::NoRemove) return;
  if (platform::registrySubkeys(root, path).empty()) platform::registryDeleteKey(root, path);
}

}  // namespace

std::u16string doubleQuotes(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text) {
    out += c;
    if (c == u'\'') out += u'\'';
  }
  return out;
}

void Registrar::addReplacement(const std::u16string& name, const std::u16string& value) {
  replacements_.emplace_back(name, value);
}

HRESULT Registrar::registerScript(const std::u16string& script) { return run(script, true); }

HRESULT Registrar::unregisterScript(const std::u16string& script) { return run(script, false); }

HRESULT Registrar::run(const std::u16string& script, bool registering) {
  // Substitute %NAME% before parsing; an unknown name is an error, as a half-substituted
  // path must never reach the registry.
  std::u16string text;
  for (std::size_t i = 0; i < script.size(); ++i) {
    if (script[i] != u'%') {
      text += script[i];
      continue;
    }
    std::size_t end = script.find(u'%', i + 1);
    if (end == std::u16string::npos) return E_FAIL;
    std::u16string name = script.substr(i + 1, end - i - 1);
    if (name.empty()) {
      text += u'%';
    } else {
      auto found = std::find_if(replacements_.begin(), replacements_.end(),
                                [&](const auto& r) { return r.first == name; });
      if (found == replacements_.end()) return E_FAIL;
      text += found->second;
    }
    i = end;
  }
  std::vector<RootNode> roots;
  if (!Parser(text).parse(&roots)) return E_FAIL;
  // The script's changes reach the registry's file in one write, when the group finishes.
  platform::RegistryChangeGroup changes;
  HRESULT hr = S_OK;
  for (const RootNode& root : roots) {
    for (const KeyNode& key : root.keys) {
      if (registering) {
        hr = registerKey(root.root, u"", key);
        if (FAILED(hr)) break;
      } else {
        unregisterKey(root.root, u"", key);
      }
    }
    if (FAILED(hr)) break;
  }
  HRESULT finished = fromWin32(changes.finish());
  return FAILED(hr) ? hr : finished;
}

}  // namespace vk
