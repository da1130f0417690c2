// Context menus shown at the cursor.
#pragma once

#include <windows.h>

#include "base/win_handles.h"

namespace corvalis {

// Shows `menu` (a pop-up menu, usually a fresh copy of a window's menu) 3 pixels
// right of and below the cursor, owned by `owner`, which receives the WM_COMMAND of
// the chosen item. The menu is destroyed afterwards. False when it could not be shown.
bool showPopupMenu(HWND owner, UniqueMenu menu);

}  // namespace corvalis
