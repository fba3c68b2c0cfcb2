#include "files/file_sys.h"

#include <vector>

#include "platform/system_message.h"
#include "platform/wide_units.h"
#include "text/string_buffer.h"

namespace vk {
namespace {

using platform::kInvalidFileHandle;

// Room for a path the way the file layer first asks for the current directory.
constexpr std::uint32_t kMaxPath = 260;
constexpr std::uint32_t kRetries = 3;
constexpr std::uint32_t kRetryWaitMs = 50;

// The OS error text of the calling thread's last error, trimmed.
StringBuffer lastErrorText() {
  StringBuffer text;
  text.appendLastErrorMessage();
  return text;
}

void logError(LogSink* log, const char* text) {
  if (log != nullptr) log->logError(text);
}

void logData(LogSink* log, const char* key, const char* value) {
  if (log != nullptr) log->logData(key, value);
}

void logLastError(LogSink* log) {
  if (log != nullptr) log->logError(lastErrorText().text());
}

const char16_t* wideText(XString& value) { return reinterpret_cast<const char16_t*>(value.getWide().data()); }

// Logs a name the way the file layer names files in its log: the ANSI form when the name
// fits the ANSI code page, else the UTF-8 form.
void logName(LogSink* log, XString& name) {
  if (log == nullptr) return;
  if (name.isAnsiExact()) {
    log->logData("filename", name.getAnsi());
  } else {
    log->logData("utf8Filename", name.getUtf8());
  }
}

FileHandle openNamed(XString& name, bool narrow, std::uint32_t access, std::uint32_t shareMode,
                     std::uint32_t disposition, LogSink* log) {
  if (narrow) {
    return FileSys::createFileNarrow(name.getAnsi(), access, shareMode, disposition,
                                     platform::kFileAttributeNormal, log);
  }
  return FileSys::createFileWide(wideText(name), access, shareMode, disposition,
                                 platform::kFileAttributeNormal, log);
}

// Makes an attempt at a file again while it fails (answers `failure`) because another handle
// holds the file, up to kRetries more times after a short wait; `attempt(retry)` is told
// whether it is a retry. Answers the last attempt's result.
template <typename Result, typename Attempt>
Result retryWhileShared(Result failure, Attempt attempt) {
  Result result = attempt(false);
  for (std::uint32_t retries = 0;
       result == failure && platform::lastErrorCode() == platform::kErrorSharingViolation &&
       retries < kRetries;
       ++retries) {
    platform::sleepMilliseconds(kRetryWaitMs);
    result = attempt(true);
  }
  return result;
}

// Replaces the named file whole (platform::writeFileReplacing), retrying like an open while
// another handle holds the file. Not on the 9x line, which has no way to exchange files.
platform::ReplaceOutcome replaceWhole(XString& name, const void* bytes, std::uint32_t count, LogSink* log) {
  if (WindowsVersion().isWin9x()) return platform::ReplaceOutcome::NotApplicable;
  platform::ReplaceOutcome outcome = retryWhileShared(platform::ReplaceOutcome::Failed, [&](bool) {
    return platform::writeFileReplacing(wideText(name), bytes, count);
  });
  if (outcome == platform::ReplaceOutcome::Failed && log != nullptr) {
    logName(log, name);
    logLastError(log);
    log->logError("Failed to write complete file (3)");
  }
  return outcome;
}

}  // namespace

WindowsVersion::WindowsVersion() : info_{} {
  info_.dwOSVersionInfoSize = sizeof(platform::OsVersionInfoA);
  if (!platform::getVersionExA(&info_)) {
    info_ = platform::OsVersionInfoA{};
    info_.dwOSVersionInfoSize = sizeof(platform::OsVersionInfoA);
  }
}

bool WindowsVersion::isWin95() const {
  return info_.dwPlatformId == platform::kVerPlatformWin32Windows && info_.dwMinorVersion == 0;
}

bool WindowsVersion::isWin98() const {
  return info_.dwPlatformId == platform::kVerPlatformWin32Windows && info_.dwMinorVersion == 10;
}

bool WindowsVersion::isWinMe() const {
  return info_.dwPlatformId == platform::kVerPlatformWin32Windows && info_.dwMinorVersion == 90;
}

bool WindowsVersion::isWin9x() const { return isWin95() || isWin98() || isWinMe(); }

bool FileSys::useNarrowName(XString& name) {
  if (name.isAnsiExact()) return true;
  return WindowsVersion().isWin9x();
}

bool FileSys::useNarrowNameForChange(XString& name) { return name.isAnsiExact(); }

FileHandle FileSys::openForRead(XString& name, LogSink* log) {
  if (name.length() == 0) {
    logError(log, "Cannot open file, filename is empty.");
    return kInvalidFileHandle;
  }
  return openNamed(name, useNarrowName(name), platform::kGenericRead, platform::kFileShareRead,
                   platform::kOpenExisting, log);
}

FileHandle FileSys::openForWrite(XString& name, LogSink* log) {
  if (name.length() == 0) return kInvalidFileHandle;
  return openNamed(name, useNarrowNameForChange(name), platform::kGenericWrite, 0, platform::kCreateAlways,
                   log);
}

FileHandle FileSys::openForAppend(XString& name, LogSink* log) {
  if (name.length() == 0) return kInvalidFileHandle;
  return openNamed(name, useNarrowNameForChange(name), platform::kGenericRead | platform::kGenericWrite,
                   platform::kFileShareRead, platform::kOpenAlways, log);
}

FileHandle FileSys::createFileNarrow(const char* name, std::uint32_t access, std::uint32_t shareMode,
                                     std::uint32_t disposition, std::uint32_t attributes, LogSink* log) {
  FileHandle file = retryWhileShared(kInvalidFileHandle, [&](bool retry) {
    // A writer that lets others read usually lets them write too only if asked: reading
    // alongside it needs write sharing.
    if (retry && shareMode == platform::kFileShareRead) {
      shareMode = platform::kFileShareRead | platform::kFileShareWrite;
    }
    return platform::createFileA(name, access, shareMode, disposition, attributes);
  });
  if (file == kInvalidFileHandle && log != nullptr) {
    StringBuffer error = lastErrorText();
    log->logError("Failed to open file (2)");
    log->logData("filename", name != nullptr ? name : "");
    log->logData("osErrorInfo", error.text());
  }
  return file;
}

FileHandle FileSys::createFileWide(const char16_t* name, std::uint32_t access, std::uint32_t shareMode,
                                   std::uint32_t disposition, std::uint32_t attributes, LogSink* log) {
  FileHandle file = retryWhileShared(kInvalidFileHandle, [&](bool) {
    return platform::createFileW(name, access, shareMode, disposition, attributes);
  });
  if (file == kInvalidFileHandle && log != nullptr) {
    StringBuffer error = lastErrorText();
    log->logError("Failed to open file (3)");
    XString named;
    named.setFromWide(platform::asOleChars(name));
    logName(log, named);
    log->logData("osErrorInfo", error.text());
  }
  return file;
}

void FileSys::closeFile(FileHandle file) {
  if (file != kInvalidFileHandle) platform::closeHandle(file);
}

bool FileSys::writeWholeFile(const char* utf8Name, const void* bytes, std::uint32_t count, LogSink* log) {
  if (utf8Name == nullptr || utf8Name[0] == 0) return false;
  XString name;
  name.setFromUtf8(utf8Name);
  // A regular file is replaced whole, so a write that fails part-way leaves the old bytes; a
  // device, a FIFO, a file with other hard links or one in a folder that takes no new file
  // is written in place.
  switch (replaceWhole(name, bytes, count, log)) {
    case platform::ReplaceOutcome::Replaced: return true;
    case platform::ReplaceOutcome::Failed: return false;
    case platform::ReplaceOutcome::NotApplicable: break;
  }
  if (useNarrowNameForChange(name)) return writeWholeFileNarrow(name.getAnsi(), bytes, count, log);
  // A name outside the ANSI code page goes to the wide interface only: its ANSI rendering
  // would name another file.
  return writeWholeFileWide(wideText(name), bytes, count, log);
}

bool FileSys::writeWholeFileNarrow(const char* ansiName, const void* bytes, std::uint32_t count,
                                   LogSink* log) {
  if (ansiName == nullptr || ansiName[0] == 0) return false;
  XString name;
  name.setFromAnsi(ansiName);
  FileHandle file = openForWrite(name, log);
  if (file == kInvalidFileHandle) {
    logData(log, "filename", ansiName);
    logError(log, "Failed to write complete file (7)");
    return false;
  }
  if (bytes != nullptr && count > 0) {
    std::uint32_t written = 0;
    bool ok = platform::writeFile(file, bytes, count, &written);
    if (!ok || written < count) {
      logData(log, "filename", ansiName);
      logLastError(log);
      logError(log, "Failed to write complete file (1)");
      closeFile(file);
      return false;
    }
  }
  closeFile(file);
  return true;
}

bool FileSys::writeWholeFileWide(const char16_t* wideName, const void* bytes, std::uint32_t count,
                                 LogSink* log) {
  if (wideName == nullptr) return false;
  XString name;
  name.setFromWide(platform::asOleChars(wideName));
  FileHandle file = openForWrite(name, log);
  if (file == kInvalidFileHandle) {
    logData(log, "utf8Filename", name.getUtf8());
    logError(log, "Failed to write complete file (6)");
    return false;
  }
  if (bytes != nullptr && count > 0) {
    std::uint32_t written = 0;
    bool ok = platform::writeFile(file, bytes, count, &written);
    if (!ok || written < count) {
      logLastError(log);
      logError(log, "Failed to write complete file (3)");
      closeFile(file);
      return false;
    }
  }
  closeFile(file);
  return true;
}

bool FileSys::appendToFile(XString& name, const void* bytes, std::uint32_t count, LogSink* log) {
  if (name.isEmpty()) return false;
  if (bytes == nullptr || count == 0) return true;
  // A name that fits the ANSI code page is opened by its ANSI form through the narrow
  // interface; any other name by its UTF-16 form through the wide one.
  XString target;
  if (useNarrowNameForChange(name)) {
    target.setFromAnsi(name.getAnsi());
  } else {
    target.copyFrom(name);
  }
  FileHandle file = openForAppend(target, log);
  if (file == kInvalidFileHandle) return false;
  // One record at the end, whoever else appends to the file at the same time.
  std::uint32_t written = 0;
  bool ok = platform::appendFile(file, bytes, count, &written);
  if (!ok || written < count) {
    logName(log, target);
    logLastError(log);
    logError(log, "Failed to write complete file (2)");
    closeFile(file);
    return false;
  }
  closeFile(file);
  return true;
}

void FileSys::currentDirectory(XString& directory) {
  if (!WindowsVersion().isWin9x()) {
    std::vector<char16_t> wide(kMaxPath, 0);
    std::uint32_t units = platform::getCurrentDirectoryW(kMaxPath, wide.data());
    if (units >= kMaxPath) {
      // A longer path: the answer is the room it needs.
      wide.assign(units + 1, 0);
      units = platform::getCurrentDirectoryW(units + 1, wide.data());
      if (units >= wide.size()) units = 0;
    }
    if (units != 0) {
      directory.setFromWide(platform::asOleChars(wide.data()), units);
      return;
    }
  }
  std::vector<char> narrow(kMaxPath, 0);
  std::uint32_t bytes = platform::getCurrentDirectoryA(kMaxPath, narrow.data());
  if (bytes >= kMaxPath) {
    narrow.assign(bytes + 1, 0);
    bytes = platform::getCurrentDirectoryA(bytes + 1, narrow.data());
    if (bytes >= narrow.size()) bytes = 0;
  }
  directory.setFromAnsi(bytes != 0 ? narrow.data() : "");
}

}  // namespace vk
