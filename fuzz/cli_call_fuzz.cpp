// The command-line client's call parser and its date literals on arbitrary text. Checks: a
// refused call says why; an accepted one names a member, and a put has exactly one argument;
// a date literal that parses writes back as text that parses to the same time.
#include <string>

#include "fuzz_check.h"
#include "tools/vkstring/calendar.h"
#include "tools/vkstring/call_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);

  vk::cli::Call call;
  std::string error;
  if (vk::cli::parseCall(text, &call, &error)) {
    FUZZ_CHECK(!call.name.empty());
    if (call.form == vk::cli::CallForm::Put) FUZZ_CHECK(call.arguments.size() == 1);
  } else {
    FUZZ_CHECK(!error.empty());
  }

  vk::cli::CalendarTime time;
  std::string dateError;
  if (vk::cli::parseDateLiteral(text, &time, &dateError)) {
    vk::cli::CalendarTime again;
    std::string againError;
    FUZZ_CHECK(vk::cli::parseDateLiteral(vk::cli::isoText(time), &again, &againError));
    FUZZ_CHECK(vk::cli::automationDate(again) == vk::cli::automationDate(time));
  }
  return 0;
}
