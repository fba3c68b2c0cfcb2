// The unit tests keep the registry in memory: they must neither see nor change the registry
// file of whoever runs them. Tests of the file store choose their own files.
#include "platform/registry.h"

namespace {

[[maybe_unused]] const bool kInMemory = (vk::platform::registryUseMemory(), true);

}  // namespace
