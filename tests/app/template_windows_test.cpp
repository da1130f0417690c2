// Both windows loaded from their templates with our real UI library (ExuiKrnln.dll beside
// the tests, bound by the bridge as start-up binds it): the control windows the bridge
// made, their geometry and nesting, the library's controls in them, events reaching the
// bound handlers, the menus, Esc, and every control record given back at the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/control_registry.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "uilib/ui_bridge.h"

namespace corvalis {
namespace {

struct Seen {
  std::vector<std::string> calls;
  bool controlsAtCreated = false;
};
Seen seen;

std::int32_t recordListItem(const ControlEvent& event) {
  seen.calls.push_back("listItem " + std::to_string(event.arguments[0]));
  return 0;
}
std::int32_t recordListSecondItem(const ControlEvent& event) {
  seen.calls.push_back("listSecondItem " + std::to_string(event.arguments[0]));
  return 0;
}
std::int32_t recordTipPanel(const ControlEvent&) {
  seen.calls.push_back("tipPanel");
  return 0;
}
std::int32_t recordSaveButton(const ControlEvent&) {
  seen.calls.push_back("saveButton");
  return 0;
}
void launcherCreated() {
  seen.calls.push_back("launcherCreated");
  seen.controlsAtCreated = controlWindow(kLauncherWindowIdentity, kLauncherListIdentity) != nullptr;
}
void launcherDestroying() { seen.calls.push_back("launcherDestroying"); }
void editCreated() { seen.calls.push_back("editCreated"); }
void editDestroying() { seen.calls.push_back("editDestroying"); }
void menuEdit() { seen.calls.push_back("menuEdit"); }
void menuExit() { seen.calls.push_back("menuExit"); }

class LibraryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(initializeUiBridge()) << "ExuiKrnln.dll beside the tests";
    installControlServices();
    ASSERT_TRUE(createHiddenOwnerWindow());
    LauncherWindowHandlers launcher;
    launcher.created = launcherCreated;
    launcher.destroying = launcherDestroying;
    launcher.listItem = recordListItem;
    launcher.listSecondItem = recordListSecondItem;
    launcher.menuEdit = menuEdit;
    launcher.menuExit = menuExit;
    EditWindowHandlers edit;
    edit.created = editCreated;
    edit.destroying = editDestroying;
    edit.saveButton = recordSaveButton;
    edit.tipPanel = recordTipPanel;
    bindWindowTemplates(launcher, edit);
  }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new LibraryEnvironment);

void pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::string classOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

RECT placeIn(HWND window, HWND parent) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A control that says it wants every key, and counts the Esc presses it gets.
int greedyEscapes = 0;
LRESULT CALLBACK greedyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) ++greedyEscapes;
  return DefWindowProcW(window, message, wParam, lParam);
}
const wchar_t* greedyClass() {
  static const bool registered = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = greedyProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"CorvalisGreedyKeys";
    return RegisterClassW(&windowClass) != 0;
  }();
  return registered ? L"CorvalisGreedyKeys" : L"STATIC";
}

class TemplateWindows : public ::testing::Test {
 protected:
  void SetUp() override { seen = Seen{}; }
  void TearDown() override {
    for (std::int32_t identity : {kLauncherWindowIdentity, kEditWindowIdentity})
      if (HWND window = windowHandle(identity)) DestroyWindow(window);
    pump();
    EXPECT_EQ(controlUnitCount(), 0u) << "every control record is released with its window";
  }

  void expectControl(std::int32_t window, const ControlTemplate& control, const char* suffix) {
    SCOPED_TRACE(control.identity);
    HWND handle = controlWindow(window, control.identity);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(classOf(handle), "Exui." + std::to_string(uiLibrary().libraryHandle) + "." + suffix);
    EXPECT_EQ(GetDlgCtrlID(handle), control.identity);
    HWND parent = control.parent == 0 ? windowHandle(window) : controlWindow(window, control.parent);
    EXPECT_EQ(GetParent(handle), parent);
    const RECT rect = placeIn(handle, parent);
    EXPECT_EQ(rect.left, control.left);
    EXPECT_EQ(rect.top, control.top);
    EXPECT_EQ(rect.right - rect.left, control.width);
    EXPECT_EQ(rect.bottom - rect.top, control.height);
    const ControlUnit* unit = findControl(window, control.identity);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(GetPropA(handle, "hUnit"), &unit->head);
    EXPECT_EQ(unit->controlTemplate, &control);
    EXPECT_NE(GetPropA(handle, "Tab_Control"), nullptr) << "the library's control lives in it";
    EXPECT_EQ(controlHandle(controlId(window, control.identity)),
              reinterpret_cast<LibraryControl>(GetPropA(handle, "Tab_Control")));
  }
};

TEST_F(TemplateWindows, TheLauncherIsMadeWithItsControlsBeforeItsCreatedEvent) {
  ASSERT_TRUE(loadWindow(launcherWindowTemplate()));
  HWND launcher = windowHandle(kLauncherWindowIdentity);
  ASSERT_NE(launcher, nullptr);
  EXPECT_TRUE(seen.controlsAtCreated);
  EXPECT_EQ(seen.calls, std::vector<std::string>{"launcherCreated"});
  const auto& controls = launcherWindowTemplate().controls;
  expectControl(kLauncherWindowIdentity, controls[0], "ToolbarEx");
  expectControl(kLauncherWindowIdentity, controls[1], "ListboxEx");
  expectControl(kLauncherWindowIdentity, controls[2], "WindowEx");
  EXPECT_TRUE(IsWindowVisible(controlWindow(kLauncherWindowIdentity, kLauncherListIdentity)));
  EXPECT_FALSE(IsWindowVisible(controlWindow(kLauncherWindowIdentity, kLauncherRetiredToolbarIdentity)));
  EXPECT_FALSE(IsWindowVisible(controlWindow(kLauncherWindowIdentity, kLauncherWindowExIdentity)));
  EXPECT_EQ(listCount(controlId(kLauncherWindowIdentity, kLauncherListIdentity)), 2) << "the two fixed rows";
  RECT client;
  GetClientRect(launcher, &client);
  EXPECT_EQ(client.right, 104);
  EXPECT_EQ(client.bottom, 195);
}

TEST_F(TemplateWindows, ListEventsReachTheBoundHandlersWithTheRow) {
  ASSERT_TRUE(loadWindow(launcherWindowTemplate()));
  HWND list = controlWindow(kLauncherWindowIdentity, kLauncherListIdentity);
  seen.calls.clear();
  // Row 1 lies at 30..59 (30 pixels a row).
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 45));
  SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(40, 45));
  SendMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 10));
  SendMessageW(list, WM_RBUTTONUP, 0, MAKELPARAM(40, 10));
  EXPECT_EQ(seen.calls, (std::vector<std::string>{"listItem 1", "listSecondItem 0"}));
}

TEST_F(TemplateWindows, TheLaunchersMenuRunsItsItemsHandlers) {
  ASSERT_TRUE(loadWindow(launcherWindowTemplate()));
  HWND launcher = windowHandle(kLauncherWindowIdentity);
  seen.calls.clear();
  SendMessageW(launcher, WM_COMMAND, kLauncherMenuEditIdentity, 0);
  SendMessageW(launcher, WM_COMMAND, kLauncherMenuExitIdentity, 0);
  SendMessageW(launcher, WM_COMMAND, kLauncherMenuIdentity, 0);  // the top item has no handler
  EXPECT_EQ(seen.calls, (std::vector<std::string>{"menuEdit", "menuExit"}));
  UniqueMenu menu = windowMenu(kLauncherWindowIdentity, kLauncherMenuIdentity);
  ASSERT_TRUE(menu);
  EXPECT_EQ(GetMenuItemCount(menu.get()), 2);
  wchar_t caption[16] = L"";
  GetMenuStringW(menu.get(), 1, caption, 16, MF_BYPOSITION);
  EXPECT_STREQ(caption, L"退出");
}

TEST_F(TemplateWindows, TheEditWindowNestsItsControlsInTheirPanels) {
  ASSERT_TRUE(loadWindow(editWindowTemplate()));
  HWND edit = windowHandle(kEditWindowIdentity);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(seen.calls, std::vector<std::string>{"editCreated"});
  const char* suffixes[] = {"WindowEx", "EditboxEx", "ButtonEx", "FilterEx", "WindowEx", "LabelEx", "ListboxEx",
                            "WindowEx"};
  const auto& controls = editWindowTemplate().controls;
  for (std::size_t i = 0; i < controls.size(); ++i) expectControl(kEditWindowIdentity, controls[i], suffixes[i]);
  RECT client;
  GetClientRect(edit, &client);
  EXPECT_EQ(client.right, 380);
  EXPECT_EQ(client.bottom, 250);
  EXPECT_FALSE(IsWindowVisible(controlWindow(kEditWindowIdentity, kEditRenamePanelIdentity)));
  EXPECT_FALSE(IsWindowVisible(controlWindow(kEditWindowIdentity, kEditFilterIdentity)));
  EXPECT_TRUE(IsWindowVisible(controlWindow(kEditWindowIdentity, kEditTipPanelIdentity)));
  EXPECT_TRUE(IsWindowVisible(controlWindow(kEditWindowIdentity, kEditTipLabelIdentity)));
  EXPECT_TRUE(IsWindowVisible(controlWindow(kEditWindowIdentity, kEditListIdentity)));
  char tip[128] = "";
  GetWindowTextA(controlWindow(kEditWindowIdentity, kEditTipLabelIdentity), tip, sizeof tip);
  EXPECT_EQ(std::string(tip), std::string(kUsageTip));
  char save[16] = "";
  GetWindowTextA(controlWindow(kEditWindowIdentity, kEditSaveButtonIdentity), save, sizeof save);
  EXPECT_EQ(std::string(save), std::string(kSaveCaption));

  // A click on the tip panel reaches its handler; one on the label inside it too.
  seen.calls.clear();
  HWND tipPanel = controlWindow(kEditWindowIdentity, kEditTipPanelIdentity);
  SendMessageW(tipPanel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 16));
  SendMessageW(tipPanel, WM_LBUTTONUP, 0, MAKELPARAM(100, 16));
  EXPECT_EQ(seen.calls, std::vector<std::string>{"tipPanel"});
}

TEST_F(TemplateWindows, EscapeInAControlClosesItsWindowUnlessTheControlWantsTheKey) {
  ASSERT_TRUE(loadWindow(editWindowTemplate()));
  HWND edit = windowHandle(kEditWindowIdentity);
  HWND list = controlWindow(kEditWindowIdentity, kEditListIdentity);

  // A child that takes every key for itself keeps Esc.
  HWND greedy = CreateWindowExW(0, greedyClass(), L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, edit, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(greedy, nullptr);
  greedyEscapes = 0;
  PostMessageW(greedy, WM_KEYDOWN, VK_ESCAPE, 0);
  pump();
  EXPECT_TRUE(IsWindow(edit));
  EXPECT_EQ(greedyEscapes, 1) << "the key reached the control that wanted it";
  DestroyWindow(greedy);

  // The list does not want Esc: the window closes.
  seen.calls.clear();
  PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
  pump();
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_EQ(seen.calls, std::vector<std::string>{"editDestroying"});
  EXPECT_EQ(windowHandle(kEditWindowIdentity), nullptr);
}

TEST_F(TemplateWindows, AColourChangeReachesEveryControlShown) {
  ASSERT_TRUE(loadWindow(editWindowTemplate()));
  HWND edit = windowHandle(kEditWindowIdentity);
  std::vector<HWND> shown;
  for (const ControlTemplate& control : editWindowTemplate().controls) {
    HWND handle = controlWindow(kEditWindowIdentity, control.identity);
    if (IsWindowVisible(handle)) shown.push_back(handle);
  }
  ASSERT_GE(shown.size(), 3u);
  auto drawn = [&] {
    RedrawWindow(edit, nullptr, nullptr, RDW_VALIDATE | RDW_NOERASE | RDW_ALLCHILDREN);
    for (HWND control : shown) ASSERT_FALSE(GetUpdateRect(control, nullptr, FALSE));
  };
  // The system tells only top-level windows; the controls draw their colours only when
  // they paint, so each must be due to paint again.
  const std::pair<UINT, WPARAM> changes[] = {{WM_SYSCOLORCHANGE, 0}, {WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST}};
  for (const auto& [message, wParam] : changes) {
    drawn();
    SendMessageW(edit, message, wParam, 0);
    for (HWND control : shown) {
      EXPECT_TRUE(GetUpdateRect(control, nullptr, FALSE)) << "message 0x" << std::hex << message << " control "
                                                          << GetDlgCtrlID(control);
    }
  }
  drawn();
  SendMessageW(edit, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  for (HWND control : shown) EXPECT_FALSE(GetUpdateRect(control, nullptr, FALSE)) << "not for other settings";
}

TEST_F(TemplateWindows, BothWindowsAtOnceAndTheirRecordsComeBack) {
  ASSERT_TRUE(loadWindow(launcherWindowTemplate()));
  ASSERT_TRUE(loadWindow(editWindowTemplate()));
  EXPECT_EQ(controlUnitCount(), launcherWindowTemplate().controls.size() + editWindowTemplate().controls.size());
  // The same name in both windows names two controls.
  EXPECT_NE(controlWindow(kLauncherWindowIdentity, kLauncherListIdentity),
            controlWindow(kEditWindowIdentity, kEditListIdentity));
  DestroyWindow(windowHandle(kEditWindowIdentity));
  EXPECT_EQ(controlUnitCount(), launcherWindowTemplate().controls.size());
  EXPECT_EQ(controlWindow(kEditWindowIdentity, kEditListIdentity), nullptr);
  EXPECT_EQ(controlHandle(controlId(kEditWindowIdentity, kEditListIdentity)), 0);
}

}  // namespace
}  // namespace corvalis
