// The Unicode form converters on arbitrary bytes: UTF-8, UTF-16, UTF-32 and UTF-7 in both
// directions. Checks: nothing comes out of empty input; UTF-16 survives a trip through UTF-8
// and through UTF-7 unit for unit (less a leading byte order mark); decoding UTF-8 to UTF-16 and encoding it
// again equals the one-step re-encoding; a complete UTF-8 to UTF-32 decoding encodes back to the same text.
#include <cstring>

#include "charset/unicode_forms.h"
#include "fuzz_check.h"

namespace {

bool same(const vk::DataBuffer& a, const vk::DataBuffer& b) {
  return a.length() == b.length() && (a.length() == 0 || std::memcmp(a.data(), b.data(), a.length()) == 0);
}

using Converter = bool (*)(const std::uint8_t*, std::uint32_t, vk::DataBuffer&);

bool utf8ToUtf32Le(const std::uint8_t* b, std::uint32_t n, vk::DataBuffer& o) {
  return vk::utf8ToUtf32(b, n, o, false);
}
bool utf8ToUtf32Be(const std::uint8_t* b, std::uint32_t n, vk::DataBuffer& o) {
  return vk::utf8ToUtf32(b, n, o, true);
}

const Converter kConverters[] = {vk::utf8ToUtf16, vk::utf16ToUtf8, vk::reencodeUtf8, vk::utf32ToUtf8,
                                 utf8ToUtf32Le,   utf8ToUtf32Be,   vk::utf7Encode,   vk::utf7Decode};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  const auto count = static_cast<std::uint32_t>(size);

  for (Converter convert : kConverters) {
    vk::DataBuffer out;
    convert(data, count, out);
    if (count == 0) FUZZ_CHECK(out.length() == 0);
  }

  // UTF-8 in two steps and in one.
  vk::DataBuffer wide, twoStep, oneStep;
  vk::utf8ToUtf16(data, count, wide);
  vk::utf16ToUtf8(wide.data(), wide.length(), twoStep);
  vk::reencodeUtf8(data, count, oneStep);
  FUZZ_CHECK(same(twoStep, oneStep));

  // UTF-32: a decoding that went through to the end encodes back to the re-encoded text.
  vk::DataBuffer utf32, back;
  if (vk::utf8ToUtf32(data, count, utf32, false)) {
    vk::utf32ToUtf8(utf32.data(), utf32.length(), back);
    FUZZ_CHECK(same(back, oneStep));
  }

  // The input read as UTF-16 (an even number of bytes) keeps every unit through UTF-8 and UTF-7.
  const std::uint32_t even = count & ~1u;
  vk::DataBuffer source;
  source.append(data, even);
  vk::DataBuffer utf8, viaUtf8;
  vk::utf16ToUtf8(data, even, utf8);
  vk::utf8ToUtf16(utf8.data(), utf8.length(), viaUtf8);
  FUZZ_CHECK(same(viaUtf8, source));

  // UTF-7 drops a leading byte order mark.
  vk::DataBuffer utf7, viaUtf7, withoutMark;
  const bool mark = even >= 2 && data[0] == 0xFF && data[1] == 0xFE;
  withoutMark.append(data + (mark ? 2 : 0), even - (mark ? 2 : 0));
  vk::utf7Encode(data, even, utf7);
  FUZZ_CHECK(vk::utf7Decode(utf7.data(), utf7.length(), viaUtf7));
  FUZZ_CHECK(same(viaUtf7, withoutMark));
  return 0;
}
