// The native module's version, kept in a section of its own so that it can be read from the
// file without loading it (readelf -p .vkstring_version libVelkorString.so); the Windows
// module carries it in its version block instead.
#include "vk_version.h"

namespace vk {

// Not exported (the module exports only its four entry points); `used` keeps it although
// nothing refers to it.
extern "C" __attribute__((used, section(".vkstring_version"))) const char vkModuleVersion[] =
    "VkString " VK_VERSION_TEXT;

}  // namespace vk
