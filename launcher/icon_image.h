// A file's shell icon as an icon file in memory, the image every shortcut row carries:
// a 62-byte head, the 32-bit pixels bottom row first, and an all-opaque AND mask. At
// 96 DPI it is the 32x32 image of 4286 bytes; at other DPIs the same layout at the
// size the icon is shown at (48x48 at 144 DPI).
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <string_view>

#include "app/text.h"

namespace corvalis {

inline constexpr int kIconSide = 32;
inline constexpr std::size_t kIconPixelBytes = kIconSide * kIconSide * 4;  // 4096
inline constexpr std::size_t kIconHeadSize = 62;
inline constexpr std::size_t kIconMaskBytes = kIconSide * 4;  // 32 rows of 4 bytes
inline constexpr std::size_t kIconImageSize = kIconHeadSize + kIconPixelBytes + kIconMaskBytes;  // 4286

// The icon directory, its one entry and the image's BITMAPINFOHEADER (whose height
// counts the colour and the mask halves).
const std::array<unsigned char, kIconHeadSize>& iconImageHead();

// The head of a `side` x `side` image (1..256): kIconImageHead for 32.
std::array<unsigned char, kIconHeadSize> iconImageHeadFor(int side);
// The whole image's size for `side`: 4286 for 32.
std::size_t iconImageSizeFor(int side);

// The icon file around `pixels`: side x side x 4 bytes of blue, green, red, alpha,
// bottom row first. Shorter input is padded with zero bytes, longer input cut.
ByteString iconImageFromPixels(std::string_view pixels, int side = kIconSide);

// The shell's icon of the file at `path` (GBK), drawn at side x side: at 32 the
// shell's large icon, above it the shell's extra-large (48) or jumbo (256) image
// scaled smoothly to the size; a small image the jumbo tile holds in its corner is
// taken alone, so that it fills the cell. A file the shell gives no icon for (a
// deleted one) still gets an image: a blank one. Sides outside 16..256 count as 32.
ByteString iconImage(std::string_view path, int side = kIconSide);

// What iconImage makes of the icon the shell gave: `icon` (none: a blank image) at
// side x side.
ByteString iconImageOfIcon(HICON icon, int side = kIconSide);

}  // namespace corvalis
