// UTF-8, UTF-16 and UTF-32 by algorithm. The per-character codec (EncodingUtf8) is the
// reference behaviour; the bulk converters below run the same rules in tight loops that write
// straight into the output buffer's reserved memory. UTF-8 <-> UTF-16 runs the code-unit
// passes of unicode/simd/transcode.h: the vector kernel of the active CPU path, or the scalar
// pass.
#include "charset/unicode_forms.h"

#include <algorithm>
#include <cstring>

#include "platform/fatal.h"
#include "unicode/simd/cpu_paths.h"
#include "unicode/simd/transcode.h"
#include "unicode/simd/transcode_rules.h"
#include "platform/utf8.h"

namespace vk {

namespace {

constexpr std::uint64_t kMaxBufferLength = UINT32_MAX;

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
void runSlices(const std::uint8_t* p, const std::uint8_t* end, DataBuffer& out, std::uint64_t num,
               std::uint64_t den, std::uint64_t slack, Pass pass, Tail tail) {
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

using simd::combinePair;
using simd::decodeUtf8;
using simd::Decoded;
using simd::isHighSurrogate;
using simd::isLowSurrogate;
using simd::loadUnit;

// Writes one code point as UTF-8 (the one coder, platform/utf8.h); answers the byte count.
inline int writeUtf8(std::uint8_t* q, std::uint32_t v) { return static_cast<int>(utf8::encode(v, q)); }

// Re-encoding pass: well-formed sequences are copied, malformed bytes dropped, and a 3-byte
// encoded high surrogate followed by a 3-byte encoded low surrogate becomes one 4-byte
// sequence: the same result as decoding to UTF-16 and encoding again. Never longer than its
// input, though it may read on past `stop` over malformed bytes after a high surrogate.
const std::uint8_t* reencodePass(const std::uint8_t* p, const std::uint8_t* stop, const std::uint8_t* end,
                                 std::uint8_t*& out) {
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

std::int32_t EncodingBase::decodeChar(ConvertState&, const std::uint8_t*, std::int64_t, std::uint16_t*,
                                      std::int32_t* unitCount) const {
  if (unitCount != nullptr) *unitCount = 0;
  return 0;
}

std::int32_t EncodingBase::encodeChar(ConvertState&, std::uint16_t, DataBuffer&) const { return 0; }

bool EncodingBase::groupsMalformedSequences() const { return false; }

std::int32_t EncodingUtf8::decodeChar(ConvertState&, const std::uint8_t* bytes, std::int64_t available,
                                      std::uint16_t* units, std::int32_t* unitCount) const {
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

std::int32_t EncodingUtf8::encodeChar(ConvertState&, std::uint16_t unit, DataBuffer& output) const {
  std::uint8_t bytes[4];
  int n = writeUtf8(bytes, unit);
  output.append(bytes, static_cast<std::size_t>(n));
  return n;
}

std::int32_t EncodingUtf8::encodePair(std::uint16_t high, std::uint16_t low, DataBuffer& output) const {
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
  runSlices(bytes, end, output, 2, 1, simd::kUtf8To16Slack, simd::utf8ToUtf16Kernel(simd::activePath()),
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
  simd::TranscodePass pass = simd::utf16ToUtf8Kernel(simd::activePath());
  // Up to 3 bytes out per 2 bytes in.
  runSlices(
      bytes, end, output, 3, 2, simd::kUtf16To8Slack,
      [pass](const std::uint8_t* p, const std::uint8_t* stop, const std::uint8_t* e, std::uint8_t*& q) {
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
                      (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    if (v > 0x1FFFFF) v = 0xFFFD;
    int n = v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : 4;
    if (writer.room() < static_cast<std::uint64_t>(n)) writer.reserve(static_cast<std::uint64_t>(n));
    writer.pos += writeUtf8(writer.pos, v);
  }
  return true;
}

bool utf8ToUtf32(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output, bool bigEndian) {
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
