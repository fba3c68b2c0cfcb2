// Native file services over POSIX. Handles are file descriptors. Every open descriptor is
// registered with the access and share mode it was opened with, under the device and inode of
// its file; an open checks the new access and share mode against every handle already open on
// the same file, as Windows does, before it truncates anything. The registry is process-wide
// and guarded by one mutex, held from the open until the new handle is registered so that two
// threads cannot both pass the check. Other processes' opens are not seen.
#include "platform/file_services.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/code_page.h"
#include "platform/native/native_files.h"
#include "platform/system_message.h"
#include "platform/utf8.h"

namespace vk::platform {
namespace {

constexpr std::uint32_t kGenericAll = 0x10000000u;
constexpr std::uint32_t kErrorTooManyOpenFiles = 4;
constexpr std::uint32_t kErrorWriteProtect = 19;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorFileExists = 80;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorBusy = 170;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorFilenameTooLong = 206;
constexpr std::uint32_t kErrorCantResolveFilename = 1921;
constexpr std::uint32_t kVersionInfoSize = sizeof(OsVersionInfoA);
static_assert(sizeof(OsVersionInfoA) == 148, "OSVERSIONINFOA is 148 bytes");

// The most bytes one read or write system call is asked for.
constexpr std::size_t kMaxTransfer = 0x40000000;

struct OpenFile {
  dev_t device;
  ino_t inode;
  bool reads;
  bool writes;
  std::uint32_t shareMode;
};

std::mutex gRegistryMutex;
std::unordered_map<int, OpenFile> gOpenFiles;  // by descriptor

std::mutex gVersionMutex;
bool gVersionOverridden = false;
OsVersionInfoA gVersionOverride{};

thread_local std::uint64_t tCreateCalls = 0;

bool wantsRead(std::uint32_t access) { return (access & (kGenericRead | kGenericAll)) != 0; }
bool wantsWrite(std::uint32_t access) { return (access & (kGenericWrite | kGenericAll)) != 0; }

// Whether a new handle (reads, writes, share) may be opened beside an existing one.
bool compatible(const OpenFile& existing, bool reads, bool writes, std::uint32_t shareMode) {
  if (reads && (existing.shareMode & kFileShareRead) == 0) return false;
  if (writes && (existing.shareMode & kFileShareWrite) == 0) return false;
  if (existing.reads && (shareMode & kFileShareRead) == 0) return false;
  if (existing.writes && (shareMode & kFileShareWrite) == 0) return false;
  return true;
}

bool directoryExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Windows tells a missing file (2) from a missing directory on the way to it (3).
std::uint32_t missingEntryError(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return kErrorFileNotFound;
  std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
  return directoryExists(parent) ? kErrorFileNotFound : kErrorPathNotFound;
}

}  // namespace

std::uint32_t win32ErrorFor(int error, const std::string& path) {
  switch (error) {
    case ENOENT: return missingEntryError(path);
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    case EROFS: return kErrorWriteProtect;
    case EEXIST: return kErrorFileExists;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case EINVAL: return kErrorInvalidParameter;
    case ELOOP: return kErrorCantResolveFilename;
    case EFBIG: return kErrorFileTooLarge;
    case EBADF: return kErrorInvalidHandle;
    case ENOMEM: return kErrorNotEnoughMemory;
    case ETXTBSY: return kErrorSharingViolation;
    case EBUSY: return kErrorBusy;
    default: return kErrorGenFailure;
  }
}

bool isOpenInProcess(dev_t device, ino_t inode) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  for (const auto& entry : gOpenFiles) {
    if (entry.second.device == device && entry.second.inode == inode) return true;
  }
  return false;
}

namespace {

// The registered entry of a handle, or null (with the last error set) for one not open.
// Called with the registry locked.
const OpenFile* registeredFile(FileHandle file) {
  if (file < 0 || file > INT32_MAX) return withLastError(kErrorInvalidHandle, nullptr);
  auto found = gOpenFiles.find(static_cast<int>(file));
  if (found == gOpenFiles.end()) return withLastError(kErrorInvalidHandle, nullptr);
  return &found->second;
}

bool isOpen(FileHandle file) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  return registeredFile(file) != nullptr;
}

int openRetryingInterrupts(const char* path, int flags) {
  int fd;
  do { fd = ::open(path, flags, 0666); } while (fd < 0 && errno == EINTR);
  return fd;
}

FileHandle createFileUtf8(const std::string& path, std::uint32_t access, std::uint32_t shareMode,
                          std::uint32_t disposition) {
  if (path.empty()) return withLastError(kErrorPathNotFound, kInvalidFileHandle);
  bool reads = wantsRead(access);
  bool writes = wantsWrite(access);
  int flags = O_CLOEXEC | O_NOCTTY | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
  bool mayCreate = false;
  bool mustCreate = false;
  bool truncate = false;
  switch (disposition) {
    case kCreateNew: mustCreate = true; break;
    case kCreateAlways:
      mayCreate = true;
      truncate = true;
      break;
    case kOpenExisting: break;
    case kOpenAlways: mayCreate = true; break;
    case kTruncateExisting:
      if (!writes) return withLastError(kErrorInvalidParameter, kInvalidFileHandle);
      truncate = true;
      break;
    default: setLastErrorCode(kErrorInvalidParameter); return kInvalidFileHandle;
  }

  std::lock_guard<std::mutex> lock(gRegistryMutex);
  int fd = -1;
  bool created = false;
  if (mustCreate || mayCreate) {
    fd = openRetryingInterrupts(path.c_str(), flags | O_CREAT | O_EXCL);
    created = fd >= 0;
    if (fd < 0 && errno == EEXIST && mayCreate) fd = openRetryingInterrupts(path.c_str(), flags);
  } else {
    fd = openRetryingInterrupts(path.c_str(), flags);
  }
  if (fd < 0) return withLastError(win32ErrorFor(errno, path), kInvalidFileHandle);

  struct stat info;
  if (::fstat(fd, &info) != 0) {
    std::uint32_t error = win32ErrorFor(errno, path);
    ::close(fd);
    return withLastError(error, kInvalidFileHandle);
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(fd);
    return withLastError(kErrorAccessDenied, kInvalidFileHandle);
  }
  for (const auto& entry : gOpenFiles) {
    const OpenFile& other = entry.second;
    if (other.device == info.st_dev && other.inode == info.st_ino &&
        !compatible(other, reads, writes, shareMode)) {
      ::close(fd);
      if (created) ::unlink(path.c_str());
      return withLastError(kErrorSharingViolation, kInvalidFileHandle);
    }
  }
  // Truncation comes only after the share check: a refused open leaves the file as it was.
  if (truncate && !created && S_ISREG(info.st_mode) && ::ftruncate(fd, 0) != 0) {
    std::uint32_t error = win32ErrorFor(errno, path);
    ::close(fd);
    return withLastError(error, kInvalidFileHandle);
  }
  gOpenFiles[fd] = OpenFile{info.st_dev, info.st_ino, reads, writes, shareMode};
  bool existed = !created && (disposition == kCreateAlways || disposition == kOpenAlways);
  return withLastError(existed ? kErrorAlreadyExists : kErrorSuccess, fd);
}

}  // namespace

std::string utf8FromWide(const char16_t* name) {
  std::size_t units = 0;
  while (name[units] != 0) ++units;
  return utf8::fromUtf16(name, units);
}

namespace {

// The process's current directory as the file system names it (UTF-8).
bool currentDirectoryUtf8(std::string* path) {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(&buffer[0], buffer.size()) != nullptr) {
      buffer.resize(std::strlen(buffer.c_str()));
      *path = buffer;
      return true;
    }
    if (errno != ERANGE || buffer.size() > (1u << 20)) {
      return withLastError(win32ErrorFor(errno, buffer), false);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

FileHandle createFileA(const char* name, std::uint32_t access, std::uint32_t shareMode,
                       std::uint32_t disposition, std::uint32_t /*attributes*/) {
  ++tCreateCalls;
  if (name == nullptr || name[0] == 0) return withLastError(kErrorPathNotFound, kInvalidFileHandle);
  // The name must come back from UTF-16 as it went in: a byte that the ANSI code page does
  // not map (or that its conversion drops) would otherwise open some other name.
  std::size_t length = std::strlen(name);
  std::u16string wide;
  ansiToWide(name, length, &wide);
  std::string back;
  wideToAnsi(wide.data(), wide.size(), &back);
  if (wide.empty() || back.size() != length || std::memcmp(back.data(), name, length) != 0) {
    return withLastError(kErrorInvalidName, kInvalidFileHandle);
  }
  return createFileUtf8(utf8::fromUtf16(wide), access, shareMode, disposition);
}

FileHandle createFileW(const char16_t* name, std::uint32_t access, std::uint32_t shareMode,
                       std::uint32_t disposition, std::uint32_t /*attributes*/) {
  ++tCreateCalls;
  if (name == nullptr || name[0] == 0) return withLastError(kErrorPathNotFound, kInvalidFileHandle);
  return createFileUtf8(utf8FromWide(name), access, shareMode, disposition);
}

std::uint32_t getFileSize(FileHandle file, std::uint32_t* high) {
  if (!isOpen(file)) return kInvalidFileSize;
  struct stat info;
  if (::fstat(static_cast<int>(file), &info) != 0) {
    return withLastError(win32ErrorFor(errno), kInvalidFileSize);
  }
  auto size = static_cast<std::uint64_t>(info.st_size);
  if (high != nullptr) *high = static_cast<std::uint32_t>(size >> 32);
  return withLastError(kErrorSuccess, static_cast<std::uint32_t>(size));
}

bool readFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  if (!isOpen(file)) return false;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    std::size_t ask = std::min<std::size_t>(count - done, kMaxTransfer);
    ssize_t got = ::read(static_cast<int>(file), out + done, ask);
    if (got < 0) {
      if (errno == EINTR) continue;
      setLastErrorCode(win32ErrorFor(errno));
      if (bytesRead != nullptr) *bytesRead = done;
      return false;
    }
    if (got == 0) break;  // end of file
    done += static_cast<std::uint32_t>(got);
  }
  if (bytesRead != nullptr) *bytesRead = done;
  return withLastError(kErrorSuccess, true);
}

bool writeFile(FileHandle file, const void* bytes, std::uint32_t count, std::uint32_t* bytesWritten) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  if (!isOpen(file)) return false;
  const auto* in = static_cast<const std::uint8_t*>(bytes);
  std::uint32_t done = 0;
  while (done < count) {
    std::size_t ask = std::min<std::size_t>(count - done, kMaxTransfer);
    ssize_t put = ::write(static_cast<int>(file), in + done, ask);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      setLastErrorCode(put == 0 ? kErrorDiskFull : win32ErrorFor(errno));
      if (bytesWritten != nullptr) *bytesWritten = done;
      return false;
    }
    done += static_cast<std::uint32_t>(put);
  }
  if (bytesWritten != nullptr) *bytesWritten = done;
  return withLastError(kErrorSuccess, true);
}

namespace {

// flock, retried when a signal interrupts the wait.
int lockFile(int fd, int operation) {
  int result;
  do { result = ::flock(fd, operation); } while (result != 0 && errno == EINTR);
  return result;
}

}  // namespace

bool appendFile(FileHandle file, const void* bytes, std::uint32_t count, std::uint32_t* bytesWritten) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  if (!isOpen(file)) return false;
  int fd = static_cast<int>(file);
  // O_APPEND puts every write at the end as the file is at that moment; the lock keeps the
  // writes of one record together when the system takes fewer bytes than asked and the loop
  // writes the rest. A file that takes no lock (a FIFO on some systems) is written unlocked.
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ((flags & O_APPEND) == 0 && ::fcntl(fd, F_SETFL, flags | O_APPEND) != 0)) {
    return withLastError(win32ErrorFor(errno), false);
  }
  bool locked = lockFile(fd, LOCK_EX) == 0;
  bool ok = writeFile(file, bytes, count, bytesWritten);
  std::uint32_t error = lastErrorCode();
  if (locked) lockFile(fd, LOCK_UN);
  return withLastError(error, ok);
}

bool flushFileBuffers(FileHandle file) {
  if (!isOpen(file)) return false;
  int fd = static_cast<int>(file);
  int result;
  do { result = ::fsync(fd); } while (result != 0 && errno == EINTR);
  // Objects that keep nothing to flush (a pipe, a terminal) answer EINVAL: nothing is lost.
  if (result != 0 && errno != EINVAL) return withLastError(win32ErrorFor(errno), false);
  return withLastError(kErrorSuccess, true);
}

std::uint32_t getFileType(FileHandle file) {
  if (!isOpen(file)) return kFileTypeUnknown;
  struct stat info;
  if (::fstat(static_cast<int>(file), &info) != 0) {
    return withLastError(win32ErrorFor(errno), kFileTypeUnknown);
  }
  setLastErrorCode(kErrorSuccess);
  if (S_ISREG(info.st_mode)) return kFileTypeDisk;
  if (S_ISCHR(info.st_mode)) return kFileTypeChar;
  if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return kFileTypePipe;
  return kFileTypeUnknown;
}

std::uint32_t setFilePointer(FileHandle file, std::int32_t distance, std::int32_t* distanceHigh,
                             std::uint32_t moveMethod) {
  if (!isOpen(file)) return kInvalidFileSize;
  int whence = moveMethod == kFileBegin     ? SEEK_SET
               : moveMethod == kFileCurrent ? SEEK_CUR
               : moveMethod == kFileEnd     ? SEEK_END
                                            : -1;
  if (whence < 0) return withLastError(kErrorInvalidParameter, kInvalidFileSize);
  std::int64_t offset = distance;
  if (distanceHigh != nullptr) {
    offset = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
        static_cast<std::uint32_t>(distance));
  }
  off_t position = ::lseek(static_cast<int>(file), static_cast<off_t>(offset), whence);
  if (position < 0) return withLastError(win32ErrorFor(errno), kInvalidFileSize);
  auto unsignedPosition = static_cast<std::uint64_t>(position);
  if (distanceHigh != nullptr) { *distanceHigh = static_cast<std::int32_t>(unsignedPosition >> 32); }
  return withLastError(kErrorSuccess, static_cast<std::uint32_t>(unsignedPosition));
}

bool closeHandle(FileHandle file) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  if (registeredFile(file) == nullptr) return false;
  int fd = static_cast<int>(file);
  gOpenFiles.erase(fd);
  ::close(fd);
  return true;
}

void sleepMilliseconds(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint32_t getCurrentDirectoryW(std::uint32_t size, char16_t* buffer) {
  std::string path;
  if (!currentDirectoryUtf8(&path)) return 0;
  std::u16string wide;
  utf8::toUtf16(path.data(), path.size(), &wide);
  auto units = static_cast<std::uint32_t>(wide.size());
  if (buffer == nullptr || size <= units) return units + 1;
  if (units > 0) std::memcpy(buffer, wide.data(), std::size_t{units} * 2);
  buffer[units] = 0;
  return units;
}

std::uint32_t getCurrentDirectoryA(std::uint32_t size, char* buffer) {
  std::string path;
  if (!currentDirectoryUtf8(&path)) return 0;
  std::u16string wide;
  utf8::toUtf16(path.data(), path.size(), &wide);
  std::string ansi;
  wideToAnsi(wide.data(), wide.size(), &ansi);
  auto bytes = static_cast<std::uint32_t>(ansi.size());
  if (buffer == nullptr || size <= bytes) return bytes + 1;
  if (bytes > 0) std::memcpy(buffer, ansi.data(), bytes);
  buffer[bytes] = 0;
  return bytes;
}

bool getVersionExA(OsVersionInfoA* info) {
  if (info == nullptr || info->dwOSVersionInfoSize != kVersionInfoSize) {
    return withLastError(kErrorInsufficientBuffer, false);
  }
  std::lock_guard<std::mutex> lock(gVersionMutex);
  if (gVersionOverridden) {
    *info = gVersionOverride;
  } else {
    *info = OsVersionInfoA{};
    info->dwMajorVersion = 10;
    info->dwMinorVersion = 0;
    info->dwBuildNumber = 19045;
    info->dwPlatformId = kVerPlatformWin32Nt;
  }
  info->dwOSVersionInfoSize = kVersionInfoSize;
  return true;
}

void overrideVersionInfo(const OsVersionInfoA* info) {
  std::lock_guard<std::mutex> lock(gVersionMutex);
  gVersionOverridden = info != nullptr;
  if (info != nullptr) gVersionOverride = *info;
}

std::uint64_t createFileCallCount() { return tCreateCalls; }

}  // namespace vk::platform
