// The conversion engine between code pages chosen by the input: table pages (single- and
// multi-byte), the ISO-2022 and HZ transforms and the Unicode forms, in every pairing.
// Checks: nothing comes out of empty input; for a table page, text that decodes completely
// and encodes back completely decodes again to the same UTF-16 (the bytes may differ where
// a page has two spellings of one character, the text may not; Mac Arabic reorders, see below).
#include <cstring>
#include <vector>

#include "charset/encoding_convert.h"
#include "charset/table_store_info.h"
#include "fuzz_check.h"

namespace {

std::vector<std::int32_t> allPages() {
  std::vector<std::int32_t> pages = {1200,  1201,  65000, 65001, 65005, 65006,
                                     50220, 50221, 50222, 50225, 52936};
  std::size_t count = 0;
  const std::int32_t* tables = vk::tableCodePages(&count);
  pages.insert(pages.end(), tables, tables + count);
  return pages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::int32_t> pages = allPages();
  if (size < 2 || size > 1 << 16) return 0;
  const std::int32_t source = pages[data[0] % pages.size()];
  const std::int32_t destination = pages[data[1] % pages.size()];
  const std::uint8_t* bytes = data + 2;
  const auto count = static_cast<std::uint32_t>(size - 2);

  vk::EncodingConvert engine;
  vk::DataBuffer out;
  engine.convert(source, destination, bytes, count, out);
  if (count == 0) {
    FUZZ_CHECK(out.length() == 0);
    return 0;
  }

  // Both ways through UTF-16 for the source page when it is a table page. Mac Arabic is left
  // out: its decoder brings visual-order runs to logical order, which encoding does not undo.
  if (!vk::tableLayoutFor(source, nullptr) || source == vk::codepage::kMacArabic) return 0;
  vk::DataBuffer wide, encoded, again;
  if (!engine.convert(source, vk::codepage::kUtf16Le, bytes, count, wide)) return 0;
  if (!engine.convert(vk::codepage::kUtf16Le, source, wide.data(), wide.length(), encoded)) return 0;
  FUZZ_CHECK(engine.convert(source, vk::codepage::kUtf16Le, encoded.data(), encoded.length(), again));
  // UTF-16 input that begins with a byte-order mark is read by the mark, which is not text: a
  // page that decodes a byte to U+FEFF (Mac Thai) loses that first character on the way back,
  // and a leading U+FFFE would be read as a byte-swapped mark.
  const auto* units = reinterpret_cast<const std::uint8_t*>(wide.data());
  if (wide.length() >= 2 && units[0] == 0xFE && units[1] == 0xFF) return 0;
  const std::uint32_t mark = wide.length() >= 2 && units[0] == 0xFF && units[1] == 0xFE ? 2 : 0;
  FUZZ_CHECK(again.length() == wide.length() - mark);
  FUZZ_CHECK(again.length() == 0 || std::memcmp(again.data(), wide.data() + mark, again.length()) == 0);
  return 0;
}
