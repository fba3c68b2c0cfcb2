// The stored table blobs compiled into the module (generated into charset/tables/ by
// tools/codepage-gen). A blob is kept as a run of text pieces that are joined in order
// before decoding; the cuts carry no meaning.
#pragma once
#include <cstdint>

namespace vk {

// The pieces of the stored blob of a table code page, ending with a null pointer, or null
// when the code page has no stored blob of its own. Code page 10001 answers its patch
// against 932; code page 51936 has no blob of its own (it uses 936's).
const char* const* storedBlobPieces(std::int32_t codePage);

}  // namespace vk
