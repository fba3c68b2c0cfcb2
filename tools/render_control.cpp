// Renders the control's design-time picture to a PPM image, for people who want to see what a
// form designer shows: a VkString object draws into a recording device context at the size its
// extent gives at 96 pixels per inch, and the recorded calls are replayed onto a white canvas
// (black pen, white brush, a 5x7 pixel font for the caption).
//
//   vk_render_control [out.ppm [width-himetric height-himetric]]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "component/control/design_picture.h"
#include "component/vkstring.h"
#include "platform/native/recording_dc.h"

namespace {

constexpr int kPixelsPerInch = 96;

// Columns of 7 bits, top row in bit 0; enough letters for the caption, a box for any other.
struct Glyph {
  char c;
  unsigned char columns[5];
};
const Glyph kGlyphs[] = {
    {'V', {0x1F, 0x20, 0x40, 0x20, 0x1F}}, {'k', {0x7F, 0x10, 0x28, 0x44, 0x00}},
    {'S', {0x46, 0x49, 0x49, 0x49, 0x31}}, {'t', {0x04, 0x3F, 0x44, 0x40, 0x20}},
    {'r', {0x7C, 0x08, 0x04, 0x04, 0x08}}, {'i', {0x00, 0x44, 0x7D, 0x40, 0x00}},
    {'n', {0x7C, 0x08, 0x04, 0x04, 0x78}}, {'g', {0x0C, 0x52, 0x52, 0x52, 0x3E}},
};
const unsigned char kBox[5] = {0x7F, 0x41, 0x41, 0x41, 0x7F};

class Canvas {
 public:
  Canvas(int width, int height)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, 255) {}

  void set(int x, int y, unsigned char value) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
      pixels_[static_cast<std::size_t>(y) * width_ + x] = value;
  }

  // GDI's rectangle: the pen outlines it, the brush fills the inside; right and bottom excluded.
  void rectangle(int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        const bool edge = x == left || y == top || x == right - 1 || y == bottom - 1;
        set(x, y, edge ? 0 : 255);
      }
    }
  }

  // Text aligned by `align` (TA_CENTER and TA_BASELINE understood; otherwise left and top).
  void text(int x, int y, const std::string& text, UINT align) {
    const int width = static_cast<int>(text.size()) * 6 - 1;
    int left = (align & TA_CENTER) == TA_CENTER ? x - width / 2 : x;
    int top = (align & TA_BASELINE) == TA_BASELINE ? y - 7 : y;
    for (char c : text) {
      const unsigned char* columns = kBox;
      for (const Glyph& glyph : kGlyphs) {
        if (glyph.c == c) columns = glyph.columns;
      }
      for (int column = 0; column < 5; ++column) {
        for (int row = 0; row < 8; ++row) {
          if ((columns[column] >> row) & 1) set(left + column, top + row, 0);
        }
      }
      left += 6;
    }
  }

  bool writePpm(const char* path) const {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width_, height_);
    for (unsigned char value : pixels_) {
      const unsigned char rgb[3] = {value, value, value};
      std::fwrite(rgb, 1, 3, file);
    }
    return std::fclose(file) == 0;
  }

 private:
  int width_;
  int height_;
  std::vector<unsigned char> pixels_;
};

bool readExtent(const char* text, LONG* value) {
  char* end = nullptr;
  long number = std::strtol(text, &end, 10);
  if (end == text || *end != 0 || number < 1 || number > 254000) return false;  // up to a metre
  *value = static_cast<LONG>(number);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "vkstring_control.ppm";
  SIZEL extent{vk::control::kDefaultExtent, vk::control::kDefaultExtent};
  if (argc == 4 && (!readExtent(argv[2], &extent.cx) || !readExtent(argv[3], &extent.cy))) {
    std::fprintf(stderr, "extents are whole HIMETRIC units from 1 to 254000\n");
    return 2;
  }
  if (argc != 1 && argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: %s [out.ppm [width-himetric height-himetric]]\n", argv[0]);
    return 2;
  }

  IUnknown* unknown = nullptr;
  (new vk::VkString)->innerUnknown()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
  IOleObject* object = nullptr;
  IViewObject* view = nullptr;
  unknown->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
  unknown->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view));
  object->SetExtent(DVASPECT_CONTENT, &extent);

  vk::platform::RecordingDc dc(kPixelsPerInch, kPixelsPerInch);
  // At least one pixel each way, however small the extent.
  const auto pixels = [](LONG himetric, int ppi) {
    LONG n = vk::control::himetricToPixels(himetric, ppi);
    return n < 1 ? 1 : n;
  };
  const RECTL bounds{0, 0, pixels(extent.cx, dc.pixelsPerInchX()), pixels(extent.cy, dc.pixelsPerInchY())};
  HRESULT hr =
      view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.handle(), &bounds, nullptr, nullptr, 0);
  view->Release();
  object->Release();
  unknown->Release();
  if (FAILED(hr)) {
    std::fprintf(stderr, "drawing failed: 0x%08X\n", static_cast<unsigned>(hr));
    return 1;
  }

  Canvas canvas(bounds.right, bounds.bottom);
  UINT align = 0;
  for (const vk::platform::DrawCall& call : dc.calls()) {
    switch (call.kind) {
      case vk::platform::DrawCall::Rectangle: canvas.rectangle(call.x1, call.y1, call.x2, call.y2); break;
      case vk::platform::DrawCall::SetTextAlign: align = call.align; break;
      case vk::platform::DrawCall::TextOut: canvas.text(call.x1, call.y1, call.text, align); break;
    }
  }
  if (!canvas.writePpm(path)) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  std::printf("%s: %ld x %ld pixels\n", path, static_cast<long>(bounds.right),
              static_cast<long>(bounds.bottom));
  return 0;
}
