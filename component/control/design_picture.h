// What the control shows when a design tool displays it: a rectangle over its bounds with the
// device context's pen and brush and the name "VkString" centred on the baseline at its middle.
#pragma once
#include "platform/ole.h"

namespace vk::control {

constexpr char kDesignCaption[] = "VkString";
// TA_CENTER | TA_BASELINE
constexpr UINT kCaptionAlignment = 30;

void drawDesignPicture(HDC dc, const RECTL& bounds);

// HIMETRIC (hundredths of a millimetre) to device pixels at the given pixels per logical inch,
// rounded to the nearest pixel: (ppi * himetric + 1270) / 2540.
LONG himetricToPixels(LONG himetric, int pixelsPerInch);

}  // namespace vk::control
