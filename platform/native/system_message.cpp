// Natively there is no system message table; these are the texts of the Win32 codes that the
// component's file and component layers can meet, so logs read the same on both builds.
#include "platform/system_message.h"

#include <cstdio>

namespace vk::platform {
namespace {
thread_local std::uint32_t threadLastError = 0;

struct MessageRow {
  std::uint32_t code;
  const char* text;
};

constexpr MessageRow kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {14, "Not enough memory resources are available to complete this operation."},
    {19, "The media is write protected."},
    {21, "The device is not ready."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33, "The process cannot access the file because another process has locked a portion of the file."},
    {38, "Reached the end of the file."},
    {39, "The disk is full."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {145, "The directory is not empty."},
    {161, "The specified path is invalid."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {267, "The directory name is invalid."},
};
}  // namespace

std::uint32_t lastErrorCode() { return threadLastError; }

void setLastErrorCode(std::uint32_t code) { threadLastError = code; }

std::string systemMessageText(std::uint32_t code) {
  for (const MessageRow& row : kMessages) {
    if (row.code == code) return std::string(row.text) + "\r\n";
  }
  char fallback[48];
  std::snprintf(fallback, sizeof fallback, "Unknown error %u.", static_cast<unsigned>(code));
  return fallback;
}

}  // namespace vk::platform
