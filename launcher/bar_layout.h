// The bar's height and vertical place from its row count.
#pragma once

#include <cstdint>

namespace corvalis {

inline constexpr std::int32_t kRowPitch = 30;        // the launcher list's row height
inline constexpr std::int32_t kFixedRowCount = 2;    // add a file, open the edit window

struct BarLayout {
  std::int32_t height = 0;
  std::int32_t top = 0;
};

// rows x 30 - 12 pixels, no taller than the screen less twice the taskbar, centred
// on the whole screen (wherever the taskbar is).
BarLayout barLayout(std::int32_t rowCount, std::int32_t screenHeight, std::int32_t taskbarThickness);

}  // namespace corvalis
