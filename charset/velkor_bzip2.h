// Opens the compressed container of a stored table blob: a 4-byte magic number, the length
// of the data after decompression, and a bzip2 stream.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

class VelkorBzip2 {
 public:
  // Bytes E1 A7 94 B3 read little-endian.
  static constexpr std::uint32_t kMagic = 0xB394A7E1u;
  static constexpr std::uint32_t kHeaderSize = 8;
  // Room added to the stated length before decompressing.
  static constexpr std::uint32_t kSlack = 20;
  // The largest stated length we accept. The biggest table is about 100 KB; the cap keeps a
  // corrupt length field from making us allocate gigabytes.
  static constexpr std::uint32_t kMaxStatedLength = 64u * 1024u * 1024u;

  virtual ~VelkorBzip2() = default;

  // Replaces `output` with the decompressed content of `container`. An empty container gives
  // empty output and true. A container shorter than its header, with a wrong magic number,
  // an oversized stated length or a stream that fails to decompress gives false and empty
  // output.
  bool decompress(const DataBuffer& container, DataBuffer& output);
};

}  // namespace vk
