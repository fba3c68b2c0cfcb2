#include "charset/hz.h"

#include "charset/seven_bit_runs.h"
#include "charset/stateful_checks.h"

namespace vk {
namespace {

constexpr std::uint8_t kTilde = 0x7E;
constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;

// HZ as a 7-bit form of 936: GB runs between '~{' and '~}', and '~' in ASCII written '~~'.
struct HzForm {
  static void open(StagedOutput& out) { out.put(kTilde, '{'); }
  static void close(StagedOutput& out) { out.put(kTilde, '}'); }
  static void putAscii(StagedOutput& out, std::uint8_t b) {
    if (b == kTilde) out.put(kTilde);
    out.put(b);
  }
  // GB2312 only (both bytes 0xA1-0xFE), not the GBK extensions. The row 0xFE would be written
  // '~' and its pairs FE FB and FE FD as '~{' and '~}'; it holds no GB2312 character (936 keeps
  // user-defined characters there), so it is not written.
  static bool carried(std::uint8_t lead, std::uint8_t trail) {
    return inRange(lead, 0xA1, 0xFD) && inRange(trail, 0xA1, 0xFE);
  }
  // Code page 936 pairs: lead 0x81-0xFE, trail 0x40-0x7E or 0x80-0xFE.
  static bool isPair(std::uint8_t lead, std::uint8_t trail) {
    return inRange(lead, 0x81, 0xFE) && (inRange(trail, 0x40, 0x7E) || inRange(trail, 0x80, 0xFE));
  }
};

// HZ bytes to 936 bytes as Chinese::fromHz describes, or, into FirstLenient, the walk up to
// the first place it reads leniently.
template <class Output>
void readHz(const std::uint8_t* bytes, std::uint32_t count, Output& out) {
  bool gb = false;
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (!gb) {
      if (b != kTilde) {
        out.put(b);
        ++i;
        continue;
      }
      if (i + 1 >= count) {  // a '~' that ends the text is text
        if (!out.lenientAt(i)) out.put(b);
        break;
      }
      std::uint8_t n = bytes[i + 1];
      if (n == kTilde) {
        out.put(kTilde);
        i += 2;
      } else if (n == '{') {
        gb = true;
        i += 2;
      } else if (n == '}') {
        i += 2;  // already ASCII
      } else if (n == kLf) {
        i += 2;  // line continuation
      } else if (n == kCr) {
        i += (i + 2 < count && bytes[i + 2] == kLf) ? 3 : 2;  // continuation over CR LF or CR
      } else {
        if (out.lenientAt(i)) break;
        out.put(b);  // not an escape: the '~' is kept and the next byte read as usual
        ++i;
      }
      continue;
    }
    // No GB2312 row starts with 0x7E, so '~' in a GB run can only begin an escape: '~}'
    // returns to ASCII and a repeated '~{' changes nothing.
    if (b == kTilde && i + 1 < count && (bytes[i + 1] == '}' || bytes[i + 1] == '{')) {
      gb = bytes[i + 1] == '{';
      i += 2;
      continue;
    }
    if (b == kCr || b == kLf) {
      gb = false;  // a GB run does not outlive its line
      out.put(b);
      ++i;
      continue;
    }
    if (isSevenBitGraphic(b)) {
      if (i + 1 >= count) {  // a lone byte left of a pair
        out.lenientAt(i);
        break;
      }
      std::uint8_t c = bytes[i + 1];
      if (isSevenBitGraphic(c)) {
        out.put(static_cast<std::uint8_t>(b | 0x80), static_cast<std::uint8_t>(c | 0x80));
        i += 2;
      } else {
        if (out.lenientAt(i)) break;
        ++i;  // no partner: b is dropped and c read on its own
      }
      continue;
    }
    if (out.lenientAt(i)) break;
    out.put(b);  // neither GB, '~' nor a line break: passed through
    ++i;
  }
}

}  // namespace

void Chinese::fromHz(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  if (bytes == nullptr || count == 0) return;
  StagedOutput out(output);
  readHz(bytes, count, out);
}

std::uint32_t firstMalformedHz(const std::uint8_t* bytes, std::uint32_t count) {
  FirstLenient check(count);
  readHz(bytes, count, check);
  return check.at();
}

bool Chinese::toHz(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  if (bytes == nullptr || count == 0) return true;
  StagedOutput out(output);
  return writeSevenBitRuns<HzForm>(bytes, count, out);
}

}  // namespace vk
