#include "desktop/display_size.h"

#include <windows.h>

namespace corvalis {

DisplaySize displayDeviceSize() {
  DISPLAY_DEVICEW device{};
  device.cb = sizeof device;
  if (!EnumDisplayDevicesW(nullptr, 0, &device, EDD_GET_DEVICE_INTERFACE_NAME)) return {};
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) return {};
  return {static_cast<std::int32_t>(mode.dmPelsWidth), static_cast<std::int32_t>(mode.dmPelsHeight)};
}

}  // namespace corvalis
