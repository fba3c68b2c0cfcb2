// The one-pass converters of checked_convert.h. Each loop writes straight into reserved
// output memory, copies ASCII runs sixteen bytes at a time (SSE2) where the pair keeps ASCII
// as it is, and returns false at the first character the engine would leave out, so a clean
// piece costs one pass and a faulty one is handed back whole.
#include "charset/checked_convert.h"

#include <algorithm>
#include <cstring>

#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "charset/simd/table_kernels.h"
#include "charset/table_store.h"
#include "platform/utf8.h"
#include "unicode/simd/bits.h"
#include "unicode/simd/cpu_paths.h"
#include "unicode/simd/transcode.h"

#if !defined(VK_UNICODE_NO_SIMD) && \
    (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#include <emmintrin.h>
#define VK_CHECKED_SSE2 1
#else
#define VK_CHECKED_SSE2 0
#endif

namespace vk {
namespace {

using simd::bitCount;
using simd::lowestBit;

// Tests may force the scalar path (simd::forcePath) to run the same input through both.
inline bool vectorsAllowed() { return VK_CHECKED_SSE2 && simd::activePath() >= simd::Path::Baseline; }

// Copies the ASCII bytes at `in` (up to `left`) to `out`, sixteen at a time; answers how many.
// Stores sixteen bytes even when fewer are ASCII: the output keeps 16 spare bytes.
inline std::uint32_t copyAscii(const std::uint8_t* in, std::uint32_t left, std::uint8_t* out) {
  std::uint32_t done = 0;
#if VK_CHECKED_SSE2
  while (left - done >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), v);
    unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
    if (high != 0) return done + lowestBit(high);
    done += 16;
  }
#endif
  while (done < left && in[done] < 0x80) {
    out[done] = in[done];
    ++done;
  }
  return done;
}

// Writes a UTF-8 entry (bytes in bits 0-23, count in bits 24-25) as four bytes and keeps the
// count of them.
inline void putEntry(std::uint8_t*& out, std::uint32_t entry) {
  std::memcpy(out, &entry, 4);  // little-endian byte order: the first byte lowest
  out += entry >> 24;
}

// Reserves room after the output's contents; false when the total would pass 32 bits.
std::uint8_t* reserve(DataBuffer& output, std::uint32_t count, std::uint32_t perByte) {
  // Past the worst case: 16 bytes for the stores of copyAscii, and the vector kernels' slack.
  std::uint64_t needed =
      std::uint64_t{output.length()} + std::uint64_t{count} * perByte + 16 + simd::kUtf16To8Slack;
  if (needed > UINT32_MAX) return nullptr;
  output.ensureCapacity(static_cast<std::uint32_t>(needed));
  return output.data() + output.length();
}

bool singleByteToUtf8(const std::uint32_t* entries, bool ascii, const std::uint8_t* in, std::uint32_t count,
                      std::uint8_t*& out) {
  bool vectors = ascii && vectorsAllowed();
  std::uint32_t faults = 0;  // entry - 1 has bit 31 set only for an entry of 0 (unmapped)
  std::uint32_t i = 0;
  while (i < count) {
    if (vectors && in[i] < 0x80) {
      std::uint32_t copied = copyAscii(in + i, count - i, out);
      out += copied;
      i += copied;
    }
    // The bytes up to the next run of sixteen through the table (at least one).
    std::uint32_t end = std::min(count, (i + 16) & ~15u);
    for (; i < end; ++i) {
      std::uint32_t entry = entries[in[i]];
      faults |= entry - 1;
      putEntry(out, entry);
    }
    if (faults & 0x80000000u) return false;
  }
  return true;
}

// A single-byte page through the vector kernels: chunks decoded to UTF-16 in a small buffer
// (the page's table lookup, 64 bytes at a time), then encoded to UTF-8 (the engine's UTF-16
// kernel). Where the decoder stops (a byte the page leaves out, or a last part block) the
// rest of that chunk goes through the table of UTF-8 entries.
bool singleByteViaUtf16(const tablesimd::SingleByteDecoder& decoder, const std::uint32_t* entries, bool ascii,
                        const std::uint8_t* in, std::uint32_t count, std::uint8_t*& out) {
  constexpr std::uint32_t kChunk = 4096;
  std::uint8_t wide[2 * kChunk];
  simd::TranscodePass encode = simd::utf16ToUtf8Kernel(simd::activePath());
  for (std::uint32_t i = 0; i < count;) {
    std::uint32_t n = std::min(kChunk, count - i);
    auto taken = static_cast<std::uint32_t>(decoder.decode(in + i, n, wide));
    encode(wide, wide + 2 * taken, wide + 2 * taken, out);
    if (taken < n && !singleByteToUtf8(entries, ascii, in + i + taken, n - taken, out)) return false;
    i += n;
  }
  return true;
}

bool flatToUtf8(const FlatDecodeTable& flat, const std::uint8_t* in, std::uint32_t count,
                std::uint8_t*& out) {
  bool ascii = flat.passesAsciiThrough();
  bool vectors = ascii && vectorsAllowed();
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = in[i];
    if (b < 0x80 && ascii) {
      if (vectors) {
        std::uint32_t copied = copyAscii(in + i, count - i, out);
        out += copied;
        i += copied;
      } else {
        *out++ = b;
        ++i;
      }
      continue;
    }
    // A 2-byte key first, then the byte alone, as the engine walks the input.
    std::uint32_t entry = i + 1 < count ? flat.pairUtf8(b, in[i + 1]) : 0;
    if (entry != 0) {
      putEntry(out, entry);
      i += 2;
      continue;
    }
    entry = flat.singleUtf8(b);
    if (entry == 0) return false;
    putEntry(out, entry);
    ++i;
  }
  return true;
}

// Decodes the UTF-8 sequence at in[i] (well-formed UTF-8 only: no overlong forms, surrogates
// or values above U+10FFFF); answers its length, 0 when it is malformed or cut short.
inline std::uint32_t decodeUtf8(const std::uint8_t* in, std::uint32_t i, std::uint32_t count,
                                std::uint32_t* cp) {
  unsigned b = in[i];
  if (b < 0x80) {
    *cp = b;
    return 1;
  }
  std::uint32_t left = count - i;
  if (b >= 0xC2 && b <= 0xDF) {
    if (left < 2 || (in[i + 1] & 0xC0) != 0x80) return 0;
    *cp = (b & 0x1F) << 6 | (in[i + 1] & 0x3F);
    return 2;
  }
  unsigned low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
  unsigned high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
  if (b >= 0xE0 && b <= 0xEF) {
    if (left < 3 || in[i + 1] < low || in[i + 1] > high || (in[i + 2] & 0xC0) != 0x80) return 0;
    *cp = (b & 0x0F) << 12 | (in[i + 1] & 0x3F) << 6 | (in[i + 2] & 0x3F);
    return 3;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    if (left < 4 || in[i + 1] < low || in[i + 1] > high || (in[i + 2] & 0xC0) != 0x80 ||
        (in[i + 3] & 0xC0) != 0x80) {
      return 0;
    }
    *cp = (b & 0x07) << 18 | (in[i + 1] & 0x3F) << 12 | (in[i + 2] & 0x3F) << 6 | (in[i + 3] & 0x3F);
    return 4;
  }
  return 0;
}

// Writes the table's bytes for one UTF-16 unit; false when the table has none.
inline bool putEncoded(const FlatEncodeTable& flat, std::uint32_t unit, std::uint8_t*& out) {
  std::uint32_t entry = flat.entryFor(static_cast<std::uint16_t>(unit));
  if (entry == 0) return false;
  out[0] = static_cast<std::uint8_t>(entry);
  out[1] = static_cast<std::uint8_t>(entry >> 8);
  out += entry >> FlatEncodeTable::kCountShift;
  return true;
}

bool utf8ToTable(const FlatEncodeTable& flat, bool ascii, const std::uint8_t* in, std::uint32_t count,
                 std::uint8_t*& out) {
  bool vectors = ascii && vectorsAllowed();
  std::uint32_t i = 0;
  while (i < count) {
    if (vectors && in[i] < 0x80) {
      std::uint32_t copied = copyAscii(in + i, count - i, out);
      out += copied;
      i += copied;
      if (i == count) break;
    }
    std::uint32_t cp;
    std::uint32_t length = decodeUtf8(in, i, count, &cp);
    if (length == 0) return false;
    i += length;
    if (cp < 0x10000) {
      if (!putEncoded(flat, cp, out)) return false;
    } else {  // the engine goes through UTF-16: each unit of the pair on its own
      cp -= 0x10000;
      if (!putEncoded(flat, 0xD800 | cp >> 10, out) || !putEncoded(flat, 0xDC00 | (cp & 0x3FF), out))
        return false;
    }
  }
  return true;
}

bool utf8ToUtf8(const std::uint8_t* in, std::uint32_t count, std::uint8_t*& out) {
  bool vectors = vectorsAllowed();
  std::uint32_t i = 0;
  while (i < count) {
    if (vectors && in[i] < 0x80) {
      i += copyAscii(in + i, count - i, out + i);
      if (i == count) break;
    }
    std::uint32_t cp;
    std::uint32_t length = decodeUtf8(in, i, count, &cp);
    if (length == 0) return false;
    std::memcpy(out + i, in + i, length);
    i += length;
  }
  out += count;
  return true;
}

template <bool BigEndian>
inline std::uint32_t unitAt(const std::uint8_t* p) {
  return BigEndian ? (p[0] << 8 | p[1]) : (p[0] | p[1] << 8);
}

// Whether any of the little-endian units holds a surrogate (D800-DFFF).
bool holdsSurrogate(const std::uint8_t* in, std::uint32_t count) {
  std::uint32_t i = 0;
#if VK_CHECKED_SSE2
  const __m128i mask = _mm_set1_epi16(static_cast<short>(0xF800));
  const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
  for (; count - i >= 64; i += 64) {
    __m128i any = _mm_setzero_si128();
    for (int k = 0; k < 4; ++k) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 16 * k));
      any = _mm_or_si128(any, _mm_cmpeq_epi16(_mm_and_si128(v, mask), surrogate));
    }
    if (_mm_movemask_epi8(any) != 0) return true;
  }
#endif
  for (; i + 1 < count; i += 2) {
    if ((unitAt<false>(in + i) & 0xF800) == 0xD800) return true;
  }
  return false;
}

template <bool BigEndian>
bool utf16ToUtf8(const std::uint8_t* in, std::uint32_t count, std::uint8_t*& out) {
  if (count % 2 != 0) return false;  // the engine drops the odd byte and says so
  bool vectors = vectorsAllowed();
  // Without surrogates nothing can fail, and the engine's own vector kernel writes the
  // bytes (at most 3 per unit; the output has 3 per input byte, so the kernel's slack fits
  // once the block is past a few hundred bytes).
  if (!BigEndian && vectors && count >= 4 * simd::kUtf16To8Slack && !holdsSurrogate(in, count)) {
    simd::utf16ToUtf8Kernel(simd::activePath())(in, in + count, in + count, out);
    return true;
  }
  std::uint32_t i = 0;
  while (i < count) {
#if VK_CHECKED_SSE2
    // Eight units below 0x80 at a time, narrowed to bytes.
    if (vectors) {
      const __m128i notAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
      while (count - i >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (BigEndian) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        __m128i outside = _mm_cmpeq_epi16(_mm_and_si128(v, notAscii), _mm_setzero_si128());
        if (_mm_movemask_epi8(outside) != 0xFFFF) break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
        out += 8;
        i += 16;
      }
      if (i == count) break;
    }
#else
    (void)vectors;
#endif
    std::uint32_t unit = unitAt<BigEndian>(in + i);
    i += 2;
    if ((unit & 0xF800) == 0xD800) {
      // A high surrogate followed by a low one makes one character; anything else is a lone
      // surrogate, which the engine would pass through as it is.
      if (unit > 0xDBFF || i + 2 > count) return false;
      std::uint32_t low = unitAt<BigEndian>(in + i);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      i += 2;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    out += utf8::encode(unit, out);
  }
  return true;
}

bool isTablePage(std::int32_t cp) {
  const CodePageRow* row = codePageRow(cp);
  return row != nullptr && row->converter == Converter::kTable;
}

}  // namespace

CheckedConvert::CheckedConvert(std::int32_t from, std::int32_t to) {
  using namespace codepage;
  if (from == kUtf8 && to == kUtf8) {
    kind_ = Kind::Utf8ToUtf8;
  } else if ((from == kUtf16Le || from == kUtf16Be) && to == kUtf8) {
    kind_ = from == kUtf16Le ? Kind::Utf16LeToUtf8 : Kind::Utf16BeToUtf8;
  } else if (to == kUtf8 && isTablePage(from) && from != kMacArabic) {
    DecodeTable table = decodeTableFor(from);
    if (table.singleByte != nullptr) {
      // Straight to UTF-8 only when no byte stands for a surrogate (two in a row would pair).
      for (int b = 0; b < 256; ++b) {
        std::uint32_t unit = table.singleByte->unitFor(static_cast<std::uint8_t>(b));
        if (unit >= 0xD800 && unit <= 0xDFFF) return;
        singleUtf8_[b] = b != 0 && unit == 0 ? 0 : utf8Entry(unit);
      }
      asciiSame_ = true;
      for (std::uint32_t b = 0; b < 0x80; ++b) asciiSame_ = asciiSame_ && singleUtf8_[b] == utf8Entry(b);
      singleUnits_ = table.singleByte->units();
      kind_ = Kind::SingleByteToUtf8;
    } else if (table.multiByte != nullptr) {
      flatDecode_ = flatDecodeTableFor(from);
      if (flatDecode_ != nullptr && flatDecode_->coversAllKeys() && !flatDecode_->yieldsSurrogates()) {
        kind_ = Kind::FlatToUtf8;
      }
    }
  } else if (from == kUtf8 && isTablePage(to) && to != 1256 && to != 28596) {  // those two fold digits
    flatEncode_ = flatEncodeTableFor(to);
    if (flatEncode_ == nullptr) return;
    asciiSame_ = true;
    for (std::uint32_t u = 0; u < 0x80; ++u) {
      asciiSame_ = asciiSame_ && flatEncode_->entryFor(static_cast<std::uint16_t>(u)) ==
                                     (1u << FlatEncodeTable::kCountShift | u);
    }
    kind_ = Kind::Utf8ToTable;
  }
}

bool CheckedConvert::convert(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) const {
  using namespace codepage;
  std::uint32_t start = output.length();
  if (count == 0) return true;
  // The engine drops a byte-order mark at the start of a conversion (not when it copies
  // UTF-8 to UTF-8), and reads UTF-16 in the order the mark gives; a mark for the other order
  // is left to the engine.
  switch (kind_) {
    case Kind::Utf8ToTable:
      if (count > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        bytes += 3;
        count -= 3;
      }
      break;
    case Kind::Utf16LeToUtf8:
    case Kind::Utf16BeToUtf8: {
      if (count < 2) return false;
      bool little = bytes[0] == 0xFF && bytes[1] == 0xFE;
      bool big = bytes[0] == 0xFE && bytes[1] == 0xFF;
      if (little || big) {
        if (little != (kind_ == Kind::Utf16LeToUtf8)) return false;
        bytes += 2;
        count -= 2;
      }
      break;
    }
    default: break;
  }
  std::uint8_t* out = reserve(output, count, kind_ == Kind::Utf8ToUtf8 || kind_ == Kind::Utf8ToTable ? 2 : 3);
  if (out == nullptr) return false;
  std::uint8_t* const begin = output.data();
  bool clean = false;
  switch (kind_) {
    case Kind::None: break;
    case Kind::SingleByteToUtf8: {
      tablesimd::SingleByteDecoder decoder(singleUnits_);
      clean = decoder.active() && count >= 64
                  ? singleByteViaUtf16(decoder, singleUtf8_, asciiSame_, bytes, count, out)
                  : singleByteToUtf8(singleUtf8_, asciiSame_, bytes, count, out);
      break;
    }
    case Kind::FlatToUtf8: clean = flatToUtf8(*flatDecode_, bytes, count, out); break;
    case Kind::Utf8ToTable: clean = utf8ToTable(*flatEncode_, asciiSame_, bytes, count, out); break;
    case Kind::Utf8ToUtf8: clean = utf8ToUtf8(bytes, count, out); break;
    case Kind::Utf16LeToUtf8: clean = utf16ToUtf8<false>(bytes, count, out); break;
    case Kind::Utf16BeToUtf8: clean = utf16ToUtf8<true>(bytes, count, out); break;
  }
  output.setLength(clean ? static_cast<std::uint32_t>(out - begin) : start);
  return clean;
}

std::uint64_t countLineFeeds(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count) {
  using namespace codepage;
  std::uint32_t unit = codePage == kUtf16Le || codePage == kUtf16Be   ? 2
                       : codePage == kUtf32Le || codePage == kUtf32Be ? 4
                                                                      : 1;
  bool bigEndian = codePage == kUtf16Be || codePage == kUtf32Be;
  std::uint64_t lines = 0;
  std::uint32_t i = 0;
#if VK_CHECKED_SSE2
  if (unit == 1 && vectorsAllowed()) {
    const __m128i feed = _mm_set1_epi8('\n');
    while (count - i >= 16) {
      // Up to 255 blocks counted in byte lanes, then summed.
      __m128i sums = _mm_setzero_si128();
      for (int k = 0; k < 255 && count - i >= 16; ++k, i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        sums = _mm_sub_epi8(sums, _mm_cmpeq_epi8(v, feed));
      }
      __m128i total = _mm_sad_epu8(sums, _mm_setzero_si128());
      lines += static_cast<std::uint64_t>(_mm_cvtsi128_si32(total)) +
               static_cast<std::uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(total, 8)));
    }
  } else if (unit == 2 && vectorsAllowed()) {
    const __m128i feed = _mm_set1_epi16(static_cast<short>(bigEndian ? 0x0A00 : 0x000A));
    for (; count - i >= 16; i += 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      lines += bitCount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, feed)))) / 2;
    }
  }
#endif
  for (; i + unit <= count; i += unit) {
    std::uint32_t value = 0;
    for (std::uint32_t b = 0; b < unit; ++b) {
      value |= static_cast<std::uint32_t>(bytes[i + (bigEndian ? unit - 1 - b : b)]) << (8 * b);
    }
    lines += value == '\n';
  }
  return lines;
}

}  // namespace vk
