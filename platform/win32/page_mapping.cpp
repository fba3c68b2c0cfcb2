// Windows: the component's blocks stay with the C library, whose heap already recycles large
// blocks there; the reserve-and-grow path is not used.
#include "platform/page_mapping.h"

namespace vk::platform {

bool pageMappingAvailable() { return false; }
void* mapPages(std::size_t) { return nullptr; }
void discardPages(void*, std::size_t) {}
void unmapPages(void*, std::size_t) {}

}  // namespace vk::platform
