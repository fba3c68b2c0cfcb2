// UTF-8 <-> UTF-16 for the command line: arguments arrive as UTF-8 (natively) and strings cross
// the automation boundary as UTF-16. Both go through the shared UTF-8 coder (platform/utf8.h);
// only the treatment of surrogates is the client's own.
#pragma once
#include <string>

namespace vk::cli {

// False when the bytes are not well-formed UTF-8 (overlong forms, surrogates and values above
// U+10FFFF included); out then holds the units converted before the fault.
bool utf8ToUtf16(const std::string& in, std::u16string* out);

// Always succeeds: a unit that is half of a surrogate pair without its other half comes out as
// U+FFFD, so that any automation string can be printed.
std::string utf16ToUtf8(const char16_t* units, std::size_t count);

}  // namespace vk::cli
