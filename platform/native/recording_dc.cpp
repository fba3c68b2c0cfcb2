// The GDI calls of the design-time picture, over recording device contexts. Handles are checked
// against the set of live recorders, so a stale or foreign handle fails like an invalid one does.
#include "platform/native/recording_dc.h"

#include <mutex>
#include <set>

namespace vk::platform {
namespace {

std::mutex liveLock;
std::set<const RecordingDc*>& live() {
  static std::set<const RecordingDc*> recorders;
  return recorders;
}

}  // namespace

RecordingDc::RecordingDc(int pixelsPerInchX, int pixelsPerInchY)
    : ppiX_(pixelsPerInchX), ppiY_(pixelsPerInchY) {
  std::lock_guard<std::mutex> guard(liveLock);
  live().insert(this);
}

RecordingDc::~RecordingDc() {
  std::lock_guard<std::mutex> guard(liveLock);
  live().erase(this);
}

RecordingDc* RecordingDc::fromHandle(HDC dc) {
  auto* recorder = reinterpret_cast<RecordingDc*>(dc);
  std::lock_guard<std::mutex> guard(liveLock);
  return live().count(recorder) != 0 ? recorder : nullptr;
}

}  // namespace vk::platform

using vk::platform::DrawCall;
using vk::platform::RecordingDc;

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  RecordingDc* recorder = RecordingDc::fromHandle(dc);
  if (recorder == nullptr) return 0;
  DrawCall call;
  call.kind = DrawCall::Rectangle;
  call.x1 = left;
  call.y1 = top;
  call.x2 = right;
  call.y2 = bottom;
  recorder->record(call);
  return 1;
}

UINT SetTextAlign(HDC dc, UINT align) {
  RecordingDc* recorder = RecordingDc::fromHandle(dc);
  if (recorder == nullptr) return GDI_ERROR;
  DrawCall call;
  call.kind = DrawCall::SetTextAlign;
  call.align = align;
  recorder->record(call);
  return recorder->setAlign(align);
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  RecordingDc* recorder = RecordingDc::fromHandle(dc);
  if (recorder == nullptr || length < 0 || (text == nullptr && length != 0)) return 0;
  DrawCall call;
  call.kind = DrawCall::TextOut;
  call.x1 = x;
  call.y1 = y;
  call.text.assign(text == nullptr ? "" : text, static_cast<std::size_t>(length));
  recorder->record(call);
  return 1;
}

int GetDeviceCaps(HDC dc, int index) {
  RecordingDc* recorder = RecordingDc::fromHandle(dc);
  if (recorder == nullptr) return 0;
  switch (index) {
    case LOGPIXELSX: return recorder->pixelsPerInchX();
    case LOGPIXELSY: return recorder->pixelsPerInchY();
    default: return 0;
  }
}
