// A shell icon's pixels brought to the size a row shows them at. Windows' jumbo image
// list (256 px) holds an icon that has nothing larger than 48 px as that small image,
// unscaled, in the top-left corner of the tile; shown at 200 % it would be a speck. So
// the opaque part is looked at first: a small image in the corner is cut out, and what
// is left is scaled smoothly, never by dropping or repeating pixels. No platform calls.
#pragma once

#include <cstdint>
#include <vector>

namespace corvalis {

// 0xAARRGGBB (blue first in memory), straight alpha, top row first.
struct IconPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> bgra;
};

// Columns [left, right) and rows [top, bottom).
struct PixelBounds {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
};

// Where the pixels with any alpha at all lie; empty when there are none.
PixelBounds opaqueBounds(const IconPixels& pixels);

// The side of the square in the tile's top-left corner that holds the small image the
// tile really is, or 0 when the tile is one image. A small image lies wholly within the
// tile's top-left quarter; a real large image reaches beyond it.
int cornerImageSide(const PixelBounds& opaque, int tileWidth, int tileHeight);

// An icon with no alpha anywhere (an old one) has its transparency in the AND mask:
// `mask` is that mask read as 32-bit pixels, white where transparent. Icons with alpha,
// and masks of another size, leave the pixels as they are.
void takeAlphaFromMask(IconPixels& pixels, const std::vector<std::uint32_t>& mask);

// Resampled to width x height on premultiplied colours, so no colour of a transparent
// pixel bleeds into its neighbours: area averaging where it shrinks, bilinear where it
// grows. The same size gives the same pixels.
IconPixels scaledSmoothly(const IconPixels& source, int width, int height);

// The icon's largest real image at side x side: the small image in the corner if that is
// what the tile holds, else the whole tile, scaled smoothly.
IconPixels fittedPixels(const IconPixels& tile, int side);

}  // namespace corvalis
