// Edge docking: the shared state of the bar at the right screen edge, and the
// points where start-up installs and removes the edge trigger.
#pragma once

#include <windows.h>

#include <cstdint>

namespace corvalis {

// One instance for the whole program, zero-filled at start. On 32-bit Windows these
// are nine 32-bit fields; the handle fields are pointer-sized so that the 64-bit
// test build holds them whole.
struct EdgeDockState {
  HWND windowHandle;            // the launcher window
  std::int32_t screenHeight;    // SM_CYSCREEN at installation
  std::int32_t screenWidth;     // SM_CXSCREEN at installation
  std::int32_t usableBottom;    // an edge click must lie above this line
  HHOOK mouseHook;              // the low-level mouse hook
  WNDPROC previousWindowProc;   // the launcher's procedure before the shell-hook procedure
  std::int32_t fullScreenActive;
  std::int32_t taskbarThickness;
  std::int32_t edgeTolerance;   // pixels from the right edge that still count as the edge
};

// The pending right-button press at the edge.
struct EdgeClick {
  std::int32_t x;
  std::int32_t y;
  std::int32_t pressed;
};

// 1 from the start of a slide-in until the start of the next slide-out.
struct BarShown {
  std::int32_t shown;
};

#if defined(__i386__)
static_assert(sizeof(EdgeDockState) == 36, "nine 32-bit fields on 32-bit Windows");
#endif
static_assert(sizeof(EdgeClick) == 12);
static_assert(sizeof(BarShown) == 4);

// Start-up step 3 of the launcher's creation: where the edge trigger is installed.
void installEdgeDocking(EdgeDockState& state, HWND launcherWindow);

// The launcher window's about-to-be-destroyed step: removes the mouse hook, if one
// was installed, and forgets its handle.
void removeEdgeDocking(EdgeDockState& state);

}  // namespace corvalis
