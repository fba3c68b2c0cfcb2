// The charset name table behind charsetToCodePage, for tests and tools that list it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vk {

struct CharsetName {
  const char* name;  // normalised form: lower case, '-' for '_', no surrounding blanks
  std::int32_t codePage;
};

// Every name of the table once, in ascending byte order.
const CharsetName* charsetNames(std::size_t* count);

}  // namespace vk
