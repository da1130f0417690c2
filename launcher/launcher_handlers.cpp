// The launcher list's clicks: add a file, open the edit window, launch a shortcut; and
// its right-click menu.
#include "launcher/launcher_handlers.h"

#include <windows.h>
#include <objbase.h>

#include <memory>

#include "app/control_registry.h"
#include "app/current_directory.h"
#include "app/pinyin_initials.h"
#include "app/popup_menu.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "base/wide_text.h"
#include "desktop/responsive_delay.h"
#include "desktop/slide.h"
#include "desktop/thread_start.h"
#include "launcher/file_dialog.h"
#include "launcher/launcher_build.h"
#include "launcher/shell_launch.h"
#include "launcher/shortcut_name.h"
#include "launcher/edit_window.h"
#include "launcher/launcher.h"
#include "launcher/launcher_items.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

constexpr std::int32_t kAfterLaunchMilliseconds = 100;
// Characters typed within this long of each other are one search.
constexpr DWORD kTypedFindMilliseconds = 1000;
constexpr ControlId kLauncherList = controlId(kLauncherWindowIdentity, kLauncherListIdentity);

// The bar's row on the screen, as the list shows it now (scrolled).
RECT barRowOnScreen(int row) {
  RECT place{};
  const HWND list = controlWindow(kLauncherWindowIdentity, kLauncherListIdentity);
  if (list == nullptr) return place;
  GetWindowRect(list, &place);
  int top = place.top - listScrollTop(kLauncherList);
  for (int before = 0; before < row; ++before) top += listRowHeight(kLauncherList, before);
  place.top = top;
  place.bottom = top + listRowHeight(kLauncherList, row);
  return place;
}

// On the window thread, with the path the user chose: the table, the file and the bar.
void addShortcut(Launcher& launcher, const Text& path) {
  // An empty name (a file named ".profile") is refused by the table; the file is
  // still written, with the content unchanged.
  const Text name = nameFromPath(path);
  if (launcher.shortcuts.table().set(name.c_str(), path.c_str()) != SetResult::Refused)
    addToOpenEditWindow(launcher, std::span<const Text>(&path, 1));
  saveShortcutsAndRebuild(launcher);
}

// The add-file thread shows only the dialog, from a request of its own: it reads
// nothing of the program's (the program may be ending meanwhile: 退出 while the
// dialog is open), and hands the choice back to the window thread.
DWORD WINAPI addFileThread(void* parameter) {
  const std::unique_ptr<OpenFileRequest> request(static_cast<OpenFileRequest*>(parameter));
  const bool com = SUCCEEDED(CoInitialize(nullptr));  // the dialog browses with the shell
  Text path = openFileDialog(*request);
  if (com) CoUninitialize();
  if (path.empty()) return 0;
  const HWND bar = request->owner;
  postWindowJob(bar, [bar, path = std::move(path)] {
    if (Launcher* launcher = launcherOf(bar)) addShortcut(*launcher, path);
  });
  return 0;
}

void startAddFile() {
  auto request = std::make_unique<OpenFileRequest>();
  request->owner = windowHandle(kLauncherWindowIdentity);
  request->title = Text(kAddFileCaption);
  request->homeDirectory = startDirectory();
  // The dialog must not hold the bar: it runs on a thread of its own.
  if (startThread(addFileThread, request.get())) static_cast<void>(request.release());
}

void launchShortcutRow(Launcher& launcher, std::int32_t row) {
  const LauncherItem* item =
      row >= kFixedRowCount ? launcherItemAt(launcher.items, static_cast<std::uint32_t>(row - kFixedRowCount)) : nullptr;
  // No record yet: a click while the rows are being rebuilt.
  if (item == nullptr || item->path == nullptr) return;
  // A copy: the wait below lets a rebuild free the record.
  const Text path(item->path);
  launchFile(path, "", 0);
  responsiveDelay(kAfterLaunchMilliseconds, 0);
  slideOut();
}

}  // namespace

std::int32_t onShortcutListItem(const ControlEvent& event) {
  Launcher* launcher = launcherOf(event);
  if (launcher == nullptr) return 0;
  const std::int32_t row = event.arguments[0];
  if (row == 0) {
    startAddFile();
  } else if (row == 1) {
    openEditWindow(*launcher);
  } else if (row >= kFixedRowCount) {
    launchShortcutRow(*launcher, row);
  }
  return 0;
}

std::int32_t onShortcutListSecondItem(const ControlEvent& event) {
  Launcher* launcher = launcherOf(event);
  if (launcher == nullptr) return 0;
  const std::int32_t row = event.arguments[0];
  if (row >= kFixedRowCount) {
    const HWND bar = windowHandle(kLauncherWindowIdentity);
    showPopupMenuFor(bar, windowMenu(kLauncherWindowIdentity, kLauncherMenuIdentity), barRowOnScreen(row));
  } else if (row == 0) {
    openEditWindow(*launcher);
  }
  return 0;
}

void onLauncherMenuEdit() {
  if (Launcher* launcher = launcherOf(kLauncherWindowIdentity)) openEditWindow(*launcher);
}

std::int32_t onShortcutListCharacter(const ControlEvent& event) {
  Launcher* launcher = launcherOf(event);
  if (launcher == nullptr) return 0;
  // What was typed, in GBK: a letter, or a character an input method composed.
  const wchar_t unit = static_cast<wchar_t>(event.arguments[0]);
  Text typed;
  if (unit < 0x20 || !fromWideTextExactly(std::wstring_view(&unit, 1), typed)) return 0;
  TypedFind& find = launcher->find;
  const DWORD now = GetTickCount();
  const bool fresh = find.typed.empty() || now - find.lastTick > kTypedFindMilliseconds;
  find.typed = fresh ? typed : find.typed + typed;
  find.lastTick = now;
  ProcessHeapList keys;
  launcher->shortcuts.table().keys(keys);
  std::vector<Text> names;
  for (std::uint32_t i = 0; i < keys.size(); ++i) names.emplace_back(keys.textAt(i) != nullptr ? keys.textAt(i) : "");
  const int marked = listFocusRow(kLauncherList) - kFixedRowCount;
  // A new search starts after the marked row; a longer one keeps it while it matches.
  const int found = nextMatchingRow(names, find.typed, fresh ? marked : marked - 1);
  if (found >= 0) listSetFocusRow(kLauncherList, found + kFixedRowCount);
  return 0;
}

void onLauncherHotkey() {
  Launcher* launcher = launcherOf(kLauncherWindowIdentity);
  if (launcher == nullptr) return;
  const HWND bar = windowHandle(kLauncherWindowIdentity);
  if (isBarShown()) {
    launcher->calledByHotkey = false;
    slideOut();
    return;
  }
  onLauncherCalled();
  launcher->calledByHotkey = true;
  slideIn();
  // The keys go to the list, its mark on the first shortcut.
  SetForegroundWindow(bar);
  if (const HWND list = controlWindow(kLauncherWindowIdentity, kLauncherListIdentity)) SetFocus(list);
  listSetFocusRow(kLauncherList, listCount(kLauncherList) > kFixedRowCount ? kFixedRowCount : 0);
}

bool onLauncherEscape() {
  Launcher* launcher = launcherOf(kLauncherWindowIdentity);
  if (launcher == nullptr || !launcher->calledByHotkey) return false;
  launcher->calledByHotkey = false;
  slideOut();
  return true;
}

void onLauncherCalled() {
  Launcher* launcher = launcherOf(kLauncherWindowIdentity);
  if (launcher == nullptr) return;
  launcher->calledByHotkey = false;
  retryShortcutRead(*launcher);
}

}  // namespace corvalis
