// A file's 32x32 shell icon as an icon file in memory, the image every shortcut row
// carries: a fixed 62-byte head, the 32-bit pixels bottom row first, and an all-opaque
// AND mask.
#pragma once

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

// The icon file around `pixels`: 4096 bytes of blue, green, red, alpha, bottom row
// first. Shorter input is padded with zero bytes, longer input cut.
ByteString iconImageFromPixels(std::string_view pixels);

// The shell's large icon of the file at `path` (GBK), drawn at 32x32. A file the
// shell gives no icon for (a deleted one) still gets an image: a blank one.
ByteString iconImage(std::string_view path);

}  // namespace corvalis
