// POSIX: anonymous private mappings. MAP_NORESERVE because the room reserved for growth is
// address space, not memory, until the text grows into it. The mapping is made 2 MiB larger
// than asked and trimmed to a 2 MiB boundary, so that the kernel can back it with huge pages
// from its first byte.
#include "platform/page_mapping.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace vk::platform {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

bool pageMappingAvailable() { return sizeof(void*) == 8; }

void* mapPages(std::size_t size) {
  if (!pageMappingAvailable() || size == 0 || size > SIZE_MAX / 2) return nullptr;
  size = (size + kHugePage - 1) & ~(kHugePage - 1);
  const std::size_t mapped = size + kHugePage;
  void* raw =
      ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto begin = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (begin + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > begin) ::munmap(raw, aligned - begin);
  const std::uintptr_t end = begin + mapped;
  if (end > aligned + size) ::munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}

void discardPages(void* begin, std::size_t size) {
  const std::uintptr_t pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto first = (reinterpret_cast<std::uintptr_t>(begin) + pageSize - 1) & ~(pageSize - 1);
  const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(begin) + size) & ~(pageSize - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

void unmapPages(void* pages, std::size_t size) {
  if (pages == nullptr) return;
  size = (size + kHugePage - 1) & ~(kHugePage - 1);
  ::munmap(pages, size);
}

}  // namespace vk::platform
