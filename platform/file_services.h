// The file services the file layer calls, in the shape of the Win32 file API: a narrow
// interface whose names are in the process's ANSI code page and a wide interface whose names
// are UTF-16, opened with an access mask, share modes and a creation disposition; whole reads
// and writes through a handle; the current directory; the operating-system version.
//
// Failures answer the invalid handle (or false, or 0) and set the calling thread's last error
// code (platform/system_message.h) in the Win32 numbering: 2 file not found, 3 path not found,
// 5 access denied, 32 sharing violation, 123 bad name, ...
//
// Natively the file system takes UTF-8 names: a narrow name is converted from the ANSI code
// page and a wide name from UTF-16 before the open. A narrow name with a byte that the ANSI
// code page does not map is refused (123) rather than opened under another name. Share modes
// are kept among the handles of this process: every open handle is registered with its access
// and share mode under the file's device and inode, and an open that conflicts with a handle
// already open on the same file fails with the sharing violation, exactly as Windows decides
// it. Opens by other processes are not seen.
#pragma once
#include <cstdint>

namespace vk::platform {

// A handle of an open file; kInvalidFileHandle (all ones) means no file.
using FileHandle = std::intptr_t;
constexpr FileHandle kInvalidFileHandle = -1;

// Access rights.
constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
// Share modes: what other handles on the same file may do while this one is open.
constexpr std::uint32_t kFileShareRead = 0x1;
constexpr std::uint32_t kFileShareWrite = 0x2;
constexpr std::uint32_t kFileShareDelete = 0x4;
// Creation dispositions.
constexpr std::uint32_t kCreateNew = 1;
constexpr std::uint32_t kCreateAlways = 2;
constexpr std::uint32_t kOpenExisting = 3;
constexpr std::uint32_t kOpenAlways = 4;
constexpr std::uint32_t kTruncateExisting = 5;
constexpr std::uint32_t kFileAttributeNormal = 0x80;
// Move methods of setFilePointer.
constexpr std::uint32_t kFileBegin = 0;
constexpr std::uint32_t kFileCurrent = 1;
constexpr std::uint32_t kFileEnd = 2;
// What getFileSize and setFilePointer answer on failure (check the last error as well).
constexpr std::uint32_t kInvalidFileSize = 0xFFFFFFFFu;

// Win32 error codes the file layer meets.
constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorBrokenPipe = 109;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorInvalidName = 123;
constexpr std::uint32_t kErrorFileTooLarge = 223;

// Opens or creates a file (CreateFileA): `name` in the ANSI code page, zero-terminated.
FileHandle createFileA(const char* name, std::uint32_t access, std::uint32_t shareMode,
                       std::uint32_t disposition, std::uint32_t attributes);
// The same with a zero-terminated UTF-16 name (CreateFileW).
FileHandle createFileW(const char16_t* name, std::uint32_t access, std::uint32_t shareMode,
                       std::uint32_t disposition, std::uint32_t attributes);
// The low 32 bits of the size; the high 32 bits into *high when it is given (GetFileSize).
// kInvalidFileSize with a last error other than 0 on failure.
std::uint32_t getFileSize(FileHandle file, std::uint32_t* high);
// Reads up to `count` bytes; fewer only at the end of the file (ReadFile).
bool readFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* bytesRead);
// Writes `count` bytes; false with the bytes written so far when the system refuses more.
bool writeFile(FileHandle file, const void* bytes, std::uint32_t count, std::uint32_t* bytesWritten);
// Moves the file position (SetFilePointer); answers the low 32 bits of the new position.
std::uint32_t setFilePointer(FileHandle file, std::int32_t distance, std::int32_t* distanceHigh,
                             std::uint32_t moveMethod);
// Writes `count` bytes at the file's end as one record: no other writer's bytes land inside
// them, and none are lost beside them. Windows: the file layer opens files for appending
// without write sharing, so the move to the end and the write are alone on the file.
// Natively the write goes through O_APPEND under an exclusive advisory lock (flock), which
// other processes appending through this layer honour too.
bool appendFile(FileHandle file, const void* bytes, std::uint32_t count, std::uint32_t* bytesWritten);
// Puts the file's written bytes on the disk (FlushFileBuffers).
bool flushFileBuffers(FileHandle file);

// What kind of object a handle is open on (GetFileType): a file on a disk, a character device
// (a terminal, /dev/zero) or a pipe (a FIFO, a socket).
constexpr std::uint32_t kFileTypeUnknown = 0;
constexpr std::uint32_t kFileTypeDisk = 1;
constexpr std::uint32_t kFileTypeChar = 2;
constexpr std::uint32_t kFileTypePipe = 3;
std::uint32_t getFileType(FileHandle file);

// How writeFileReplacing ended.
enum class ReplaceOutcome {
  Replaced,       // the file now holds exactly the bytes
  Failed,         // nothing was changed; the last error says why
  NotApplicable,  // the target cannot be replaced whole; nothing was changed or created
};
// Replaces a file whole: the bytes go to a new file in the target's folder, are flushed to
// disk and the new file takes the target's name in one step (a rename; ReplaceFileW or
// MoveFileExW on Windows), with the target's permission bits (and its owner where the process
// may set it). A reader sees either the old bytes or the new ones, and a write that fails
// (no space, a file-size limit) leaves the old file untouched and no new file behind.
// NotApplicable for a target that is not a regular file (a device, a FIFO), a file with more
// than one hard link (replacing it would part it from its other names), or a folder that
// cannot take the new file; the caller then writes in place. A symbolic link is followed:
// the file it names is replaced, the link stays. A target that another handle of this process
// holds open fails with the sharing violation, as Windows refuses to replace a file in use.
ReplaceOutcome writeFileReplacing(const char16_t* name, const void* bytes, std::uint32_t count);

// Closes a handle (CloseHandle); false for a handle that is not open.
bool closeHandle(FileHandle file);
// Blocks the calling thread (Sleep).
void sleepMilliseconds(std::uint32_t milliseconds);

// The current directory (GetCurrentDirectoryA / W): with room for it and its terminator in
// `size` characters, the characters written without the terminator; else the size needed
// with the terminator; 0 on failure.
std::uint32_t getCurrentDirectoryA(std::uint32_t size, char* buffer);
std::uint32_t getCurrentDirectoryW(std::uint32_t size, char16_t* buffer);

// The operating-system version record (OSVERSIONINFOA, 148 bytes).
struct OsVersionInfoA {
  std::uint32_t dwOSVersionInfoSize;
  std::uint32_t dwMajorVersion;
  std::uint32_t dwMinorVersion;
  std::uint32_t dwBuildNumber;
  std::uint32_t dwPlatformId;
  char szCSDVersion[128];
};
constexpr std::uint32_t kVerPlatformWin32s = 0;
constexpr std::uint32_t kVerPlatformWin32Windows = 1;
constexpr std::uint32_t kVerPlatformWin32Nt = 2;

// Fills the record whose size field the caller has set (GetVersionExA); false for a wrong size.
// Natively the answer is an NT platform.
bool getVersionExA(OsVersionInfoA* info);
// Makes getVersionExA answer `info` for the whole process (null restores the platform's own
// answer), so that the choices made on other platforms can be exercised.
void overrideVersionInfo(const OsVersionInfoA* info);

// Create calls made on the calling thread so far, counted by the two create functions; the
// retry on sharing violations is observed through it.
std::uint64_t createFileCallCount();

}  // namespace vk::platform
