// UTF-8, UTF-16 and UTF-32 by algorithm. The per-character codec (EncodingUtf8) is the
// reference behaviour; the bulk converters below run the same rules in tight loops that write
// straight into the output buffer's reserved memory, with an SSE2 path for ASCII runs.
#include "charset/unicode_forms.h"

#include <algorithm>
#include <cstring>

#include "platform/fatal.h"
#include "unicode/simd/cpu_paths.h"
#include "unicode/utf8.h"

// VK_UNICODE_NO_SIMD selects the portable loops (as on targets without SSE2), for testing.
#if !defined(VK_UNICODE_NO_SIMD) && \
    (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#include <emmintrin.h>
#define VK_UNICODE_SSE2 1
#else
#define VK_UNICODE_SSE2 0
#endif

#if defined(_MSC_VER)
#include <intrin.h>
#endif

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
#define VK_UNICODE_LITTLE_ENDIAN 0
#else
#define VK_UNICODE_LITTLE_ENDIAN 1
#endif

namespace vk {

namespace {

constexpr std::uint64_t kMaxBufferLength = UINT32_MAX;

// The block loops need SSE2; the CPU is asked at first use, and tests may force the scalar
// path. The AVX2 and AVX-512 paths run these same SSE2 loops until they have kernels of
// their own.
inline bool useVectorPass() { return simd::activePath() >= simd::Path::Baseline; }

// Index of the lowest set bit; `mask` is never 0.
inline unsigned lowestBit(unsigned mask) {
#if defined(_MSC_VER)
  unsigned long index;
  _BitScanForward(&index, mask);
  return static_cast<unsigned>(index);
#else
  return static_cast<unsigned>(__builtin_ctz(mask));
#endif
}

inline std::uint16_t loadUnit(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline void storeUnit(std::uint8_t* q, std::uint32_t unit) {
  q[0] = static_cast<std::uint8_t>(unit);
  q[1] = static_cast<std::uint8_t>(unit >> 8);
}

inline bool isContinuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }
inline bool isHighSurrogate(std::uint32_t u) { return (u & 0xFC00) == 0xD800; }
inline bool isLowSurrogate(std::uint32_t u) { return (u & 0xFC00) == 0xDC00; }

inline std::uint32_t combinePair(std::uint32_t high, std::uint32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Writes directly into a DataBuffer's spare capacity. The buffer's length is brought up to
// date when the writer goes away (or before the buffer has to grow).
class OutputWriter {
 public:
  explicit OutputWriter(DataBuffer& out) : out_(out) { rebase(out.length()); }
  ~OutputWriter() { out_.setLength(used()); }
  OutputWriter(const OutputWriter&) = delete;
  OutputWriter& operator=(const OutputWriter&) = delete;

  std::uint64_t used() const { return static_cast<std::uint64_t>(pos - base_); }
  std::uint64_t room() const { return static_cast<std::uint64_t>(limit_ - pos); }
  // How many more bytes the buffer could ever take (its length is a 32-bit number).
  std::uint64_t headroom() const { return kMaxBufferLength - used(); }

  // Makes room for `extra` more bytes. Grows by at least half the capacity, so that many
  // small conversions into one buffer stay linear. Stops the process when the content
  // itself would pass 32 bits, as every other append does.
  void reserve(std::uint64_t extra) {
    if (extra <= room()) return;
    std::uint64_t length = used();
    std::uint64_t needed = length + extra;
    if (needed > kMaxBufferLength) capacityExceeded("DataBuffer size exceeds 32 bits");
    std::uint64_t capacity = out_.capacity();
    std::uint64_t target = std::max(needed, capacity + capacity / 2);
    target = std::min(target, kMaxBufferLength);
    out_.setLength(static_cast<std::uint32_t>(length));
    out_.ensureCapacity(static_cast<std::uint32_t>(target));
    rebase(length);
  }

  std::uint8_t* pos = nullptr;

 private:
  void rebase(std::uint64_t length) {
    base_ = out_.data();
    if (base_ == nullptr) {
      // A buffer that never held a block: give it one so the pointers are real.
      out_.ensureCapacity(16);
      base_ = out_.data();
    }
    pos = base_ + length;
    limit_ = base_ + out_.capacity();
  }

  DataBuffer& out_;
  std::uint8_t* base_ = nullptr;
  std::uint8_t* limit_ = nullptr;
};

// Runs a bulk pass over [p, end) in slices whose worst-case output is reserved ahead.
// `pass(p, stop, end, q)` converts the sequences that start before `stop` (reading at most
// up to `end`) and answers the position reached; its output is at most `num / den` bytes
// per input byte, plus `slack` for the over-wide vector stores near the end. Normally the
// whole input is one slice. Only near the 32-bit limit is it cut into smaller slices; when
// not even a small slice fits, the remainder goes to `tail`, which appends unit by unit and
// stops the process only if the content itself overflows.
template <typename Pass, typename Tail>
void runSlices(const std::uint8_t* p, const std::uint8_t* end, DataBuffer& out,
               std::uint64_t num, std::uint64_t den, std::uint64_t slack, Pass pass,
               Tail tail) {
  constexpr std::uint64_t kMinSlice = 64;
  {
    OutputWriter writer(out);
    while (p < end) {
      std::uint64_t remaining = static_cast<std::uint64_t>(end - p);
      std::uint64_t headroom = writer.headroom();
      if (headroom < slack + kMinSlice * num / den) break;
      std::uint64_t slice = std::min(remaining, (headroom - slack) * den / num);
      if (slice < remaining) slice = std::min<std::uint64_t>(slice, 1u << 24);
      writer.reserve((slice * num + den - 1) / den + slack);
      p = pass(p, p + slice, end, writer.pos);
    }
  }
  if (p < end) tail(p, end);
}

// ---------------------------------------------------------------------------------------
// UTF-8 decoding, one character. The rules: 1 to 3 byte sequences as usual, no overlongs,
// encoded surrogates (ED A0..BF xx) accepted; 4-byte sequences F0 90..F4 8F give a pair.

struct Decoded {
  std::int32_t consumed;  // >0 bytes consumed; -1 invalid; -2 cut short
  std::uint32_t value;    // the code point (a surrogate value for encoded surrogates)
};

inline Decoded decodeUtf8(const std::uint8_t* p, std::int64_t available) {
  if (available <= 0) return {-2, 0};
  std::uint32_t b0 = p[0];
  if (b0 < 0x80) return {1, b0};
  if (b0 < 0xC2) return {-1, 0};
  if (b0 < 0xE0) {
    if (available < 2) return {-2, 0};
    if (!isContinuation(p[1])) return {-1, 0};
    return {2, ((b0 & 0x1F) << 6) | (p[1] & 0x3Fu)};
  }
  if (b0 < 0xF0) {
    if (available < 3) return {-2, 0};
    if (!isContinuation(p[1]) || !isContinuation(p[2])) return {-1, 0};
    if (b0 == 0xE0 && p[1] < 0xA0) return {-1, 0};
    return {3, ((b0 & 0x0F) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu)};
  }
  if (b0 <= 0xF4) {
    if (available < 4) return {-2, 0};
    if (!isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3])) {
      return {-1, 0};
    }
    if (b0 == 0xF0 && p[1] < 0x90) return {-1, 0};
    if (b0 == 0xF4 && p[1] > 0x8F) return {-1, 0};
    return {4, ((b0 & 0x07) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) |
                   (p[3] & 0x3Fu)};
  }
  return {-1, 0};
}

// Writes one code point as UTF-8 (the one coder, unicode/utf8.h); answers the byte count.
inline int writeUtf8(std::uint8_t* q, std::uint32_t v) { return static_cast<int>(utf8::encode(v, q)); }

// ---------------------------------------------------------------------------------------
// UTF-8 to UTF-16LE, bulk pass. Output is at most 2 bytes per input byte consumed. A pass
// may finish a sequence a few bytes past `stop`, and the block stores may write up to 32
// bytes ahead of what they keep; the slack covers both.

constexpr std::uint64_t kUtf8To16Slack = 64;

#if VK_UNICODE_SSE2 && VK_UNICODE_LITTLE_ENDIAN
// Eight three-byte sequences (24 bytes, 28 readable) to eight units, or false when the 24
// bytes are not exactly that: E0-EF, two continuation bytes, value at least 0x800.
// Encoded surrogates pass, as everywhere.
inline bool decodeThreeByteBlock(const std::uint8_t* p, std::uint8_t* q) {
  const __m128i leadMask = _mm_set1_epi32(0x00C0C0F0);
  const __m128i leadBits = _mm_set1_epi32(0x008080E0);
  const __m128i below800 = _mm_set1_epi32(0x800);
  __m128i units[2];
  for (int half = 0; half < 2; ++half) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12 * half));
    // Lane k holds bytes 3k, 3k+1, 3k+2 (and one more, ignored).
    __m128i x = _mm_unpacklo_epi64(_mm_unpacklo_epi32(v, _mm_srli_si128(v, 3)),
                                   _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9)));
    __m128i ok = _mm_cmpeq_epi32(_mm_and_si128(x, leadMask), leadBits);
    __m128i u = _mm_or_si128(
        _mm_or_si128(_mm_slli_epi32(_mm_and_si128(x, _mm_set1_epi32(0x0F)), 12),
                     _mm_and_si128(_mm_srli_epi32(x, 2), _mm_set1_epi32(0x0FC0))),
        _mm_and_si128(_mm_srli_epi32(x, 16), _mm_set1_epi32(0x3F)));
    ok = _mm_andnot_si128(_mm_cmplt_epi32(u, below800), ok);
    if (_mm_movemask_epi8(ok) != 0xFFFF) return false;
    // Sign-extend the low 16 bits so that the saturating pack keeps them as they are.
    units[half] = _mm_srai_epi32(_mm_slli_epi32(u, 16), 16);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_packs_epi32(units[0], units[1]));
  return true;
}

// Sixteen bytes of one- and two-byte characters (a lead in the last byte takes its
// continuation from byte 16, so 17 bytes must be readable). Answers the bytes consumed, 16
// or 17, or 0 when the block holds anything else (then nothing is written).
inline int decodeOneTwoByteBlock(const std::uint8_t* p, __m128i v, std::uint8_t*& q) {
  __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
  const __m128i contLimit = _mm_set1_epi8(-64);  // 0x80-0xBF are below it as signed bytes
  unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
  __m128i isCont = _mm_cmplt_epi8(v, contLimit);
  unsigned cont = static_cast<unsigned>(_mm_movemask_epi8(isCont));
  // C2-DF: above 0xC1 and below 0xE0 as signed bytes (ASCII is removed by `high`).
  unsigned lead = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
                      _mm_cmpgt_epi8(v, _mm_set1_epi8(-63)), _mm_cmplt_epi8(v, _mm_set1_epi8(-32))))) &
                  high;
  unsigned nextCont = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v1, contLimit)));
  // Every byte of the block is ASCII, a lead or a continuation; each lead is followed by a
  // continuation and each continuation follows a lead.
  if (high != (lead | cont) || (lead & ~nextCont) != 0 || cont != ((lead << 1) & 0xFFFF)) {
    return 0;
  }
  const __m128i zero = _mm_setzero_si128();
  const __m128i k1F = _mm_set1_epi16(0x1F);
  const __m128i k3F = _mm_set1_epi16(0x3F);
  const __m128i k7F = _mm_set1_epi16(0x7F);
  alignas(16) std::uint16_t units[16];
  for (int half = 0; half < 2; ++half) {
    __m128i a = half == 0 ? _mm_unpacklo_epi8(v, zero) : _mm_unpackhi_epi8(v, zero);
    __m128i b = half == 0 ? _mm_unpacklo_epi8(v1, zero) : _mm_unpackhi_epi8(v1, zero);
    __m128i two = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(a, k1F), 6), _mm_and_si128(b, k3F));
    __m128i isTwo = _mm_cmpgt_epi16(a, k7F);
    _mm_store_si128(reinterpret_cast<__m128i*>(units + 8 * half),
                    _mm_or_si128(_mm_and_si128(isTwo, two), _mm_andnot_si128(isTwo, a)));
  }
  // Where each kept unit goes: twice the count of kept positions before it. A continuation
  // position writes where the next unit will write over it.
  __m128i keep = _mm_andnot_si128(isCont, _mm_set1_epi8(1));
  __m128i sum = _mm_add_epi8(keep, _mm_slli_si128(keep, 1));
  sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 2));
  sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 4));
  sum = _mm_add_epi8(sum, _mm_slli_si128(sum, 8));
  __m128i before = _mm_sub_epi8(sum, keep);
  alignas(16) std::uint8_t offsets[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(offsets), _mm_add_epi8(before, before));
  for (int i = 0; i < 16; ++i) std::memcpy(q + offsets[i], units + i, 2);
  unsigned kept = static_cast<unsigned>(_mm_extract_epi16(sum, 7)) >> 8;
  q += 2 * kept;
  return 16 + static_cast<int>((lead >> 15) & 1);
}
#endif

// `kVector` picks the SSE2 block loop (the baseline path) or the portable one (the scalar
// path); both run the same rules and give the same bytes.
template <bool kVector>
const std::uint8_t* utf8ToUtf16Pass(const std::uint8_t* p, const std::uint8_t* stop,
                                    const std::uint8_t* end, std::uint8_t*& out) {
  std::uint8_t* q = out;
  while (p < stop) {
#if VK_UNICODE_SSE2 && VK_UNICODE_LITTLE_ENDIAN
    if constexpr (kVector) {
    if (stop - p >= 16 && end - p >= 17) {
      const __m128i zero = _mm_setzero_si128();
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(v));
      if (mask == 0) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 16), _mm_unpackhi_epi8(v, zero));
        p += 16;
        q += 32;
        continue;
      }
      if ((p[0] & 0xF0) == 0xE0) {
        if (stop - p >= 28 && decodeThreeByteBlock(p, q)) {
          do {
            p += 24;
            q += 16;
          } while (stop - p >= 28 && decodeThreeByteBlock(p, q));
          continue;
        }
      } else if (int n = decodeOneTwoByteBlock(p, v, q)) {
        p += n;
        continue;
      }
      // Keep the ASCII bytes before the first other byte, then that character alone.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 16), _mm_unpackhi_epi8(v, zero));
      unsigned n = lowestBit(mask);
      p += n;
      q += 2 * n;
    }
    } else
#endif
    {
    while (stop - p >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      if ((w & 0x8080808080808080ull) != 0) break;
      for (int i = 0; i < 8; ++i) storeUnit(q + 2 * i, p[i]);
      p += 8;
      q += 16;
    }
    if (p >= stop) break;
    }
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

// ---------------------------------------------------------------------------------------
// UTF-16LE to UTF-8, bulk pass over an even number of bytes. Output is at most 1.5 bytes per
// input byte; the block stores write at most 16 bytes ahead of what they keep.

constexpr std::uint64_t kUtf16To8Slack = 32;

// One unit, or a surrogate pair when a low surrogate follows a high one.
inline const std::uint8_t* encodeOneToUtf8(const std::uint8_t* p, const std::uint8_t* end,
                                           std::uint8_t*& q) {
  std::uint32_t u = loadUnit(p);
  if (isHighSurrogate(u) && end - p >= 4) {
    std::uint32_t low = loadUnit(p + 2);
    if (isLowSurrogate(low)) {
      q += writeUtf8(q, combinePair(u, low));
      return p + 4;
    }
  }
  q += writeUtf8(q, u);
  return p + 2;
}

template <bool kVector>
const std::uint8_t* utf16ToUtf8Pass(const std::uint8_t* p, const std::uint8_t* stop,
                                    const std::uint8_t* end, std::uint8_t*& out) {
  std::uint8_t* q = out;
#if VK_UNICODE_SSE2 && VK_UNICODE_LITTLE_ENDIAN
  if constexpr (kVector) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i k7F = _mm_set1_epi16(0x7F);
  const __m128i k7FF = _mm_set1_epi16(0x7FF);
  const __m128i k3F = _mm_set1_epi16(0x3F);
  const __m128i kF800 = _mm_set1_epi16(static_cast<short>(0xF800));
  const __m128i kD800 = _mm_set1_epi16(static_cast<short>(0xD800));
  const __m128i kLead2 = _mm_set1_epi16(static_cast<short>(0x80C0));  // C0 then 80
  const __m128i kLead3 = _mm_set1_epi16(static_cast<short>(0x80E0));  // E0 then 80
  const __m128i k80 = _mm_set1_epi16(0x80);
  const __m128i k3 = _mm_set1_epi16(3);
  while (stop - p >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i one = _mm_cmpeq_epi16(_mm_subs_epu16(v, k7F), zero);  // u < 0x80
    unsigned oneMask = static_cast<unsigned>(_mm_movemask_epi8(one));
    if (oneMask == 0xFFFF) {
      if (stop - p >= 32) {
        __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm_packus_epi16(v, v2));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(v2, k7F), zero)) == 0xFFFF) {
          p += 32;
          q += 16;
          continue;
        }
      } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(q), _mm_packus_epi16(v, v));
      }
      p += 16;
      q += 8;
      continue;
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, kF800), kD800)) != 0) {
      // Surrogates in this block: take its units one by one.
      const std::uint8_t* blockEnd = p + 16;
      while (p < blockEnd) p = encodeOneToUtf8(p, end, q);
      continue;
    }
    __m128i upTo2 = _mm_cmpeq_epi16(_mm_subs_epu16(v, k7FF), zero);  // u < 0x800
    unsigned upTo2Mask = static_cast<unsigned>(_mm_movemask_epi8(upTo2));
    // The two-byte form in one 16-bit lane: 0xC0 | u >> 6, then 0x80 | (u & 0x3F).
    __m128i form2 = _mm_or_si128(
        _mm_or_si128(_mm_srli_epi16(v, 6), _mm_slli_epi16(_mm_and_si128(v, k3F), 8)), kLead2);
    __m128i first = _mm_or_si128(_mm_and_si128(one, v), _mm_andnot_si128(one, form2));
    alignas(16) std::uint8_t lanes[32];
    if (upTo2Mask == 0xFFFF) {
      // One- and two-byte units only: a 2-byte store each, advancing by 1 or 2.
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), first);
      for (int i = 0; i < 8; ++i) {
        std::memcpy(q, lanes + 2 * i, 2);
        q += 2 - ((oneMask >> (2 * i)) & 1);
      }
      p += 16;
      continue;
    }
    // The first two bytes of the three-byte form in a 16-bit lane, the third in another.
    __m128i form3 = _mm_or_si128(
        _mm_or_si128(_mm_srli_epi16(v, 12),
                     _mm_slli_epi16(_mm_and_si128(_mm_srli_epi16(v, 6), k3F), 8)),
        kLead3);
    first = _mm_or_si128(_mm_and_si128(upTo2, first), _mm_andnot_si128(upTo2, form3));
    __m128i third = _mm_or_si128(_mm_and_si128(v, k3F), k80);
    __m128i low4 = _mm_unpacklo_epi16(first, third);  // units 0-3 as b0 b1 b2 0
    __m128i high4 = _mm_unpackhi_epi16(first, third);
    if (upTo2Mask == 0) {
      // All three bytes long (CJK): close the gap in each pair of units, so that every
      // 64-bit lane holds 6 output bytes, and store the lanes 6 bytes apart.
      const __m128i even = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
      const __m128i odd = _mm_set_epi32(0x00FFFFFF, 0, 0x00FFFFFF, 0);
      __m128i a = _mm_or_si128(_mm_and_si128(low4, even),
                               _mm_srli_epi64(_mm_and_si128(low4, odd), 8));
      __m128i b = _mm_or_si128(_mm_and_si128(high4, even),
                               _mm_srli_epi64(_mm_and_si128(high4, odd), 8));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(q), a);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 6), _mm_unpackhi_epi64(a, a));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 12), b);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 18), _mm_unpackhi_epi64(b, b));
      q += 24;
      p += 16;
      continue;
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), low4);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 16), high4);
    // Lengths 1 to 3 per unit: 3 less one for each class the unit falls below.
    __m128i lengths = _mm_add_epi16(_mm_add_epi16(k3, one), upTo2);
    std::uint64_t packed;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&packed), _mm_packus_epi16(lengths, lengths));
    for (int i = 0; i < 8; ++i) {
      std::memcpy(q, lanes + 4 * i, 4);
      q += packed & 0xFF;
      packed >>= 8;
    }
    p += 16;
  }
  } else
#endif
  {
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
  }
  while (p < stop) p = encodeOneToUtf8(p, end, q);
  out = q;
  return p;
}

// Re-encoding pass: well-formed sequences are copied, malformed bytes dropped, and a 3-byte
// encoded high surrogate followed by a 3-byte encoded low surrogate becomes one 4-byte
// sequence: the same result as decoding to UTF-16 and encoding again. Never longer than its
// input, though it may read on past `stop` over malformed bytes after a high surrogate.
const std::uint8_t* reencodePass(const std::uint8_t* p, const std::uint8_t* stop,
                                 const std::uint8_t* end, std::uint8_t*& out) {
  std::uint8_t* q = out;
  while (p < stop) {
    if (*p < 0x80) {
      *q++ = *p++;
      continue;
    }
    Decoded d = decodeUtf8(p, end - p);
    if (d.consumed < 0) {
      ++p;
      continue;
    }
    if (d.consumed == 3 && isHighSurrogate(d.value)) {
      // Malformed bytes in between vanish, so the units would meet in UTF-16 all the same.
      const std::uint8_t* next = p + 3;
      Decoded after = decodeUtf8(next, end - next);
      while (after.consumed < 0 && next < end) {
        ++next;
        after = decodeUtf8(next, end - next);
      }
      if (after.consumed == 3 && isLowSurrogate(after.value)) {
        q += writeUtf8(q, combinePair(d.value, after.value));
        p = next + 3;
        continue;
      }
      q[0] = p[0];
      q[1] = p[1];
      q[2] = p[2];
      q += 3;
      p = next;
      continue;
    }
    std::memcpy(q, p, static_cast<std::size_t>(d.consumed));
    q += d.consumed;
    p += d.consumed;
  }
  out = q;
  return p;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The codec interface.

std::int32_t EncodingBase::decodeChar(ConvertState&, const std::uint8_t*, std::int64_t,
                                      std::uint16_t*, std::int32_t* unitCount) const {
  if (unitCount != nullptr) *unitCount = 0;
  return 0;
}

std::int32_t EncodingBase::encodeChar(ConvertState&, std::uint16_t, DataBuffer&) const {
  return 0;
}

bool EncodingBase::groupsMalformedSequences() const { return false; }

std::int32_t EncodingUtf8::decodeChar(ConvertState&, const std::uint8_t* bytes,
                                      std::int64_t available, std::uint16_t* units,
                                      std::int32_t* unitCount) const {
  Decoded d = decodeUtf8(bytes, available);
  if (d.consumed < 0) {
    *unitCount = 0;
    return d.consumed;
  }
  if (d.value >= 0x10000) {
    std::uint32_t v = d.value - 0x10000;
    units[0] = static_cast<std::uint16_t>(0xD800 | (v >> 10));
    units[1] = static_cast<std::uint16_t>(0xDC00 | (v & 0x3FF));
    *unitCount = 2;
  } else {
    units[0] = static_cast<std::uint16_t>(d.value);
    *unitCount = 1;
  }
  return d.consumed;
}

std::int32_t EncodingUtf8::encodeChar(ConvertState&, std::uint16_t unit,
                                      DataBuffer& output) const {
  std::uint8_t bytes[4];
  int n = writeUtf8(bytes, unit);
  output.append(bytes, static_cast<std::size_t>(n));
  return n;
}

std::int32_t EncodingUtf8::encodePair(std::uint16_t high, std::uint16_t low,
                                      DataBuffer& output) const {
  std::uint8_t bytes[4];
  int n = writeUtf8(bytes, combinePair(high, low));
  output.append(bytes, static_cast<std::size_t>(n));
  return n;
}

const EncodingUtf8& sharedUtf8Codec() {
  static const EncodingUtf8 codec;
  return codec;
}

// ---------------------------------------------------------------------------------------
// Bulk converters.

bool utf8ToUtf16(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  if (count == 0) return true;
  const std::uint8_t* end = bytes + count;
  runSlices(bytes, end, output, 2, 1, kUtf8To16Slack,
            useVectorPass() ? utf8ToUtf16Pass<true> : utf8ToUtf16Pass<false>,
            [&output](const std::uint8_t* p, const std::uint8_t* stop) {
              const EncodingUtf8& codec = sharedUtf8Codec();
              ConvertState state;
              std::uint16_t units[2];
              std::int32_t unitCount = 0;
              while (p < stop) {
                std::int32_t n = codec.decodeChar(state, p, stop - p, units, &unitCount);
                if (n <= 0) {
                  ++p;
                  continue;
                }
                for (std::int32_t i = 0; i < unitCount; ++i) output.appendUnit(units[i]);
                p += n;
              }
            });
  return true;
}

bool utf16ToUtf8(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  bool whole = (count % 2) == 0;
  std::uint32_t even = count & ~1u;
  if (even == 0) return whole;
  const std::uint8_t* end = bytes + even;
  auto pass = useVectorPass() ? utf16ToUtf8Pass<true> : utf16ToUtf8Pass<false>;
  // Up to 3 bytes out per 2 bytes in.
  runSlices(bytes, end, output, 3, 2, kUtf16To8Slack,
            [pass](const std::uint8_t* p, const std::uint8_t* stop, const std::uint8_t* e,
                   std::uint8_t*& q) {
              // Slices cut at even offsets keep the units aligned.
              return pass(p, p + ((stop - p) & ~std::ptrdiff_t{1}), e, q);
            },
            [&output](const std::uint8_t* p, const std::uint8_t* stop) {
              const EncodingUtf8& codec = sharedUtf8Codec();
              ConvertState state;
              while (p < stop) {
                std::uint16_t u = loadUnit(p);
                if (isHighSurrogate(u) && stop - p >= 4 && isLowSurrogate(loadUnit(p + 2))) {
                  codec.encodePair(u, loadUnit(p + 2), output);
                  p += 4;
                } else {
                  codec.encodeChar(state, u, output);
                  p += 2;
                }
              }
            });
  return whole;
}

bool reencodeUtf8(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  if (count == 0) return true;
  const std::uint8_t* end = bytes + count;
  runSlices(bytes, end, output, 1, 1, 8, reencodePass,
            [&output](const std::uint8_t* p, const std::uint8_t* stop) {
              // Near the 32-bit limit: the same pass into a small staging block.
              std::uint8_t staging[256 + 8];
              while (p < stop) {
                std::uint8_t* q = staging;
                const std::uint8_t* sliceEnd = p + std::min<std::ptrdiff_t>(stop - p, 256);
                p = reencodePass(p, sliceEnd, stop, q);
                output.append(staging, static_cast<std::size_t>(q - staging));
              }
            });
  return true;
}

bool utf32ToUtf8(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  if (count == 0) return true;
  if (count < 4) return false;
  std::uint32_t groups = count / 4;
  OutputWriter writer(output);
  // A sensible first guess (one byte per value, as for ASCII); grown as needed.
  writer.reserve(std::min<std::uint64_t>(groups, writer.headroom()));
  for (std::uint32_t i = 0; i < groups; ++i) {
    const std::uint8_t* p = bytes + 4 * static_cast<std::uint64_t>(i);
    std::uint32_t v = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                      (static_cast<std::uint32_t>(p[2]) << 16) |
                      (static_cast<std::uint32_t>(p[3]) << 24);
    if (v > 0x1FFFFF) v = 0xFFFD;
    int n = v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : 4;
    if (writer.room() < static_cast<std::uint64_t>(n)) writer.reserve(static_cast<std::uint64_t>(n));
    writer.pos += writeUtf8(writer.pos, v);
  }
  return true;
}

bool utf8ToUtf32(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output,
                 bool bigEndian) {
  if (count == 0) return true;
  OutputWriter writer(output);
  writer.reserve(std::min<std::uint64_t>(4ull * count, writer.headroom()));
  const std::uint8_t* p = bytes;
  const std::uint8_t* end = bytes + count;
  while (p < end) {
    Decoded d = decodeUtf8(p, end - p);
    if (d.consumed < 0) return false;
    std::uint32_t v = d.value;
    p += d.consumed;
    if (d.consumed == 3 && isHighSurrogate(v)) {
      Decoded next = decodeUtf8(p, end - p);
      if (next.consumed == 3 && isLowSurrogate(next.value)) {
        v = combinePair(v, next.value);
        p += 3;
      }
    }
    if (writer.room() < 4) writer.reserve(4);
    std::uint8_t* q = writer.pos;
    if (bigEndian) {
      q[0] = static_cast<std::uint8_t>(v >> 24);
      q[1] = static_cast<std::uint8_t>(v >> 16);
      q[2] = static_cast<std::uint8_t>(v >> 8);
      q[3] = static_cast<std::uint8_t>(v);
    } else {
      q[0] = static_cast<std::uint8_t>(v);
      q[1] = static_cast<std::uint8_t>(v >> 8);
      q[2] = static_cast<std::uint8_t>(v >> 16);
      q[3] = static_cast<std::uint8_t>(v >> 24);
    }
    writer.pos += 4;
  }
  return true;
}

}  // namespace vk
