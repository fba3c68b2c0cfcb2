// Switches the process's ANSI code page for the length of a test.
#pragma once
#include "platform/code_page.h"

namespace vk::test {

class AnsiCodePageScope {
 public:
  explicit AnsiCodePageScope(std::int32_t codePage) : previous_(platform::ansiCodePage()) {
    platform::setAnsiCodePage(codePage);
  }
  ~AnsiCodePageScope() { platform::setAnsiCodePage(previous_); }
  AnsiCodePageScope(const AnsiCodePageScope&) = delete;
  AnsiCodePageScope& operator=(const AnsiCodePageScope&) = delete;

 private:
  std::int32_t previous_;
};

}  // namespace vk::test
