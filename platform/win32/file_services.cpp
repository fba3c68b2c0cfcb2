// The file services on Windows: kernel32's file API, called as it is. The system decides
// sharing, names and errors; the last error is the thread's own.
#include "platform/file_services.h"

#include <windows.h>

#include <mutex>

namespace vk::platform {
namespace {

static_assert(sizeof(OsVersionInfoA) == sizeof(OSVERSIONINFOA), "OSVERSIONINFOA layout");
static_assert(sizeof(char16_t) == sizeof(wchar_t), "UTF-16 file names");

thread_local std::uint64_t tCreateCalls = 0;

std::mutex gVersionMutex;
bool gVersionOverridden = false;
OsVersionInfoA gVersionOverride{};

HANDLE toHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle fromHandle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

}  // namespace

FileHandle createFileA(const char* name, std::uint32_t access, std::uint32_t shareMode,
                       std::uint32_t disposition, std::uint32_t attributes) {
  ++tCreateCalls;
  return fromHandle(CreateFileA(name, access, shareMode, nullptr, disposition, attributes, nullptr));
}

FileHandle createFileW(const char16_t* name, std::uint32_t access, std::uint32_t shareMode,
                       std::uint32_t disposition, std::uint32_t attributes) {
  ++tCreateCalls;
  return fromHandle(CreateFileW(reinterpret_cast<const wchar_t*>(name), access, shareMode, nullptr,
                                disposition, attributes, nullptr));
}

std::uint32_t getFileSize(FileHandle file, std::uint32_t* high) {
  DWORD highPart = 0;
  DWORD low = GetFileSize(toHandle(file), &highPart);
  if (high != nullptr) *high = highPart;
  return low;
}

bool readFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* bytesRead) {
  DWORD done = 0;
  BOOL ok = ReadFile(toHandle(file), buffer, count, &done, nullptr);
  if (bytesRead != nullptr) *bytesRead = done;
  return ok != FALSE;
}

bool writeFile(FileHandle file, const void* bytes, std::uint32_t count, std::uint32_t* bytesWritten) {
  DWORD done = 0;
  BOOL ok = WriteFile(toHandle(file), bytes, count, &done, nullptr);
  if (bytesWritten != nullptr) *bytesWritten = done;
  return ok != FALSE;
}

std::uint32_t setFilePointer(FileHandle file, std::int32_t distance, std::int32_t* distanceHigh,
                             std::uint32_t moveMethod) {
  LONG high = distanceHigh != nullptr ? *distanceHigh : 0;
  DWORD low = SetFilePointer(toHandle(file), distance, distanceHigh != nullptr ? &high : nullptr, moveMethod);
  if (distanceHigh != nullptr) *distanceHigh = high;
  return low;
}

// The file layer opens a file for appending without write sharing, so no other writer has it
// open: the move to the end and the write that follows are alone on the file.
bool appendFile(FileHandle file, const void* bytes, std::uint32_t count, std::uint32_t* bytesWritten) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  LONG high = 0;
  if (SetFilePointer(toHandle(file), 0, &high, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR) {
    return false;
  }
  return writeFile(file, bytes, count, bytesWritten);
}

bool flushFileBuffers(FileHandle file) {
  if (FlushFileBuffers(toHandle(file))) return true;
  // Consoles and pipes keep nothing to flush.
  return GetLastError() == ERROR_INVALID_HANDLE && GetFileType(toHandle(file)) != FILE_TYPE_DISK;
}

std::uint32_t getFileType(FileHandle file) {
  switch (GetFileType(toHandle(file))) {
    case FILE_TYPE_DISK: return kFileTypeDisk;
    case FILE_TYPE_CHAR: return kFileTypeChar;
    case FILE_TYPE_PIPE: return kFileTypePipe;
    default: return kFileTypeUnknown;
  }
}

bool closeHandle(FileHandle file) { return CloseHandle(toHandle(file)) != FALSE; }

void sleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::uint32_t getCurrentDirectoryA(std::uint32_t size, char* buffer) {
  return GetCurrentDirectoryA(size, buffer);
}

std::uint32_t getCurrentDirectoryW(std::uint32_t size, char16_t* buffer) {
  return GetCurrentDirectoryW(size, reinterpret_cast<wchar_t*>(buffer));
}

bool getVersionExA(OsVersionInfoA* info) {
  if (info == nullptr) return false;
  {
    std::lock_guard<std::mutex> lock(gVersionMutex);
    if (gVersionOverridden) {
      if (info->dwOSVersionInfoSize != sizeof(OsVersionInfoA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
      }
      *info = gVersionOverride;
      info->dwOSVersionInfoSize = sizeof(OsVersionInfoA);
      return true;
    }
  }
  // Declared deprecated by the SDK headers, but it is the call whose answer the file layer
  // was written against (platforms of the 9x family choose the narrow interface).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(info)) != FALSE;
#pragma GCC diagnostic pop
}

void overrideVersionInfo(const OsVersionInfoA* info) {
  std::lock_guard<std::mutex> lock(gVersionMutex);
  gVersionOverridden = info != nullptr;
  if (info != nullptr) gVersionOverride = *info;
}

std::uint64_t createFileCallCount() { return tCreateCalls; }

}  // namespace vk::platform
