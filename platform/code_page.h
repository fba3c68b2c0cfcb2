// The process's ANSI code page. On Windows it is what GetACP reports (unless an embedder or
// a test has overridden it); natively it is read once per process as Windows reads it at
// start-up (readAnsiCodePageSetting below), 1252 when nothing sets it.
// Conversions read it afresh each time, so a change takes effect at the next conversion.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vk::platform {

std::int32_t ansiCodePage();

// Overrides the ANSI code page for the whole process; 0 restores the platform's own answer.
void setAnsiCodePage(std::int32_t codePage);

// Whether Windows can have `codePage` as its ANSI code page: 874, 932, 936, 949, 950 and
// 1250-1258 (not the OEM, EBCDIC or Unicode code pages, which no ANSI interface can take).
bool isAnsiCodePage(std::int32_t codePage);
// A code-page setting's text ("932") as a code page; 0, with `problem` saying why, when it is
// not a plain decimal number or not an ANSI code page.
std::int32_t parseAnsiCodePage(const std::string& text, std::string* problem);

#ifndef _WIN32
// Where the system keeps its ANSI code page, as on Windows: the value "ACP" of this key of
// HKEY_LOCAL_MACHINE (vk_regsvr --ansi-code-page sets it).
constexpr char16_t kCodePageKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";
constexpr char16_t kAnsiCodePageValue[] = u"ACP";

// The native ANSI code page as the settings give it, read afresh: the environment variable
// VK_ANSI_CODEPAGE for one process, else the registry's ACP value, else 1252. A setting that
// is not an ANSI code page is never used: `problems` gets one line naming it, and the next
// source decides. ansiCodePage() reads this once, at its first call, and prints the problems
// to standard error then.
struct AnsiCodePageSetting {
  std::int32_t codePage;
  std::string problems;
};
AnsiCodePageSetting readAnsiCodePageSetting();
#endif

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
