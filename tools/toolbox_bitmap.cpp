// Writes the module's toolbox picture to standard output: a 16 x 16, 16-colour Windows bitmap
// (BMP file, 4 bits per pixel, the standard 16-colour palette). The committed
// component/win32/toolbox.bmp is this program's output; a test keeps the two the same.
//
// The picture is a text label: "ab" in black on white inside a dark blue frame, with a red
// caret after it, on the light grey that form designers draw toolboxes in.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Palette order of the standard 16-colour palette, as {red, green, blue}.
constexpr std::uint8_t kPalette[16][3] = {
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
};

// Top row first. '.' light grey, '#' dark blue, 'w' white, 'k' black, 'r' red.
// clang-format off
constexpr const char* kPicture[16] = {
    "................",
    "................",
    ".##############.",
    ".#wwwwwwwwwwww#.",
    ".#wwwwwwwwwwrw#.",
    ".#wkkwwkwwwwrw#.",
    ".#wwwkwkwwwwrw#.",
    ".#wkkkwkkkwwrw#.",
    ".#kwwkwkwwkwrw#.",
    ".#wkkkwkkkwwrw#.",
    ".#wwwwwwwwwwrw#.",
    ".#wwwwwwwwwwww#.",
    ".##############.",
    "................",
    "................",
    "................",
};
// clang-format on

int colourIndex(char c) {
  switch (c) {
    case '#': return 4;
    case 'w': return 15;
    case 'k': return 0;
    case 'r': return 9;
    default: return 7;
  }
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace

int main() {
  constexpr std::uint32_t kSide = 16;
  constexpr std::uint32_t kRowBytes = kSide / 2;  // two pixels a byte; 8 is already 4-aligned
  constexpr std::uint32_t kPixelBytes = kRowBytes * kSide;
  constexpr std::uint32_t kHeaderBytes = 14 + 40 + 16 * 4;

  std::vector<std::uint8_t> bmp;
  // BITMAPFILEHEADER
  bmp.push_back('B');
  bmp.push_back('M');
  put32(bmp, kHeaderBytes + kPixelBytes);
  put32(bmp, 0);
  put32(bmp, kHeaderBytes);
  // BITMAPINFOHEADER
  put32(bmp, 40);
  put32(bmp, kSide);
  put32(bmp, kSide);  // positive: rows are stored bottom-up
  put16(bmp, 1);      // planes
  put16(bmp, 4);      // bits per pixel
  put32(bmp, 0);      // BI_RGB
  put32(bmp, kPixelBytes);
  put32(bmp, 0);
  put32(bmp, 0);
  put32(bmp, 16);  // colours used
  put32(bmp, 0);
  for (const auto& rgb : kPalette) {
    bmp.push_back(rgb[2]);
    bmp.push_back(rgb[1]);
    bmp.push_back(rgb[0]);
    bmp.push_back(0);
  }
  for (int row = kSide - 1; row >= 0; --row) {
    const std::string line = kPicture[row];
    for (std::uint32_t x = 0; x < kSide; x += 2) {
      bmp.push_back(static_cast<std::uint8_t>(colourIndex(line[x]) << 4 | colourIndex(line[x + 1])));
    }
  }
  return std::fwrite(bmp.data(), 1, bmp.size(), stdout) == bmp.size() ? 0 : 1;
}
