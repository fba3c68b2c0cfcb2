// Base64. The encoder reads the input six bytes at a time (four 12-bit values) and writes the
// two characters of each 12-bit value with one table load. The decoder takes eight characters
// at a time through four tables that hold each character's six bits already placed in the
// output bytes, so that OR-ing four entries gives three finished bytes; an entry for anything
// outside the alphabet carries a flag bit, and only where such a character appears (white
// space, '=', a zero byte or an invalid one) does the decoder go one character at a time.
// Where the processor has them, vector kernels (coding/simd/) take whole blocks first; the
// loops here finish what they leave, so every path gives the same bytes and the same answer.
#include <array>
#include <cstring>

#include "coding/content_coding.h"
#include "coding/simd/base64_kernels.h"
#include "platform/fatal.h"
#include "unicode/simd/cpu_paths.h"

namespace vk {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of every 12-bit value.
constexpr std::array<char, 8192> makePairs() {
  std::array<char, 8192> pairs{};
  for (std::size_t v = 0; v < 4096; ++v) {
    pairs[2 * v] = kAlphabet[v >> 6];
    pairs[2 * v + 1] = kAlphabet[v & 63];
  }
  return pairs;
}
alignas(64) constexpr std::array<char, 8192> kPairs = makePairs();

// Character classes of the decoder.
constexpr std::uint8_t kSkip = 0x40;     // tab, LF, CR, space
constexpr std::uint8_t kStop = 0x80;     // '=' and the zero byte end the text
constexpr std::uint8_t kInvalid = 0xC0;  // anything else outside the alphabet

constexpr std::array<std::uint8_t, 256> makeClasses() {
  std::array<std::uint8_t, 256> classes{};
  for (auto& c : classes) c = kInvalid;
  for (std::uint8_t v = 0; v < 64; ++v) classes[static_cast<unsigned char>(kAlphabet[v])] = v;
  classes['\t'] = classes['\n'] = classes['\r'] = classes[' '] = kSkip;
  classes['='] = classes[0] = kStop;
  return classes;
}
constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();

// For the character at position k of a group, its six bits placed where they land in the
// group's three bytes, byte 0 in the low eight bits: OR-ing the four entries of a group gives
// the bytes in memory order on a little-endian machine. Characters outside the alphabet set
// the flag bit.
constexpr std::uint32_t kNotAlphabet = 0x80000000u;
constexpr std::array<std::uint32_t, 256> makePlaced(int k) {
  std::array<std::uint32_t, 256> table{};
  for (std::size_t c = 0; c < 256; ++c) {
    std::uint8_t v = kClasses[c];
    if (v >= 64) {
      table[c] = kNotAlphabet;
      continue;
    }
    std::uint32_t group = static_cast<std::uint32_t>(v) << (18 - 6 * k);  // as 24 bits, byte 0 high
    table[c] = ((group >> 16) & 0xFF) | (group & 0xFF00) | ((group & 0xFF) << 16);
  }
  return table;
}
alignas(64) constexpr std::array<std::uint32_t, 256> kPlaced0 = makePlaced(0);
alignas(64) constexpr std::array<std::uint32_t, 256> kPlaced1 = makePlaced(1);
alignas(64) constexpr std::array<std::uint32_t, 256> kPlaced2 = makePlaced(2);
alignas(64) constexpr std::array<std::uint32_t, 256> kPlaced3 = makePlaced(3);

#if (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) || defined(_WIN32)
constexpr bool kLittleEndian = true;
#else
constexpr bool kLittleEndian = false;
#endif

// Output is gathered in a block of whole groups before it is appended.
constexpr std::uint32_t kBlockGroups = 2048;

// The vector kernels for the path in force, or null for the scalar loops alone.
using EncodeKernel = std::size_t (*)(const std::uint8_t*, std::size_t, char*);
using DecodeKernel = std::size_t (*)(const std::uint8_t*, std::size_t, std::uint8_t*);

#if VK_BASE64_SIMD
EncodeKernel encodeKernel() {
  return simd::byVbmiPath<EncodeKernel>(base64simd::encodeAvx512Vbmi, base64simd::encodeAvx2, nullptr);
}
DecodeKernel decodeKernel() {
  return simd::byVbmiPath<DecodeKernel>(base64simd::decodeAvx512Vbmi, base64simd::decodeAvx2, nullptr);
}
#else
EncodeKernel encodeKernel() { return nullptr; }
DecodeKernel decodeKernel() { return nullptr; }
#endif

// What a decode kernel may store past the bytes it answers.
constexpr std::uint32_t kKernelSpill = 32;

inline void encodeGroup(const std::uint8_t* in, char* out) {
  std::uint32_t v = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
  std::memcpy(out, &kPairs[(v >> 12) * 2], 2);
  std::memcpy(out + 2, &kPairs[(v & 0xFFF) * 2], 2);
}

// Two groups: six input bytes read as one 48-bit number.
inline void encodeTwoGroups(const std::uint8_t* in, char* out) {
  std::uint64_t v = (std::uint64_t{in[0]} << 40) | (std::uint64_t{in[1]} << 32) |
                    (std::uint64_t{in[2]} << 24) | (std::uint64_t{in[3]} << 16) |
                    (std::uint64_t{in[4]} << 8) | in[5];
  std::memcpy(out, &kPairs[((v >> 36) & 0xFFF) * 2], 2);
  std::memcpy(out + 2, &kPairs[((v >> 24) & 0xFFF) * 2], 2);
  std::memcpy(out + 4, &kPairs[((v >> 12) & 0xFFF) * 2], 2);
  std::memcpy(out + 6, &kPairs[(v & 0xFFF) * 2], 2);
}

// Encodes `n` whole groups: the kernel's blocks first, then the rest here.
void encodeGroups(const std::uint8_t* in, std::uint32_t n, char* out, EncodeKernel kernel) {
  std::uint32_t i = 0;
  if (kernel != nullptr) {
    std::size_t taken = kernel(in, std::size_t{n} * 3, out);
    in += taken;
    out += taken / 3 * 4;
    i = static_cast<std::uint32_t>(taken / 3);
  }
  for (; i + 4 <= n; i += 4) {
    encodeTwoGroups(in, out);
    encodeTwoGroups(in + 6, out + 8);
    in += 12;
    out += 16;
  }
  for (; i < n; ++i) {
    encodeGroup(in, out);
    in += 3;
    out += 4;
  }
}

// The three bytes of a finished group (accumulated as 24 bits, byte 0 high).
inline void putGroup(std::uint8_t* out, std::uint32_t bits) {
  out[0] = static_cast<std::uint8_t>(bits >> 16);
  out[1] = static_cast<std::uint8_t>(bits >> 8);
  out[2] = static_cast<std::uint8_t>(bits);
}

}  // namespace

void ContentCoding::encodeBase64(const void* bytes, std::uint32_t count, StringBuffer& output) const {
  if (bytes == nullptr || count == 0) return;
  const auto* in = static_cast<const std::uint8_t*>(bytes);
  std::uint64_t total = (std::uint64_t{count} + 2) / 3 * 4;
  if (total < 0x7FFFFFF0u) output.reserve(static_cast<std::int32_t>(total));

  EncodeKernel kernel = encodeKernel();
  std::uint32_t groups = count / 3;
  char* room = output.data() + output.length();
  const char* input = static_cast<const char*>(bytes);
  bool inside = input >= output.data() && input < output.data() + output.capacity();
  if (groups > 0 && !inside && output.capacity() - output.length() > static_cast<std::int64_t>(total)) {
    // Reserved, and the input is not the buffer's own: the groups go straight into it.
    char* out = room;
    encodeGroups(in, groups, out, kernel);
    in += std::size_t{groups} * 3;
    output.setLength(output.length() + static_cast<std::int32_t>(groups * 4));
    groups = 0;
  }
  char block[kBlockGroups * 4];
  while (groups > 0) {
    std::uint32_t n = groups < kBlockGroups ? groups : kBlockGroups;
    encodeGroups(in, n, block, kernel);
    in += std::size_t{n} * 3;
    output.appendBytes(block, std::int64_t{n} * 4);
    groups -= n;
  }

  std::uint32_t rest = count % 3;
  if (rest == 0) return;
  char tail[4];
  std::uint32_t b0 = in[0];
  std::uint32_t b1 = rest == 2 ? in[1] : 0;
  tail[0] = kAlphabet[b0 >> 2];
  tail[1] = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
  tail[2] = rest == 2 ? kAlphabet[(b1 & 15) << 2] : '=';
  tail[3] = '=';
  output.appendBytes(tail, 4);
}

bool ContentCoding::decodeBase64(const char* text, std::uint32_t count, DataBuffer& output) const {
  if (text == nullptr || count == 0) return true;
  const auto* p = reinterpret_cast<const std::uint8_t*>(text);
  const std::uint8_t* end = p + count;

  std::uint32_t start = output.length();
  // Room for every group, plus what a kernel or a four-byte store of the last group writes
  // past the bytes it keeps.
  std::uint64_t room = std::uint64_t{start} + std::uint64_t{count} / 4 * 3 + kKernelSpill;
  if (room > UINT32_MAX) capacityExceeded("DataBuffer size exceeds 32 bits");
  output.ensureCapacity(static_cast<std::uint32_t>(room));
  std::uint8_t* base = output.data();
  std::uint8_t* out = base + start;

  DecodeKernel kernel = decodeKernel();
  std::uint32_t accumulator = 0;
  int taken = 0;  // alphabet characters of the current group
  for (;;) {
    if (taken == 0) {
      if (kernel != nullptr) {
        std::size_t used = kernel(p, static_cast<std::size_t>(end - p), out);
        p += used;
        out += used / 4 * 3;
      }
      if (kLittleEndian) {
        while (end - p >= 8) {
          std::uint32_t a = kPlaced0[p[0]] | kPlaced1[p[1]] | kPlaced2[p[2]] | kPlaced3[p[3]];
          std::uint32_t b = kPlaced0[p[4]] | kPlaced1[p[5]] | kPlaced2[p[6]] | kPlaced3[p[7]];
          if (((a | b) & kNotAlphabet) != 0) break;
          std::memcpy(out, &a, 4);
          std::memcpy(out + 3, &b, 4);
          out += 6;
          p += 8;
        }
      }
      while (end - p >= 4) {
        std::uint32_t a = kPlaced0[p[0]] | kPlaced1[p[1]] | kPlaced2[p[2]] | kPlaced3[p[3]];
        if ((a & kNotAlphabet) != 0) break;
        out[0] = static_cast<std::uint8_t>(a);
        out[1] = static_cast<std::uint8_t>(a >> 8);
        out[2] = static_cast<std::uint8_t>(a >> 16);
        out += 3;
        p += 4;
      }
    }
    if (p == end) break;
    std::uint8_t k = kClasses[*p++];
    if (k < 64) {
      accumulator = (accumulator << 6) | k;
      if (++taken == 4) {
        putGroup(out, accumulator);
        out += 3;
        accumulator = 0;
        taken = 0;
      }
    } else if (k == kSkip) {
      continue;
    } else if (k == kStop) {
      break;
    } else {
      output.setLength(start);  // nothing is delivered
      return false;
    }
  }
  // An unfinished group: two characters complete one byte, three complete two.
  if (taken == 2) {
    *out++ = static_cast<std::uint8_t>(accumulator >> 4);
  } else if (taken == 3) {
    *out++ = static_cast<std::uint8_t>(accumulator >> 10);
    *out++ = static_cast<std::uint8_t>(accumulator >> 2);
  }
  output.setLength(static_cast<std::uint32_t>(out - base));
  return true;
}

}  // namespace vk
