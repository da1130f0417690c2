#include "app/popup_menu.h"

#include <utility>

#include "base/dpi.h"

namespace corvalis {

namespace {

bool showPopupMenuAt(HWND owner, UniqueMenu menu, POINT cursor) {
  if (!menu || owner == nullptr) return false;
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

}  // namespace

bool showPopupMenu(HWND owner, UniqueMenu menu) {
  POINT cursor{};
  if (!GetCursorPos(&cursor)) return false;
  return showPopupMenuAt(owner, std::move(menu), cursor);
}

POINT popupMenuPoint(POINT cursor, const RECT& item) {
  if (PtInRect(&item, cursor)) return cursor;
  return POINT{item.left + (item.right - item.left) / 2, item.top + (item.bottom - item.top) / 2};
}

bool showPopupMenuFor(HWND owner, UniqueMenu menu, const RECT& item) {
  POINT cursor{};
  if (!GetCursorPos(&cursor)) return false;
  return showPopupMenuAt(owner, std::move(menu), popupMenuPoint(cursor, item));
}

}  // namespace corvalis
