// The process's ANSI code page. On Windows it is what GetACP reports (unless an embedder or
// a test has overridden it); natively it is a process setting that starts at 1252.
// Conversions read it afresh each time, so a change takes effect at the next conversion.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vk::platform {

std::int32_t ansiCodePage();

// Overrides the ANSI code page for the whole process; 0 restores the platform's own answer.
void setAnsiCodePage(std::int32_t codePage);

// Text in the ANSI code page to UTF-16 and back, as the system converts the names of the
// narrow file interface (MultiByteToWideChar and WideCharToMultiByte with CP_ACP). On Windows
// the system does it; natively the conversion engine, which sits above this layer, lends its
// tables by installing its converter when the process starts. Both append to `out` and answer
// false when a character does not convert (leaving it out). Until a converter is installed
// only ASCII converts.
struct AnsiTextConverter {
  bool (*toWide)(const char* bytes, std::size_t count, std::u16string* out);
  bool (*fromWide)(const char16_t* units, std::size_t count, std::string* out);
};
void installAnsiTextConverter(const AnsiTextConverter* converter);
bool ansiToWide(const char* bytes, std::size_t count, std::u16string* out);
bool wideToAnsi(const char16_t* units, std::size_t count, std::string* out);

}  // namespace vk::platform
