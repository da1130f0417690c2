#include "launcher/launcher_build.h"

#include "desktop/slide.h"

namespace corvalis {

void buildLauncher(HWND launcherWindow) {
  // Loading the shortcut file and filling the list land with the bar's own work.
  // Until then the store is always empty, and the bar does what it does for an
  // empty store: it is parked beyond the right edge, made visible, and slides in
  // so that a first-time user sees it.
  parkBar();
  ShowWindow(launcherWindow, SW_SHOWNA);
  slideIn();
}

}  // namespace corvalis
