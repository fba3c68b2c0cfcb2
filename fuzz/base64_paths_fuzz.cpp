// Base64 on every code path this machine has (AVX-512, AVX2, baseline, scalar): the strict
// decoder gives the scalar path's bytes and answer for any text (whitespace, '=', bad
// characters and NULs anywhere), and the encoder the scalar path's text, which decodes back.
#include <cstring>

#include "coding/content_coding.h"
#include "fuzz_check.h"
#include "unicode/simd/cpu_paths.h"

namespace {

template <typename Buffer>
bool same(const Buffer& a, const Buffer& b) {
  return a.length() == b.length() && (a.length() == 0 || std::memcmp(a.data(), b.data(), a.length()) == 0);
}

bool sameText(const vk::StringBuffer& a, const vk::StringBuffer& b) {
  return a.length() == b.length() && (a.length() == 0 || std::memcmp(a.text(), b.text(), a.length()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  const auto count = static_cast<std::uint32_t>(size);
  vk::ContentCoding coding;
  vk::simd::forcePath(vk::simd::Path::Scalar);
  vk::DataBuffer decoded;
  bool decodes = coding.decodeBase64(reinterpret_cast<const char*>(data), count, decoded);
  vk::StringBuffer encoded;
  coding.encodeBase64(data, count, encoded);
  for (int i = 1; i < vk::simd::kPathCount; ++i) {
    auto path = static_cast<vk::simd::Path>(i);
    if (!vk::simd::pathAvailable(path)) break;
    vk::simd::forcePath(path);
    vk::DataBuffer out;
    FUZZ_CHECK(coding.decodeBase64(reinterpret_cast<const char*>(data), count, out) == decodes);
    FUZZ_CHECK(same(out, decoded));
    vk::StringBuffer text;
    coding.encodeBase64(data, count, text);
    FUZZ_CHECK(sameText(text, encoded));
    vk::DataBuffer back;
    FUZZ_CHECK(coding.decodeBase64(text.text(), static_cast<std::uint32_t>(text.length()), back));
    FUZZ_CHECK(back.length() == count && (count == 0 || std::memcmp(back.data(), data, count) == 0));
  }
  return 0;
}
