// The base64 coder on every code path this machine has (AVX-512 VBMI, AVX2, scalar): each path
// gives the scalar path's text when encoding, and its bytes and answer when decoding, for the
// same input (read both as bytes to encode and as text to decode).
#include <cstring>
#include <string>

#include "coding/content_coding.h"
#include "fuzz_check.h"
#include "unicode/simd/cpu_paths.h"

namespace {

struct Result {
  std::string text;
  bool ok = true;
};

Result run(vk::simd::Path path, const std::uint8_t* data, std::uint32_t count, bool decode) {
  vk::simd::forcePath(path);
  Result r;
  if (decode) {
    vk::DataBuffer out;
    r.ok = vk::ContentCoding().decodeBase64(reinterpret_cast<const char*>(data), count, out);
    r.text.assign(reinterpret_cast<const char*>(out.data()), out.length());
  } else {
    vk::StringBuffer out;
    vk::ContentCoding().encodeBase64(data, count, out);
    r.text.assign(out.text(), static_cast<std::size_t>(out.length()));
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  const auto count = static_cast<std::uint32_t>(size);
  for (bool decode : {false, true}) {
    Result reference = run(vk::simd::Path::Scalar, data, count, decode);
    for (int i = 1; i < vk::simd::kPathCount; ++i) {
      auto path = static_cast<vk::simd::Path>(i);
      if (!vk::simd::pathAvailable(path)) break;
      Result got = run(path, data, count, decode);
      FUZZ_CHECK(got.ok == reference.ok);
      FUZZ_CHECK(got.text == reference.text);
    }
  }
  return 0;
}
