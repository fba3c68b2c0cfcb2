// Which code pages the engine can convert: the Unicode forms by algorithm, the table code
// pages of the table store, and the ISO-2022 and HZ pages when their byte transforms are
// built in.
// Callers that must not act on a conversion that cannot produce anything ask here first.
#include "charset/encoding_convert.h"
#include "charset/iso2022_hooks.h"
#include "charset/table_store_info.h"

namespace vk {

bool EncodingConvert::canConvert(std::int32_t codePage) {
  switch (codePage) {
    case codepage::kUtf16Le:
    case codepage::kUtf16Be:
    case codepage::kUtf7:
    case codepage::kUtf8:
    case codepage::kUtf32Le:
    case codepage::kUtf32Be:
      return true;
    case codepage::kIso2022Jp:
    case codepage::kIso2022JpKana:
    case codepage::kIso2022JpAllow1Byte:
    case codepage::kIso2022Kr:
    case 52936:  // HZ-GB-2312, a byte transform around 936
      return iso2022Transforms() != nullptr;
    default:
      return codePage != 0 && tableLayoutFor(codePage, nullptr);
  }
}

}  // namespace vk
