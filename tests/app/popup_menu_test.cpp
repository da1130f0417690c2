// Pop-up menus: shown beside the cursor, command delivered to the owner, menu destroyed.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/message_pump.h"
#include "app/popup_menu.h"
#include "tests/app/thread_windows.h"

namespace corvalis {
namespace {

struct MenuSeen {
  bool shown = false;
  RECT rect{};
  WPARAM command = 0;
};
MenuSeen seen;

HWND menuWindowOfThisThread() { return test::visibleWindowOfThread(GetCurrentThreadId(), L"#32768"); }

LRESULT CALLBACK ownerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ENTERIDLE:
      // The menu is up and waiting: note where it is, then pick the second item.
      if (wParam == MSGF_MENU && !seen.shown) {
        if (const HWND menu = menuWindowOfThisThread()) {
          seen.shown = true;
          GetWindowRect(menu, &seen.rect);
          PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
          PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
          PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
        }
      }
      return 0;
    case WM_COMMAND:
      seen.command = wParam;
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

TEST(PopupMenu, ShowsAtCursorPlusThreeAndDeliversTheCommand) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ownerProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"CorvalisMenuOwner";
  RegisterClassW(&windowClass);
  const HWND owner = CreateWindowExW(0, L"CorvalisMenuOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                                     50, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(owner, nullptr);

  SetCursorPos(200, 150);
  POINT cursor{};
  ASSERT_TRUE(GetCursorPos(&cursor));
  const HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 101, L"一");
  AppendMenuW(menu, MF_STRING, 102, L"二");

  seen = MenuSeen{};
  EXPECT_TRUE(showPopupMenu(owner, UniqueMenu(menu)));
  EXPECT_FALSE(IsMenu(menu));  // the copy is gone
  processPendingMessages();

  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.rect.left, cursor.x + 3);
  EXPECT_EQ(seen.rect.top, cursor.y + 3);
  EXPECT_EQ(LOWORD(seen.command), 102);

  // Without an owner nothing is shown, and the menu is still destroyed.
  const HMENU unused = CreatePopupMenu();
  EXPECT_FALSE(showPopupMenu(nullptr, UniqueMenu(unused)));
  EXPECT_FALSE(IsMenu(unused));
  DestroyWindow(owner);
}

TEST(PopupMenuPoint, AtTheCursorOnTheItemElseAtTheItemsMiddle) {
  const RECT row{1176, 330, 1280, 360};
  EXPECT_EQ(popupMenuPoint({1200, 340}, row).x, 1200);
  const POINT keyboard = popupMenuPoint({10, 10}, row);
  EXPECT_EQ(keyboard.x, 1228);
  EXPECT_EQ(keyboard.y, 345);
  EXPECT_EQ(popupMenuPoint({1280, 340}, row).x, 1228) << "the right edge is outside the item";
}

}  // namespace
}  // namespace corvalis
