// What the native file services share among their files: the Win32 error code for an errno,
// the way a service answers a failure, file names from UTF-16, and the in-process register of
// open handles.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "platform/system_message.h"

namespace vk::platform {

// The Win32 error code that stands for a POSIX errno met on `path` (a path is needed only to
// tell a missing file from a missing folder).
std::uint32_t win32ErrorFor(int error, const std::string& path = std::string());

// Sets the calling thread's last error to `error` and answers `result`: how a service that
// fails (or succeeds, with kErrorSuccess) leaves its answer, in one statement.
template <typename T>
T withLastError(std::uint32_t error, T result) {
  setLastErrorCode(error);
  return result;
}

// A zero-terminated UTF-16 file name as the file system takes it (UTF-8).
std::string utf8FromWide(const char16_t* name);
// Whether a handle of this process is open on the file (device, inode).
bool isOpenInProcess(dev_t device, ino_t inode);

}  // namespace vk::platform
