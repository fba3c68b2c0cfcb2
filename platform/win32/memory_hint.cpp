// Windows: large pages need a privilege that a scripting client does not hold, so the hint
// is not passed on.
#include "platform/memory_hint.h"

namespace vk::platform {

void adviseLargeBlock(void*, std::size_t) {}

}  // namespace vk::platform
