// The Unicode form converters on every code path this machine has (AVX-512, AVX2, baseline,
// scalar): each path gives the scalar path's bytes and answer for the same input.
#include <cstring>

#include "charset/unicode_forms.h"
#include "fuzz_check.h"
#include "unicode/simd/cpu_paths.h"

namespace {

using Converter = bool (*)(const std::uint8_t*, std::uint32_t, vk::DataBuffer&);

const Converter kConverters[] = {vk::utf8ToUtf16, vk::utf16ToUtf8, vk::reencodeUtf8};

bool same(const vk::DataBuffer& a, const vk::DataBuffer& b) {
  return a.length() == b.length() && (a.length() == 0 || std::memcmp(a.data(), b.data(), a.length()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  const auto count = static_cast<std::uint32_t>(size);
  for (Converter convert : kConverters) {
    vk::simd::forcePath(vk::simd::Path::Scalar);
    vk::DataBuffer reference;
    bool expected = convert(data, count, reference);
    for (int i = 1; i < vk::simd::kPathCount; ++i) {
      auto path = static_cast<vk::simd::Path>(i);
      if (!vk::simd::pathAvailable(path)) break;
      vk::simd::forcePath(path);
      vk::DataBuffer out;
      bool result = convert(data, count, out);
      FUZZ_CHECK(result == expected);
      FUZZ_CHECK(same(out, reference));
    }
  }
  return 0;
}
