#include "launcher/launcher_build.h"

#include "app/control_registry.h"
#include "base/message_pump.h"
#include "base/dpi.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "desktop/slide.h"
#include "launcher/drop_target.h"
#include "launcher/icon_image.h"
#include "launcher/launcher_items.h"
#include "launcher/icon_images.h"
#include "launcher/shortcut_file.h"
#include "launcher/shortcuts.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

constexpr ControlId kLauncherList = controlId(kLauncherWindowIdentity, kLauncherListIdentity);

// What a screen reader says a row's default action (Enter, a click) does: "启动" a
// shortcut, "打开" the fixed rows' dialog and window.
constexpr std::string_view kLaunchActionName = "\xC6\xF4\xB6\xAF";
constexpr std::string_view kOpenActionName = "\xB4\xF2\xBF\xAA";

void nameRowActions() {
  listSetTextAttribute(kLauncherList, exui::kAttrActionName, kLaunchActionName);
  listSetTextAttribute(kLauncherList, exui::kAttrFixedActionName, kOpenActionName);
}

void CALLBACK onLateReadTimer(HWND bar, UINT, UINT_PTR, DWORD) {
  if (Launcher* launcher = launcherOf(bar)) retryShortcutRead(*launcher);
}

// Appends a row and a LauncherItem for every shortcut, in order. Stops early when a
// newer fill took over (it has done the whole work) or the bar went away.
void fillShortcutRows(Launcher& launcher) {
  const std::uint32_t generation = ++launcher.rows.fillGeneration;
  const std::int32_t dpi = launcher.rows.dpi;
  ProcessHeapList keys, values;
  launcher.shortcuts.table().keys(keys);
  launcher.shortcuts.table().values(values);
  clearLauncherItems(launcher.items);
  IconImages images = shortcutRowImages(values, dpi);
  for (std::uint32_t i = 0; i < keys.size(); ++i) {
    const char* name = keys.textAt(i);
    const char* path = values.textAt(i);
    const std::string_view pathText = path != nullptr ? path : "";
    const int itemValue =
        appendShortcutRow(kLauncherList, name != nullptr ? name : "", images.take(i), kLauncherRowWord, dpi);
    appendLauncherItem(launcher.items, itemValue, pathText);
    // Icons can take a while; the bar answers meanwhile.
    processPendingMessages();
    if (generation != launcher.rows.fillGeneration || windowHandle(kLauncherWindowIdentity) == nullptr) return;
  }
}

}  // namespace

IconImages shortcutRowImages(const ProcessHeapList& paths, std::int32_t dpi) {
  std::vector<std::string_view> texts;
  texts.reserve(paths.size());
  for (std::uint32_t i = 0; i < paths.size(); ++i) {
    const char* path = paths.textAt(i);
    texts.emplace_back(path != nullptr ? path : "");
  }
  // The icon is a 96-DPI figure: at the list's DPI.
  return IconImages(texts, scaleForDpi(kIconSide, dpi));
}

int appendShortcutRow(ControlId list, std::string_view name, const ByteString& image, std::int32_t rowWord,
                      std::int32_t dpi) {
  // The row's height is a 96-DPI figure too.
  return listInsert(list, -1, 1, 0, image, name, 0, scaleForDpi(rowWord, dpi));
}

void buildLauncher(Launcher& launcher, HWND launcherWindow) {
  launcher.rows.dpi = windowDpi(launcherWindow);
  initializeShortcutTable(launcher.shortcuts.table());
  // A missing file, or a folder of that name, leaves the table empty; a damaged one
  // gives what can still be read of it; one another program holds is tried again.
  const ShortcutFileState file = launcher.shortcuts.readAtStart(launcherWindow);
  if (file == ShortcutFileState::notReadYet) SetTimer(launcherWindow, kLateReadTimer, kLateReadMilliseconds, onLateReadTimer);

  // Files dragged from other programs onto the bar become shortcuts too.
  acceptDroppedFiles(launcherWindow, DropPlace::bar);
  nameRowActions();
  fillShortcutRows(launcher);
  layOutBar(launcher);
  parkBar();
  // A first-time user sees the bar with its two fixed rows. A file that another
  // program holds is a user's shortcuts all the same: the bar waits for them parked.
  if (launcher.shortcuts.table().count() == 0 && file != ShortcutFileState::notReadYet) {
    ShowWindow(launcherWindow, SW_SHOWNA);
    slideIn();
  }
  launcher.shortcuts.barShown();
}

void rebuildLauncherList(Launcher& launcher) {
  // From the bottom up, so the indexes of the rows still to go stay put.
  const int rows = listCount(kLauncherList);
  for (int row = rows - 1; row >= kFixedRowCount; --row) listDelete(kLauncherList, row, 1);
  fillShortcutRows(launcher);
  layOutBar(launcher);
}

void layOutBar(Launcher& launcher) {
  const HWND window = windowHandle(kLauncherWindowIdentity);
  if (window == nullptr) return;
  const std::int32_t dpi = launcher.rows.dpi;
  const BarLayout layout = barLayout(listCount(kLauncherList), launcher.edgeState.screenHeight,
                                     launcher.edgeState.taskbarThickness, dpi);
  RECT frame{};
  GetWindowRect(window, &frame);
  SetWindowPos(window, nullptr, frame.left, layout.top, scaleForDpi(launcherWindowTemplate().width, dpi),
               layout.height, SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(window, &frame);
  if (const HWND list = controlWindow(kLauncherWindowIdentity, kLauncherListIdentity)) {
    RECT listFrame{};
    GetWindowRect(list, &listFrame);
    SetWindowPos(list, nullptr, 0, 0, listFrame.right - listFrame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
}

void fitBarToScreen(Launcher& launcher) {
  const HWND window = windowHandle(kLauncherWindowIdentity);
  if (window == nullptr) return;
  const std::int32_t dpi = screenDpi();
  if (dpi != launcher.rows.dpi) {
    // Every control, row height, font and icon was made for the old DPI: the bar's
    // controls are made anew at the new one, as a start at it would make them.
    launcher.rows.dpi = dpi;
    drawWindowAtDpi(window, dpi);
    recreateTemplateControls(launcherWindowTemplate(), window, dpi);
    nameRowActions();
    rebuildLauncherList(launcher);
  } else {
    layOutBar(launcher);
  }
  placeBar();
}

void saveShortcutsAndRebuild(Launcher& launcher) {
  // A failed write keeps the change in the table: it is saved with the next one.
  saveShortcuts(launcher);
  rebuildLauncherList(launcher);
}

}  // namespace corvalis
