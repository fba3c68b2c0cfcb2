// The native registry: one tree per predefined root (registry_file.h), guarded by a lock.
//
// The tree lives either in the process only or in a file that every process on the machine
// using the same file shares (so a registration made by one process is seen by the next). In
// file mode each operation takes an advisory lock on "<file>.lock" (shared to read, exclusive
// to change), reloads the tree when the file's bytes differ from what this process last saw,
// and after a change writes the whole tree to "<file>.tmp.<pid>" and renames it over the file,
// so a reader never meets half a file and two writers never lose each other's changes. A
// change group (RegistryChangeGroup) keeps the exclusive lock from its first change to its end
// and writes the file once, then. A file that cannot be read as registry_file.cpp describes is
// refused: every operation fails with kRegistryCorrupt and the file is left as it is.
//
// Reading needs no more than read access to the file: when this user cannot open the lock
// for writing (a registry owned by another user, a system one), a reader shares the lock
// opened read-only, or reads without it, and a change fails with kRegistryAccessDenied.
//
// A second store holds the machine registry, which lookups outside a change group fall back on
// when the per-user file does not answer them (see registry.h); it is only ever read here.
#include "platform/registry.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/native/registry_file.h"

namespace vk::platform {
namespace {

using registry_file::Key;
using registry_file::Tree;
using registry_file::splitPath;

constexpr char kMemoryName[] = ":memory:";

// The key reached from the root through the names in `parts`; null when one is missing.
Key* walk(Tree& tree, RegistryRoot root, const std::vector<std::u16string>& parts) {
  Key* key = &tree.roots[static_cast<int>(root)];
  for (const std::u16string& part : parts) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

Key* find(Tree& tree, RegistryRoot root, const std::u16string& path) {
  return walk(tree, root, splitPath(path));
}

// The parent of the key at `path` and the key's own name; null parent when it is missing.
Key* findParent(Tree& tree, RegistryRoot root, const std::u16string& path, std::u16string* name) {
  std::vector<std::u16string> parts = splitPath(path);
  if (parts.empty()) return nullptr;
  *name = parts.back();
  parts.pop_back();
  return walk(tree, root, parts);
}

// ---- The store ----

struct Store {
  std::recursive_mutex lock;  // recursive: a change group holds it across its operations
  bool chosen = false;
  std::string path;  // empty: the tree lives in this process only
  Tree tree;
  bool loaded = false;    // the tree holds what `seen` says
  bool seenFile = false;  // whether the file existed then (an empty file is not a missing one)
  std::string seen;       // the file's bytes as last read or written by this process
  std::string problem;
  std::int32_t problemCode = kRegistryOk;
  // The change group in progress: how many are open, the file lock it holds from its first
  // change to its end, whether the tree has changes not yet written, and its first failure.
  int groupDepth = 0;
  int groupLockFd = -1;
  bool groupChanged = false;
  std::int32_t groupFailure = kRegistryOk;
};

Store& store() {
  static Store* s = new Store;  // never destroyed: other statics' destructors may still use it
  return *s;
}

// The machine registry, read only; an empty path (the tree empty) when there is none.
Store& machineStore() {
  static Store* s = new Store;
  return *s;
}

std::string systemError(const std::string& what, const std::string& path, int error) {
  return what + " " + path + ": " + std::strerror(error);
}

// Whether a system error means this user may not write there (rather than that it failed).
bool isPermissionError(int error) { return error == EACCES || error == EPERM || error == EROFS; }

std::string changeDenied(const std::string& path, const std::string& what, int error) {
  return "the registry file " + path + " cannot be changed by this user: " + what + ": " +
         std::strerror(error);
}

std::int32_t refuse(Store& s, std::int32_t code, const std::string& problem) {
  s.problem = problem;
  s.problemCode = code;
  if (s.groupDepth > 0 && s.groupFailure == kRegistryOk) s.groupFailure = code;
  return code;
}

// Writes the tree to "<file>.tmp.<pid>" and renames that over the file; on a failure the file
// is left as it was and the next operation reads it again.
std::int32_t writeTree(Store& s) {
  std::string bytes = registry_file::serialize(s.tree);
  if (s.loaded && s.seenFile && bytes == s.seen) return kRegistryOk;
  std::string temp = s.path + ".tmp." + std::to_string(getpid());
  unlink(temp.c_str());  // left behind by an earlier process with this id
  int error = 0;
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) error = errno;
  for (std::size_t done = 0; error == 0 && done < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    else if (n == 0) error = EIO;
    else done += static_cast<std::size_t>(n);
  }
  // The data reaches the disk before the rename makes it the registry.
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (fd >= 0 && close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temp.c_str(), s.path.c_str()) != 0) error = errno;
  if (error != 0) {
    if (fd >= 0) unlink(temp.c_str());
    s.loaded = false;
    if (isPermissionError(error)) {
      return refuse(s, kRegistryAccessDenied, changeDenied(s.path, "it cannot be replaced", error));
    }
    return refuse(s, kRegistryIoFailed, systemError("cannot write the registry file", s.path, error));
  }
  s.seen = std::move(bytes);
  s.seenFile = true;
  s.loaded = true;
  return kRegistryOk;
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
  if (s.groupLockFd >= 0) close(s.groupLockFd);  // a group's unwritten changes belong to the old place
  s.groupLockFd = -1;
  s.groupChanged = false;
  s.chosen = true;
  s.path = path;
  s.tree = Tree();
  s.loaded = path.empty();
  s.seenFile = false;
  s.seen.clear();
  s.problem.clear();
  s.problemCode = kRegistryOk;
}

void chooseMachine(const std::string& path) {
  Store& m = machineStore();
  std::lock_guard<std::recursive_mutex> guard(m.lock);
  choose(m, path);
}

// The choice the environment makes: VK_REGISTRY alone, or the per-user file over the machine
// registry.
void chooseDefault(Store& s) {
  choose(s, registryDefaultFilePath());
  const char* named = std::getenv("VK_REGISTRY");
  chooseMachine(named != nullptr && *named != 0 ? std::string() : registryMachineFilePath());
}

// Makes the folders on the way to `path` (like mkdir -p of its parent).
void makeParents(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0755);
  }
}

// One operation on the store: holds the process's lock and, for a file, the file lock, with
// the tree brought up to date. `ok` is false (and `code` says why) when the file cannot be used.
// Within a change group that already holds the file lock the tree is current as it is: no
// other process can have changed the file.
class Session {
 public:
  explicit Session(bool change, Store& s = store()) : guard_(s.lock), s_(s), change_(change) {
    if (!s_.chosen) {
      if (&s_ == &store()) chooseDefault(s_);
      else choose(s_, std::string());
    }
    s_.problem.clear();
    s_.problemCode = kRegistryOk;
    if (s_.path.empty() || s_.groupLockFd >= 0) return;
    if (change_ ? lockForChange() : lockForReading()) load();
    if (ok() && change_ && s_.groupDepth > 0) {
      // The group keeps the lock to its end, when its changes are written at once.
      s_.groupLockFd = lockFd_;
      lockFd_ = -1;
    }
  }

  ~Session() {
    if (lockFd_ >= 0) close(lockFd_);  // closing drops the lock
  }

  bool ok() const { return code_ == kRegistryOk; }
  std::int32_t code() const { return code_; }
  Tree& tree() { return s_.tree; }

  // Writes the changed tree to the file (in a change group, when the group ends).
  std::int32_t commit() {
    if (s_.path.empty() || !ok()) return code_;
    if (s_.groupLockFd >= 0) {
      s_.groupChanged = true;
      return kRegistryOk;
    }
    return code_ = writeTree(s_);
  }

  std::int32_t fail(std::int32_t code, const std::string& problem) {
    code_ = code;
    return refuse(s_, code, problem);
  }

 private:
  // Takes "<file>.lock" exclusively, making the folders on the way when they are missing.
  bool lockForChange() {
    std::string lockPath = s_.path + ".lock";
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0 && errno == ENOENT) {
      makeParents(s_.path);
      lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    }
    if (lockFd_ < 0) {
      int error = errno;
      if (isPermissionError(error)) {
        fail(kRegistryAccessDenied,
             changeDenied(s_.path, "its lock " + lockPath + " cannot be opened for writing", error));
      } else {
        fail(kRegistryIoFailed, systemError("cannot open the registry lock", lockPath, error));
      }
      return false;
    }
    // The file is replaced by a rename in its folder: a folder this user cannot write refuses
    // every change, even one that would leave the file's bytes as they are.
    std::size_t slash = s_.path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : s_.path.substr(0, slash);
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) != 0) {
      int error = errno;
      if (isPermissionError(error)) {
        fail(kRegistryAccessDenied,
             changeDenied(s_.path, "its folder " + folder + " is not writable", error));
        return false;
      }
    }
    return lockWait(LOCK_EX, lockPath);
  }

  // Takes "<file>.lock" shared; false when there is nothing to load.
  bool lockForReading() {
    std::string lockPath = s_.path + ".lock";
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0 && isPermissionError(errno)) {
      // A registry this user may only read (another user's, a system one): share its lock when
      // that can be opened for reading, else read without it. The file is only ever replaced
      // whole, by a rename, so a reader meets one version or the other, never half of one.
      lockFd_ = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
      if (lockFd_ < 0) return true;
    }
    if (lockFd_ < 0) {
      int error = errno;
      if (error == ENOENT) {
        // Without its folder there is no file to read either: an empty registry.
        s_.tree = Tree();
        s_.loaded = true;
        s_.seenFile = false;
        s_.seen.clear();
      } else {
        fail(kRegistryIoFailed, systemError("cannot open the registry lock", lockPath, error));
      }
      return false;
    }
    return lockWait(LOCK_SH, lockPath);
  }

  bool lockWait(int how, const std::string& lockPath) {
    while (flock(lockFd_, how) != 0) {
      if (errno != EINTR) {
        fail(kRegistryIoFailed, systemError("cannot lock", lockPath, errno));
        return false;
      }
    }
    return true;
  }

  void load() {
    std::string bytes;
    int fd = open(s_.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      if (errno != ENOENT) {
        fail(kRegistryIoFailed, systemError("cannot read the registry file", s_.path, errno));
        return;
      }
    } else {
      char buffer[65536];
      while (true) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
          std::string why = systemError("cannot read the registry file", s_.path, errno);
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
      std::string why = registry_file::parse(bytes, &fresh);
      if (!why.empty()) {
        s_.loaded = false;
        fail(kRegistryCorrupt, "the registry file " + s_.path + " is corrupt: " + why);
        return;
      }
    }
    s_.tree = std::move(fresh);
    s_.seen = std::move(bytes);
    s_.seenFile = exists;
    s_.loaded = true;
  }

  std::lock_guard<std::recursive_mutex> guard_;
  Store& s_;
  bool change_;
  int lockFd_ = -1;
  std::int32_t code_ = kRegistryOk;
};

}  // namespace

namespace {

// Runs `look` on the machine registry's tree; false when there is none, when a change group is
// open (a group reads only the registry it changes), or when it cannot be read, which is then
// the per-user registry's problem to report: a lookup never passes over it silently.
template <typename Look>
bool lookInMachine(Look look) {
  Store& primary = store();
  {
    std::lock_guard<std::recursive_mutex> guard(primary.lock);
    if (primary.groupDepth > 0) return false;
  }
  bool found = false;
  std::int32_t code;
  std::string problem;
  {
    Session session(false, machineStore());
    if (session.ok()) found = look(session.tree());
    code = machineStore().problemCode;
    problem = machineStore().problem;
  }
  if (code != kRegistryOk) {
    std::lock_guard<std::recursive_mutex> guard(primary.lock);
    primary.problem = problem;
    primary.problemCode = code;
  }
  return found;
}

bool getValue(Tree& tree, RegistryRoot root, const std::u16string& path, const std::u16string& name,
              std::u16string* value) {
  Key* key = find(tree, root, path);
  if (key == nullptr) return false;
  auto it = key->values.find(name);
  if (it == key->values.end()) return false;
  if (value != nullptr) *value = it->second;
  return true;
}

}  // namespace

std::int32_t registryCreateKey(RegistryRoot root, const std::u16string& path) {
  Session session(true);
  if (!session.ok()) return session.code();
  std::vector<std::u16string> parts = splitPath(path);
  if (parts.size() > kRegistryMaxDepth) {
    return session.fail(kRegistryTooDeep, "a key nested " + std::to_string(parts.size()) +
                                              " keys deep is refused: keys nest at most " +
                                              std::to_string(kRegistryMaxDepth) + " deep");
  }
  registry_file::createPath(&session.tree().roots[static_cast<int>(root)], parts);
  return session.commit();
}

bool registryKeyExists(RegistryRoot root, const std::u16string& path) {
  {
    Session session(false);
    if (!session.ok()) return false;
    if (find(session.tree(), root, path) != nullptr) return true;
  }
  return lookInMachine([&](Tree& tree) { return find(tree, root, path) != nullptr; });
}

std::int32_t registrySetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                               const std::u16string& value) {
  Session session(true);
  if (!session.ok()) return session.code();
  Key* key = find(session.tree(), root, path);
  if (key == nullptr) return kRegistryNotFound;
  key->values[name] = value;
  return session.commit();
}

bool registryGetString(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                       std::u16string* value) {
  {
    Session session(false);
    if (!session.ok()) return false;
    if (getValue(session.tree(), root, path, name, value)) return true;
  }
  return lookInMachine([&](Tree& tree) { return getValue(tree, root, path, name, value); });
}

std::int32_t registryDeleteValue(RegistryRoot root, const std::u16string& path, const std::u16string& name) {
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
  std::vector<std::u16string> names;
  std::set<std::u16string, registry_file::NoCaseLess> seen;
  {
    Session session(false);
    if (!session.ok()) return names;
    if (Key* key = find(session.tree(), root, path)) {
      for (const auto& entry : key->subkeys) {
        names.push_back(entry.second->name);
        seen.insert(entry.first);
      }
    }
  }
  // The machine's subkeys the per-user registry lacks follow its own, in their order.
  lookInMachine([&](Tree& tree) {
    if (Key* key = find(tree, root, path)) {
      for (const auto& entry : key->subkeys) {
        if (seen.count(entry.first) == 0) names.push_back(entry.second->name);
      }
    }
    return false;
  });
  return names;
}

RegistryChangeGroup::RegistryChangeGroup() {
  Store& s = store();
  s.lock.lock();  // held to the group's end: other threads' operations wait for it
  if (s.groupDepth++ == 0) {
    s.groupChanged = false;
    s.groupFailure = kRegistryOk;
  }
}

RegistryChangeGroup::~RegistryChangeGroup() {
  if (!finished_) finish();
}

std::int32_t RegistryChangeGroup::finish() {
  if (finished_) return kRegistryOk;
  finished_ = true;
  Store& s = store();
  std::int32_t written = kRegistryOk;
  if (--s.groupDepth == 0 && s.groupLockFd >= 0) {
    if (s.groupChanged) written = writeTree(s);
    close(s.groupLockFd);
    s.groupLockFd = -1;
    s.groupChanged = false;
  }
  std::int32_t code = s.groupFailure != kRegistryOk ? s.groupFailure : written;
  s.lock.unlock();
  return code;
}

void registryUseMemory() {
  std::lock_guard<std::recursive_mutex> guard(store().lock);
  choose(store(), std::string());
  chooseMachine(std::string());
}

void registryUseFile(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(store().lock);
  choose(store(), path);
  chooseMachine(std::string());
}

void registryUseMachineFile(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(store().lock);
  if (!store().chosen) chooseDefault(store());
  chooseMachine(path);
}

std::string registryFilePath() {
  std::lock_guard<std::recursive_mutex> guard(store().lock);
  if (!store().chosen) chooseDefault(store());
  return store().path;
}

std::string registryProblem() {
  std::lock_guard<std::recursive_mutex> guard(store().lock);
  return store().problem;
}

std::int32_t registryProblemCode() {
  std::lock_guard<std::recursive_mutex> guard(store().lock);
  return store().problemCode;
}

}  // namespace vk::platform
