// The scalar UTF-8 <-> UTF-16LE passes, which define every path's results, and the choice of
// kernel for a code path.
#include <cstring>

#include "unicode/simd/transcode.h"
#include "unicode/simd/transcode_rules.h"
#include "platform/utf8.h"

namespace vk::simd {

const std::uint8_t* utf8ToUtf16Scalar(const std::uint8_t* p, const std::uint8_t* stop,
                                      const std::uint8_t* end, std::uint8_t*& out) {
  std::uint8_t* q = out;
  while (p < stop) {
    // Eight ASCII bytes at a time.
    while (stop - p >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      if ((w & 0x8080808080808080ull) != 0) break;
      for (int i = 0; i < 8; ++i) storeUnit(q + 2 * i, p[i]);
      p += 8;
      q += 16;
    }
    if (p >= stop) break;
    std::uint32_t b0 = *p;
    if (b0 < 0x80) {
      storeUnit(q, b0);
      ++p;
      q += 2;
      continue;
    }
    std::int64_t available = end - p;
    if (b0 >= 0xE0 && b0 < 0xF0) {
      if (available >= 3 && isContinuation(p[1]) && isContinuation(p[2])) {
        std::uint32_t u = ((b0 & 0x0F) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        if (u >= 0x800) {
          storeUnit(q, u);
          p += 3;
          q += 2;
          continue;
        }
      }
      ++p;
      continue;
    }
    if (b0 >= 0xC2 && b0 < 0xE0) {
      if (available >= 2 && isContinuation(p[1])) {
        storeUnit(q, ((b0 & 0x1F) << 6) | (p[1] & 0x3Fu));
        p += 2;
        q += 2;
        continue;
      }
      ++p;
      continue;
    }
    Decoded d = decodeUtf8(p, available);
    if (d.consumed == 4) {
      std::uint32_t v = d.value - 0x10000;
      storeUnit(q, 0xD800 | (v >> 10));
      storeUnit(q + 2, 0xDC00 | (v & 0x3FF));
      q += 4;
      p += 4;
      continue;
    }
    ++p;  // 0x80..0xC1, F5 and above, or a bad 4-byte sequence: skip one byte
  }
  out = q;
  return p;
}

namespace {

// One unit, or a surrogate pair when a low surrogate follows a high one.
inline const std::uint8_t* encodeOneToUtf8(const std::uint8_t* p, const std::uint8_t* end, std::uint8_t*& q) {
  std::uint32_t u = loadUnit(p);
  if (isHighSurrogate(u) && end - p >= 4) {
    std::uint32_t low = loadUnit(p + 2);
    if (isLowSurrogate(low)) {
      q += utf8::encode(combinePair(u, low), q);
      return p + 4;
    }
  }
  q += utf8::encode(u, q);
  return p + 2;
}

}  // namespace

const std::uint8_t* utf16ToUtf8Scalar(const std::uint8_t* p, const std::uint8_t* stop,
                                      const std::uint8_t* end, std::uint8_t*& out) {
  std::uint8_t* q = out;
  while (stop - p >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    if ((w & 0xFF80FF80FF80FF80ull) != 0) {
      p = encodeOneToUtf8(p, end, q);
      continue;
    }
    q[0] = p[0];
    q[1] = p[2];
    q[2] = p[4];
    q[3] = p[6];
    p += 8;
    q += 4;
  }
  while (p < stop) p = encodeOneToUtf8(p, end, q);
  out = q;
  return p;
}

TranscodePass utf8ToUtf16Kernel(Path path) {
#if VK_SIMD_WIDE_KERNELS
  if (path >= Path::Avx512 && cpuFeatures().avx512vbmi2) return utf8ToUtf16Avx512;
  if (path >= Path::Avx2) return utf8ToUtf16Avx2;
#endif
#if VK_SIMD_SSE2_KERNELS
  if (path >= Path::Baseline) return utf8ToUtf16Sse2;
#endif
  (void)path;
  return utf8ToUtf16Scalar;
}

TranscodePass utf16ToUtf8Kernel(Path path) {
#if VK_SIMD_WIDE_KERNELS
  if (path >= Path::Avx512 && cpuFeatures().avx512vbmi2) return utf16ToUtf8Avx512;
  if (path >= Path::Avx2) return utf16ToUtf8Avx2;
#endif
#if VK_SIMD_SSE2_KERNELS
  if (path >= Path::Baseline) return utf16ToUtf8Sse2;
#endif
  (void)path;
  return utf16ToUtf8Scalar;
}

}  // namespace vk::simd
