#include "text/block_memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/page_mapping.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VK_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VK_SANITIZED_BUILD 1
#endif
#endif

namespace vk::blocks {

namespace {

struct Mapping {
  void* base;
  std::size_t reserved;
};

// Live mappings are few (one per large text), so a vector searched from the back is enough;
// idle ones are kept oldest first.
struct Registry {
  std::mutex lock;
  std::vector<Mapping> live;
  std::vector<Mapping> idle;
  std::size_t idleBytes = 0;
};

// Never destroyed: blocks may be released by static objects during exit.
Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

bool isLarge(std::size_t size) { return size >= kLargeBlock; }

// Shrinking a mapping by less than this keeps its pages: giving back and faulting in again
// would cost more than the memory is worth.
constexpr std::size_t kDiscardAtLeast = std::size_t{4} << 20;

// Twice the size, so that a text can double where it lies.
std::size_t reservationFor(std::size_t size) { return size > SIZE_MAX / 4 ? size : size * 2; }

// Removes the live mapping at `base`; false when `base` is not a mapping.
bool takeLive(Registry& r, void* base, Mapping* out) {
  for (std::size_t i = r.live.size(); i-- > 0;) {
    if (r.live[i].base == base) {
      *out = r.live[i];
      r.live.erase(r.live.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  }
  return false;
}

const Mapping* findLive(const Registry& r, const void* base) {
  for (std::size_t i = r.live.size(); i-- > 0;) {
    if (r.live[i].base == base) return &r.live[i];
  }
  return nullptr;
}

// A mapping for at least `size` bytes: the smallest idle one that fits, else a new one. The
// second member tells whether the block is fresh (and so zero).
std::pair<void*, bool> mapLarge(std::size_t size) {
  Registry& r = registry();
  {
    std::lock_guard<std::mutex> guard(r.lock);
    std::size_t best = r.idle.size();
    for (std::size_t i = 0; i < r.idle.size(); ++i) {
      if (r.idle[i].reserved >= size &&
          (best == r.idle.size() || r.idle[i].reserved < r.idle[best].reserved)) {
        best = i;
      }
    }
    if (best != r.idle.size()) {
      Mapping m = r.idle[best];
      r.idle.erase(r.idle.begin() + static_cast<std::ptrdiff_t>(best));
      r.idleBytes -= m.reserved;
      r.live.push_back(m);
      return {m.base, false};
    }
  }
  const std::size_t reserved = reservationFor(size);
  void* base = platform::mapPages(reserved);
  if (base == nullptr) return {nullptr, false};
  std::lock_guard<std::mutex> guard(r.lock);
  r.live.push_back({base, reserved});
  return {base, true};
}

// Keeps a released mapping idle, giving back the oldest ones beyond the limits.
void keepIdle(Registry& r, Mapping m) {
  std::vector<Mapping> surplus;
  {
    std::lock_guard<std::mutex> guard(r.lock);
    r.idle.push_back(m);
    r.idleBytes += m.reserved;
    while (r.idle.size() > kIdleBlocks || r.idleBytes > kIdleBytes) {
      surplus.push_back(r.idle.front());
      r.idleBytes -= r.idle.front().reserved;
      r.idle.erase(r.idle.begin());
    }
  }
  for (const Mapping& s : surplus) platform::unmapPages(s.base, s.reserved);
}

}  // namespace

bool mappingsInUse() {
#ifdef VK_SANITIZED_BUILD
  return false;
#else
  static const bool available = platform::pageMappingAvailable();
  return available;
#endif
}

void* allocate(std::size_t size) {
  if (mappingsInUse() && isLarge(size)) {
    if (void* block = mapLarge(size).first) return block;
  }
  return std::malloc(size == 0 ? 1 : size);
}

void* allocateZeroed(std::size_t size) {
  if (mappingsInUse() && isLarge(size)) {
    auto [block, fresh] = mapLarge(size);
    if (block != nullptr) {
      if (!fresh) std::memset(block, 0, size);
      return block;
    }
  }
  return std::calloc(size == 0 ? 1 : size, 1);
}

void* resize(void* block, std::size_t oldSize, std::size_t newSize) {
  if (block == nullptr) return allocate(newSize);
  if (newSize == 0) newSize = 1;
  if (mappingsInUse() && isLarge(oldSize)) {
    Registry& r = registry();
    std::size_t reserved = 0;
    {
      std::lock_guard<std::mutex> guard(r.lock);
      if (const Mapping* m = findLive(r, block)) reserved = m->reserved;
    }
    if (reserved != 0) {
      // The room behind a mapping is already reserved: growing into it moves nothing. A text
      // that shrank by megabytes gives the memory behind its new end back to the system.
      if (isLarge(newSize) && newSize <= reserved) {
        if (oldSize > newSize && oldSize - newSize >= kDiscardAtLeast) {
          platform::discardPages(static_cast<char*>(block) + newSize, oldSize - newSize);
        }
        return block;
      }
      void* moved = allocate(newSize);
      if (moved == nullptr) return nullptr;
      std::memcpy(moved, block, std::min(oldSize, newSize));
      release(block, oldSize);
      return moved;
    }
  }
  if (mappingsInUse() && isLarge(newSize)) {
    void* moved = mapLarge(newSize).first;
    if (moved != nullptr) {
      std::memcpy(moved, block, std::min(oldSize, newSize));
      std::free(block);
      return moved;
    }
  }
  return std::realloc(block, newSize);
}

void release(void* block, std::size_t size) {
  if (block == nullptr) return;
  if (mappingsInUse() && isLarge(size)) {
    Registry& r = registry();
    Mapping m{};
    bool mapped;
    {
      std::lock_guard<std::mutex> guard(r.lock);
      mapped = takeLive(r, block, &m);
    }
    if (mapped) {
      keepIdle(r, m);
      return;
    }
  }
  std::free(block);
}

void* toLibraryBlock(void* block, std::size_t size, std::size_t used) {
  if (block == nullptr || !mappingsInUse() || !isLarge(size)) return block;
  {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (findLive(r, block) == nullptr) return block;
  }
  void* copy = std::malloc(used == 0 ? 1 : used);
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, block, used);
  release(block, size);
  return copy;
}

Usage usage() {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  return Usage{r.live.size(), r.idle.size(), r.idleBytes};
}

void releaseIdle() {
  Registry& r = registry();
  std::vector<Mapping> idle;
  {
    std::lock_guard<std::mutex> guard(r.lock);
    idle.swap(r.idle);
    r.idleBytes = 0;
  }
  for (const Mapping& m : idle) platform::unmapPages(m.base, m.reserved);
}

}  // namespace vk::blocks
