// Chooses the table kernels for the path in force (unicode/simd/cpu_paths.h).
#include "charset/simd/table_kernels.h"
#include "unicode/simd/cpu_paths.h"

namespace vk::tablesimd {

SingleByteDecoder::SingleByteDecoder(const std::uint16_t* units) : units_(units) {
#if VK_TABLE_SIMD
  kind_ = simd::byVbmiPath(Kind::Avx512Vbmi, Kind::Avx2, Kind::None);
  if (kind_ == Kind::Avx2) {
    for (int b = 0; b < 256; ++b) wideUnits_[b] = units[b];
  }
#endif
}

std::size_t SingleByteDecoder::decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out) const {
#if VK_TABLE_SIMD
  switch (kind_) {
    case Kind::Avx512Vbmi: return decodeSingleByteAvx512Vbmi(units_, in, count, out);
    case Kind::Avx2: return decodeSingleByteAvx2(wideUnits_, in, count, out);
    case Kind::None: break;
  }
#else
  (void)in;
  (void)count;
  (void)out;
#endif
  return 0;
}

SingleByteEncoder::SingleByteEncoder(const FlatEncodeTable& table, bool foldArabicDigits)
    : table_(table), fold_(foldArabicDigits) {
#if VK_TABLE_SIMD
  // The AVX2 kernel narrows ASCII units as they are, so it serves only pages that write them so.
  kind_ =
      simd::byVbmiPath(Kind::Avx512Vbmi, table.passesAsciiThrough() ? Kind::Avx2 : Kind::None, Kind::None);
#endif
}

std::size_t SingleByteEncoder::encode(const std::uint8_t* in, std::size_t units, std::uint8_t* out) const {
#if VK_TABLE_SIMD
  switch (kind_) {
    case Kind::Avx512Vbmi: return encodeSingleByteAvx512Vbmi(table_, fold_, in, units, out);
    case Kind::Avx2: return encodeSingleByteAvx2(table_, fold_, in, units, out);
    case Kind::None: break;
  }
#else
  (void)in;
  (void)units;
  (void)out;
#endif
  return 0;
}

std::size_t widenAscii(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
  std::size_t done = 0;
#if VK_TABLE_SIMD
  simd::Path path = simd::activePath();
  if (path == simd::Path::Avx512) done = widenAsciiAvx512(in, count, out);
  if (path == simd::Path::Avx2) done = widenAsciiAvx2(in, count, out);
#endif
  // The rest of the run that the kernel leaves (all of it on the scalar path).
  while (done < count && in[done] < 0x80) {
    out[2 * done] = in[done];
    out[2 * done + 1] = 0;
    ++done;
  }
  return done;
}

}  // namespace vk::tablesimd
