#include "launcher/bar_layout.h"

#include "base/dpi.h"
#include "app/window_templates.h"

#include <algorithm>

namespace corvalis {

BarLayout barLayout(std::int32_t rowCount, std::int32_t screenHeight, std::int32_t taskbarThickness,
                    std::int32_t dpi) {
  const std::int32_t fixedRows = std::clamp(rowCount, 0, kFixedRowCount);
  const std::int32_t shortcutRows = std::max(rowCount - kFixedRowCount, 0);
  std::int32_t height = fixedRows * scaleForDpi(kFixedRowHeight, dpi) + shortcutRows * scaleForDpi(kRowPitch, dpi);
  const std::int32_t limit = screenHeight - 2 * taskbarThickness;
  if (height > limit) height = limit;
  height = std::max(height, 0);  // odd taskbar figures must not make a negative window
  const double top = screenHeight / 2.0 - height / 2.0;
  return BarLayout{height, static_cast<std::int32_t>(top)};
}

}  // namespace corvalis
