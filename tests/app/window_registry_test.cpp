#include "app/window_registry.h"
#include "app/window_templates.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace corvalis {
namespace {

// What the event handlers saw; handlers are plain functions, so they report here.
struct Observed {
  int created = 0;
  int destroying = 0;
  HWND handleDuringCreated = nullptr;
  bool visibleDuringCreated = true;
  bool handleDuringDestroying = false;
};
Observed observed;
constexpr std::int32_t kTestIdentity = 701;
constexpr std::int32_t kOtherIdentity = 702;

void recordCreated() {
  ++observed.created;
  observed.handleDuringCreated = windowHandle(kTestIdentity);
  observed.visibleDuringCreated = observed.handleDuringCreated != nullptr && IsWindowVisible(observed.handleDuringCreated);
}
void recordDestroying() {
  ++observed.destroying;
  observed.handleDuringDestroying = windowHandle(kTestIdentity) != nullptr;
}
void closeAtOnce() { DestroyWindow(windowHandle(kTestIdentity)); }

// The launcher's window settings without its controls: this process has no UI
// library, and the window machinery is what is tested here.
WindowTemplate testTemplate(std::int32_t identity = kTestIdentity) {
  WindowTemplate t = launcherWindowTemplate();
  t.identity = identity;
  t.events = {recordCreated, recordDestroying};
  t.controls = {};
  return t;
}

void pumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // keep it for the caller to see
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool takeQuit(WPARAM* code) {
  MSG message;
  if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
  *code = message.wParam;
  return true;
}

class WindowRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    observed = Observed{};
    quitWhenLastWindowCloses(false);
    ASSERT_TRUE(createHiddenOwnerWindow());
  }
  void TearDown() override {
    for (std::int32_t identity : {kTestIdentity, kOtherIdentity})
      if (HWND window = windowHandle(identity)) DestroyWindow(window);
    quitWhenLastWindowCloses(false);
    WPARAM ignored;
    while (takeQuit(&ignored)) {
    }
    EXPECT_EQ(loadedWindowCount(), 0u);
  }
};

TEST_F(WindowRegistryTest, HiddenOwnerIsANeverShownToolWindow) {
  HWND owner = hiddenOwnerWindow();
  ASSERT_NE(owner, nullptr);
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_TRUE(GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(createHiddenOwnerWindow());  // a second call keeps the one window
  EXPECT_EQ(hiddenOwnerWindow(), owner);
}

TEST_F(WindowRegistryTest, LoadFiresCreatedBeforeShowing) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  HWND window = windowHandle(kTestIdentity);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(observed.created, 1);
  EXPECT_EQ(observed.handleDuringCreated, window);
  EXPECT_FALSE(observed.visibleDuringCreated);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(loadedWindowCount(), 1u);
}

TEST_F(WindowRegistryTest, LauncherShapeOwnerAndPlace) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  HWND window = windowHandle(kTestIdentity);
  EXPECT_EQ(GetWindow(window, GW_OWNER), hiddenOwnerWindow());
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU));
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, 104);
  EXPECT_EQ(rect.bottom - rect.top, 195);
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 104) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 195) / 2);
  wchar_t title[16] = L"x";
  GetWindowTextW(window, title, 16);
  EXPECT_STREQ(title, L"");
}

TEST_F(WindowRegistryTest, OneWindowPerIdentity) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  EXPECT_FALSE(loadWindow(testTemplate()));
  EXPECT_EQ(observed.created, 1);
  EXPECT_EQ(loadedWindowCount(), 1u);
}

TEST_F(WindowRegistryTest, InvisibleTemplateStaysHidden) {
  WindowTemplate t = testTemplate();
  t.visible = false;
  ASSERT_TRUE(loadWindow(t));
  EXPECT_FALSE(IsWindowVisible(windowHandle(kTestIdentity)));
}

TEST_F(WindowRegistryTest, EscapeClosesTheWindow) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  HWND window = windowHandle(kTestIdentity);
  SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(observed.destroying, 1);
  EXPECT_TRUE(observed.handleDuringDestroying);  // the handler still reaches its window
  EXPECT_EQ(windowHandle(kTestIdentity), nullptr);
  EXPECT_EQ(loadedWindowCount(), 0u);
}

TEST_F(WindowRegistryTest, OtherKeysDoNotClose) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  HWND window = windowHandle(kTestIdentity);
  SendMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
  SendMessageW(window, WM_KEYDOWN, 'Q', 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(observed.destroying, 0);
}

TEST_F(WindowRegistryTest, EscapeDoesNothingWhereTheTemplateSaysSo) {
  WindowTemplate t = testTemplate();
  t.escapeCloses = false;
  ASSERT_TRUE(loadWindow(t));
  SendMessageW(windowHandle(kTestIdentity), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_NE(windowHandle(kTestIdentity), nullptr);
}

TEST_F(WindowRegistryTest, CloseWindowClosesFromTheMessageLoop) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  HWND window = windowHandle(kTestIdentity);
  EXPECT_TRUE(closeWindow(kTestIdentity));
  EXPECT_FALSE(closeWindow(kTestIdentity));  // already closing
  EXPECT_TRUE(IsWindow(window));             // nothing happens until the loop runs
  EXPECT_EQ(observed.destroying, 0);
  pumpMessages();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(observed.destroying, 1);
  EXPECT_FALSE(closeWindow(kTestIdentity));  // not loaded any more
}

TEST_F(WindowRegistryTest, CreatedHandlerMayCloseTheWindow) {
  WindowTemplate t = testTemplate();
  t.events.created = closeAtOnce;
  EXPECT_TRUE(loadWindow(t));
  EXPECT_EQ(windowHandle(kTestIdentity), nullptr);
  EXPECT_EQ(loadedWindowCount(), 0u);
  EXPECT_EQ(observed.destroying, 1);
}

TEST_F(WindowRegistryTest, QuitOnlyWhenTheLastWindowHasGone) {
  ASSERT_TRUE(loadWindow(testTemplate(kTestIdentity)));
  ASSERT_TRUE(loadWindow(testTemplate(kOtherIdentity)));
  quitWhenLastWindowCloses();
  WPARAM code = 99;

  DestroyWindow(windowHandle(kOtherIdentity));
  EXPECT_FALSE(takeQuit(&code));
  DestroyWindow(windowHandle(kTestIdentity));
  ASSERT_TRUE(takeQuit(&code));
  EXPECT_EQ(code, 0u);
}

TEST_F(WindowRegistryTest, NoQuitBeforeStartUpHasLoadedTheLauncher) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  DestroyWindow(windowHandle(kTestIdentity));
  WPARAM code;
  EXPECT_FALSE(takeQuit(&code));
}

TEST_F(WindowRegistryTest, MessageBoxesAndTheOwnerDoNotCount) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  quitWhenLastWindowCloses();
  // A window of another class, owned like ours, comes and goes without ending anything.
  HWND stranger = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, hiddenOwnerWindow(), nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(stranger, nullptr);
  DestroyWindow(stranger);
  WPARAM code;
  EXPECT_FALSE(takeQuit(&code));
  EXPECT_EQ(loadedWindowCount(), 1u);
}

int menuClicks = 0;
void countMenuClick() { ++menuClicks; }

TEST_F(WindowRegistryTest, AFramedWindowGetsTheTemplatesSizeAsItsClientArea) {
  WindowTemplate t = testTemplate();
  t.style = WS_POPUP | WS_CAPTION;
  t.width = 380;
  t.height = 250;
  t.title = "\xB1\xE0\xBC\xAD\xB4\xB0\xBF\xDA";
  ASSERT_TRUE(loadWindow(t));
  HWND window = windowHandle(kTestIdentity);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 380);
  EXPECT_EQ(client.bottom, 250);
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_GT(rect.bottom - rect.top, 250) << "the caption comes on top of the client area";
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2);
  wchar_t title[16] = L"";
  GetWindowTextW(window, title, 16);
  EXPECT_STREQ(title, L"编辑窗口");
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, static_cast<LONG>(WS_CAPTION));
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
}

TEST_F(WindowRegistryTest, MenuItemsRunTheirHandlersThroughTheWindow) {
  const MenuItemTemplate items[] = {{50, "", "top", 0, nullptr},
                                    {51, "", "\xB1\xE0\xBC\xAD", 50, countMenuClick},
                                    {52, "", "b", 50, nullptr},
                                    {53, "", "elsewhere", 0, countMenuClick}};
  WindowTemplate t = testTemplate();
  t.menu = items;
  ASSERT_TRUE(loadWindow(t));
  HWND window = windowHandle(kTestIdentity);
  menuClicks = 0;
  SendMessageW(window, WM_COMMAND, 51, 0);
  EXPECT_EQ(menuClicks, 1);
  SendMessageW(window, WM_COMMAND, 52, 0);  // bound to nothing
  SendMessageW(window, WM_COMMAND, 54, 0);  // no such item
  SendMessageW(window, WM_COMMAND, 51, reinterpret_cast<LPARAM>(window));  // a control's notification
  EXPECT_EQ(menuClicks, 1);

  UniqueMenu menu = windowMenu(kTestIdentity, 50);
  ASSERT_TRUE(menu);
  ASSERT_EQ(GetMenuItemCount(menu.get()), 2);
  EXPECT_EQ(GetMenuItemID(menu.get(), 0), 51u);
  EXPECT_EQ(GetMenuItemID(menu.get(), 1), 52u);
  wchar_t caption[16] = L"";
  GetMenuStringW(menu.get(), 0, caption, 16, MF_BYPOSITION);
  EXPECT_STREQ(caption, L"编辑");
  EXPECT_FALSE(windowMenu(kTestIdentity, 51)) << "nothing stands under an item";
  EXPECT_FALSE(windowMenu(kOtherIdentity, 50)) << "not loaded";
}


struct JobPoster {
  HWND window;
  DWORD ranOn = 0;
  bool posted = false;
};

DWORD WINAPI postJobFromHere(void* parameter) {
  auto* poster = static_cast<JobPoster*>(parameter);
  poster->posted = postWindowJob(poster->window, [poster] { poster->ranOn = GetCurrentThreadId(); });
  return 0;
}

TEST_F(WindowRegistryTest, JobsFromAnotherThreadRunOnTheWindowsThread) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  JobPoster shared{windowHandle(kTestIdentity)};
  HANDLE poster = CreateThread(nullptr, 0, postJobFromHere, &shared, 0, nullptr);
  ASSERT_NE(poster, nullptr);
  WaitForSingleObject(poster, 5000);
  CloseHandle(poster);
  EXPECT_TRUE(shared.posted);
  EXPECT_EQ(shared.ranOn, 0u) << "ran before this thread handled its messages";
  pumpMessages();
  EXPECT_EQ(shared.ranOn, GetCurrentThreadId());
}

TEST_F(WindowRegistryTest, JobsForAGoneWindowAreDroppedUnrun) {
  ASSERT_TRUE(loadWindow(testTemplate()));
  const HWND window = windowHandle(kTestIdentity);
  auto alive = std::make_shared<int>(0);
  int runs = 0;
  ASSERT_TRUE(postWindowJob(window, [alive, &runs] { ++runs; }));
  EXPECT_EQ(alive.use_count(), 2);
  DestroyWindow(window);  // before the queued job was handled
  pumpMessages();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(alive.use_count(), 1) << "the queued job was not freed";
  EXPECT_FALSE(postWindowJob(window, [&runs] { ++runs; }));
  EXPECT_FALSE(postWindowJob(nullptr, [&runs] { ++runs; }));
}

}  // namespace
}  // namespace corvalis
