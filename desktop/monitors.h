// The monitors as the system lays them out, and what the bar decides from them: where
// a parked bar is seen on no monitor, and where the edge is that calls it. Decisions
// are pure functions over a layout, so they can be tried on layouts this machine does
// not have (a monitor to the right, above, of another size or DPI).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace corvalis {

struct Monitor {
  RECT area{};  // in virtual-screen pixels
  bool primary = false;
};
using MonitorLayout = std::vector<Monitor>;

// The primary monitor's rectangle: the one marked primary, else the one at the origin;
// empty when neither is there.
RECT primaryArea(const MonitorLayout& layout);

// Whether a monitor adjoins the primary's right edge somewhere between `top` and
// `bottom` (the primary's heights that call the bar).
bool monitorRightOfPrimary(const MonitorLayout& layout, std::int32_t top, std::int32_t bottom);

// Where a parked bar stands: the first left edge from the primary's right edge
// (`edge`, the bar's own record of it) on at which a bar `width` wide, from `top` to
// `bottom`, lies on no other monitor.
std::int32_t parkedLeft(const MonitorLayout& layout, std::int32_t edge, std::int32_t width, std::int32_t top,
                        std::int32_t bottom);

// The edge that calls the bar, as the mouse hook tests it: the primary's last
// `tolerance` columns and, where a monitor adjoins it on the right, that monitor's first
// `tolerance` columns too (the pointer does not stop at such an edge), at the primary's
// heights above `usableBottom`.
struct EdgeZone {
  std::int32_t left = 0;
  std::int32_t right = 0;   // exclusive
  std::int32_t top = 0;
  std::int32_t bottom = 0;  // exclusive
};
EdgeZone edgeZoneFor(const MonitorLayout& layout, std::int32_t tolerance, std::int32_t usableBottom);

constexpr bool isEdgePress(const EdgeZone& zone, POINT point) {
  return point.x >= zone.left && point.x < zone.right && point.y >= zone.top && point.y < zone.bottom;
}

// The monitors as the system reports them now.
MonitorLayout measureMonitors();

}  // namespace corvalis
