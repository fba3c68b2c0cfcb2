#include "charset/velkor_bzip2.h"

#include <bzlib.h>

#include <cstdlib>

#include "platform/fatal.h"

namespace vk {
namespace {

std::uint32_t readLittleEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

}  // namespace

bool VelkorBzip2::decompress(const DataBuffer& container, DataBuffer& output) {
  output.clear();
  const std::uint32_t size = container.length();
  if (size == 0) return true;
  if (size < kHeaderSize) return false;

  const std::uint8_t* bytes = container.data();
  if (readLittleEndian32(bytes) != kMagic) return false;
  const std::uint32_t stated = readLittleEndian32(bytes + 4);
  if (stated > kMaxStatedLength) return false;

  // A fresh block rather than the output's own: the output may hold a borrowed block that
  // must not be written into.
  unsigned int produced = stated + kSlack;
  auto* block = static_cast<char*>(std::malloc(produced));
  if (block == nullptr) fatalError("out of memory");
  // libbzip2 takes a non-const source pointer but only reads through it.
  char* source = const_cast<char*>(reinterpret_cast<const char*>(bytes + kHeaderSize));
  int rc = BZ2_bzBuffToBuffDecompress(block, &produced, source, size - kHeaderSize,
                                      /*small=*/0, /*verbosity=*/0);
  if (rc != BZ_OK) {
    std::free(block);
    return false;
  }
  output.adopt(block, produced);
  return true;
}

}  // namespace vk
