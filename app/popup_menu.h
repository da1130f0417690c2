// Context menus shown at the cursor, or at what the keyboard chose.
#pragma once

#include <windows.h>

#include "base/win_handles.h"

namespace corvalis {

// Shows `menu` (a pop-up menu, usually a fresh copy of a window's menu) 3 pixels
// right of and below the cursor, owned by `owner`, which receives the WM_COMMAND of
// the chosen item. The menu is destroyed afterwards. False when it could not be shown.
bool showPopupMenu(HWND owner, UniqueMenu menu);

// As above, the menu for the item at `item` (screen coordinates): at the cursor when the
// cursor is on the item (a right-click), else at the item's middle (Shift+F10 or the menu
// key, the pointer elsewhere).
bool showPopupMenuFor(HWND owner, UniqueMenu menu, const RECT& item);

// Where that menu goes, before the 3-pixel step: the cursor on the item, else the item's
// middle.
POINT popupMenuPoint(POINT cursor, const RECT& item);

}  // namespace corvalis
