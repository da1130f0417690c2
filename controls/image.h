// Pictures the controls draw: icons decoded from the program's in-memory icon files, scaled
// with area averaging, and the built-in glyphs, all as premultiplied 32-bit pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "controls/exui_protocol.h"

namespace corvalis::exui {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // top-down rows, 0xAARRGGBB premultiplied

  bool empty() const { return width <= 0 || height <= 0; }
  bool anyVisible() const;
};

// An icon file in memory (ICONDIR, entries, 32-bit DIB images). The largest 32-bit image is
// taken. Colours may be premultiplied or straight; an image whose alpha is 0 throughout
// takes its transparency from the AND mask, and when that marks everything opaque (as the
// program's images do), pure black is read as transparent.
std::optional<Image> decodeIconImage(std::string_view bytes);

// Area-averaged resampling (a box filter with fractional coverage): sharp when shrinking.
Image scaleImage(const Image& source, int width, int height);

// A built-in glyph, antialiased by drawing it four times larger and averaging.
Image renderGlyph(Glyph glyph, int size, COLORREF tile, COLORREF symbol);

// Draws with per-pixel alpha; opacity 0..255 scales the whole image.
void drawImage(HDC dc, const Image& image, int x, int y, BYTE opacity = 255);

}  // namespace corvalis::exui
