#include "desktop/desktop_shell.h"

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "desktop/display_size.h"

namespace corvalis {
namespace {

class OleThread : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }
};

// ----- COM objects -------------------------------------------------------------

using DesktopShellObjects = OleThread;

TEST_F(DesktopShellObjects, BothObjectsAreCreatedWhenComIsUp) {
  DesktopShell shell;
  EXPECT_TRUE(shell.hasTaskbarList());
  EXPECT_TRUE(shell.hasShellDispatch());
}

TEST_F(DesktopShellObjects, TaskbarButtonsComeAndGo) {
  DesktopShell shell;
  ASSERT_TRUE(shell.hasTaskbarList());
  HWND window = CreateWindowExW(0, L"STATIC", L"tab", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(shell.addTab(window));
  EXPECT_TRUE(shell.deleteTab(window));
  DestroyWindow(window);
}

// Without COM on the thread nothing can be created, and every operation that needs
// an object answers false without a call.
DWORD WINAPI withoutCom(void* parameter) {
  auto* results = static_cast<std::vector<bool>*>(parameter);
  DesktopShell shell;
  *results = {shell.hasTaskbarList(), shell.hasShellDispatch(), shell.addTab(nullptr), shell.deleteTab(nullptr),
              shell.activateTab(nullptr), shell.setActiveAlt(nullptr), shell.minimizeAll(), shell.undoMinimizeAll(),
              shell.cascadeWindows(), shell.tileHorizontally(), shell.tileVertically(), shell.toggleDesktop(),
              shell.trayProperties(), shell.windowSwitcher()};
  return 0;
}

TEST(DesktopShellWithoutCom, OperationsAnswerFalse) {
  std::vector<bool> results;
  HANDLE thread = CreateThread(nullptr, 0, withoutCom, &results, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  CloseHandle(thread);
  ASSERT_EQ(results.size(), 14u);
  for (std::size_t i = 0; i < results.size(); ++i) EXPECT_FALSE(results[i]) << "operation " << i;
}

// ----- Application bar -----------------------------------------------------------

struct Seen {
  std::vector<UINT> messages;  // what the replaced procedure received
  std::vector<std::int32_t> notifications;
};
Seen seen;

LRESULT CALLBACK originalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER) {
    seen.messages.push_back(message);
    return 1234;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void notified(std::int32_t state) { seen.notifications.push_back(state); }

class AppBar : public OleThread {
 protected:
  void SetUp() override {
    OleThread::SetUp();
    seen = Seen{};
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = originalProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"CorvalisAppBarTest";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, L"CorvalisAppBarTest", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(window_);
    OleThread::TearDown();
  }
  HWND window_ = nullptr;
};

TEST_F(AppBar, RegistrationSetsTheTwoPropertiesAndGoesFirst) {
  DesktopShell shell;
  const auto before = GetWindowLongPtrW(window_, GWLP_WNDPROC);
  shell.registerAppBar(window_, notified);
  EXPECT_NE(GetWindowLongPtrW(window_, GWLP_WNDPROC), before);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(GetPropA(window_, kAppBarRoutineProperty)),
            reinterpret_cast<std::uintptr_t>(&notified));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(GetPropA(window_, kAppBarPreviousProcProperty)), before);
}

TEST_F(AppBar, FullScreenNotificationReachesTheRoutineAndThenThePreviousProcedure) {
  DesktopShell shell;
  shell.registerAppBar(window_, notified);
  EXPECT_EQ(SendMessageA(window_, kAppBarCallbackMessage, ABN_FULLSCREENAPP, 1), 1234);
  EXPECT_EQ(SendMessageA(window_, kAppBarCallbackMessage, ABN_FULLSCREENAPP, 0), 1234);
  EXPECT_EQ(seen.notifications, (std::vector<std::int32_t>{1, 0}));
  EXPECT_EQ(seen.messages, (std::vector<UINT>{kAppBarCallbackMessage, kAppBarCallbackMessage}));
}

TEST_F(AppBar, OtherNotificationsAndMessagesOnlyPassOn) {
  DesktopShell shell;
  shell.registerAppBar(window_, notified);
  EXPECT_EQ(SendMessageA(window_, kAppBarCallbackMessage, ABN_POSCHANGED, 1), 1234);
  EXPECT_EQ(SendMessageA(window_, kAppBarCallbackMessage, ABN_STATECHANGE, 0), 1234);
  EXPECT_EQ(SendMessageA(window_, WM_USER + 7, ABN_FULLSCREENAPP, 1), 1234);
  EXPECT_TRUE(seen.notifications.empty());
  EXPECT_EQ(seen.messages.size(), 3u);
}

TEST_F(AppBar, RegisteringTwiceDoesNotLoop) {
  DesktopShell shell;
  shell.registerAppBar(window_, notified);
  shell.registerAppBar(window_, notified);
  EXPECT_EQ(SendMessageA(window_, kAppBarCallbackMessage, ABN_FULLSCREENAPP, 1), 1234);
  EXPECT_EQ(seen.notifications, (std::vector<std::int32_t>{1}));
  EXPECT_EQ(seen.messages.size(), 1u);
}

// ----- Taskbar state --------------------------------------------------------------

TEST(TaskbarState, AutoHideStates) {
  EXPECT_FALSE(isAutoHideState(0));
  EXPECT_TRUE(isAutoHideState(ABS_AUTOHIDE));
  EXPECT_FALSE(isAutoHideState(ABS_ALWAYSONTOP));
  EXPECT_TRUE(isAutoHideState(ABS_AUTOHIDE | ABS_ALWAYSONTOP));
}

TEST(TaskbarState, HeightIsDisplayHeightMinusTaskbarTop) {
  DesktopShell shell;
  RECT rect{-1, -1, -1, -1};
  shell.getTaskbarRect(rect);
  const DisplaySize display = displayDeviceSize();
  ASSERT_GT(display.height, 0);
  EXPECT_EQ(shell.taskbarHeight(), display.height - rect.top);
  const std::int32_t edge = shell.taskbarEdge();
  EXPECT_GE(edge, 0);
  EXPECT_LE(edge, 3);
}

TEST(TaskbarState, DisplaySizeIsTheScreensAt96Dpi) {
  const DisplaySize display = displayDeviceSize();
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  if (dpi != 96) GTEST_SKIP() << "scaled display: the metrics are in other units";
  EXPECT_EQ(display.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(display.height, GetSystemMetrics(SM_CYSCREEN));
}

TEST(TaskbarSizeMove, WritesTheDword) {
  const char* subkey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  DWORD saved = 0;
  DWORD size = sizeof saved;
  const bool hadValue = RegQueryValueExA(key, "TaskbarSizeMove", nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(&saved), &size) == ERROR_SUCCESS;
  DesktopShell shell;
  for (const bool allow : {true, false, true}) {
    ASSERT_TRUE(shell.setTaskbarSizeMove(allow));
    DWORD value = 99;
    DWORD type = 0;
    size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(key, "TaskbarSizeMove", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, allow ? 1u : 0u);
  }
  if (hadValue)
    RegSetValueExA(key, "TaskbarSizeMove", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved), sizeof saved);
  else
    RegDeleteValueA(key, "TaskbarSizeMove");
  RegCloseKey(key);
}

// ----- Hotkey loop ------------------------------------------------------------------

struct HotkeyRun {
  DesktopShell* shell = nullptr;
  std::atomic<DWORD> threadId{0};
  std::atomic<int> hotkeys{0};
  std::atomic<int> stopResult{-1};
};
HotkeyRun* currentRun = nullptr;

void onHotkey() {
  ++currentRun->hotkeys;
  // The stop has to come from the loop's own thread: the hotkey belongs to it.
  currentRun->stopResult = currentRun->shell->stopHotkeyLoop() ? 1 : 0;
}

DWORD WINAPI hotkeyThread(void* parameter) {
  auto* run = static_cast<HotkeyRun*>(parameter);
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts
  run->threadId = GetCurrentThreadId();
  // Ctrl+Alt+Shift+F24: nothing else holds it.
  run->shell->runHotkeyLoop(MOD_CONTROL | MOD_ALT | MOD_SHIFT, VK_F24, onHotkey);
  return 0;
}

TEST(HotkeyLoop, RunsUntilAMessageAfterTheStop) {
  DesktopShell shell;
  HotkeyRun run;
  run.shell = &shell;
  currentRun = &run;
  HANDLE thread = CreateThread(nullptr, 0, hotkeyThread, &run, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  while (run.threadId == 0 && WaitForSingleObject(thread, 10) == WAIT_TIMEOUT) {
  }
  ASSERT_NE(run.threadId.load(), 0u);

  // An ordinary message before any stop keeps the loop going.
  PostThreadMessageA(run.threadId.load(), WM_USER, 0, 0);
  EXPECT_EQ(WaitForSingleObject(thread, 200), static_cast<DWORD>(WAIT_TIMEOUT));

  // A hotkey calls the routine, which stops the loop; the loop still waits...
  PostThreadMessageA(run.threadId.load(), WM_HOTKEY, kHotkeyIdentifier, 0);
  // The routine counts before it stops; wait for the stop's answer, not the count.
  for (int i = 0; i < 200 && run.stopResult == -1; ++i) Sleep(10);
  EXPECT_EQ(run.hotkeys, 1);
  EXPECT_EQ(run.stopResult, 1);
  EXPECT_EQ(WaitForSingleObject(thread, 200), static_cast<DWORD>(WAIT_TIMEOUT));

  // ...until the next message that is not a hotkey.
  PostThreadMessageA(run.threadId.load(), WM_USER, 0, 0);
  EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  CloseHandle(thread);
}

TEST(HotkeyLoop, StopWithoutTheHotkeyFails) {
  DesktopShell shell;
  EXPECT_FALSE(shell.stopHotkeyLoop());  // this thread registered nothing
}

}  // namespace
}  // namespace corvalis
