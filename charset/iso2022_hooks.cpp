#include "charset/iso2022_hooks.h"

namespace vk {

// The ISO-2022 transforms are not part of the build yet: their code pages convert to nothing.
const Iso2022Transforms* iso2022Transforms() { return nullptr; }

}  // namespace vk
