// Replacing a file whole over POSIX: the bytes go to a new file beside the target, which is
// flushed, given the target's permission bits (and owner, where the process may) and renamed
// over the target. rename() is atomic within a file system, so a reader sees the old bytes or
// the new ones and a failed write leaves the old file as it was.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/file_services.h"
#include "platform/native/native_files.h"
#include "platform/system_message.h"

namespace vk::platform {
namespace {

// The file mode a new file gets from open(..., 0666): 0666 without the process's umask. The
// umask is read from /proc, since umask() would have to change it to read it.
mode_t newFileMode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "Umask:") == 0) {
      return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
  }
  return 0644;
}

bool writeAll(int fd, const void* bytes, std::uint32_t count) {
  const auto* in = static_cast<const std::uint8_t*>(bytes);
  std::uint32_t done = 0;
  while (done < count) {
    ssize_t put = ::write(fd, in + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<std::uint32_t>(put);
  }
  return true;
}

int syncRetrying(int fd) {
  int result;
  do { result = ::fsync(fd); } while (result != 0 && errno == EINTR);
  return result;
}

// Gives up a new file that will not replace the target, keeping the errno that says why.
ReplaceOutcome abandon(int fd, const std::string& temporary, const std::string& path) {
  int error = errno;
  if (fd >= 0) ::close(fd);
  ::unlink(temporary.c_str());
  return withLastError(win32ErrorFor(error, path), ReplaceOutcome::Failed);
}

}  // namespace

ReplaceOutcome writeFileReplacing(const char16_t* name, const void* bytes, std::uint32_t count) {
  if (name == nullptr || name[0] == 0) return withLastError(kErrorPathNotFound, ReplaceOutcome::Failed);
  std::string path = utf8FromWide(name);
  struct stat target;
  bool exists = ::lstat(path.c_str(), &target) == 0;
  if (!exists && errno != ENOENT) return ReplaceOutcome::NotApplicable;
  if (exists && S_ISLNK(target.st_mode)) {
    // The file the link names is replaced; a link to nothing is left to the plain write.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return ReplaceOutcome::NotApplicable;
    path = resolved;
    if (::stat(path.c_str(), &target) != 0) return ReplaceOutcome::NotApplicable;
  }
  if (exists && (!S_ISREG(target.st_mode) || target.st_nlink > 1)) { return ReplaceOutcome::NotApplicable; }
  // A file the process may not write stays as it is, as a write in place would refuse it,
  // though the folder would take the new file.
  if (exists && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    return withLastError(win32ErrorFor(errno, path), ReplaceOutcome::Failed);
  }
  if (exists && isOpenInProcess(target.st_dev, target.st_ino)) {
    return withLastError(kErrorSharingViolation, ReplaceOutcome::Failed);
  }

  std::size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? std::string(".")
                       : slash == 0               ? std::string("/")
                                                  : path.substr(0, slash);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  // Hidden, and named after the target, so a file left by a machine that stopped mid-write
  // says whose it was.
  std::string temporary = folder + "/." + base + ".vk-XXXXXX";
  // Made readable by the owner alone until it takes the target's bits, so the new bytes of a
  // private file are never open to others.
  int fd = ::mkostemp(&temporary[0], O_CLOEXEC);
  if (fd < 0) {
    // No room for a new file is a failure: a write in place would fail as well, after
    // truncating the target. Any other refusal (a folder without write permission, a
    // read-only or missing folder) leaves the target to the write in place, which is the only
    // way the caller may still change it, or which reports why it cannot.
    if (errno != ENOSPC && errno != EDQUOT) return ReplaceOutcome::NotApplicable;
    return withLastError(win32ErrorFor(errno, path), ReplaceOutcome::Failed);
  }
  if (bytes != nullptr && count > 0 && !writeAll(fd, bytes, count)) { return abandon(fd, temporary, path); }
  mode_t mode = exists ? (target.st_mode & 07777) : newFileMode();
  if (::fchmod(fd, mode) != 0) return abandon(fd, temporary, path);
  // Only a privileged process may give a file away; for others the new file is theirs.
  if (exists && (target.st_uid != ::geteuid() || target.st_gid != ::getegid())) {
    if (::fchown(fd, target.st_uid, target.st_gid) != 0 && errno != EPERM) {
      return abandon(fd, temporary, path);
    }
  }
  if (syncRetrying(fd) != 0) return abandon(fd, temporary, path);
  if (::close(fd) != 0) return abandon(-1, temporary, path);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return abandon(-1, temporary, path);
  // The rename itself is made durable with the folder's entry.
  int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    syncRetrying(directory);
    ::close(directory);
  }
  return withLastError(kErrorSuccess, ReplaceOutcome::Replaced);
}

}  // namespace vk::platform
