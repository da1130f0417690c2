// The current mode of display device 0, as the display driver reports it (not the
// DPI-scaled system metrics).
#pragma once

#include <cstdint>

namespace corvalis {

struct DisplaySize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Both 0 when the device or its current settings cannot be read.
DisplaySize displayDeviceSize();

}  // namespace corvalis
