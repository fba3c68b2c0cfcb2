// The table code pages' decoders on every code path this machine has (AVX-512, AVX2,
// baseline, scalar): the first byte picks a table page, the rest is decoded to UTF-16, and
// every path gives the scalar path's bytes and answer.
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
      if (row.converter == vk::Converter::kTable) list.push_back(row.codePage);
    }
    return list;
  }();
  return pages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  std::int32_t page = tablePages()[data[0] % tablePages().size()];
  const std::vector<std::uint8_t> input(data + 1, data + size);  // exactly sized for ASan
  const auto count = static_cast<std::uint32_t>(input.size());
  vk::simd::forcePath(vk::simd::Path::Scalar);
  vk::DataBuffer reference;
  bool expected = vk::EncodingConvert().convert(page, vk::codepage::kUtf16Le, input.data(), count, reference);
  for (int i = 1; i < vk::simd::kPathCount; ++i) {
    auto path = static_cast<vk::simd::Path>(i);
    if (!vk::simd::pathAvailable(path)) break;
    vk::simd::forcePath(path);
    vk::DataBuffer out;
    FUZZ_CHECK(vk::EncodingConvert().convert(page, vk::codepage::kUtf16Le, input.data(), count, out) == expected);
    FUZZ_CHECK(out.length() == reference.length() &&
               (out.length() == 0 || std::memcmp(out.data(), reference.data(), out.length()) == 0));
  }
  return 0;
}
