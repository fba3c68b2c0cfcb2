// Control windows without a window system: each is a numbered record.
#include "platform/control_window.h"

#include <map>
#include <mutex>

namespace vk::platform {
namespace {

struct Window {
  ControlWindowRecord record;
  PaintFunction paint;
  void* context;
};

std::mutex windowsLock;
std::map<HWND, Window>& windows() {
  static std::map<HWND, Window> live;
  return live;
}
std::uintptr_t nextHandle = 0x1000;

}  // namespace

HWND createControlWindow(HWND parent, const RECT& position, PaintFunction paint, void* context) {
  std::lock_guard<std::mutex> guard(windowsLock);
  HWND window = reinterpret_cast<HWND>(nextHandle);
  nextHandle += 4;
  windows()[window] = Window{ControlWindowRecord{parent, position, true, 0}, paint, context};
  return window;
}

void moveControlWindow(HWND window, const RECT& position) {
  std::lock_guard<std::mutex> guard(windowsLock);
  auto found = windows().find(window);
  if (found != windows().end()) found->second.record.position = position;
}

void showControlWindow(HWND window, bool show) {
  std::lock_guard<std::mutex> guard(windowsLock);
  auto found = windows().find(window);
  if (found != windows().end()) found->second.record.visible = show;
}

void invalidateControlWindow(HWND window) {
  std::lock_guard<std::mutex> guard(windowsLock);
  auto found = windows().find(window);
  if (found != windows().end()) ++found->second.record.invalidations;
}

void destroyControlWindow(HWND window) {
  std::lock_guard<std::mutex> guard(windowsLock);
  windows().erase(window);
}

bool controlWindowRecord(HWND window, ControlWindowRecord* record) {
  std::lock_guard<std::mutex> guard(windowsLock);
  auto found = windows().find(window);
  if (found == windows().end()) return false;
  *record = found->second.record;
  return true;
}

bool paintControlWindow(HWND window, HDC dc) {
  Window copy;
  {
    std::lock_guard<std::mutex> guard(windowsLock);
    auto found = windows().find(window);
    if (found == windows().end()) return false;
    copy = found->second;
  }
  const RECT& p = copy.record.position;
  copy.paint(copy.context, dc, RECT{0, 0, p.right - p.left, p.bottom - p.top});
  return true;
}

}  // namespace vk::platform
