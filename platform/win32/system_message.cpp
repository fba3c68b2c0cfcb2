// Error codes and texts on Windows: the thread's last error and the system message table.
// Texts come in the ANSI code page, the form the byte buffers hold them in.
#include "platform/system_message.h"

#include <windows.h>

#include <cstdio>

namespace vk::platform {

std::uint32_t lastErrorCode() { return GetLastError(); }

void setLastErrorCode(std::uint32_t code) { SetLastError(code); }

std::string systemMessageText(std::uint32_t code) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) {
    char fallback[48];
    std::snprintf(fallback, sizeof fallback, "Unknown error %u.", static_cast<unsigned>(code));
    return fallback;
  }
  std::string result(text, length);
  LocalFree(text);
  return result;
}

}  // namespace vk::platform
