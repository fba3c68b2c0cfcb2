// Whole pages straight from the system, for the component's largest text blocks: a mapping
// can be reserved larger than it is first used, so that a growing text fills the room behind
// it instead of moving, and it is zero-filled on first touch. Where the system offers large
// pages on request, the mapping asks for them.
#pragma once
#include <cstddef>

namespace vk::platform {

// True where mapPages can give memory; elsewhere the caller uses the C library alone.
bool pageMappingAvailable();

// A zero-filled mapping of at least `size` bytes, aligned to 2 MiB, whose pages are only
// committed when first touched; nullptr when the system refuses or mapping is unavailable.
void* mapPages(std::size_t size);

// Gives the memory behind the whole pages inside [begin, begin + size) of a mapping back to the
// system, keeping the address space; those pages read as zero when touched again.
void discardPages(void* begin, std::size_t size);

// Gives back a mapping made by mapPages with the same size.
void unmapPages(void* pages, std::size_t size);

}  // namespace vk::platform
