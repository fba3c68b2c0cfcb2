// Mac Arabic (code page 10004) before its table conversion: visual runs brought to logical order.
#include "charset/mac_arabic.h"

#include <algorithm>

namespace vk {
namespace {

bool isMacArabicMarked(std::uint8_t b) {
  return b == 0x81 || b == 0x8C || b == 0x93 || b == 0x98 || b == 0x9B || (b >= 0xA0 && b <= 0xA4) ||
         (b >= 0xA6 && b <= 0xAB) || (b >= 0xAD && b <= 0xBA) || (b >= 0xBC && b <= 0xBE) || b == 0xC0 ||
         (b >= 0xDB && b <= 0xDF) || (b >= 0xFB && b <= 0xFD);
}

std::uint8_t macArabicRewrite(std::uint8_t b) {
  bool losesHighBit = (b >= 0xA0 && b <= 0xAF && b != 0xA5 && b != 0xAC) || (b >= 0xB0 && b <= 0xBA) ||
                      (b >= 0xBC && b <= 0xBE) || (b >= 0xDB && b <= 0xDF) || (b >= 0xFB && b <= 0xFD);
  if (losesHighBit) return static_cast<std::uint8_t>(b - 0x80);
  if (b == 0x81) return 0xA0;
  return b;
}

}  // namespace

DataBuffer reorderMacArabic(const std::uint8_t* bytes, std::uint32_t count) {
  DataBuffer copy;
  copy.append(bytes, count);
  std::uint8_t* data = copy.data();
  bool inRun = false;
  std::uint32_t runStart = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    bool marked = isMacArabicMarked(data[i]);
    if (!inRun && marked) {
      inRun = true;
      runStart = i;
    } else if (inRun && !marked) {
      inRun = false;
      if (i - runStart > 1) std::reverse(data + runStart, data + i);
    }
    data[i] = macArabicRewrite(data[i]);
  }
  if (inRun && count - runStart > 1) std::reverse(data + runStart, data + count);
  return copy;
}

}  // namespace vk
