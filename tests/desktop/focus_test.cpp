// The focus window of whichever thread owns the foreground window.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>
#include <vector>

#include "base/message_pump.h"
#include "desktop/focus.h"

namespace corvalis {
namespace {

TEST(FocusQuery, AttachesInputOnlyForAnotherThread) {
  struct Case {
    DWORD foreground, own;
    bool attaches;
  };
  const std::vector<Case> cases = {{10, 10, false}, {10, 11, true}, {0, 11, false}};
  for (const Case& c : cases) EXPECT_EQ(focusQueryAttachesInput(c.foreground, c.own), c.attaches);
}

struct FocusWindows {
  HWND top = nullptr;
  HWND edit = nullptr;
};

// A visible top-level window with an edit control that takes the focus.
FocusWindows makeFocusedWindows(const wchar_t* title) {
  FocusWindows windows;
  windows.top = CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 200, 100,
                                nullptr, nullptr, nullptr, nullptr);
  windows.edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 5, 5, 100, 20, windows.top, nullptr,
                                 nullptr, nullptr);
  SetForegroundWindow(windows.top);
  SetFocus(windows.edit);
  processPendingMessages();
  return windows;
}

TEST(FocusQuery, ForegroundWindowOfThisThread) {
  const FocusWindows windows = makeFocusedWindows(L"own");
  ASSERT_NE(windows.edit, nullptr);
  if (GetForegroundWindow() != windows.top) {
    DestroyWindow(windows.top);
    GTEST_SKIP() << "this display did not let the test window come to the foreground";
  }
  EXPECT_EQ(focusedWindowOfForeground(), windows.edit);
  SetFocus(windows.top);
  EXPECT_EQ(focusedWindowOfForeground(), windows.top);
  DestroyWindow(windows.top);
}

TEST(FocusQuery, ForegroundWindowOfAnotherThread) {
  FocusWindows other;
  const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE finish = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    other = makeFocusedWindows(L"other");
    SetEvent(ready);
    // Keep the windows alive and responsive until the main thread has asked.
    while (MsgWaitForMultipleObjects(1, &finish, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
      processPendingMessages();
    }
    DestroyWindow(other.top);
  });
  ASSERT_EQ(WaitForSingleObject(ready, 10000), WAIT_OBJECT_0);
  const HWND foreground = GetForegroundWindow();
  HWND found = nullptr;
  HWND ownFocusAfter = nullptr;
  if (foreground == other.top) {
    found = focusedWindowOfForeground();
    ownFocusAfter = GetFocus();  // detached again: this thread's own focus, which is none
  }
  SetEvent(finish);
  owner.join();
  CloseHandle(ready);
  CloseHandle(finish);
  if (foreground != other.top) GTEST_SKIP() << "the other thread's window did not come to the foreground";
  EXPECT_EQ(found, other.edit);
  EXPECT_EQ(ownFocusAfter, nullptr);
}

}  // namespace
}  // namespace corvalis
