// Writing the double-byte text of an 8-bit carrier in a 7-bit form that switches between ASCII
// and runs of pairs (HZ over code page 936, ISO-2022-KR over 949): each run of pairs the form
// can carry is opened by the form's escape and written with the high bits cleared; it is closed
// before the next ASCII byte and at the end of the text.
#pragma once
#include <cstdint>

#include "charset/staged_output.h"

namespace vk {

// `Form` provides, as static functions:
//   open(out), close(out)      the escapes around a run of pairs
//   putAscii(out, b)           an ASCII byte outside a run
//   carried(lead, trail)       whether the form can write this pair of the carrier
//   isPair(lead, trail)        whether it is a pair of the carrier at all, left out whole
// Answers false when something was left out: a pair the form cannot carry, a byte from 0x80 up
// that begins no pair, or a lead byte cut off by the end of the input.
template <class Form>
bool writeSevenBitRuns(const std::uint8_t* bytes, std::uint32_t count, StagedOutput& out) {
  bool inRun = false;
  bool complete = true;
  std::uint32_t i = 0;
  while (i < count) {
    std::uint8_t b = bytes[i];
    if (b < 0x80) {
      if (inRun) Form::close(out);
      inRun = false;
      Form::putAscii(out, b);
      ++i;
      continue;
    }
    if (i + 1 >= count) {
      complete = false;  // the lead byte's pair is cut off
      break;
    }
    std::uint8_t c = bytes[i + 1];
    if (Form::carried(b, c)) {
      if (!inRun) Form::open(out);
      inRun = true;
      out.put(static_cast<std::uint8_t>(b & 0x7F), static_cast<std::uint8_t>(c & 0x7F));
      i += 2;
      continue;
    }
    complete = false;
    i += Form::isPair(b, c) ? 2 : 1;
  }
  if (inRun) Form::close(out);
  return complete;
}

}  // namespace vk
