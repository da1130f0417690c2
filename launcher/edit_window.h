// The edit window: a copy of the shortcuts (editTable) shown as a list with three
// buttons per row (remove, down, up), renamed through a small panel, and written back
// to the shortcut file when the window closes after a change.
//
// The handlers its template binds find the launcher they work on in the window's
// record; the rest is for the bar's side. All run on the window thread.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "app/text.h"
#include "app/window_template.h"

namespace corvalis {

class HashTable;
struct Launcher;

// Loads the edit window (not modal, no parent), or brings the one already open to the
// front.
void openEditWindow(Launcher& launcher);

// Shortcuts were added to the bar (from these paths, named after their files) while
// the edit window is open: they join editTable (and the list) too, so that the save
// on close keeps them - new names before the entry named `before` when the list holds
// it (as on the bar), else at the end. Nothing when the window is not open.
void addToOpenEditWindow(Launcher& launcher, std::span<const Text> paths, std::string_view before = {});

// Files dropped on the open edit list: they join editTable at the 1-based `position`
// (beyond the end: at the end) as dropped files join the bar, and count as a change.
void insertIntoOpenEditWindow(Launcher& launcher, std::span<const Text> paths, std::int32_t position);

// The shortcut file was read at last while the edit window is open: its shortcuts go
// under the list's, which stay on top as they did on the bar.
void mergeIntoOpenEditWindow(Launcher& launcher, const HashTable& file);

// The open edit window's changes become the bar's table and are saved, as its close
// would do, the window staying open (the session is ending). False when there were none
// (a copy like the bar's table, everything undone, is none).
bool commitOpenEditWindow(Launcher& launcher);

// ----- Bound by the edit window's template ------------------------------------------

// Created: copies the shortcut table into editTable and lists it, three row buttons a
// row. Being destroyed: when editTable differs from the shortcut table, it becomes the
// shortcut table and is saved; the bar then rebuilds and slides in.
void setUpEditWindow();
void saveEditsOnClose();
// Moved to a monitor of another DPI: its controls were made anew at it; the row buttons
// and the rows go in again, the working copy kept.
void onEditWindowDpiChanged();

// Controls: confirm a rename, hide the tip, row buttons shown while the pointer is on a
// row, rename on double-click, the window's menu on right-click.
std::int32_t onRenameConfirmed(const ControlEvent& event);     // 文件名保存按钮, code 0
std::int32_t onTipPanelClicked(const ControlEvent& event);     // 窗口EX2, code 20
std::int32_t onEditRowEnter(const ControlEvent& event);        // 工具条, code 8
std::int32_t onEditRowLeave(const ControlEvent& event);        // 工具条, code 9
std::int32_t onEditRowDoubleClick(const ControlEvent& event);  // 工具条, code 6
std::int32_t onEditListRightClick(const ControlEvent& event);  // 工具条, code 15
// Keys on the list: Del removes the marked row, F2 renames it, Ctrl+Up/Down move it,
// Ctrl+Z undoes the last change, Ctrl+Y (or Ctrl+Shift+Z) redoes it.
std::int32_t onEditListKey(const ControlEvent& event);         // 工具条, code 17

// Menu 退出: closes the edit window.
void closeEditWindow();

}  // namespace corvalis
