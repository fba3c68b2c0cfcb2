#include "charset/korean.h"

#include "charset/seven_bit_runs.h"
#include "charset/stateful_checks.h"

namespace vk {
namespace {

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kShiftOut = 0x0E;
constexpr std::uint8_t kShiftIn = 0x0F;

// ISO-2022-KR as a 7-bit form of 949: Korean runs between SO and SI.
struct Iso2022KrForm {
  static void open(StagedOutput& out) { out.put(kShiftOut); }
  static void close(StagedOutput& out) { out.put(kShiftIn); }
  static void putAscii(StagedOutput& out, std::uint8_t b) { out.put(b); }
  // KS X 1001 in its EUC form: both bytes in 0xA1-0xFE. With the high bits cleared any other
  // pair would come out as control bytes (SO, SI, ESC among them) or as a pair of another
  // character, so it is left out.
  static bool carried(std::uint8_t lead, std::uint8_t trail) {
    return inRange(lead, 0xA1, 0xFE) && inRange(trail, 0xA1, 0xFE);
  }
  // Code page 949 pairs: lead 0x81-0xFE, trail 0x41-0x5A, 0x61-0x7A or 0x81-0xFE.
  static bool isPair(std::uint8_t lead, std::uint8_t trail) {
    return inRange(lead, 0x81, 0xFE) &&
           (inRange(trail, 0x41, 0x5A) || inRange(trail, 0x61, 0x7A) || inRange(trail, 0x81, 0xFE));
  }
};

// ISO-2022-KR bytes to EUC-KR bytes as Korean::fromIso2022Kr describes, or, into FirstLenient,
// the walk up to the first place it reads leniently.
template <class Output>
void readIso2022Kr(const std::uint8_t* bytes, std::uint32_t count, Output& out) {
  bool shifted = false;
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (b == kEsc) {
      // The designator ESC $ ) C announces KS X 1001 for SO; it changes no state.
      bool designator = count - i > 3 && bytes[i + 1] == 0x24 && bytes[i + 2] == 0x29 && bytes[i + 3] == 0x43;
      if (!designator && out.lenientAt(i)) break;  // a stray ESC is dropped
      i += designator ? 4 : 1;
      continue;
    }
    if (b == kShiftOut || b == kShiftIn) {
      shifted = b == kShiftOut;
      ++i;
      continue;
    }
    if (shifted) {
      if (i + 1 >= count) {  // a lone byte left of a pair
        out.lenientAt(i);
        break;
      }
      std::uint8_t c = bytes[i + 1];
      // A control or 8-bit byte taken into a pair is no KS X 1001 byte; the pair is read all the same.
      if (!(isSevenBitGraphic(b) && isSevenBitGraphic(c)) && out.lenientAt(i)) break;
      out.put(static_cast<std::uint8_t>(b + 0x80), static_cast<std::uint8_t>(c + 0x80));
      i += 2;
      continue;
    }
    out.put(b);
    ++i;
  }
}

}  // namespace

void Korean::fromIso2022Kr(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  if (bytes == nullptr || count == 0) return;
  StagedOutput out(output);
  readIso2022Kr(bytes, count, out);
}

std::uint32_t firstMalformedIso2022Kr(const std::uint8_t* bytes, std::uint32_t count) {
  FirstLenient check(count);
  readIso2022Kr(bytes, count, check);
  return check.at();
}

bool Korean::toIso2022Kr(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  if (bytes == nullptr || count == 0) return true;
  StagedOutput out(output);
  out.put(kEsc, 0x24, 0x29);
  out.put(0x43);
  // RFC 1557: the text returns to ASCII before it ends, which the run writer sees to.
  return writeSevenBitRuns<Iso2022KrForm>(bytes, count, out);
}

}  // namespace vk
