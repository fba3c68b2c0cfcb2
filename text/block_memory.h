// Where the blocks of the text and byte buffers come from. Blocks below kLargeBlock are the C
// library's. Larger ones are page mappings reserved at twice their size, so that a text
// growing by replacement or appending fills the room behind it instead of moving, and a few
// mappings given back are kept for the next large block: touching fresh pages is the dearest
// part of a large operation on many systems (virtual machines most), and the C library
// recycles blocks only up to a few tens of megabytes. At most kIdleBlocks mappings (and
// kIdleBytes of address space) are kept idle; releaseIdle gives them back at once.
//
// The owner of a block passes its size back on every call, as it knows it anyway; the size
// only decides whether the block may be a mapping, which the registry of mappings then
// confirms, so a large block of the C library adopted from elsewhere is still freed by it.
#pragma once
#include <cstddef>

namespace vk::blocks {

constexpr std::size_t kLargeBlock = std::size_t{8} << 20;
constexpr std::size_t kIdleBlocks = 2;
constexpr std::size_t kIdleBytes = std::size_t{1} << 30;

// A block of `size` bytes (uninitialised), or nullptr when there is no memory.
void* allocate(std::size_t size);
// A block of `size` zero bytes, or nullptr.
void* allocateZeroed(std::size_t size);
// realloc's contract: the first min(oldSize, newSize) bytes are kept; nullptr leaves `block`
// as it was. A null block is a fresh allocation.
void* resize(void* block, std::size_t oldSize, std::size_t newSize);
// Gives back a block of this module (or of the C library) of `size` bytes.
void release(void* block, std::size_t size);
// Turns a block of `size` bytes, of which the first `used` matter, into one that the C
// library's free() accepts, for callers outside the buffers; a C library block comes back
// as it is.
void* toLibraryBlock(void* block, std::size_t size, std::size_t used);

struct Usage {
  std::size_t liveMappings = 0;
  std::size_t idleMappings = 0;
  std::size_t idleBytes = 0;  // address space reserved by the idle mappings
};
Usage usage();
void releaseIdle();

// False where the large path is not used (no page mappings, or a sanitizer build, whose
// checks cover only the C library's blocks): every block is then the C library's.
bool mappingsInUse();

}  // namespace vk::blocks
