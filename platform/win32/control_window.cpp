// The control's child window on Windows: one window class, registered on first use, whose
// paint handler calls the control's paint function with the window's client area.
#include "platform/control_window.h"

#include <mutex>

namespace vk::platform {
namespace {

const wchar_t kClassName[] = L"VkStringControlWindow";

struct Painter {
  PaintFunction paint;
  void* context;
};

// The painter of a window being created on this thread until the window takes it over at
// WM_NCCREATE; from then on WM_NCDESTROY frees it, even when creation fails later.
thread_local Painter* pendingPainter = nullptr;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      pendingPainter = nullptr;
      break;
    }
    case WM_PAINT: {
      auto* painter = reinterpret_cast<Painter*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (painter != nullptr && dc != nullptr) {
        RECT client;
        GetClientRect(window, &client);
        painter->paint(painter->context, dc, client);
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_NCDESTROY: {
      delete reinterpret_cast<Painter*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    }
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HINSTANCE ownInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&windowProcedure), &module);
  return module;
}

bool registerClassOnce() {
  static std::once_flag once;
  static bool registered = false;
  std::call_once(once, [] {
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = ownInstance();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = kClassName;
    registered = RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  });
  return registered;
}

}  // namespace

HWND createControlWindow(HWND parent, const RECT& position, PaintFunction paint, void* context) {
  if (!registerClassOnce()) return nullptr;
  auto* painter = new Painter{paint, context};
  pendingPainter = painter;
  HWND window = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, position.left,
                                position.top, position.right - position.left, position.bottom - position.top,
                                parent, nullptr, ownInstance(), painter);
  if (pendingPainter != nullptr) delete pendingPainter;
  pendingPainter = nullptr;
  return window;
}

void moveControlWindow(HWND window, const RECT& position) {
  SetWindowPos(window, nullptr, position.left, position.top, position.right - position.left,
               position.bottom - position.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void showControlWindow(HWND window, bool show) { ShowWindow(window, show ? SW_SHOW : SW_HIDE); }

void invalidateControlWindow(HWND window) { InvalidateRect(window, nullptr, TRUE); }

void destroyControlWindow(HWND window) { DestroyWindow(window); }

}  // namespace vk::platform
