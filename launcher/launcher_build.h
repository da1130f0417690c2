// Filling the launcher bar from the shortcut file at start.
#pragma once

#include <windows.h>

namespace corvalis {

// The last step of the launcher window's start-up sequence, after the edge docking
// has measured the screen.
void buildLauncher(HWND launcherWindow);

}  // namespace corvalis
