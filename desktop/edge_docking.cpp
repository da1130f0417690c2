#include "desktop/edge_docking.h"

namespace corvalis {

void installEdgeDocking(EdgeDockState& state, HWND launcherWindow) {
  // The edge trigger itself (shell-hook registration, the low-level mouse hook, the
  // subclassing, the taskbar measurement and the application-bar registration) lands
  // with the docking work; until then the bar only remembers its window, so that the
  // state already names the window it will dock.
  state.windowHandle = launcherWindow;
}

void removeEdgeDocking(EdgeDockState& state) {
  if (state.mouseHook == nullptr) return;
  UnhookWindowsHookEx(state.mouseHook);
  state.mouseHook = nullptr;
}

}  // namespace corvalis
