// The objects that live from start-up to the at-exit routine, made on the process
// heap in a fixed order and released in that same order.
#pragma once

#include <windows.h>

#include <string_view>

#include "desktop/desktop_shell.h"
#include "desktop/edge_docking.h"
#include "launcher/launcher_items.h"

namespace corvalis {

// Kept out of this header: the store's headers and the text services' share names
// that clash under -Wshadow when one file sees both.
class HashTable;

struct ProcessObjects {
  HANDLE heap = nullptr;  // the heap they were made on
  EdgeDockState* edgeDockState = nullptr;
  DesktopShell* desktopShell = nullptr;
  EdgeClick* edgeClick = nullptr;
  BarShown* barShown = nullptr;
  HashTable* shortcutTable = nullptr;
  LauncherItems* launcherItems = nullptr;
  HashTable* editTable = nullptr;
  // Absent until the bar's build sets it; a GBK text on the same heap.
  char* shortcutFilePath = nullptr;
};

// The program's one set.
ProcessObjects& processObjects();

// Makes the set on `heap`, in this order: EdgeDockState, DesktopShell, EdgeClick,
// BarShown, shortcutTable, LauncherItems, editTable - each zero-filled before its
// constructor runs. COM must be up for DesktopShell. False when memory ran out; what
// was made stays in `objects` for releaseProcessObjects.
bool createProcessObjects(ProcessObjects& objects, HANDLE heap);

// Releases in creation order: EdgeDockState; DesktopShell (destructor, then
// memory); EdgeClick; BarShown; shortcutTable (destructor, then memory);
// shortcutFilePath if present; every LauncherItem (its path, then the record), then
// the array; editTable (destructor, then memory). Everything is null afterwards.
void releaseProcessObjects(ProcessObjects& objects);

// Replaces shortcutFilePath with a copy of `path`; false when memory ran out (the
// old text is then kept).
bool setShortcutFilePath(ProcessObjects& objects, std::string_view path);

}  // namespace corvalis
