// A DPI change while the program runs: the bar taken from one DPI to another, and the
// edit window moved to a monitor of another DPI, end exactly as a bar or an edit window
// started at that DPI - the windows, every control, every row. The system's DPI cannot
// change under a running program here, so the test answers for it.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/control_registry.h"
#include "app/file_io.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "base/dpi.h"
#include "base/wide_text.h"
#include "desktop/edge_docking.h"
#include "launcher/edit_window.h"
#include "launcher/launcher.h"
#include "launcher/launcher_build.h"
#include "launcher/launcher_items.h"
#include "launcher/shortcut_file.h"
#include "store/hash_table.h"
#include "uilib/ui_bridge.h"

namespace corvalis {
namespace {

std::int32_t answeredDpi = kDesignDpi;
std::int32_t answerDpi() { return answeredDpi; }

void pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void buildTheBar() {
  if (Launcher* launcher = launcherOf(kLauncherWindowIdentity))
    buildLauncher(*launcher, windowHandle(kLauncherWindowIdentity));
}

// What a window and its controls look like: sizes, each control's place in the window,
// each list row's height, and the DPI the control library draws them at.
struct Geometry {
  SIZE client{};
  std::vector<RECT> controls;
  std::vector<int> rows;
  std::int32_t dpi = 0;
};

void expectSame(const Geometry& changed, const Geometry& started, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(changed.dpi, started.dpi);
  EXPECT_EQ(changed.client.cx, started.client.cx);
  EXPECT_EQ(changed.client.cy, started.client.cy);
  ASSERT_EQ(changed.controls.size(), started.controls.size());
  for (std::size_t i = 0; i < started.controls.size(); ++i)
    EXPECT_TRUE(EqualRect(&changed.controls[i], &started.controls[i])) << "control " << i;
  EXPECT_EQ(changed.rows, started.rows);
}

Geometry geometryOf(const WindowTemplate& windowTemplate, std::int32_t list) {
  Geometry geometry;
  const HWND window = windowHandle(windowTemplate.identity);
  RECT client{};
  GetClientRect(window, &client);
  geometry.client = SIZE{client.right, client.bottom};
  for (const ControlTemplate& control : windowTemplate.controls) {
    RECT place{};
    if (const HWND made = controlWindow(windowTemplate.identity, control.identity)) {
      GetWindowRect(made, &place);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    }
    geometry.controls.push_back(place);
  }
  const ControlId id = controlId(windowTemplate.identity, list);
  for (int row = 0; row < listCount(id); ++row) geometry.rows.push_back(listRowHeight(id, row));
  geometry.dpi = windowDpi(controlWindow(windowTemplate.identity, list));
  return geometry;
}

class DpiChange : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ASSERT_TRUE(initializeUiBridge()) << "ExuiKrnln.dll beside the tests";
    installControlServices();
    ASSERT_TRUE(createHiddenOwnerWindow());
    LauncherWindowHandlers bar;
    bar.created = buildTheBar;
    EditWindowHandlers edit;
    edit.created = setUpEditWindow;
    edit.destroying = saveEditsOnClose;
    edit.dpiChanged = onEditWindowDpiChanged;
    bindWindowTemplates(bar, edit);
    useDpiSource(answerDpi);
  }
  static void TearDownTestSuite() {
    useDpiSource(nullptr);
    measureScreenDpi();
    destroyHiddenOwnerWindow();
    OleUninitialize();
  }

  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    file_ = fromWideText(std::wstring(temp) + L"corvalis-dpi-" + std::to_wstring(GetCurrentProcessId()) + L".HashTable");
    HashTable stored;
    ASSERT_TRUE(initializeShortcutTable(stored));
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    for (const char* program : {"notepad.exe", "regedit.exe", "cmd.exe", "winecfg.exe"})
      stored.set(std::string(program).substr(0, std::string(program).find('.')).c_str(),
                 (std::string(system) + "\\" + program).c_str());
    ASSERT_TRUE(saveShortcutFile(stored, file_));
    initializeLauncherItems(items_, GetProcessHeap());
    edge_.screenHeight = 800;
    edge_.screenWidth = 1280;
    launcher_.shortcuts.keepIn(file_);
  }
  void TearDown() override {
    for (const std::int32_t identity : {kEditWindowIdentity, kLauncherWindowIdentity})
      if (const HWND window = windowHandle(identity)) DestroyWindow(window);
    pump();
    clearLauncherItems(items_);
    DeleteFileW(toWideText(file_).c_str());
  }

  void answer(std::int32_t dpi) {
    answeredDpi = dpi;
    measureScreenDpi();
  }
  // A bar started at `dpi`, as it looks; it is gone afterwards.
  Geometry barStartedAt(std::int32_t dpi) {
    answer(dpi);
    EXPECT_TRUE(loadWindow(launcherWindowTemplate(), &launcher_));
    pump();
    const Geometry geometry = geometryOf(launcherWindowTemplate(), kLauncherListIdentity);
    DestroyWindow(windowHandle(kLauncherWindowIdentity));
    pump();
    return geometry;
  }
  // An edit window opened at `dpi` (the primary monitor's then), as it looks, and its
  // window's size; it is gone afterwards.
  Geometry editWindowStartedAt(std::int32_t dpi, SIZE& windowSize) {
    answer(dpi);
    openEditWindow(launcher_);
    pump();
    const HWND edit = windowHandle(kEditWindowIdentity);
    RECT frame{};
    GetWindowRect(edit, &frame);
    windowSize = SIZE{frame.right - frame.left, frame.bottom - frame.top};
    const Geometry geometry = geometryOf(editWindowTemplate(), kEditListIdentity);
    DestroyWindow(edit);
    pump();
    return geometry;
  }

  std::string file_;
  HashTable shortcutTable_, editTable_;
  LauncherItems items_{};
  EdgeDockState edge_{};
  Launcher launcher_{shortcutTable_, editTable_, items_, edge_};
};

TEST_F(DpiChange, TheBarEndsAsOneStartedAtTheNewDpi) {
  const std::vector<std::int32_t> steps = {144, 192, 96};
  std::vector<Geometry> started;
  for (const std::int32_t dpi : steps) started.push_back(barStartedAt(dpi));
  ASSERT_EQ(started[0].rows.size(), 6u) << "two fixed rows and four shortcuts";
  ASSERT_NE(started[0].rows[2], started[1].rows[2]) << "the rows differ between the DPIs";

  answer(96);
  ASSERT_TRUE(loadWindow(launcherWindowTemplate(), &launcher_));
  pump();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    answer(steps[i]);
    fitBarToScreen(launcher_);
    pump();
    expectSame(geometryOf(launcherWindowTemplate(), kLauncherListIdentity), started[i],
               ("the bar taken to " + std::to_string(steps[i])).c_str());
    RECT frame{};
    GetWindowRect(windowHandle(kLauncherWindowIdentity), &frame);
    EXPECT_EQ(frame.right - frame.left, started[i].client.cx);
  }
}

TEST_F(DpiChange, TheEditWindowFollowsItsMonitorsDpi) {
  ASSERT_TRUE(initializeShortcutTable(shortcutTable_));
  ASSERT_TRUE(loadShortcutFile(shortcutTable_, file_));
  const std::vector<std::int32_t> steps = {144, 192, 96};
  std::vector<Geometry> started;
  std::vector<SIZE> sizes(steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i) started.push_back(editWindowStartedAt(steps[i], sizes[i]));
  ASSERT_EQ(started[0].rows.size(), 4u);

  answer(96);
  openEditWindow(launcher_);
  pump();
  const HWND edit = windowHandle(kEditWindowIdentity);
  ASSERT_NE(edit, nullptr);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    // The system moved it to a monitor of that DPI and suggests its new rectangle.
    RECT frame{};
    GetWindowRect(edit, &frame);
    RECT suggested{frame.left + 10, frame.top + 10, frame.left + 10 + sizes[i].cx, frame.top + 10 + sizes[i].cy};
    SendMessageW(edit, WM_DPICHANGED, MAKEWPARAM(steps[i], steps[i]), reinterpret_cast<LPARAM>(&suggested));
    pump();
    GetWindowRect(edit, &frame);
    EXPECT_TRUE(EqualRect(&frame, &suggested)) << "the suggested rectangle is taken";
    expectSame(geometryOf(editWindowTemplate(), kEditListIdentity), started[i],
               ("the edit window at " + std::to_string(steps[i])).c_str());
  }
}

}  // namespace
}  // namespace corvalis
