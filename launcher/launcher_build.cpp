#include "launcher/launcher_build.h"

namespace corvalis {

void buildLauncher(HWND launcherWindow) {
  // Loading the shortcut file, filling the list and parking the bar at the edge land
  // with the bar's own work; until then the launcher window stays as it was loaded:
  // an empty bar.
  (void)launcherWindow;
}

}  // namespace corvalis
