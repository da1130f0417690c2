#include "launcher/launcher.h"

#include "app/window_registry.h"
#include "launcher/edit_window.h"
#include "launcher/launcher_build.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

// The file was read at last: the bar's table holds its shortcuts; an open edit window
// takes them in under its own. False while it still cannot be read.
bool takeLateRead(Launcher& launcher) {
  const std::unique_ptr<HashTable> file = launcher.shortcuts.readLate();
  if (!file) return false;
  if (const HWND bar = windowHandle(kLauncherWindowIdentity)) KillTimer(bar, kLateReadTimer);
  mergeIntoOpenEditWindow(launcher, *file);
  return true;
}

}  // namespace

Launcher* launcherOf(HWND window) { return static_cast<Launcher*>(windowContext(window)); }
Launcher* launcherOf(std::int32_t windowIdentity) { return static_cast<Launcher*>(windowContext(windowIdentity)); }
Launcher* launcherOf(const ControlEvent& event) { return static_cast<Launcher*>(event.context); }

bool saveShortcuts(Launcher& launcher) {
  if (launcher.shortcuts.notReadYet()) takeLateRead(launcher);
  return launcher.shortcuts.save();
}

void retryShortcutRead(Launcher& launcher) {
  if (!launcher.shortcuts.notReadYet() || !takeLateRead(launcher)) return;
  rebuildLauncherList(launcher);
  if (launcher.shortcuts.unsaved()) launcher.shortcuts.save();
}

}  // namespace corvalis
