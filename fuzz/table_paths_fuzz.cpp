// The table converters on every code path this machine has (AVX-512 VBMI, AVX2, scalar): the
// first byte of the input picks a table code page (single-byte or multi-byte) from its low
// seven bits and the direction from the top bit; the rest is decoded to UTF-16 (top bit clear)
// or read as UTF-16 and encoded, and each path gives the scalar path's bytes and answer.
#include <cstring>
#include <vector>

#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "fuzz_check.h"
#include "unicode/simd/cpu_paths.h"

namespace {

const std::vector<std::int32_t>& tablePages() {
  static const std::vector<std::int32_t> pages = [] {
    std::vector<std::int32_t> list;
    for (const vk::CodePageRow& row : vk::kCodePages) {
      if (row.converter == vk::Converter::kTable && row.table != vk::TableKind::kNone)
        list.push_back(row.codePage);
    }
    return list;
  }();
  return pages;
}

bool same(const vk::DataBuffer& a, const vk::DataBuffer& b) {
  return a.length() == b.length() && (a.length() == 0 || std::memcmp(a.data(), b.data(), a.length()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  const std::vector<std::int32_t>& pages = tablePages();
  const std::int32_t page = pages[(data[0] & 0x7F) % pages.size()];
  const bool encode = (data[0] & 0x80) != 0;
  const std::int32_t from = encode ? 1200 : page;
  const std::int32_t to = encode ? page : 1200;
  const auto count = static_cast<std::uint32_t>(size - 1);
  vk::simd::forcePath(vk::simd::Path::Scalar);
  vk::DataBuffer reference;
  bool expected = vk::EncodingConvert().convert(from, to, data + 1, count, reference);
  for (int i = 1; i < vk::simd::kPathCount; ++i) {
    auto path = static_cast<vk::simd::Path>(i);
    if (!vk::simd::pathAvailable(path)) break;
    vk::simd::forcePath(path);
    vk::DataBuffer out;
    bool result = vk::EncodingConvert().convert(from, to, data + 1, count, out);
    FUZZ_CHECK(result == expected);
    FUZZ_CHECK(same(out, reference));
  }
  return 0;
}
