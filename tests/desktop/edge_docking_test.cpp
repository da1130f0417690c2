// The edge docking installed on a real window: what installation fills in, the
// order of the window procedures, the full-screen notification, the hook procedure
// driven with the real cursor, the shell-hook activation, the foreground watch that
// stands in for it, the shell's restart and the removal.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "base/message_pump.h"
#include "desktop/desktop_shell.h"
#include "base/dpi.h"
#include "desktop/edge_docking.h"
#include "desktop/slide.h"
#include "window_fixture.h"

namespace corvalis {
namespace {

using testing::RecordingBar;
using testing::makeForegroundWindow;
using testing::pumpFor;
using testing::pumpUntil;

int shellHookFailureReports = 0;
void countShellHookFailure() { ++shellHookFailureReports; }

// A screen the test decides, and what the installation told the bar's owner.
ScreenMeasure fakeScreen{1280, 800, 30, 96};
ScreenMeasure measureFakeScreen() { return fakeScreen; }
int displayChanges = 0;
void countDisplayChange() { ++displayChanges; }

// Whether this system accepts a shell-hook window at all (Wine does not).
bool platformRegistersShellHooks() {
  RecordingBar probe(0, 0, 10, 10);
  const bool registered = RegisterShellHookWindow(probe.handle()) != FALSE;
  if (registered) DeregisterShellHookWindow(probe.handle());
  return registered;
}

class InstalledDocking : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    screenWidth_ = GetSystemMetrics(SM_CXSCREEN);
    bar_ = std::make_unique<RecordingBar>(screenWidth_, 300);
    originalProc_ = GetWindowLongPtrW(bar_->handle(), GWLP_WNDPROC);
    shellHookFailureReports = 0;
  }
  void TearDown() override {
    removeEdgeDocking(state_);
    bar_.reset();  // while the records it was installed with still exist
    shell_.reset();
    OleUninitialize();
  }
  void install(bool withShell) {
    if (withShell) shell_ = std::make_unique<DesktopShell>();
    installEdgeDocking({&state_, &click_, &shown_, shell_.get(), countShellHookFailure}, bar_->handle());
    bar_->clearMoves();
  }
  HWND bar() const { return bar_->handle(); }
  std::int32_t flush() const { return screenWidth_ - 104; }
  void showBar() {
    SetWindowPos(bar(), nullptr, flush(), 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    shown_.shown = 1;
    bar_->clearMoves();
  }
  // Gives the bar the foreground and the focus; false where the display refuses.
  bool focusBar() {
    SetForegroundWindow(bar());
    SetFocus(bar());
    processPendingMessages();
    return GetForegroundWindow() == bar() && GetFocus() == bar();
  }

  EdgeDockState state_{};
  EdgeClick click_{};
  BarShown shown_{};
  std::unique_ptr<DesktopShell> shell_;
  std::unique_ptr<RecordingBar> bar_;
  LONG_PTR originalProc_ = 0;
  std::int32_t screenWidth_ = 0;
};

TEST_F(InstalledDocking, FillsTheStateFromTheScreenAndTheTaskbar) {
  const bool registers = platformRegistersShellHooks();
  install(false);
  EXPECT_EQ(state_.windowHandle, bar());
  EXPECT_EQ(state_.screenWidth, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(state_.screenHeight, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(state_.taskbarThickness, measureTaskbarThickness());
  EXPECT_EQ(state_.usableBottom, state_.screenHeight - state_.taskbarThickness);
  EXPECT_EQ(state_.edgeTolerance, 3);
  EXPECT_EQ(state_.fullScreenActive, 0);
  EXPECT_NE(state_.mouseHook, nullptr);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(state_.previousWindowProc), originalProc_);
  // The failure is reported exactly when the system refuses the registration.
  EXPECT_EQ(shellHookFailureReports, registers ? 0 : 1);
  EXPECT_EQ(installedEdgeDocking().state, &state_);
  EXPECT_EQ(installedEdgeDocking().barShown, &shown_);
}

TEST_F(InstalledDocking, ADisplayChangeMeasuresTheScreenAgainAndTellsTheBar) {
  fakeScreen = ScreenMeasure{1280, 800, 30, 96};
  displayChanges = 0;
  installEdgeDocking({&state_, &click_, &shown_, nullptr, countShellHookFailure, countDisplayChange, measureFakeScreen},
                     bar());
  EXPECT_EQ(state_.screenWidth, 1280);
  EXPECT_EQ(state_.usableBottom, 770);
  EXPECT_EQ(state_.edgeTolerance, 3);
  EXPECT_EQ(displayChanges, 0) << "the installation itself is no change";

  struct Change {
    const char* what;
    UINT message;
    WPARAM wParam;
    ScreenMeasure screen;
  };
  const Change changes[] = {
      {"a new resolution", WM_DISPLAYCHANGE, 32, {1920, 1080, 40, 96}},
      {"the taskbar moved (work area)", WM_SETTINGCHANGE, SPI_SETWORKAREA, {1920, 1080, 60, 96}},
      {"another DPI", 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), {1920, 1080, 60, 144}},
  };
  int expectedChanges = 0;
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    fakeScreen = change.screen;
    SendMessageW(bar(), change.message, change.wParam, 0);
    EXPECT_EQ(displayChanges, ++expectedChanges);
    EXPECT_EQ(state_.screenWidth, change.screen.width);
    EXPECT_EQ(state_.screenHeight, change.screen.height);
    EXPECT_EQ(state_.taskbarThickness, change.screen.taskbarThickness);
    EXPECT_EQ(state_.usableBottom, change.screen.height - change.screen.taskbarThickness);
    EXPECT_EQ(state_.edgeTolerance, scaleForDpi(3, change.screen.dpi));
  }
  EXPECT_EQ(state_.edgeTolerance, 5) << "3 pixels at 144 DPI";
  // Other settings are no display change.
  SendMessageW(bar(), WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
  EXPECT_EQ(displayChanges, expectedChanges);
}

TEST_F(InstalledDocking, AfterADisplayChangeTheBarGoesBackWhereItsStateSays) {
  install(false);
  // Parked: beyond the new right edge.
  state_.screenWidth = screenWidth_ - 200;
  placeBar(state_, shown_);
  EXPECT_EQ(bar_->rect().left, screenWidth_ - 200);
  EXPECT_EQ(barShownValue(shown_), 0);
  // Shown: flush with it.
  shown_.shown = 1;
  placeBar(state_, shown_);
  EXPECT_EQ(bar_->rect().left, screenWidth_ - 200 - 104);
  EXPECT_EQ(barShownValue(shown_), 1);
}

TEST_F(InstalledDocking, WithoutTheShellTheShellHookProcedureComesFirst) {
  install(false);
  EXPECT_EQ(GetWindowLongPtrW(bar(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(shellHookWindowProcedure));
}

TEST_F(InstalledDocking, TheApplicationBarProcedureComesBeforeTheShellHookProcedure) {
  install(true);
  const LONG_PTR first = GetWindowLongPtrW(bar(), GWLP_WNDPROC);
  EXPECT_NE(first, reinterpret_cast<LONG_PTR>(shellHookWindowProcedure));
  EXPECT_NE(first, originalProc_);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetPropA(bar(), kAppBarPreviousProcProperty)), shellHookWindowProcedure);
  // Every message still reaches the window's own procedure at the end.
  SendMessageW(bar(), WM_USER + 7, 0, 0);
  ASSERT_FALSE(bar_->userMessages().empty());
  EXPECT_EQ(bar_->userMessages().back(), static_cast<UINT>(WM_USER + 7));
}

TEST_F(InstalledDocking, TheFullScreenNotificationSwitchesTheEdgeOffAndOn) {
  install(true);
  SendMessageW(bar(), kAppBarCallbackMessage, ABN_FULLSCREENAPP, 1);
  EXPECT_EQ(state_.fullScreenActive, 1);
  SendMessageW(bar(), kAppBarCallbackMessage, ABN_POSCHANGED, 0);  // another notification
  EXPECT_EQ(state_.fullScreenActive, 1);
  SendMessageW(bar(), kAppBarCallbackMessage, ABN_FULLSCREENAPP, 0);
  EXPECT_EQ(state_.fullScreenActive, 0);
  onFullScreenApp(1);
  onFullScreenApp(2);  // only 1 means full screen
  EXPECT_EQ(state_.fullScreenActive, 0);
}

// Drives the installed hook procedure as the system would, with the real cursor.
class EdgeHookProcedure : public InstalledDocking {
 protected:
  bool cursorAt(std::int32_t x, std::int32_t y) {
    SetCursorPos(x, y);
    POINT now{};
    GetCursorPos(&now);
    return now.x == x && now.y == y;
  }
  LRESULT call(WPARAM message) {
    MSLLHOOKSTRUCT record{};
    GetCursorPos(&record.pt);
    return edgeHookProcedure(HC_ACTION, message, reinterpret_cast<LPARAM>(&record));
  }
};

TEST_F(EdgeHookProcedure, AnEdgeClickIsSwallowedAndTheWindowSlidesTheBarIn) {
  install(true);
  if (!cursorAt(screenWidth_ - 1, 100)) GTEST_SKIP() << "the cursor cannot be placed here";
  EXPECT_EQ(call(WM_RBUTTONDOWN), 1);
  EXPECT_EQ(click_.pressed, 1);
  EXPECT_EQ(click_.x, screenWidth_ - 1);
  EXPECT_EQ(call(WM_RBUTTONUP), 1);
  EXPECT_EQ(click_.pressed, 0);
  // The hook only posts: nothing has moved yet.
  EXPECT_TRUE(bar_->moves().empty());
  EXPECT_EQ(barShownValue(shown_), 0);
  ASSERT_TRUE(pumpUntil([&] { return bar_->rect().left == flush(); }, 5000));
  const auto expected = slideInPositions(screenWidth_, 104);
  EXPECT_EQ(bar_->moves(), std::vector<std::int32_t>(expected.begin(), expected.end()));
  EXPECT_EQ(barShownValue(shown_), 1);
}

TEST_F(EdgeHookProcedure, PressesAwayFromTheEdgeOrInFullScreenGoOn) {
  install(true);
  if (!cursorAt(screenWidth_ - 4, 100)) GTEST_SKIP() << "the cursor cannot be placed here";
  EXPECT_NE(call(WM_RBUTTONDOWN), 1);
  EXPECT_NE(call(WM_RBUTTONUP), 1);
  EXPECT_EQ(click_.pressed, 0);

  ASSERT_TRUE(cursorAt(screenWidth_ - 1, 100));
  SendMessageW(bar(), kAppBarCallbackMessage, ABN_FULLSCREENAPP, 1);
  EXPECT_NE(call(WM_RBUTTONDOWN), 1);
  EXPECT_NE(call(WM_RBUTTONUP), 1);
  EXPECT_EQ(click_.pressed, 0);
  SendMessageW(bar(), kAppBarCallbackMessage, ABN_FULLSCREENAPP, 0);

  // A negative code goes on untouched, even at the edge.
  MSLLHOOKSTRUCT record{};
  EXPECT_NE(edgeHookProcedure(-1, WM_RBUTTONDOWN, reinterpret_cast<LPARAM>(&record)), 1);
  EXPECT_EQ(click_.pressed, 0);
  pumpFor(100);
  EXPECT_TRUE(bar_->moves().empty());
}

TEST_F(EdgeHookProcedure, AReleaseWhileShownMovesNothing) {
  install(false);
  showBar();
  if (!cursorAt(screenWidth_ - 2, 100)) GTEST_SKIP() << "the cursor cannot be placed here";
  const std::uint32_t owner = currentSlideOwner();
  EXPECT_EQ(call(WM_RBUTTONDOWN), 1);
  EXPECT_EQ(call(WM_RBUTTONUP), 1);
  // Even a release message that reaches the window then does nothing.
  SendMessageW(bar(), edgeReleaseMessage(), 0, 0);
  pumpFor(100);
  EXPECT_TRUE(bar_->moves().empty());
  EXPECT_EQ(currentSlideOwner(), owner);
}

// SendInput of a right-click where the cursor is; how long the input took to be taken.
DWORD WINAPI rightClickHere(void* parameter) {
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  const DWORD start = GetTickCount();
  SendInput(2, inputs, sizeof(INPUT));
  *static_cast<DWORD*>(parameter) = GetTickCount() - start;
  return 0;
}

TEST_F(EdgeHookProcedure, TheHookIsAnsweredWhileTheWindowThreadIsBusy) {
  install(true);
  // The hook has a thread of its own: a launch or an icon that keeps the window's
  // thread busy must not keep the system waiting on the hook, which it would remove.
  ASSERT_NE(edgeHookThreadId(), 0u);
  EXPECT_NE(edgeHookThreadId(), GetCurrentThreadId());
  if (!cursorAt(screenWidth_ - 1, 100)) GTEST_SKIP() << "the cursor cannot be placed here";
  DWORD inputMilliseconds = 0;
  HANDLE clicker = CreateThread(nullptr, 0, rightClickHere, &inputMilliseconds, 0, nullptr);
  ASSERT_NE(clicker, nullptr);
  Sleep(1500);  // this thread, the bar's, handles nothing meanwhile
  EXPECT_EQ(WaitForSingleObject(clicker, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(clicker);
  EXPECT_LT(inputMilliseconds, 1000u) << "the click waited for the busy window thread";
  EXPECT_EQ(click_.pressed, 0) << "the release was not seen";
  EXPECT_EQ(click_.x, screenWidth_ - 1) << "the press was not seen";
  // The slide-in waited for the window thread.
  ASSERT_TRUE(pumpUntil([&] { return bar_->rect().left == flush(); }, 5000));
}

TEST_F(InstalledDocking, RemovalEndsTheHookThread) {
  install(true);
  const DWORD thread = edgeHookThreadId();
  ASSERT_NE(thread, 0u);
  HANDLE handle = OpenThread(SYNCHRONIZE, FALSE, thread);
  ASSERT_NE(handle, nullptr);
  removeEdgeDocking(state_);
  EXPECT_EQ(WaitForSingleObject(handle, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(handle);
  EXPECT_EQ(edgeHookThreadId(), 0u);
}

TEST_F(InstalledDocking, ActivationWithTheFocusInTheBarLeavesItShown) {
  install(false);
  showBar();
  if (!focusBar()) GTEST_SKIP() << "this display did not let the bar come to the foreground";
  const std::uint32_t owner = currentSlideOwner();
  SendMessageW(bar(), shellHookMessage(), kShellActivated, 0);
  EXPECT_EQ(currentSlideOwner(), owner);
  EXPECT_EQ(barShownValue(shown_), 1);
  pumpFor(150);
  EXPECT_TRUE(bar_->moves().empty());
  // The shell's message still reaches the window's own procedure.
  ASSERT_FALSE(bar_->userMessages().empty());
  EXPECT_EQ(bar_->userMessages().back(), shellHookMessage());
}

TEST_F(InstalledDocking, ActivationWithTheFocusElsewhereSlidesTheBarOutOnAThread) {
  install(false);
  showBar();
  HWND other = makeForegroundWindow(L"elsewhere");
  if (GetForegroundWindow() != other) {
    DestroyWindow(other);
    GTEST_SKIP() << "this display did not let the window come to the foreground";
  }
  SendMessageW(bar(), shellHookMessage(), kShellActivated, 0);
  // The flag falls at once; the steps follow from the slide's own thread.
  EXPECT_EQ(barShownValue(shown_), 0);
  EXPECT_TRUE(pumpUntil([&] { return bar_->rect().left == screenWidth_; }, 5000));
  const auto expected = slideOutPositions(screenWidth_, 104);
  EXPECT_EQ(bar_->moves(), std::vector<std::int32_t>(expected.begin(), expected.end()));
  DestroyWindow(other);
}

TEST_F(InstalledDocking, ActivationWithTheFocusInAChildOfTheBarCountsAsElsewhere) {
  install(false);
  showBar();
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, bar(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(child, nullptr);
  SetForegroundWindow(bar());
  SetFocus(child);
  processPendingMessages();
  if (GetForegroundWindow() != bar() || GetFocus() != child) GTEST_SKIP() << "the focus could not be placed";
  SendMessageW(bar(), shellHookMessage(), kShellActivated, 0);
  EXPECT_EQ(barShownValue(shown_), 0);
  EXPECT_TRUE(pumpUntil([&] { return bar_->rect().left == screenWidth_; }, 5000));
}

TEST_F(InstalledDocking, ActivationWhileHiddenOrOtherShellCodesStartNothing) {
  install(false);
  HWND other = makeForegroundWindow(L"elsewhere");
  const std::uint32_t owner = currentSlideOwner();
  SendMessageW(bar(), shellHookMessage(), kShellActivated, 0);  // hidden
  shown_.shown = 1;
  SendMessageW(bar(), shellHookMessage(), HSHELL_WINDOWACTIVATED, 0);  // without the high bit
  SendMessageW(bar(), shellHookMessage(), HSHELL_WINDOWCREATED, 0);
  EXPECT_EQ(currentSlideOwner(), owner);
  pumpFor(100);
  EXPECT_TRUE(bar_->moves().empty());
  DestroyWindow(other);
}

TEST_F(InstalledDocking, WithoutShellNotificationsTheForegroundIsWatchedWhileShown) {
  if (platformRegistersShellHooks()) GTEST_SKIP() << "the shell notifies here; no watch is needed";
  install(false);
  slideIn(state_, shown_);
  ASSERT_EQ(bar_->rect().left, flush());
  if (!focusBar()) GTEST_SKIP() << "this display did not let the bar come to the foreground";
  // Several periods of the watch with the focus in the bar: it stays.
  pumpFor(4 * kForegroundWatchMilliseconds);
  EXPECT_EQ(bar_->rect().left, flush());
  EXPECT_EQ(barShownValue(shown_), 1);

  HWND other = makeForegroundWindow(L"elsewhere");
  if (GetForegroundWindow() != other) {
    DestroyWindow(other);
    GTEST_SKIP() << "this display did not let the window come to the foreground";
  }
  EXPECT_TRUE(pumpUntil([&] { return bar_->rect().left == screenWidth_; }, 5000));
  EXPECT_EQ(barShownValue(shown_), 0);

  // The window in front before the slide comes back at once, before the watch has
  // looked even once: a change all the same.
  slideIn(state_, shown_);
  ASSERT_EQ(GetForegroundWindow(), bar_->handle()) << "the slide-in takes the foreground";
  SetForegroundWindow(other);
  EXPECT_TRUE(pumpUntil([&] { return bar_->rect().left == screenWidth_; }, 5000));
  DestroyWindow(other);
}

TEST_F(InstalledDocking, TheWatchIgnoresOwnedWindowsAsTheShellDoes) {
  if (platformRegistersShellHooks()) GTEST_SKIP() << "the shell notifies here; no watch is needed";
  install(false);
  slideIn(state_, shown_);
  ASSERT_EQ(bar_->rect().left, flush());
  if (!focusBar()) GTEST_SKIP() << "this display did not let the bar come to the foreground";

  // A dialog of the bar's own (owned by it, as the open-file dialog is) takes the
  // foreground: the bar stays in for several periods of the watch.
  HWND dialog = makeForegroundWindow(L"owned dialog", bar());
  if (GetForegroundWindow() != dialog) {
    DestroyWindow(dialog);
    GTEST_SKIP() << "this display did not let the window come to the foreground";
  }
  pumpFor(4 * kForegroundWatchMilliseconds);
  EXPECT_EQ(bar_->rect().left, flush());
  EXPECT_EQ(barShownValue(shown_), 1);

  // A window owned by another window of the program (the edit window's case) neither.
  HWND ownerless = makeForegroundWindow(L"hidden owner");
  ShowWindow(ownerless, SW_HIDE);
  HWND owned = makeForegroundWindow(L"owned window", ownerless);
  if (GetForegroundWindow() == owned) {
    pumpFor(4 * kForegroundWatchMilliseconds);
    EXPECT_EQ(bar_->rect().left, flush());
  }

  // An unowned window is an activation.
  HWND other = makeForegroundWindow(L"elsewhere");
  if (GetForegroundWindow() == other) {
    EXPECT_TRUE(pumpUntil([&] { return bar_->rect().left == screenWidth_; }, 5000));
    EXPECT_EQ(barShownValue(shown_), 0);
  }
  DestroyWindow(other);
  DestroyWindow(owned);
  DestroyWindow(ownerless);
  DestroyWindow(dialog);
}

TEST_F(InstalledDocking, TheWatchStandsDownOnceTheShellIsHeardFrom) {
  if (platformRegistersShellHooks()) GTEST_SKIP() << "the shell notifies here; no watch is needed";
  install(false);
  SendMessageW(bar(), shellHookMessage(), HSHELL_WINDOWCREATED, 0);
  slideIn(state_, shown_);
  ASSERT_EQ(bar_->rect().left, flush());
  HWND other = makeForegroundWindow(L"elsewhere");
  if (GetForegroundWindow() != other) {
    DestroyWindow(other);
    GTEST_SKIP() << "this display did not let the window come to the foreground";
  }
  pumpFor(4 * kForegroundWatchMilliseconds);
  EXPECT_EQ(bar_->rect().left, flush());
  // The shell's own notification is what slides it out now.
  SendMessageW(bar(), shellHookMessage(), kShellActivated, 0);
  EXPECT_TRUE(pumpUntil([&] { return bar_->rect().left == screenWidth_; }, 5000));
  DestroyWindow(other);
}

TEST_F(InstalledDocking, TheInstalledBarSlidesThroughTheCallsWithoutArguments) {
  install(false);
  parkBar();
  EXPECT_EQ(bar_->rect().left, screenWidth_);
  slideIn();
  EXPECT_EQ(bar_->rect().left, flush());
  EXPECT_EQ(barShownValue(shown_), 1);
  slideOut();
  EXPECT_EQ(bar_->rect().left, screenWidth_);
  EXPECT_EQ(barShownValue(shown_), 0);
}

TEST_F(InstalledDocking, AnExplorerRestartRegistersTheApplicationBarAgain) {
  install(true);
  const LONG_PTR first = GetWindowLongPtrW(bar(), GWLP_WNDPROC);
  RemovePropA(bar(), kAppBarRoutineProperty);
  SendMessageW(bar(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_EQ(reinterpret_cast<AppBarNotification>(GetPropA(bar(), kAppBarRoutineProperty)), onFullScreenApp);
  // Registered again, not chained twice.
  EXPECT_EQ(GetWindowLongPtrW(bar(), GWLP_WNDPROC), first);
  SendMessageW(bar(), kAppBarCallbackMessage, ABN_FULLSCREENAPP, 1);
  EXPECT_EQ(state_.fullScreenActive, 1);
}

TEST_F(InstalledDocking, RemovalUnhooksAndTheWindowKeepsWorking) {
  install(true);
  const HHOOK hook = state_.mouseHook;
  ASSERT_NE(hook, nullptr);
  removeEdgeDocking(state_);
  EXPECT_EQ(state_.mouseHook, nullptr);
  EXPECT_FALSE(UnhookWindowsHookEx(hook));  // already gone
  removeEdgeDocking(state_);                 // nothing left to remove
  SendMessageW(bar(), kAppBarCallbackMessage, ABN_FULLSCREENAPP, 1);
  EXPECT_EQ(state_.fullScreenActive, 1);
}

LRESULT CALLBACK passMouse(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(EdgeDockingRemoval, AHookSetByHandIsRemovedToo) {
  EdgeDockState state{};
  state.mouseHook = SetWindowsHookExA(WH_MOUSE_LL, passMouse, GetModuleHandleA(nullptr), 0);
  ASSERT_NE(state.mouseHook, nullptr);
  const HHOOK hook = state.mouseHook;
  removeEdgeDocking(state);
  EXPECT_EQ(state.mouseHook, nullptr);
  EXPECT_FALSE(UnhookWindowsHookEx(hook));
}

}  // namespace
}  // namespace corvalis
