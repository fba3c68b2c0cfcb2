// The child window a control makes when a container activates it in a window rather than
// windowless. On Windows it is a real user32 window that paints through the given function;
// natively there is no window system, so a window is a record of its parent, position,
// visibility and the paints asked of it, which tests read back.
#pragma once
#include "platform/ole.h"

namespace vk::platform {

using PaintFunction = void (*)(void* context, HDC dc, const RECT& client);

// Null when the window cannot be made.
HWND createControlWindow(HWND parent, const RECT& position, PaintFunction paint, void* context);
void moveControlWindow(HWND window, const RECT& position);
void showControlWindow(HWND window, bool show);
// Asks for a repaint of the whole window.
void invalidateControlWindow(HWND window);
void destroyControlWindow(HWND window);

#ifndef _WIN32
struct ControlWindowRecord {
  HWND parent;
  RECT position;
  bool visible;
  int invalidations;
};
// What is known of a live window; false for a destroyed or unknown one.
bool controlWindowRecord(HWND window, ControlWindowRecord* record);
// Runs the window's paint function on dc over its client area (as a WM_PAINT would).
bool paintControlWindow(HWND window, HDC dc);
#endif

}  // namespace vk::platform
