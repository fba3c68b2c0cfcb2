#include "component/control/design_picture.h"

namespace vk::control {

static_assert(kCaptionAlignment == (TA_CENTER | TA_BASELINE), "caption alignment");

void drawDesignPicture(HDC dc, const RECTL& bounds) {
  Rectangle(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  SetTextAlign(dc, kCaptionAlignment);
  // The midpoint in 64 bits: the sum of two far-apart coordinates does not fit a LONG.
  const auto middle = [](LONG a, LONG b) {
    return static_cast<int>((static_cast<long long>(a) + static_cast<long long>(b)) / 2);
  };
  TextOutA(dc, middle(bounds.left, bounds.right), middle(bounds.top, bounds.bottom), kDesignCaption,
           static_cast<int>(sizeof(kDesignCaption) - 1));
}

LONG himetricToPixels(LONG himetric, int pixelsPerInch) {
  return static_cast<LONG>((static_cast<long long>(pixelsPerInch) * himetric + 1270) / 2540);
}

}  // namespace vk::control
