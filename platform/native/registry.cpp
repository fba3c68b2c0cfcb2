// The native registry: one tree per predefined root, guarded by a lock. Key and value names
// compare case-insensitively (ASCII), as on Windows, and keep the spelling they were created
// with.
//
// The tree lives either in the process only or in a file that every process on the machine
// using the same file shares (so a registration made by one process is seen by the next). In
// file mode each operation takes an advisory lock on "<file>.lock" (shared to read, exclusive
// to change), reloads the tree when the file's bytes differ from what this process last saw,
// and after a change writes the whole tree to "<file>.tmp.<pid>" and renames it over the file,
// so a reader never meets half a file and two writers never lose each other's changes. A file
// that cannot be read as the format below is refused: every operation fails with
// kRegistryCorrupt and the file is left as it is.
//
// File format (UTF-8, lines ending in LF):
//   VkString registry 1
//   key <ROOT> "<path>"        one line per key, ROOT one of HKEY_CLASSES_ROOT,
//   value "<name>" "<data>"    HKEY_CURRENT_USER, ...; values belong to the key above them
//   end
// <path> joins the key names with '\'; the empty name is the key's default value. Strings
// are quoted; inside them '\\' '\"' '\n' '\r' '\t' stand for themselves' characters and
// '\uXXXX' (four hex digits) for any other UTF-16 unit below U+0020, U+007F and a surrogate
// without its partner; every other character is written as UTF-8.
#include "platform/registry.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace vk::platform {
namespace {

constexpr char kHeader[] = "VkString registry 1";
constexpr char kHeaderStart[] = "VkString registry ";
constexpr char kMemoryName[] = ":memory:";
constexpr int kRootCount = 7;
const char* const kRootNames[kRootCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",    "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA", "HKEY_CURRENT_CONFIG",
};

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

struct Tree {
  Key roots[kRootCount];
};

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

Key* find(Tree& tree, RegistryRoot root, const std::u16string& path) {
  Key* key = &tree.roots[static_cast<int>(root)];
  for (const std::u16string& part : splitPath(path)) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

// The parent of the key at `path` and the key's own name; null parent when it is missing.
Key* findParent(Tree& tree, RegistryRoot root, const std::u16string& path, std::u16string* name) {
  std::vector<std::u16string> parts = splitPath(path);
  if (parts.empty()) return nullptr;
  *name = parts.back();
  parts.pop_back();
  Key* key = &tree.roots[static_cast<int>(root)];
  for (const std::u16string& part : parts) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

Key* createPath(Key* key, const std::vector<std::u16string>& parts) {
  for (const std::u16string& part : parts) {
    std::unique_ptr<Key>& slot = key->subkeys[part];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = part;
    }
    key = slot.get();
  }
  return key;
}

// ---- Strings in the file ----

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool isHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void appendQuoted(std::string& out, const std::u16string& text) {
  static const char* hex = "0123456789ABCDEF";
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (u == u'\\' || u == u'"') {
      out += '\\';
      out += static_cast<char>(u);
    } else if (u == u'\n') {
      out += "\\n";
    } else if (u == u'\r') {
      out += "\\r";
    } else if (u == u'\t') {
      out += "\\t";
    } else if (isHigh(u) && i + 1 < text.size() && isLow(text[i + 1])) {
      appendUtf8(out, 0x10000 + ((static_cast<std::uint32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (u < 0x20 || u == 0x7F || isHigh(u) || isLow(u)) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(u >> shift) & 15];
    } else {
      appendUtf8(out, u);
    }
  }
  out += '"';
}

// Reads one UTF-8 character at line[at]; 0 when the bytes are not well-formed UTF-8.
std::size_t readUtf8(const std::string& line, std::size_t at, std::uint32_t* cp) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(line[i]); };
  std::uint8_t b = byte(at);
  std::size_t length;
  std::uint32_t value;
  std::uint32_t least;
  if (b < 0x80) {
    *cp = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    length = 2, value = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3, value = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4, value = b & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (at + length > line.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    std::uint8_t c = byte(at + i);
    if ((c & 0xC0) != 0x80) return 0;
    value = (value << 6) | (c & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return length;
}

// Reads the quoted string at line[*at] and moves past it; an error text when it is malformed.
const char* readQuoted(const std::string& line, std::size_t* at, std::u16string* text) {
  std::size_t i = *at;
  if (i >= line.size() || line[i] != '"') return "a quoted string is expected";
  ++i;
  text->clear();
  while (true) {
    if (i >= line.size()) return "a string is not closed";
    char c = line[i];
    if (c == '"') break;
    if (c == '\\') {
      if (i + 1 >= line.size()) return "a string is not closed";
      char e = line[i + 1];
      i += 2;
      switch (e) {
        case '\\': *text += u'\\'; break;
        case '"': *text += u'"'; break;
        case 'n': *text += u'\n'; break;
        case 'r': *text += u'\r'; break;
        case 't': *text += u'\t'; break;
        case 'u': {
          if (i + 4 > line.size()) return "a \\u escape needs four hex digits";
          std::uint32_t unit = 0;
          for (int k = 0; k < 4; ++k) {
            char h = line[i + static_cast<std::size_t>(k)];
            int d = (h >= '0' && h <= '9') ? h - '0'
                    : (h >= 'A' && h <= 'F') ? h - 'A' + 10
                    : (h >= 'a' && h <= 'f') ? h - 'a' + 10
                                             : -1;
            if (d < 0) return "a \\u escape needs four hex digits";
            unit = (unit << 4) | static_cast<std::uint32_t>(d);
          }
          *text += static_cast<char16_t>(unit);
          i += 4;
          break;
        }
        default:
          return "unknown escape in a string";
      }
      continue;
    }
    if (static_cast<std::uint8_t>(c) < 0x20 || c == 0x7F) return "a control character in a string";
    std::uint32_t cp;
    std::size_t length = readUtf8(line, i, &cp);
    if (length == 0) return "bytes that are not UTF-8";
    if (cp >= 0x10000) {
      *text += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      *text += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      *text += static_cast<char16_t>(cp);
    }
    i += length;
  }
  *at = i + 1;
  return nullptr;
}

// ---- Whole files ----

void writeKey(std::string& out, const char* rootName, const std::u16string& path, const Key& key) {
  if (!path.empty() || !key.values.empty()) {
    out += "key ";
    out += rootName;
    out += ' ';
    appendQuoted(out, path);
    out += '\n';
    for (const auto& value : key.values) {
      out += "value ";
      appendQuoted(out, value.first);
      out += ' ';
      appendQuoted(out, value.second);
      out += '\n';
    }
  }
  for (const auto& sub : key.subkeys) {
    writeKey(out, rootName, path.empty() ? sub.second->name : path + u'\\' + sub.second->name,
             *sub.second);
  }
}

std::string serialize(const Tree& tree) {
  std::string out = kHeader;
  out += '\n';
  for (int r = 0; r < kRootCount; ++r) writeKey(out, kRootNames[r], u"", tree.roots[r]);
  out += "end\n";
  return out;
}

// Builds the tree from a file's bytes; an error text (with its line) when they are malformed.
std::string parse(const std::string& bytes, Tree* tree) {
  std::size_t lineStart = 0;
  int lineNumber = 0;
  Key* current = nullptr;
  bool ended = false;
  while (lineStart < bytes.size()) {
    std::size_t lineEnd = bytes.find('\n', lineStart);
    if (lineEnd == std::string::npos) return "the last line has no line break (the file is cut short)";
    std::string line = bytes.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    ++lineNumber;
    auto fail = [&](const std::string& why) { return "line " + std::to_string(lineNumber) + ": " + why; };
    if (ended) return fail("text after the end line");
    if (lineNumber == 1) {
      if (line == kHeader) continue;
      if (line.compare(0, sizeof(kHeaderStart) - 1, kHeaderStart) == 0) {
        return fail("format version " + line.substr(sizeof(kHeaderStart) - 1) + " is not understood");
      }
      return fail("not a registry file (the first line is not \"" + std::string(kHeader) + "\")");
    }
    if (line == "end") {
      ended = true;
      continue;
    }
    std::size_t at;
    if (line.compare(0, 4, "key ") == 0) {
      at = 4;
      std::size_t space = line.find(' ', at);
      if (space == std::string::npos) return fail("a key line needs a root and a path");
      std::string rootName = line.substr(at, space - at);
      int root = -1;
      for (int r = 0; r < kRootCount; ++r) {
        if (rootName == kRootNames[r]) root = r;
      }
      if (root < 0) return fail("unknown root \"" + rootName + "\"");
      at = space + 1;
      std::u16string path;
      if (const char* why = readQuoted(line, &at, &path)) return fail(why);
      if (at != line.size()) return fail("text after the key's path");
      std::vector<std::u16string> parts = splitPath(path);
      // Names are separated by exactly one '\' and never empty.
      std::size_t joined = 0;
      for (const auto& p : parts) joined += p.size();
      if (!parts.empty() && joined + parts.size() - 1 != path.size()) return fail("an empty key name in a path");
      current = createPath(&tree->roots[root], parts);
    } else if (line.compare(0, 6, "value ") == 0) {
      if (current == nullptr) return fail("a value before any key");
      at = 6;
      std::u16string name, data;
      if (const char* why = readQuoted(line, &at, &name)) return fail(why);
      if (at >= line.size() || line[at] != ' ') return fail("a value line needs a name and a value");
      ++at;
      if (const char* why = readQuoted(line, &at, &data)) return fail(why);
      if (at != line.size()) return fail("text after the value");
      current->values[name] = data;
    } else {
      return fail("a line that is neither key, value nor end");
    }
  }
  if (lineNumber == 0) return "the file is empty";
  if (!ended) return "the file has no end line (it is cut short)";
  return std::string();
}

// ---- The store ----

struct Store {
  std::mutex lock;
  bool chosen = false;
  std::string path;  // empty: the tree lives in this process only
  Tree tree;
  bool loaded = false;       // the tree holds what `seen` says
  bool seenFile = false;     // whether the file existed then (an empty file is not a missing one)
  std::string seen;          // the file's bytes as last read or written by this process
  std::string problem;
};

Store& store() {
  static Store* s = new Store;  // never destroyed: other statics' destructors may still use it
  return *s;
}

std::string systemError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

std::string registryDefaultFilePath() {
  const char* named = std::getenv("VK_REGISTRY");
  std::string path;
  if (named != nullptr && *named != 0) {
    if (std::strcmp(named, kMemoryName) == 0) return std::string();
    path = named;
  } else if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
    path = std::string(data) + "/vkstring/registry";
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    path = std::string(home) + "/.local/share/vkstring/registry";
  } else {
    return std::string();
  }
  if (path[0] != '/') {
    // A relative name is fixed against the directory at first use, so a later chdir does not
    // move the registry.
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) != nullptr) path = std::string(cwd) + "/" + path;
  }
  return path;
}

namespace {

void choose(Store& s, const std::string& path) {
  s.chosen = true;
  s.path = path;
  s.tree = Tree();
  s.loaded = path.empty();
  s.seenFile = false;
  s.seen.clear();
  s.problem.clear();
}

// Makes the folders on the way to `path` (like mkdir -p of its parent).
void makeParents(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0755);
  }
}

// One operation on the store: holds the process's lock and, for a file, the file lock, with
// the tree brought up to date. `ok` is false (and `code` says why) when the file cannot be used.
class Session {
 public:
  explicit Session(bool change) : guard_(store().lock), s_(store()), change_(change) {
    if (!s_.chosen) choose(s_, registryDefaultFilePath());
    s_.problem.clear();
    if (s_.path.empty()) return;
    std::string lockPath = s_.path + ".lock";
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0 && errno == ENOENT && change_) {
      makeParents(s_.path);
      lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    }
    if (lockFd_ < 0) {
      // Without its folder there is no file to read either: an empty registry.
      if (errno == ENOENT && !change_) {
        s_.tree = Tree();
        s_.loaded = true;
        s_.seenFile = false;
        s_.seen.clear();
        return;
      }
      fail(kRegistryIoFailed, systemError("cannot open the registry lock", lockPath));
      return;
    }
    while (flock(lockFd_, change_ ? LOCK_EX : LOCK_SH) != 0) {
      if (errno != EINTR) {
        fail(kRegistryIoFailed, systemError("cannot lock", lockPath));
        return;
      }
    }
    load();
  }

  ~Session() {
    if (lockFd_ >= 0) close(lockFd_);  // closing drops the lock
  }

  bool ok() const { return code_ == kRegistryOk; }
  std::int32_t code() const { return code_; }
  Tree& tree() { return s_.tree; }

  // Writes the changed tree to the file; the change is undone in memory when that fails.
  std::int32_t commit() {
    if (s_.path.empty() || !ok()) return code_;
    std::string bytes = serialize(s_.tree);
    if (s_.loaded && s_.seenFile && bytes == s_.seen) return kRegistryOk;
    std::string temp = s_.path + ".tmp." + std::to_string(getpid());
    unlink(temp.c_str());  // left behind by an earlier process with this id
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool written = fd >= 0;
    for (std::size_t done = 0; written && done < bytes.size();) {
      ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) written = false;
      else done += static_cast<std::size_t>(n);
    }
    // The data reaches the disk before the rename makes it the registry.
    if (written) written = fsync(fd) == 0;
    if (fd >= 0 && close(fd) != 0) written = false;
    if (written) written = rename(temp.c_str(), s_.path.c_str()) == 0;
    if (!written) {
      std::string why = systemError("cannot write the registry file", s_.path);
      unlink(temp.c_str());
      s_.loaded = false;  // the next operation reads the file again
      return fail(kRegistryIoFailed, why);
    }
    s_.seen = bytes;
    s_.seenFile = true;
    s_.loaded = true;
    return kRegistryOk;
  }

 private:
  void load() {
    std::string bytes;
    int fd = open(s_.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      if (errno != ENOENT) {
        fail(kRegistryIoFailed, systemError("cannot read the registry file", s_.path));
        return;
      }
    } else {
      char buffer[65536];
      while (true) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
          std::string why = systemError("cannot read the registry file", s_.path);
          close(fd);
          fail(kRegistryIoFailed, why);
          return;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
      }
      close(fd);
    }
    bool exists = fd >= 0;
    if (s_.loaded && exists == s_.seenFile && bytes == s_.seen) return;
    Tree fresh;
    if (exists) {
      std::string why = parse(bytes, &fresh);
      if (!why.empty()) {
        s_.loaded = false;
        fail(kRegistryCorrupt, "the registry file " + s_.path + " is corrupt: " + why);
        return;
      }
    }
    s_.tree = std::move(fresh);
    s_.seen = bytes;
    s_.seenFile = exists;
    s_.loaded = true;
  }

  std::int32_t fail(std::int32_t code, const std::string& problem) {
    code_ = code;
    s_.problem = problem;
    return code;
  }

  std::lock_guard<std::mutex> guard_;
  Store& s_;
  bool change_;
  int lockFd_ = -1;
  std::int32_t code_ = kRegistryOk;
};

}  // namespace

std::int32_t registryCreateKey(RegistryRoot root, const std::u16string& path) {
  Session session(true);
  if (!session.ok()) return session.code();
  createPath(&session.tree().roots[static_cast<int>(root)], splitPath(path));
  return session.commit();
}

bool registryKeyExists(RegistryRoot root, const std::u16string& path) {
  Session session(false);
  return session.ok() && find(session.tree(), root, path) != nullptr;
}

std::int32_t registrySetString(RegistryRoot root, const std::u16string& path,
                               const std::u16string& name, const std::u16string& value) {
  Session session(true);
  if (!session.ok()) return session.code();
  Key* key = find(session.tree(), root, path);
  if (key == nullptr) return kRegistryNotFound;
  key->values[name] = value;
  return session.commit();
}

bool registryGetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                       std::u16string* value) {
  Session session(false);
  if (!session.ok()) return false;
  Key* key = find(session.tree(), root, path);
  if (key == nullptr) return false;
  auto it = key->values.find(name);
  if (it == key->values.end()) return false;
  if (value != nullptr) *value = it->second;
  return true;
}

std::int32_t registryDeleteValue(RegistryRoot root, const std::u16string& path,
                                 const std::u16string& name) {
  Session session(true);
  if (!session.ok()) return session.code();
  Key* key = find(session.tree(), root, path);
  if (key == nullptr || key->values.erase(name) == 0) return kRegistryNotFound;
  return session.commit();
}

std::int32_t registryDeleteKey(RegistryRoot root, const std::u16string& path) {
  Session session(true);
  if (!session.ok()) return session.code();
  std::u16string name;
  Key* parent = findParent(session.tree(), root, path, &name);
  if (parent == nullptr) return kRegistryNotFound;
  auto it = parent->subkeys.find(name);
  if (it == parent->subkeys.end()) return kRegistryNotFound;
  if (!it->second->subkeys.empty()) return 5;  // ERROR_ACCESS_DENIED, as Windows answers
  parent->subkeys.erase(it);
  return session.commit();
}

std::int32_t registryDeleteTree(RegistryRoot root, const std::u16string& path) {
  Session session(true);
  if (!session.ok()) return session.code();
  std::u16string name;
  Key* parent = findParent(session.tree(), root, path, &name);
  if (parent == nullptr || parent->subkeys.erase(name) == 0) return kRegistryNotFound;
  return session.commit();
}

std::vector<std::u16string> registrySubkeys(RegistryRoot root, const std::u16string& path) {
  Session session(false);
  std::vector<std::u16string> names;
  if (!session.ok()) return names;
  Key* key = find(session.tree(), root, path);
  if (key == nullptr) return names;
  for (const auto& entry : key->subkeys) names.push_back(entry.second->name);
  return names;
}

void registryUseMemory() {
  std::lock_guard<std::mutex> guard(store().lock);
  choose(store(), std::string());
}

void registryUseFile(const std::string& path) {
  std::lock_guard<std::mutex> guard(store().lock);
  choose(store(), path);
}

std::string registryFilePath() {
  std::lock_guard<std::mutex> guard(store().lock);
  if (!store().chosen) choose(store(), registryDefaultFilePath());
  return store().path;
}

std::string registryProblem() {
  std::lock_guard<std::mutex> guard(store().lock);
  return store().problem;
}

}  // namespace vk::platform
