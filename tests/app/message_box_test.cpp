// Message boxes: style composition, and real boxes answered by a watcher thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/message_box.h"
#include "tests/app/thread_windows.h"

namespace corvalis {
namespace {

TEST(MessageBoxStyle, TaskModalUnlessSystemModal) {
  struct Case {
    UINT style, expected;
  };
  const std::vector<Case> cases = {
      {MB_OK, 0x2000},
      {MB_YESNO, 0x2004},
      {MB_ICONINFORMATION, 0x2040},
      {MB_SYSTEMMODAL, 0x1000},
      {MB_SYSTEMMODAL | MB_YESNO, 0x1004},
      {MB_TASKMODAL | MB_OK, 0x2000},
      {MB_YESNO | MB_ICONQUESTION | MB_TOPMOST, 0x42024},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    EXPECT_EQ(composeMessageBoxStyle(c.style), c.expected);
  }
}

struct BoxSeen {
  std::wstring caption;
  bool otherWindowEnabled = true;
  bool found = false;
};

HWND findDialogOfThread(DWORD thread) { return test::visibleWindowOfThread(thread, L"#32770"); }

// Waits for the box on `thread`, notes what it sees, then presses `button`.
void answerBox(DWORD thread, HWND otherWindow, int button, BoxSeen& seen) {
  for (int attempt = 0; attempt < 200 && !seen.found; ++attempt) {
    if (const HWND box = findDialogOfThread(thread)) {
      wchar_t caption[64] = {};
      GetWindowTextW(box, caption, 64);
      seen.caption = caption;
      seen.otherWindowEnabled = IsWindowEnabled(otherWindow) != FALSE;
      seen.found = true;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
      return;
    }
    Sleep(50);
  }
}

TEST(MessageBoxService, ShowsCaptionStyleAndReturnsTheButton) {
  struct Case {
    const char* what;
    UINT style;
    std::string caption;  // GBK; empty: the default caption
    int button;
    std::wstring expectedCaption;
    bool otherWindowEnabled;
  };
  const std::vector<Case> cases = {
      {"yes/no, default caption", MB_YESNO, "", IDNO, L"信息：", false},
      {"yes/no answered yes", MB_YESNO, "\xCE\xC2\xDC\xB0\xCC\xE1\xCA\xBE\xA3\xBA", IDYES, L"温馨提示：", false},
      {"system modal", MB_OK | MB_SYSTEMMODAL, "\xD3\xD1\xC7\xE9\xCC\xE1\xD0\xD1:", IDOK, L"友情提醒:", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A window of this thread: task-modal boxes disable it while they are up.
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    BoxSeen seen;
    std::thread watcher(answerBox, GetCurrentThreadId(), other, c.button, std::ref(seen));
    const int pressed = c.caption.empty() ? messageBox("\xC7\xEB\xCE\xF0", c.style)
                                          : messageBox("\xC7\xEB\xCE\xF0", c.style, c.caption);
    watcher.join();
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(pressed, c.button);
    EXPECT_EQ(seen.caption, c.expectedCaption);
    EXPECT_EQ(seen.otherWindowEnabled, c.otherWindowEnabled);
    EXPECT_TRUE(IsWindowEnabled(other));  // enabled again afterwards
    DestroyWindow(other);
  }
}

}  // namespace
}  // namespace corvalis
