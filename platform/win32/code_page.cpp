// The ANSI code page on Windows: the system's (GetACP) unless the process has set another.
#include "platform/code_page.h"

#include <windows.h>

#include <atomic>

namespace vk::platform {
namespace {
std::atomic<std::int32_t> overriddenCodePage{0};
}  // namespace

std::int32_t ansiCodePage() {
  std::int32_t cp = overriddenCodePage.load(std::memory_order_relaxed);
  return cp != 0 ? cp : static_cast<std::int32_t>(GetACP());
}

void setAnsiCodePage(std::int32_t codePage) { overriddenCodePage.store(codePage, std::memory_order_relaxed); }

}  // namespace vk::platform
