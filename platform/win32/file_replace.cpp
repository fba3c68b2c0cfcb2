// Replacing a file whole on Windows: the bytes go to a new file in the target's folder, which
// is flushed and then takes the target's place with ReplaceFileW (which keeps the target's
// attributes, security and creation time) or, for a new target, MoveFileExW. A write that
// fails deletes the new file and leaves the target as it was.
#include <windows.h>

#include <string>

#include "platform/file_services.h"

namespace vk::platform {
namespace {

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

bool writeAll(HANDLE file, const void* bytes, std::uint32_t count) {
  const auto* in = static_cast<const std::uint8_t*>(bytes);
  std::uint32_t done = 0;
  while (done < count) {
    DWORD put = 0;
    if (!WriteFile(file, in + done, count - done, &put, nullptr)) return false;
    if (put == 0) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    done += put;
  }
  return true;
}

ReplaceOutcome abandon(HANDLE file, const std::wstring& temporary) {
  DWORD error = GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  DeleteFileW(temporary.c_str());
  SetLastError(error);
  return ReplaceOutcome::Failed;
}

}  // namespace

ReplaceOutcome writeFileReplacing(const char16_t* name, const void* bytes, std::uint32_t count) {
  if (name == nullptr || name[0] == 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return ReplaceOutcome::Failed;
  }
  std::wstring target = wide(name);
  // Device names (\\.\…) and what is not a plain file on a disk are written in place.
  if (target.compare(0, 4, L"\\\\.\\") == 0) return ReplaceOutcome::NotApplicable;
  DWORD attributes = GetFileAttributesW(target.c_str());
  bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND) return ReplaceOutcome::NotApplicable;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                               FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY)) != 0) {
    return ReplaceOutcome::NotApplicable;
  }
  if (exists) {
    HANDLE probe = CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return ReplaceOutcome::NotApplicable;
    BY_HANDLE_FILE_INFORMATION info;
    bool plain = GetFileType(probe) == FILE_TYPE_DISK && GetFileInformationByHandle(probe, &info) &&
                 info.nNumberOfLinks <= 1;
    CloseHandle(probe);
    if (!plain) return ReplaceOutcome::NotApplicable;
  }

  // The new file goes into the target's folder, so the exchange stays on one volume.
  DWORD needed = GetFullPathNameW(target.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return ReplaceOutcome::NotApplicable;
  std::wstring full(needed, L'\0');
  DWORD length = GetFullPathNameW(target.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return ReplaceOutcome::NotApplicable;
  full.resize(length);
  std::size_t slash = full.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return ReplaceOutcome::NotApplicable;
  std::wstring temporary = full.substr(0, slash + 1) + L"~" + full.substr(slash + 1) + L".vk" +
                           std::to_wstring(GetCurrentProcessId()) + L"-" +
                           std::to_wstring(GetCurrentThreadId()) + L".tmp";
  HANDLE file =
      CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // No room for a new file is a failure (a write in place would truncate the target, then
    // fail); any other refusal leaves the target to the write in place.
    DWORD error = GetLastError();
    if (error != ERROR_DISK_FULL && error != ERROR_HANDLE_DISK_FULL) return ReplaceOutcome::NotApplicable;
    return ReplaceOutcome::Failed;
  }
  if (bytes != nullptr && count > 0 && !writeAll(file, bytes, count)) return abandon(file, temporary);
  if (!FlushFileBuffers(file)) return abandon(file, temporary);
  CloseHandle(file);
  BOOL moved = exists ? ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                      : MoveFileExW(temporary.c_str(), target.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!moved) {
    DWORD error = GetLastError();
    // A target in use cannot be replaced; the caller retries as it does a shared open.
    if (error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
      SetLastError(ERROR_SHARING_VIOLATION);
    }
    return abandon(INVALID_HANDLE_VALUE, temporary);
  }
  return ReplaceOutcome::Replaced;
}

}  // namespace vk::platform
