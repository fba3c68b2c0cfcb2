// A hint for blocks of many megabytes that are about to be filled in one go (a whole file, a
// whole conversion): the system may back them with large pages, which saves one page fault
// per 4 KiB. Nothing changes for the program but the time; a system without such pages, or a
// small block, ignores the hint.
#pragma once
#include <cstddef>

namespace vk::platform {

void adviseLargeBlock(void* block, std::size_t size);

}  // namespace vk::platform
