#include "platform/code_page.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/registry.h"

namespace vk::platform {
namespace {

constexpr std::int32_t kDefaultAnsiCodePage = 1252;
std::atomic<std::int32_t> overriddenCodePage{0};

// The setting read once, as Windows fixes its ANSI code page when it starts; a refused setting
// is reported once, on standard error, as the component has no other channel at that point.
std::int32_t configuredCodePage() {
  static const std::int32_t codePage = [] {
    AnsiCodePageSetting setting = readAnsiCodePageSetting();
    if (!setting.problems.empty()) std::fputs(setting.problems.c_str(), stderr);
    return setting.codePage;
  }();
  return codePage;
}

}  // namespace

AnsiCodePageSetting readAnsiCodePageSetting() {
  AnsiCodePageSetting setting{0, std::string()};
  std::string problem;
  if (const char* named = std::getenv("VK_ANSI_CODEPAGE"); named != nullptr && *named != 0) {
    setting.codePage = parseAnsiCodePage(named, &problem);
    if (setting.codePage != 0) return setting;
    setting.problems += "VkString: VK_ANSI_CODEPAGE is refused: " + problem + "\n";
  }
  std::u16string value;
  if (registryGetString(RegistryRoot::LocalMachine, kCodePageKey, kAnsiCodePageValue, &value)) {
    std::string text;
    for (char16_t unit : value) text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    setting.codePage = parseAnsiCodePage(text, &problem);
    if (setting.codePage != 0) return setting;
    setting.problems += "VkString: the registry's ACP value is refused: " + problem + "\n";
  } else if (registryProblemCode() != kRegistryOk) {
    setting.problems +=
        "VkString: the ANSI code page cannot be read from the registry: " + registryProblem() + "\n";
  }
  if (!setting.problems.empty()) {
    setting.problems += "VkString: the ANSI code page is " + std::to_string(kDefaultAnsiCodePage) + "\n";
  }
  setting.codePage = kDefaultAnsiCodePage;
  return setting;
}

std::int32_t ansiCodePage() {
  std::int32_t cp = overriddenCodePage.load(std::memory_order_relaxed);
  return cp != 0 ? cp : configuredCodePage();
}

void setAnsiCodePage(std::int32_t codePage) { overriddenCodePage.store(codePage, std::memory_order_relaxed); }

}  // namespace vk::platform
