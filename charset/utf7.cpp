// UTF-7 (RFC 2152) with fixed choices: only set D and space, tab, CR, LF are written
// directly, every base64 run is closed with '-', a leading U+FEFF is dropped.
#include <cstdint>

#include "charset/staged_output.h"
#include "charset/stateful_checks.h"
#include "charset/unicode_forms.h"

namespace vk {

namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kDirectCharacters[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:? \t\r\n";

// The character tables are constant data, so any number of threads may convert at once.
struct Utf7Tables {
  bool direct[128];
  std::int8_t base64Value[256];  // -1 for bytes that are not base64 letters
};

constexpr Utf7Tables makeUtf7Tables() {
  Utf7Tables t{};
  for (int i = 0; i < 128; ++i) t.direct[i] = false;
  for (int i = 0; i < 256; ++i) t.base64Value[i] = -1;
  for (int i = 0; kDirectCharacters[i] != 0; ++i) {
    t.direct[static_cast<unsigned char>(kDirectCharacters[i])] = true;
  }
  for (int i = 0; i < 64; ++i) {
    t.base64Value[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<std::int8_t>(i);
  }
  return t;
}

constexpr Utf7Tables kUtf7 = makeUtf7Tables();

static_assert(kUtf7.direct[int{'A'}] && kUtf7.direct[int{'?'}] && kUtf7.direct[int{'\n'}], "set D");
static_assert(!kUtf7.direct[int{'+'}] && !kUtf7.direct[int{'!'}] && !kUtf7.direct[int{'~'}], "not direct");
static_assert(kUtf7.base64Value[int{'/'}] == 63 && kUtf7.base64Value[int{'-'}] == -1, "alphabet");

// Reserves a first estimate of the output, kept within the 32-bit length of a buffer; grows
// by at least half the capacity so repeated conversions into one buffer stay linear.
void reserveEstimate(DataBuffer& out, std::uint64_t estimate) {
  std::uint64_t capacity = out.capacity();
  std::uint64_t target = static_cast<std::uint64_t>(out.length()) + estimate;
  if (target <= capacity) return;
  if (target < capacity + capacity / 2) target = capacity + capacity / 2;
  if (target > UINT32_MAX) target = UINT32_MAX;
  out.ensureCapacity(static_cast<std::uint32_t>(target));
}

}  // namespace

bool utf7Encode(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  std::uint32_t units = count / 2;
  std::uint32_t i = 0;
  if (units > 0 && (bytes[0] | (bytes[1] << 8)) == 0xFEFF) i = 1;
  if (i >= units) return true;
  // Mostly-direct text is about one byte per unit; runs grow it, and the buffer grows then.
  reserveEstimate(output, units - i + 8);
  StagedOutput out(output);
  bool inRun = false;
  std::uint32_t bits = 0;  // pending bits, right-aligned
  int bitCount = 0;
  for (; i < units; ++i) {
    std::uint32_t u = static_cast<std::uint32_t>(bytes[2 * static_cast<std::uint64_t>(i)]) |
                      (static_cast<std::uint32_t>(bytes[2 * static_cast<std::uint64_t>(i) + 1]) << 8);
    if (u < 128 && kUtf7.direct[u]) {
      if (inRun) {
        if (bitCount > 0) {
          out.put(static_cast<std::uint8_t>(kBase64Alphabet[(bits << (6 - bitCount)) & 0x3F]));
        }
        out.put('-');
        inRun = false;
        bits = 0;
        bitCount = 0;
      }
      out.put(static_cast<std::uint8_t>(u));
      continue;
    }
    if (u == '+' && !inRun) {
      out.put('+');
      out.put('-');
      continue;
    }
    if (!inRun) {
      out.put('+');
      inRun = true;
    }
    bits = (bits << 16) | u;
    bitCount += 16;
    while (bitCount >= 6) {
      bitCount -= 6;
      out.put(static_cast<std::uint8_t>(kBase64Alphabet[(bits >> bitCount) & 0x3F]));
    }
    bits &= (1u << bitCount) - 1;
  }
  if (inRun) {
    if (bitCount > 0) {
      out.put(static_cast<std::uint8_t>(kBase64Alphabet[(bits << (6 - bitCount)) & 0x3F]));
    }
    out.put('-');
  }
  return true;
}

bool utf7Decode(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  bool ok = true;
  if (count == 0) return ok;
  reserveEstimate(output, 2ull * count);
  StagedOutput out(output);
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (b != '+') {
      if (b > 0x7F) {
        out.putUnit(static_cast<std::uint16_t>(0xFF00 + b));
        ok = false;
      } else {
        out.putUnit(b);
      }
      ++i;
      continue;
    }
    ++i;
    if (i < count && bytes[i] == '-') {
      out.putUnit('+');
      ++i;
      continue;
    }
    // A base64 run: 16-bit units, most significant bit first.
    std::uint32_t bits = 0;
    int bitCount = 0;
    bool yielded = false;
    while (i < count && kUtf7.base64Value[bytes[i]] >= 0) {
      bits = (bits << 6) | static_cast<std::uint32_t>(kUtf7.base64Value[bytes[i]]);
      bitCount += 6;
      if (bitCount >= 16) {
        bitCount -= 16;
        out.putUnit(static_cast<std::uint16_t>(bits >> bitCount));
        yielded = true;
      }
      bits &= (1u << bitCount) - 1;
      ++i;
    }
    if (!yielded) ok = false;
    if (bits != 0) ok = false;
    if (i < count && bytes[i] == '-') ++i;  // the terminator belongs to the run
  }
  return ok;
}

// The decoder above hands its 16-bit units on as they come, so a surrogate pair may span two
// runs; a high surrogate waits here (with the offset of its run's '+') for the low one.
std::uint32_t firstMalformedUtf7(const std::uint8_t* bytes, std::uint32_t count) {
  constexpr std::uint32_t kNone = ~0u;
  std::uint32_t pendingHigh = kNone;
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (b != '+' || (i + 1 < count && bytes[i + 1] == '-')) {
      if (pendingHigh != kNone) return pendingHigh;
      if (b > 0x7F) return i;
      i += b == '+' ? 2 : 1;
      continue;
    }
    std::uint32_t start = i++;
    std::uint32_t bits = 0;
    int bitCount = 0;
    bool yielded = false;
    for (; i < count && kUtf7.base64Value[bytes[i]] >= 0; ++i) {
      bits = (bits << 6) | static_cast<std::uint32_t>(kUtf7.base64Value[bytes[i]]);
      bitCount += 6;
      if (bitCount >= 16) {
        bitCount -= 16;
        yielded = true;
        std::uint32_t unit = (bits >> bitCount) & 0xFFFF;
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (pendingHigh != kNone && !low) return pendingHigh;
        if (pendingHigh == kNone && low) return start;
        pendingHigh = high ? start : kNone;
      }
      bits &= (1u << bitCount) - 1;
    }
    if (!yielded || bits != 0) return start;
    if (i < count && bytes[i] == '-') ++i;
  }
  return pendingHigh != kNone ? pendingHigh : count;
}

}  // namespace vk
