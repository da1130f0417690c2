// The bar and the edit window take files dragged onto them from other programs (an
// OLE drag, as Explorer's): the drop is offered as a link, a mark shows where the new
// rows will go, and the dropped files become shortcuts there.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace corvalis {

enum class DropPlace {
  bar,       // the launcher window: the shortcuts join shortcutTable, saved at once
  editList,  // the edit window: they join editTable, saved when it closes
};

// A new drop target for the window (one reference, the caller's): what
// acceptDroppedFiles registers; for tests that drive it through its interface.
IDropTarget* makeShortcutDropTarget(HWND window, DropPlace place);

// Registers the window as a drop target for files (OLE must be up on this thread).
// False when the system refuses.
bool acceptDroppedFiles(HWND window, DropPlace place);
// Before the window goes.
void stopAcceptingDroppedFiles(HWND window);

}  // namespace corvalis
