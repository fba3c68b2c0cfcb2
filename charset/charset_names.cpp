#include "charset/charset_names.h"

namespace vk {

// Placeholder until the name table lands: no name is recognised yet.
std::int32_t charsetToCodePage(const char*) { return 0; }

}  // namespace vk
