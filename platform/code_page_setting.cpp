// Which code pages can be the ANSI code page, and reading a setting's text as one.
#include <cstdint>
#include <string>

#include "platform/code_page.h"

namespace vk::platform {

bool isAnsiCodePage(std::int32_t codePage) {
  switch (codePage) {
    case 874:  // Thai
    case 932:  // Japanese (Shift_JIS)
    case 936:  // Simplified Chinese (GBK)
    case 949:  // Korean (Unified Hangul)
    case 950:  // Traditional Chinese (Big5)
      return true;
    default: return codePage >= 1250 && codePage <= 1258;  // the windows-125x pages
  }
}

std::int32_t parseAnsiCodePage(const std::string& text, std::string* problem) {
  std::int32_t codePage = 0;
  bool number = !text.empty() && text.size() <= 5;
  for (char c : text) {
    if (c < '0' || c > '9') number = false;
    else if (number) codePage = codePage * 10 + (c - '0');
  }
  if (!number) {
    *problem = "\"" + text + "\" is not a code page number";
    return 0;
  }
  if (!isAnsiCodePage(codePage)) {
    *problem =
        std::to_string(codePage) + " is not an ANSI code page (874, 932, 936, 949, 950 or 1250 to 1258)";
    return 0;
  }
  problem->clear();
  return codePage;
}

}  // namespace vk::platform
