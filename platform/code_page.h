// The process's ANSI code page. On Windows it is what GetACP reports (unless an embedder or
// a test has overridden it); natively it is a process setting that starts at 1252.
// Conversions read it afresh each time, so a change takes effect at the next conversion.
#pragma once
#include <cstdint>

namespace vk::platform {

std::int32_t ansiCodePage();

// Overrides the ANSI code page for the whole process; 0 restores the platform's own answer.
void setAnsiCodePage(std::int32_t codePage);

}  // namespace vk::platform
