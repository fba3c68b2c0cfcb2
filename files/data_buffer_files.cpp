// Whole-file loading into a DataBuffer: one allocation and one read call.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "files/file_sys.h"
#include "platform/system_message.h"
#include "platform/wide_units.h"
#include "text/block_memory.h"
#include "text/data_buffer.h"
#include "platform/fatal.h"
#include "text/string_buffer.h"
#include "text/xstring.h"

namespace vk {
namespace {

// The content is followed by this many zero bytes, so that a reader may treat it as text.
constexpr std::uint32_t kZeroTail = 4;

void logLastError(LogSink* log) {
  if (log == nullptr) return;
  StringBuffer text;
  text.appendLastErrorMessage();
  log->logError(text.text());
}

// How much a stream (a pipe, a device, a file that tells no size) is read in at a time.
constexpr std::uint32_t kStreamChunk = 64 * 1024;

// Reads a file whose size is not known beforehand to its end, into `buffer` followed by the
// zero tail. The same limit as for a sized file holds: a stream that does not end within it
// (/dev/zero) fails with "file too large" instead of filling memory.
bool readToEnd(DataBuffer& buffer, FileHandle file, LogSink* log) {
  constexpr std::uint32_t kLimit = UINT32_MAX - kZeroTail;
  // A failure empties the buffer and logs the last error, set to `error` first.
  auto fail = [&](std::uint32_t error) {
    buffer.clear();
    platform::setLastErrorCode(error);
    logLastError(log);
    return false;
  };
  std::uint32_t length = 0;
  for (;;) {
    std::uint32_t ask = kStreamChunk;
    if (length > kLimit - ask) ask = kLimit - length;
    if (ask == 0) return fail(platform::kErrorFileTooLarge);
    try {
      // Doubling, so a long stream is copied a bounded number of times.
      std::uint64_t needed = std::uint64_t{length} + ask + kZeroTail;
      if (needed > buffer.capacity()) {
        std::uint64_t doubled = std::uint64_t{buffer.capacity()} * 2;
        buffer.ensureCapacity(
            static_cast<std::uint32_t>(std::min<std::uint64_t>(std::max(needed, doubled), UINT32_MAX)));
      }
    } catch (const CapacityError&) {
      // The caller still has the handle to close: the failure is answered here.
      return fail(platform::kErrorNotEnoughMemory);
    }
    std::uint32_t got = 0;
    bool ok = platform::readFile(file, buffer.data() + length, ask, &got);
    // A pipe whose writer has gone answers "broken pipe" at its end.
    if (!ok && platform::lastErrorCode() != platform::kErrorBrokenPipe) {
      return fail(platform::lastErrorCode());
    }
    length += got;
    if (!ok || got == 0) break;
  }
  std::memset(buffer.data() + length, 0, kZeroTail);
  buffer.setLength(length);
  return true;
}

// Reads the file that `name` opens into `buffer`. `narrowName` is the ANSI name for the
// narrow loader's extra log entries, null for the wide loader.
bool loadOpened(DataBuffer& buffer, XString& name, const char* narrowName, LogSink* log) {
  FileHandle file = FileSys::openForRead(name, log);
  if (file == platform::kInvalidFileHandle) return false;
  // A failure before the read logs the last error, set to `error` first, and closes the file.
  auto fail = [&](std::uint32_t error) {
    platform::setLastErrorCode(error);
    logLastError(log);
    FileSys::closeFile(file);
    return false;
  };

  std::uint32_t high = 0;
  std::uint32_t size = platform::getFileSize(file, &high);
  if (size == platform::kInvalidFileSize && platform::lastErrorCode() != platform::kErrorSuccess) {
    return fail(platform::lastErrorCode());
  }
  // A size that 32 bits do not describe, with the zero tail, is refused rather than read in
  // part.
  if (high != 0 || size > UINT32_MAX - kZeroTail) return fail(platform::kErrorFileTooLarge);
  // A pipe or a device reports no size, and nor do many files of /proc; they are read to
  // their end.
  if (size == 0 || platform::getFileType(file) != platform::kFileTypeDisk) {
    bool result = readToEnd(buffer, file, log);
    FileSys::closeFile(file);
    return result;
  }

  // (size + kZeroTail fits 32 bits, so the sum cannot wrap even where size_t is 32 bits)
  void* block = blocks::allocateZeroed(std::size_t{size} + kZeroTail);
  if (block == nullptr) {
    // A 32-bit process has a few GiB of address space at most, often fragmented: a file
    // larger than the room left is a failed load like any other, not the end of the host.
    return fail(platform::kErrorNotEnoughMemory);
  }
  buffer.adopt(block, size + kZeroTail);
  buffer.setLength(size);

  std::uint32_t bytesRead = 0;
  bool result = true;
  if (!platform::readFile(file, buffer.data(), size, &bytesRead)) {
    logLastError(log);
    if (narrowName != nullptr && log != nullptr) {
      XString directory;
      FileSys::currentDirectory(directory);
      log->logData("filename", narrowName);
      log->logData("current_dir", directory.getAnsi());
    }
    result = false;
  }
  if (bytesRead != size) {
    if (log != nullptr) log->logError("Failed to read the entire file");
    result = false;
  }
  FileSys::closeFile(file);
  return result;
}

}  // namespace

bool DataBuffer::loadWholeFile(const char* utf8Name, LogSink* log) {
  checkAlive();
  adopt(nullptr, 0);  // content and storage go
  XString name;
  name.setFromUtf8(utf8Name);
  if (name.isAnsiExact()) return loadWholeFileNarrow(name.getAnsi(), log);
  return loadWholeFileWide(reinterpret_cast<const char16_t*>(name.getWide().data()), log);
}

bool DataBuffer::loadWholeFileNarrow(const char* ansiName, LogSink* log) {
  checkAlive();
  adopt(nullptr, 0);
  XString name;
  name.setFromAnsi(ansiName);
  return loadOpened(*this, name, ansiName != nullptr ? ansiName : "", log);
}

bool DataBuffer::loadWholeFileWide(const char16_t* wideName, LogSink* log) {
  checkAlive();
  adopt(nullptr, 0);
  XString name;
  name.setFromWide(platform::asOleChars(wideName));
  return loadOpened(*this, name, nullptr, log);
}

}  // namespace vk
