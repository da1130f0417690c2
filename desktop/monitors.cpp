#include "desktop/monitors.h"

#include <algorithm>

namespace corvalis {

namespace {

bool overlaps(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info))
    reinterpret_cast<MonitorLayout*>(context)->push_back(Monitor{info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  return TRUE;
}

}  // namespace

RECT primaryArea(const MonitorLayout& layout) {
  for (const Monitor& monitor : layout)
    if (monitor.primary) return monitor.area;
  for (const Monitor& monitor : layout)
    if (monitor.area.left == 0 && monitor.area.top == 0) return monitor.area;
  return RECT{};
}

bool monitorRightOfPrimary(const MonitorLayout& layout, std::int32_t top, std::int32_t bottom) {
  const RECT primary = primaryArea(layout);
  return std::any_of(layout.begin(), layout.end(), [&](const Monitor& monitor) {
    return monitor.area.left == primary.right && monitor.area.top < bottom && top < monitor.area.bottom;
  });
}

std::int32_t parkedLeft(const MonitorLayout& layout, std::int32_t edge, std::int32_t width, std::int32_t top,
                        std::int32_t bottom) {
  std::int32_t left = edge;
  // Each monitor the bar would stand on pushes it past that monitor's right edge; as
  // many rounds as there are monitors settle it.
  for (std::size_t round = 0; round <= layout.size(); ++round) {
    bool moved = false;
    for (const Monitor& monitor : layout) {
      if (!monitor.primary && overlaps(RECT{left, top, left + width, bottom}, monitor.area)) {
        left = monitor.area.right;
        moved = true;
      }
    }
    if (!moved) break;
  }
  return left;
}

EdgeZone edgeZoneFor(const MonitorLayout& layout, std::int32_t tolerance, std::int32_t usableBottom) {
  const RECT primary = primaryArea(layout);
  EdgeZone strip;
  strip.left = primary.right - tolerance;
  strip.top = primary.top;
  strip.bottom = usableBottom;
  strip.right = monitorRightOfPrimary(layout, strip.top, strip.bottom) ? primary.right + tolerance : primary.right;
  return strip;
}

MonitorLayout measureMonitors() {
  MonitorLayout layout;
  EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&layout));
  return layout;
}

}  // namespace corvalis
