// Lookups in the code-page list, and which code pages the engine can convert: the Unicode forms
// by algorithm, the table pages of the table store, and the ISO-2022 and HZ pages when their
// byte transforms are built in. Callers that must not act on a conversion that cannot produce
// anything ask canConvert first.
#include "charset/code_pages.h"

#include <algorithm>
#include <iterator>

#include "charset/encoding_convert.h"
#include "charset/iso2022_hooks.h"

namespace vk {
namespace {

constexpr bool rowsAscend() {
  for (std::size_t i = 1; i < std::size(kCodePages); ++i) {
    if (kCodePages[i - 1].codePage >= kCodePages[i].codePage) return false;
  }
  return true;
}
static_assert(rowsAscend(), "one row per code page, in ascending order");

}  // namespace

const CodePageRow* codePageRow(std::int32_t codePage) {
  const CodePageRow* end = std::end(kCodePages);
  const CodePageRow* found =
      std::lower_bound(std::begin(kCodePages), end, codePage,
                       [](const CodePageRow& row, std::int32_t value) { return row.codePage < value; });
  return found != end && found->codePage == codePage ? found : nullptr;
}

bool EncodingConvert::canConvert(std::int32_t codePage) {
  const CodePageRow* row = codePageRow(codePage);
  if (row == nullptr) return false;
  switch (row->converter) {
    case Converter::kUnicode:
    case Converter::kTable: return true;
    case Converter::kTransform: return iso2022Transforms() != nullptr;
    case Converter::kNone: break;
  }
  return false;
}

}  // namespace vk
