// Stopping the process on a programming error (a destroyed or overwritten buffer, a size
// that would overflow 32 bits). Continuing would touch memory that is not ours.
#pragma once

namespace vk {

[[noreturn]] void fatalError(const char* what);

}  // namespace vk
