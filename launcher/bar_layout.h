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

// The two fixed rows and a row per shortcut - at 96 DPI 2 x 24 + (rows - 2) x 30,
// which is rows x 30 - 12; at other DPIs each row height scaled - no taller than the
// screen less twice the taskbar, centred on the whole screen (wherever the taskbar is).
BarLayout barLayout(std::int32_t rowCount, std::int32_t screenHeight, std::int32_t taskbarThickness,
                    std::int32_t dpi = 96);

}  // namespace corvalis
