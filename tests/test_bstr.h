// An automation string that frees itself, for tests that call members directly: made from
// UTF-16 or from UTF-8 text, or empty to receive a member's result through out().
#pragma once
#include <string>

#include "platform/automation_string.h"
#include "platform/utf8.h"

namespace vk::test {

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::u16string& text)
      : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  explicit Bstr(const std::string& utf8) {
    std::u16string units;
    utf8::toUtf16(utf8.data(), utf8.size(), &units);
    value_ = SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
  }
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  operator BSTR() const { return value_; }
  BSTR get() const { return value_; }
  BSTR* out() {
    SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  std::u16string text() const { return std::u16string(value_, SysStringLen(value_)); }

 private:
  BSTR value_ = nullptr;
};

}  // namespace vk::test
