#include "launcher/launcher_build.h"

#include "app/control_registry.h"
#include "base/message_pump.h"
#include "program/process_objects.h"
#include "base/dpi.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "desktop/slide.h"
#include "launcher/drop_target.h"
#include "launcher/icon_image.h"
#include "launcher/icon_images.h"
#include "launcher/shortcut_file.h"
#include "launcher/shortcut_saving.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

constexpr ControlId kLauncherList = controlId(kLauncherWindowIdentity, kLauncherListIdentity);

// The DPI the bar's rows were made at: a display change to another DPI remakes them.
std::int32_t rowsDpi = kDesignDpi;

// Bumped by every fill of the rows. Messages handled between two rows may start
// another fill (a shortcut added meanwhile); the older one then stops, since the
// newer has replaced its rows.
std::uint32_t fillGeneration = 0;

// Appends a row and a LauncherItem for every shortcut, in order. Stops early when a
// newer fill took over (it has done the whole work) or the bar went away.
void fillShortcutRows(ProcessObjects& objects) {
  const std::uint32_t generation = ++fillGeneration;
  rowsDpi = screenDpi();
  ProcessHeapList keys, values;
  objects.shortcutTable->keys(keys);
  objects.shortcutTable->values(values);
  clearLauncherItems(*objects.launcherItems);
  IconImages images = shortcutRowImages(values);
  for (std::uint32_t i = 0; i < keys.size(); ++i) {
    const char* name = keys.textAt(i);
    const char* path = values.textAt(i);
    const std::string_view pathText = path != nullptr ? path : "";
    const int itemValue =
        appendShortcutRow(kLauncherList, name != nullptr ? name : "", images.take(i), kLauncherRowWord);
    appendLauncherItem(*objects.launcherItems, itemValue, pathText);
    // Icons can take a while; the bar answers meanwhile.
    processPendingMessages();
    if (generation != fillGeneration || windowHandle(kLauncherWindowIdentity) == nullptr) return;
  }
}

}  // namespace

IconImages shortcutRowImages(const ProcessHeapList& paths) {
  std::vector<std::string_view> texts;
  texts.reserve(paths.size());
  for (std::uint32_t i = 0; i < paths.size(); ++i) {
    const char* path = paths.textAt(i);
    texts.emplace_back(path != nullptr ? path : "");
  }
  // The icon is a 96-DPI figure: at the screen's DPI.
  return IconImages(texts, dpiScaled(kIconSide));
}

int appendShortcutRow(ControlId list, std::string_view name, const ByteString& image, std::int32_t rowWord) {
  // The row's height is a 96-DPI figure too.
  return listInsert(list, -1, 1, 0, image, name, 0, dpiScaled(rowWord));
}

std::string_view shortcutFilePath() {
  const char* path = processObjects().shortcutFilePath;
  return path != nullptr ? path : "";
}

void buildLauncher(HWND launcherWindow) {
  ProcessObjects& objects = processObjects();
  if (objects.shortcutTable == nullptr || objects.launcherItems == nullptr) return;
  initializeShortcutTable(*objects.shortcutTable);
  setShortcutFilePath(objects, shortcutFilePathIn(documentsFolder()));
  // A missing file, or a folder of that name, leaves the table empty; a damaged one
  // gives what can still be read of it.
  const ShortcutFileState file = readShortcutsAtStart();

  // Files dragged from other programs onto the bar become shortcuts too.
  acceptDroppedFiles(launcherWindow, DropPlace::bar);
  fillShortcutRows(objects);
  layOutBar();
  parkBar();
  // A first-time user sees the bar with its two fixed rows. A file that another
  // program holds is a user's shortcuts all the same: the bar waits for them parked.
  if (objects.shortcutTable->count() == 0 && file != ShortcutFileState::notReadYet) {
    ShowWindow(launcherWindow, SW_SHOWNA);
    slideIn();
  }
  shortcutsOnTheBar();
}

void rebuildLauncherList() {
  ProcessObjects& objects = processObjects();
  if (objects.shortcutTable == nullptr || objects.launcherItems == nullptr) return;
  // From the bottom up, so the indexes of the rows still to go stay put.
  const int rows = listCount(kLauncherList);
  for (int row = rows - 1; row >= kFixedRowCount; --row) listDelete(kLauncherList, row, 1);
  fillShortcutRows(objects);
  layOutBar();
}

void layOutBar() {
  const HWND window = windowHandle(kLauncherWindowIdentity);
  const EdgeDockState* state = processObjects().edgeDockState;
  if (window == nullptr || state == nullptr) return;
  const BarLayout layout =
      barLayout(listCount(kLauncherList), state->screenHeight, state->taskbarThickness, screenDpi());
  RECT frame{};
  GetWindowRect(window, &frame);
  SetWindowPos(window, nullptr, frame.left, layout.top, frame.right - frame.left, layout.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(window, &frame);
  if (const HWND list = controlWindow(kLauncherWindowIdentity, kLauncherListIdentity)) {
    RECT listFrame{};
    GetWindowRect(list, &listFrame);
    SetWindowPos(list, nullptr, 0, 0, listFrame.right - listFrame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
}

void fitBarToScreen() {
  const HWND window = windowHandle(kLauncherWindowIdentity);
  if (window == nullptr) return;
  const std::int32_t dpi = screenDpi();
  RECT frame{};
  GetWindowRect(window, &frame);
  SetWindowPos(window, nullptr, frame.left, frame.top, dpiScaled(launcherWindowTemplate().width),
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (const HWND list = controlWindow(kLauncherWindowIdentity, kLauncherListIdentity)) {
    RECT listFrame{};
    GetWindowRect(list, &listFrame);
    SetWindowPos(list, nullptr, 0, 0, dpiScaled(launcherWindowTemplate().width), listFrame.bottom - listFrame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  if (dpi != rowsDpi) {
    // Every row's height and icon were made for the old DPI.
    for (int row = 0; row < kFixedRowCount; ++row) listSetRowHeight(kLauncherList, row, dpiScaled(kFixedRowHeight));
    rebuildLauncherList();
  } else {
    layOutBar();
  }
  placeBar();
}

void saveShortcutsAndRebuild() {
  ProcessObjects& objects = processObjects();
  if (objects.shortcutTable == nullptr) return;
  // A failed write keeps the change in the table: it is saved with the next one.
  saveShortcuts();
  rebuildLauncherList();
}

}  // namespace corvalis
