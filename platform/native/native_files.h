// What the native file services share among their files: the Win32 error code for an errno,
// file names from UTF-16, and the in-process register of open handles.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace vk::platform {

// The Win32 error code that stands for a POSIX errno met on `path`.
std::uint32_t win32ErrorFor(int error, const std::string& path);
// A zero-terminated UTF-16 file name as the file system takes it (UTF-8).
std::string utf8FromWide(const char16_t* name);
// Whether a handle of this process is open on the file (device, inode).
bool isOpenInProcess(dev_t device, ino_t inode);

}  // namespace vk::platform
