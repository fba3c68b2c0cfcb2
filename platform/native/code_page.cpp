#include "platform/code_page.h"

#include <atomic>

namespace vk::platform {
namespace {
// Natively there is no system answer: the ANSI code page is 1252 unless set.
constexpr std::int32_t kDefaultAnsiCodePage = 1252;
std::atomic<std::int32_t> overriddenCodePage{0};
}  // namespace

std::int32_t ansiCodePage() {
  std::int32_t cp = overriddenCodePage.load(std::memory_order_relaxed);
  return cp != 0 ? cp : kDefaultAnsiCodePage;
}

void setAnsiCodePage(std::int32_t codePage) {
  overriddenCodePage.store(codePage, std::memory_order_relaxed);
}

}  // namespace vk::platform
