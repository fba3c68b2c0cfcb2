// The UTF-8 <-> UTF-16LE kernels of every CPU path this machine has, called directly: each
// gives the scalar pass's bytes and reaches the same position, for the same input and the
// same `stop`. The first two bytes of the input choose where the pass is cut (a sequence
// begun before `stop` is finished past it, reading up to the input's end); the rest is the
// text, read once as UTF-8 and once as UTF-16LE units. Input and output are exactly sized
// heap blocks (the output holds the worst case plus the documented slack), so a kernel that
// reads or writes past either is caught by AddressSanitizer.
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "unicode/simd/transcode.h"

namespace {

using vk::simd::Path;
using vk::simd::TranscodePass;

struct Run {
  std::vector<std::uint8_t> bytes;
  std::size_t reached;
};

Run runPass(TranscodePass pass, const std::vector<std::uint8_t>& input, std::size_t stop, std::uint64_t num,
            std::uint64_t den, std::uint64_t slack) {
  std::vector<std::uint8_t> in(input);
  std::vector<std::uint8_t> out((stop * num + den - 1) / den + slack);
  const std::uint8_t* base = in.data();
  std::uint8_t* q = out.data();
  const std::uint8_t* reached = pass(base, base + stop, base + in.size(), q);
  FUZZ_CHECK(reached >= base + stop && reached <= base + in.size());
  FUZZ_CHECK(q >= out.data() && q <= out.data() + out.size());
  out.resize(static_cast<std::size_t>(q - out.data()));
  return {out, static_cast<std::size_t>(reached - base)};
}

struct Direction {
  TranscodePass scalar;
  TranscodePass (*select)(Path);
  std::uint64_t num, den, slack;
  std::size_t unit;  // passes are cut at multiples of the code-unit size
};

const Direction kDirections[] = {
    {vk::simd::utf8ToUtf16Scalar, vk::simd::utf8ToUtf16Kernel, 2, 1, vk::simd::kUtf8To16Slack, 1},
    {vk::simd::utf16ToUtf8Scalar, vk::simd::utf16ToUtf8Kernel, 3, 2, vk::simd::kUtf16To8Slack, 2},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > (1 << 16) + 2) return 0;
  const unsigned cut = data[0] | (data[1] << 8);
  std::vector<std::uint8_t> text(data + 2, data + size);
  for (const Direction& d : kDirections) {
    std::vector<std::uint8_t> input(text.begin(), text.begin() + text.size() / d.unit * d.unit);
    // Mostly the whole text; otherwise a cut anywhere inside it.
    std::size_t stop = input.size();
    if (cut < 0xC000 && !input.empty()) stop = cut % (input.size() + 1) / d.unit * d.unit;
    Run reference = runPass(d.scalar, input, stop, d.num, d.den, d.slack);
    for (int i = 1; i < vk::simd::kPathCount; ++i) {
      auto path = static_cast<Path>(i);
      if (!vk::simd::pathAvailable(path)) break;
      Run got = runPass(d.select(path), input, stop, d.num, d.den, d.slack);
      FUZZ_CHECK(got.reached == reference.reached);
      FUZZ_CHECK(got.bytes == reference.bytes);
    }
  }
  return 0;
}
