// Error codes of the operating system (the Win32 numbering) and their message texts.
#pragma once
#include <cstdint>
#include <string>

namespace vk::platform {

// The calling thread's last error code (GetLastError on Windows).
std::uint32_t lastErrorCode();
void setLastErrorCode(std::uint32_t code);

// The system's message text for an error code in the neutral language; a code the system
// does not know gives a generic text naming the number. The text may end in a line break.
std::string systemMessageText(std::uint32_t code);

}  // namespace vk::platform
