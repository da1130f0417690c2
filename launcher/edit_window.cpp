#include "launcher/edit_window.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <optional>

#include "app/control_registry.h"
#include "base/message_pump.h"
#include "app/popup_menu.h"
#include "base/dpi.h"
#include "base/wide_text.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "desktop/responsive_delay.h"
#include "desktop/slide.h"
#include "launcher/drop_target.h"
#include "launcher/dropped_files.h"
#include "launcher/launcher_build.h"
#include "launcher/launcher.h"
#include "launcher/shortcut_file.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

constexpr ControlId kEditList = controlId(kEditWindowIdentity, kEditListIdentity);
constexpr ControlId kNameBox = controlId(kEditWindowIdentity, kEditNameBoxIdentity);
constexpr std::int32_t kRenamePollMilliseconds = 100;

// The row buttons: element j sits `fromRight` pixels left of the list's right edge.
struct RowButton {
  std::int32_t fromRight;
  std::string_view caption;
};
constexpr std::array<RowButton, 3> kRowButtons = {{
    {36, "X"},
    {68, "\xA1\xFD"},   // ↓
    {100, "\xA1\xFC"},  // ↑
}};
// What a screen reader calls them, in the same order: "删除|下移|上移".
constexpr std::string_view kRowButtonNames = "\xC9\xBE\xB3\xFD|\xCF\xC2\xD2\xC6|\xC9\xCF\xD2\xC6";
constexpr int kRowButtonTop = 4;
constexpr int kRowButtonSide = 24;
constexpr std::int32_t kRowButtonFontSize = 12;

HWND editControl(std::int32_t identity) { return controlWindow(kEditWindowIdentity, identity); }

// A control's rectangle in its parent's client coordinates.
RECT placeOf(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Fills the list from editTable, in order. Stops when the window goes or a newer fill
// takes over (it has replaced the rows): true when it filled the list to the end.
bool fillEditList(EditSession& session) {
  const std::uint32_t generation = session.generation;
  const std::uint32_t fill = ++session.fill;
  const std::int32_t dpi = windowDpi(windowHandle(kEditWindowIdentity));
  ProcessHeapList keys, values;
  session.table.keys(keys);
  session.table.values(values);
  IconImages images = shortcutRowImages(values, dpi);
  for (std::uint32_t i = 0; i < keys.size(); ++i) {
    const char* name = keys.textAt(i);
    appendShortcutRow(kEditList, name != nullptr ? name : "", images.take(i), kEditRowWord, dpi);
    processPendingMessages();
    if (generation != session.generation || fill != session.fill) return false;
  }
  return true;
}

// The row the keys act on: the focus mark's, or the one it goes to once the list has
// refilled (keys typed quickly arrive while it does).
std::int32_t markedRow(const EditSession& session) {
  return session.pendingMark ? *session.pendingMark : listFocusRow(kEditList);
}

// Refills the list after a change, the focus mark then on `mark` (none when negative).
// False when the window went or a newer refill took over meanwhile (that one places the
// mark).
bool refillEditList(EditSession& session, std::int32_t mark) {
  const std::uint32_t generation = session.generation;
  session.pendingMark = mark;
  lockUpdate(session.elements);
  listDelete(kEditList, -1, 0);
  const bool filled = fillEditList(session);
  if (generation != session.generation) return false;
  unlockUpdate(session.elements);
  if (!filled) return false;
  session.pendingMark.reset();
  const int rows = listCount(kEditList);
  if (mark >= 0 && rows > 0) listSetFocusRow(kEditList, std::min(mark, rows - 1));
  return true;
}

void showRowButtons(const EditSession& session, std::int32_t row) {
  const int rows = listCount(kEditList);
  const bool last = row + 1 == rows;
  const bool first = row == 0;
  const std::array<bool, 3> disabled = {false, last, first};
  for (int j = 0; j < 3; ++j)
    setButtonElementData(session.elements, exui::kElementButton, row, -1, j, 0, 1, disabled[j] ? 1 : 0,
                         kRowButtons[j].caption);
}

void clearRowButtons(const EditSession& session, std::int32_t row) {
  for (int j = 0; j < 3; ++j) setButtonElementData(session.elements, exui::kElementButton, row, -1, j, 0, 0, 0, "");
}

// Exchanges the entries at the 1-based positions p and q. False when either is missing.
bool swapEntries(HashTable& table, std::int32_t p, std::int32_t q) {
  ProcessHeapText nameA, pathA, nameB, pathB;
  if (!table.getAt(p, &nameA, &pathA) || !table.getAt(q, &nameB, &pathB)) return false;
  table.setAt(Datum::text(nameA.get()), Datum::text(pathA.get()), q);
  table.setAt(Datum::text(nameB.get()), Datum::text(pathB.get()), p);
  return true;
}

// The session of the open edit window; null when none is open.
EditSession* openSession(const ControlEvent* event = nullptr) {
  Launcher* launcher = event != nullptr ? launcherOf(*event) : launcherOf(kEditWindowIdentity);
  return launcher != nullptr ? &launcher->edit : nullptr;
}

// Who made a change: the keyboard's user sees the focus mark on the row it leaves; the
// pointer's sees no mark, as Windows hides keyboard cues from the mouse.
enum class By { pointer, keys };

// After a change: the list shows the copy again, `row` in view with its buttons (and the
// focus mark, after a key). Nothing more when the window went or another change came
// meanwhile.
void showChange(EditSession& session, std::int32_t row, By by) {
  if (!refillEditList(session, by == By::keys ? row : -1)) return;
  const int rows = listCount(kEditList);
  if (rows == 0) return;
  const std::int32_t shown = std::clamp(row, 0, rows - 1);
  listMakeVisible(kEditList, shown, 1);
  showRowButtons(session, shown);
}

// Removes the entry on `row`; the mark stays at that place.
void removeRow(EditSession& session, std::int32_t row, By by) {
  ProcessHeapText name;
  if (row < 0 || !session.table.getAt(row + 1, &name, nullptr)) return;
  ByteString before = shortcutImage(session.table);
  session.table.remove(name.c_str());
  session.history.record(std::move(before));
  showChange(session, row, by);
}

// Moves the entry on `row` one place down (+1) or up (-1); the mark goes with it.
void moveRow(EditSession& session, std::int32_t row, std::int32_t step, By by) {
  const std::int32_t p = row + 1;
  const std::int32_t neighbour = p + step;
  if (row < 0 || neighbour < 1 || neighbour > static_cast<std::int32_t>(session.table.count())) return;
  ByteString before = shortcutImage(session.table);
  if (!swapEntries(session.table, p, neighbour)) return;
  session.history.record(std::move(before));
  showChange(session, neighbour - 1, by);
}

// Ctrl+Z and Ctrl+Y: the copy steps back or forward; the mark keeps its place.
void stepHistory(EditSession& session, bool back) {
  const bool stepped = back ? session.history.undo(session.table) : session.history.redo(session.table);
  if (stepped) showChange(session, std::max(markedRow(session), 0), By::keys);
}

// A row button's notification comes from the library without the window's record: the
// open edit window's is the one.
int CORVALIS_EXUI_CALL onRowButton(int notification, int row, int element) {
  EditSession* open = openSession();
  if (notification != exui::kElementClick || open == nullptr) return 0;
  if (element == 0) removeRow(*open, row, By::pointer);
  if (element == 1) moveRow(*open, row, +1, By::pointer);
  if (element == 2) moveRow(*open, row, -1, By::pointer);
  return 0;
}

Text nameBoxText() {
  const HWND box = editControl(kEditNameBoxIdentity);
  const int length = box != nullptr ? GetWindowTextLengthW(box) : 0;
  if (length <= 0) return Text();
  std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
  wide.resize(static_cast<std::size_t>(GetWindowTextW(box, wide.data(), length + 1)));
  return fromWideText(wide);
}

// Shows the rename panel over a veiled list and waits, keeping the window's messages
// flowing, until the save button is pressed: the edited name. None when the window
// closed meanwhile (its controls are gone then). `oldName` when a rename is already
// waiting.
std::optional<Text> renamePrompt(EditSession& session, const Text& oldName) {
  const HWND editWindow = windowHandle(kEditWindowIdentity);
  const HWND panel = editControl(kEditRenamePanelIdentity);
  const HWND veil = editControl(kEditFilterIdentity);
  const HWND list = editControl(kEditListIdentity);
  const HWND box = editControl(kEditNameBoxIdentity);
  if (editWindow == nullptr || panel == nullptr || veil == nullptr || list == nullptr || box == nullptr)
    return oldName;
  if (IsWindowVisible(panel)) return oldName;

  session.renameConfirmed = 0;
  SetWindowTextW(box, toWideText(oldName).c_str());
  const RECT listPlace = placeOf(list);
  SetWindowPos(veil, nullptr, listPlace.left, listPlace.top, listPlace.right - listPlace.left,
               listPlace.bottom - listPlace.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(veil, SW_SHOWNA);
  RECT client{};
  GetClientRect(editWindow, &client);
  const RECT panelPlace = placeOf(panel);
  const int panelWidth = panelPlace.right - panelPlace.left;
  const int panelHeight = panelPlace.bottom - panelPlace.top;
  SetWindowPos(panel, nullptr, static_cast<int>(client.right / 2.0 - panelWidth / 2.0),
               static_cast<int>(client.bottom / 2.0 - panelHeight / 2.0), 0, 0,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
  ShowWindow(panel, SW_SHOWNA);
  setFocusControl(controlHandle(box));
  editMakeTextVisible(kNameBox, -1, 0);

  const std::uint32_t generation = session.generation;
  while (session.renameConfirmed != 1) {
    responsiveDelay(kRenamePollMilliseconds, 0);
    if (generation != session.generation) return std::nullopt;
  }
  ShowWindow(veil, SW_HIDE);
  ShowWindow(panel, SW_HIDE);
  return nameBoxText();
}

// Renames the entry on `row` through the rename panel.
void renameRow(EditSession& session, std::int32_t row, By by) {
  HashTable& table = session.table;
  ProcessHeapText oldName;
  if (row < 0 || !table.getAt(row + 1, &oldName, nullptr)) return;
  const HWND list = editControl(kEditListIdentity);
  const std::uint32_t generation = session.generation;

  EnableWindow(list, FALSE);  // no second rename or button click meanwhile
  const std::optional<Text> newName = renamePrompt(session, oldName.c_str());
  if (!newName || generation != session.generation) return;  // closed meanwhile: dropped
  EnableWindow(list, TRUE);
  SetFocus(list);  // the keys go back to the list, its mark where it was

  if (*newName == oldName.c_str()) return;
  // An empty name would lose the entry, and another entry's name would take over that
  // entry's place and lose its path: both keep the old name.
  if (newName->empty() || table.contains(newName->c_str())) return;
  // The prompt let messages through: an add may have given the entry a new path, a drop
  // may have moved it. The entry as it is now takes the name, where it is now; gone, it
  // takes nothing.
  const std::int32_t position = table.positionOf(oldName.c_str());
  ProcessHeapText path;
  if (position == 0 || !table.getAt(position, nullptr, &path)) return;
  ByteString before = shortcutImage(table);
  table.remove(oldName.c_str());
  table.setAt(Datum::text(newName->c_str()), Datum::text(path.get()), position);
  session.history.record(std::move(before));
  showChange(session, position - 1, by);
}

// Whether the edit window is open and set up.
bool isOpen(const EditSession& session) {
  return windowHandle(kEditWindowIdentity) != nullptr && session.elements != 0;
}

// The list's row elements: three buttons a row, placed at the window's DPI.
void setUpRowButtons(EditSession& session) {
  const HWND list = editControl(kEditListIdentity);
  const std::int32_t dpi = windowDpi(list);
  session.elements = controlHandle(list);
  RECT client{};
  GetClientRect(list, &client);
  const StructMember font[] = {std::string(kListFontFace), kRowButtonFontSize, std::int32_t{0}, std::int32_t{0},
                               std::int32_t{0}, std::int32_t{0}};
  auto packed = packStructure(false, font);
  const HeapBytes* fontBytes = std::get_if<HeapBytes>(&packed);
  insertElement(session.elements, exui::kElementButton, -1, 0, 3);
  listSetTextAttribute(kEditList, exui::kAttrElementNames, kRowButtonNames);
  // A row here has no default action: Enter and a click only mark it.
  listSetTextAttribute(kEditList, exui::kAttrActionName, "");
  for (int j = 0; j < 3; ++j)
    setButtonElementAttributes(session.elements, exui::kElementButton, -1, j, 0, onRowButton, 0,
                               client.right - scaleForDpi(kRowButtons[j].fromRight, dpi),
                               scaleForDpi(kRowButtonTop, dpi), scaleForDpi(kRowButtonSide, dpi),
                               scaleForDpi(kRowButtonSide, dpi), 0, "",
                               fontBytes != nullptr ? fontBytes->bytes() : std::string_view());
}

}  // namespace

void openEditWindow(Launcher& launcher) {
  if (HWND open = windowHandle(kEditWindowIdentity)) {
    SetForegroundWindow(open);
    return;
  }
  loadWindow(editWindowTemplate(), &launcher);
}

void closeEditWindow() { closeWindow(kEditWindowIdentity); }

void setUpEditWindow() {
  Launcher* launcher = launcherOf(kEditWindowIdentity);
  if (launcher == nullptr) return;
  EditSession& session = launcher->edit;
  ++session.generation;
  session.history.clear();
  session.pendingMark.reset();
  setUpRowButtons(session);
  // The whole copy first, the rows after: an add that arrives while the rows fill
  // finds editTable complete.
  initializeShortcutTable(session.table);
  copyShortcutTable(launcher->shortcuts.table(), session.table);
  acceptDroppedFiles(windowHandle(kEditWindowIdentity), DropPlace::editList);
  fillEditList(session);
}

void onEditWindowDpiChanged() {
  Launcher* launcher = launcherOf(kEditWindowIdentity);
  if (launcher == nullptr) return;
  EditSession& session = launcher->edit;
  // The controls are new: a rename waiting in the old ones is dropped, as is a fill.
  ++session.generation;
  setUpRowButtons(session);
  refillEditList(session, markedRow(session));
}

void insertIntoOpenEditWindow(Launcher& launcher, std::span<const Text> paths, std::int32_t position) {
  EditSession& session = launcher.edit;
  if (!isOpen(session)) return;
  ByteString before = shortcutImage(session.table);
  if (addDroppedShortcuts(session.table, paths, position) == 0) return;
  session.history.record(std::move(before));
  showChange(session, std::max(position, 1) - 1, By::pointer);
}

void addToOpenEditWindow(Launcher& launcher, std::span<const Text> paths, std::string_view before) {
  EditSession& session = launcher.edit;
  if (!isOpen(session)) return;
  // A new name goes where it went on the bar - before the same neighbour, or at the end
  // - and a known one takes the new path in its place, as on the bar.
  const Text neighbour(before);
  const std::int32_t position = neighbour.empty() ? 0 : session.table.positionOf(neighbour.c_str());
  ByteString image = shortcutImage(session.table);
  if (addDroppedShortcuts(session.table, paths, position) == 0) return;
  // The bar saved it already; undone here, the close saves the list without it.
  session.history.record(std::move(image));
  if (!refillEditList(session, -1)) return;
  const int rows = listCount(kEditList);
  if (rows > 0) listMakeVisible(kEditList, position > 0 ? position - 1 : rows - 1, 1);
}

void mergeIntoOpenEditWindow(Launcher& launcher, const HashTable& file) {
  EditSession& session = launcher.edit;
  if (!isOpen(session) || !mergeOnto(file, session.table)) return;
  session.history.mergeUnder(file);  // undo never takes the file's shortcuts away
  refillEditList(session, -1);
}

namespace {

// The bar's table holds what the window did not change (an add on the bar joined the
// copy too): a copy like it, everything undone, has nothing to save.
bool hasChanges(Launcher& launcher) {
  return !sameShortcuts(launcher.edit.table, launcher.shortcuts.table());
}

// The edits become the bar's table at once, and the file follows from that table: an add
// that is still queued then lands on top of the edits, and a failed save keeps them in the
// table to be saved with the next change.
bool commitChanges(Launcher& launcher) {
  if (!copyShortcutTable(launcher.edit.table, launcher.shortcuts.table())) return false;
  saveShortcuts(launcher);
  return true;
}

}  // namespace

bool commitOpenEditWindow(Launcher& launcher) { return hasChanges(launcher) && commitChanges(launcher); }

void saveEditsOnClose() {
  Launcher* launcher = launcherOf(kEditWindowIdentity);
  if (launcher == nullptr) return;
  EditSession& session = launcher->edit;
  ++session.generation;  // ends a waiting rename and any fill
  session.elements = 0;
  stopAcceptingDroppedFiles(windowHandle(kEditWindowIdentity));
  // The rows are rebuilt on the bar once this window is gone, not while it is being
  // destroyed; queued before the save, so that a notice of a failed save comes after.
  // The file is written here whatever happens to the bar: the launcher may be gone
  // already (its 退出 was chosen while this window was open).
  if (!hasChanges(*launcher)) return;
  const HWND bar = windowHandle(kLauncherWindowIdentity);
  postWindowJob(bar, [bar] {
    if (Launcher* onBar = launcherOf(bar)) rebuildLauncherList(*onBar);
    slideIn();
  });
  commitChanges(*launcher);
}

std::int32_t onRenameConfirmed(const ControlEvent& event) {
  if (EditSession* session = openSession(&event)) session->renameConfirmed = 1;
  return 0;
}

std::int32_t onTipPanelClicked(const ControlEvent&) {
  if (const HWND tip = editControl(kEditTipPanelIdentity)) ShowWindow(tip, SW_HIDE);
  return 0;
}

std::int32_t onEditRowEnter(const ControlEvent& event) {
  EditSession* session = openSession(&event);
  if (session != nullptr && event.arguments[0] >= 0) showRowButtons(*session, event.arguments[0]);
  return 0;
}

std::int32_t onEditRowLeave(const ControlEvent& event) {
  EditSession* session = openSession(&event);
  if (session != nullptr && event.arguments[0] >= 0) clearRowButtons(*session, event.arguments[0]);
  return 0;
}

std::int32_t onEditRowDoubleClick(const ControlEvent& event) {
  if (EditSession* session = openSession(&event)) renameRow(*session, event.arguments[0], By::pointer);
  return 0;
}

std::int32_t onEditListKey(const ControlEvent& event) {
  EditSession* open = openSession(&event);
  if (open == nullptr) return 0;
  EditSession& session = *open;
  const std::int32_t key = event.arguments[0];
  const std::int32_t modifiers = event.arguments[1];
  const std::int32_t row = markedRow(session);
  const bool control = modifiers == exui::kKeyControl;
  if (modifiers == 0 && key == VK_DELETE) removeRow(session, row, By::keys);
  else if (modifiers == 0 && key == VK_F2) renameRow(session, row, By::keys);
  else if (control && key == VK_UP) moveRow(session, row, -1, By::keys);
  else if (control && key == VK_DOWN) moveRow(session, row, +1, By::keys);
  else if (control && key == 'Z') stepHistory(session, true);
  else if ((control && key == 'Y') || (modifiers == (exui::kKeyControl | exui::kKeyShift) && key == 'Z'))
    stepHistory(session, false);
  return 0;
}

std::int32_t onEditListRightClick(const ControlEvent&) {
  showPopupMenu(windowHandle(kEditWindowIdentity), windowMenu(kEditWindowIdentity, kEditMenuIdentity));
  return 0;
}

}  // namespace corvalis
