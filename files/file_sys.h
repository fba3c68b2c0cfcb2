// The file layer under LoadFile, SaveToFile and AppendToFile: opening files through the narrow
// (ANSI code page) or the wide (UTF-16) interface with a retry on sharing violations, writing
// a file whole, appending to a file, and the current directory. Files are opened, read or
// written whole and closed before an operation returns. Every operation takes an optional
// LogSink as its last argument; the string object's members pass none.
#pragma once
#include <cstdint>

#include "platform/file_services.h"
#include "text/xstring.h"

namespace vk {

// A diagnostic log that a caller of the file layer may supply: numbered error lines such as
// "Failed to open file (2)" and named values such as "filename" and "osErrorInfo".
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void logError(const char* text) = 0;
  virtual void logData(const char* key, const char* value) = 0;
};

// The operating-system version, read when the object is made; a fresh one is made for every
// decision that depends on it.
class WindowsVersion {
 public:
  WindowsVersion();

  bool isWin95() const;
  bool isWin98() const;
  bool isWinMe() const;
  // Any of the three: the line whose wide file interface is missing.
  bool isWin9x() const;
  const platform::OsVersionInfoA& info() const { return info_; }

 private:
  platform::OsVersionInfoA info_;
};

using FileHandle = platform::FileHandle;

class FileSys {
 public:
  // Whether a name is handed to the narrow interface: when it converts to the ANSI code page
  // without loss, or on the 9x line. Used for reading.
  static bool useNarrowName(XString& name);
  // For opens that create or change a file, the narrow interface is used only for names that
  // convert to the ANSI code page without loss: a lossy rendering would name another file.
  static bool useNarrowNameForChange(XString& name);

  // GENERIC_READ, share read, OPEN_EXISTING. An empty name is logged and refused.
  static FileHandle openForRead(XString& name, LogSink* log = nullptr);
  // GENERIC_WRITE, no sharing, CREATE_ALWAYS (creates or truncates).
  static FileHandle openForWrite(XString& name, LogSink* log = nullptr);
  // GENERIC_READ | GENERIC_WRITE, share read, OPEN_ALWAYS.
  static FileHandle openForAppend(XString& name, LogSink* log = nullptr);

  // The platform's create with up to three retries, 50 ms apart, while the open fails with a
  // sharing violation. The narrow variant widens a share mode of read alone to read and
  // write for the retries; the wide variant retries unchanged.
  static FileHandle createFileNarrow(const char* name, std::uint32_t access, std::uint32_t shareMode,
                                     std::uint32_t disposition, std::uint32_t attributes,
                                     LogSink* log = nullptr);
  static FileHandle createFileWide(const char16_t* name, std::uint32_t access, std::uint32_t shareMode,
                                   std::uint32_t disposition, std::uint32_t attributes,
                                   LogSink* log = nullptr);
  // Closes a handle; the invalid handle is ignored.
  static void closeFile(FileHandle file);

  // Creates or truncates the file and writes the bytes with one write call. The name is
  // UTF-8; it goes to the narrow interface when it fits the ANSI code page, else to the wide.
  static bool writeWholeFile(const char* utf8Name, const void* bytes, std::uint32_t count,
                             LogSink* log = nullptr);
  static bool writeWholeFileNarrow(const char* ansiName, const void* bytes, std::uint32_t count,
                                   LogSink* log = nullptr);
  static bool writeWholeFileWide(const char16_t* wideName, const void* bytes, std::uint32_t count,
                                 LogSink* log = nullptr);

  // Opens or creates the file and writes the bytes at its end. No bytes: true without opening
  // anything. An empty name: false.
  static bool appendToFile(XString& name, const void* bytes, std::uint32_t count, LogSink* log = nullptr);

  // The process's current directory.
  static void currentDirectory(XString& directory);
};

}  // namespace vk
