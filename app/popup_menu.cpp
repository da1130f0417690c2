#include "app/popup_menu.h"

#include "base/dpi.h"

namespace corvalis {

bool showPopupMenu(HWND owner, UniqueMenu menu) {
  if (!menu || owner == nullptr) return false;
  POINT cursor{};
  if (!GetCursorPos(&cursor)) return false;
  // Without the owner in the foreground the menu stays open when the user clicks
  // elsewhere.
  SetForegroundWindow(owner);
  const BOOL shown =
      TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, cursor.x + dpiScaled(3), cursor.y + dpiScaled(3), 0, owner, nullptr);
  // A message to the owner right after the menu ends, so that a second menu opened
  // at once does not close immediately.
  PostMessageA(owner, WM_NULL, 0, 0);
  return shown != FALSE;
}

}  // namespace corvalis
