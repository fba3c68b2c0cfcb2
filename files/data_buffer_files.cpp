// Whole-file loading into a DataBuffer: one allocation and one read call.
#include <cstdlib>

#include "files/file_sys.h"
#include "platform/system_message.h"
#include "platform/wide_units.h"
#include "text/block_memory.h"
#include "text/data_buffer.h"
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

// Reads the file that `name` opens into `buffer`. `narrowName` is the ANSI name for the
// narrow loader's extra log entries, null for the wide loader.
bool loadOpened(DataBuffer& buffer, XString& name, const char* narrowName, LogSink* log) {
  FileHandle file = FileSys::openForRead(name, log);
  if (file == platform::kInvalidFileHandle) return false;

  std::uint32_t high = 0;
  std::uint32_t size = platform::getFileSize(file, &high);
  if (size == platform::kInvalidFileSize && platform::lastErrorCode() != platform::kErrorSuccess) {
    logLastError(log);
    FileSys::closeFile(file);
    return false;
  }
  // A size that 32 bits do not describe, with the zero tail, is refused rather than read in
  // part.
  if (high != 0 || size > UINT32_MAX - kZeroTail) {
    platform::setLastErrorCode(platform::kErrorFileTooLarge);
    logLastError(log);
    FileSys::closeFile(file);
    return false;
  }
  if (size == 0) {
    FileSys::closeFile(file);
    return true;
  }

  // (size + kZeroTail fits 32 bits, so the sum cannot wrap even where size_t is 32 bits)
  void* block = blocks::allocateZeroed(std::size_t{size} + kZeroTail);
  if (block == nullptr) {
    // A 32-bit process has a few GiB of address space at most, often fragmented: a file
    // larger than the room left is a failed load like any other, not the end of the host.
    platform::setLastErrorCode(platform::kErrorNotEnoughMemory);
    logLastError(log);
    FileSys::closeFile(file);
    return false;
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
