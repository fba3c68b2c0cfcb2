// The installed ANSI text converter, and the ASCII-only stand-in used until there is one.
#include <atomic>

#include "platform/code_page.h"

namespace vk::platform {
namespace {

std::atomic<const AnsiTextConverter*> installed{nullptr};

}  // namespace

void installAnsiTextConverter(const AnsiTextConverter* converter) {
  installed.store(converter, std::memory_order_release);
}

bool ansiToWide(const char* bytes, std::size_t count, std::u16string* out) {
  if (const AnsiTextConverter* converter = installed.load(std::memory_order_acquire)) {
    return converter->toWide(bytes, count, out);
  }
  bool whole = true;
  for (std::size_t i = 0; i < count; ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out->push_back(b);
    } else {
      whole = false;
    }
  }
  return whole;
}

bool wideToAnsi(const char16_t* units, std::size_t count, std::string* out) {
  if (const AnsiTextConverter* converter = installed.load(std::memory_order_acquire)) {
    return converter->fromWide(units, count, out);
  }
  bool whole = true;
  for (std::size_t i = 0; i < count; ++i) {
    if (units[i] < 0x80) {
      out->push_back(static_cast<char>(units[i]));
    } else {
      whole = false;
    }
  }
  return whole;
}

}  // namespace vk::platform
