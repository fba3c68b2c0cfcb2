// A device context that records the drawing calls made on it instead of drawing: the native
// stand-in for a GDI device context. Its handle() is an HDC that Rectangle, SetTextAlign,
// TextOutA and GetDeviceCaps accept; they answer failure for any other handle.
#pragma once
#include <string>
#include <vector>

#include "platform/ole.h"

namespace vk::platform {

struct DrawCall {
  enum Kind { Rectangle, SetTextAlign, TextOut } kind = Rectangle;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Rectangle: the corners; TextOut: the point in x1, y1
  UINT align = 0;                      // SetTextAlign
  std::string text;                    // TextOut
};

class RecordingDc {
 public:
  explicit RecordingDc(int pixelsPerInchX = 96, int pixelsPerInchY = 96);
  ~RecordingDc();
  RecordingDc(const RecordingDc&) = delete;
  RecordingDc& operator=(const RecordingDc&) = delete;

  HDC handle() { return reinterpret_cast<HDC>(this); }
  const std::vector<DrawCall>& calls() const { return calls_; }
  int pixelsPerInchX() const { return ppiX_; }
  int pixelsPerInchY() const { return ppiY_; }

  // The recorder behind a handle, or null when the handle is not a live recorder.
  static RecordingDc* fromHandle(HDC dc);
  void record(const DrawCall& call) { calls_.push_back(call); }
  UINT setAlign(UINT align) {
    UINT previous = align_;
    align_ = align;
    return previous;
  }

 private:
  int ppiX_;
  int ppiY_;
  UINT align_ = 0;  // TA_TOP | TA_LEFT, as a fresh device context has
  std::vector<DrawCall> calls_;
};

}  // namespace vk::platform
