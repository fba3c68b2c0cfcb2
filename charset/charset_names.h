// Charset names to code pages: the one lookup behind every member that takes a charset name.
#pragma once
#include <cstdint>

namespace vk {

// The code page of a charset name, or 0 when the name is null, too short or not recognised.
// The name is trimmed of blanks, tabs, CR and LF, lower-cased (ASCII only) and '_' read as '-'
// before an exact match against the name table.
std::int32_t charsetToCodePage(const char* name);

}  // namespace vk
