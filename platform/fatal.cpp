#include "platform/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace vk {

void fatalError(const char* what) {
  std::fprintf(stderr, "VkString: fatal error: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

void capacityExceeded(const char* what) { throw CapacityError(what); }

}  // namespace vk
