// The handlers that the window templates bind for the launcher bar and the edit
// window. Opening and closing the edit window work now; the others belong to the
// launcher's own work (adding and launching shortcuts, the edit window's list, rename
// panel and saving) and land with it - until then they do nothing and answer 0.
#pragma once

#include "app/window_template.h"

namespace corvalis {

// Launcher 工具条, code 0: a row was clicked (add a file, open the edit window, launch
// a shortcut). Lands with the launcher's work.
std::int32_t onShortcutListItem(const ControlEvent& event);
// Launcher 工具条, code 1: a row was right-clicked (pop up the menu, open the edit
// window). Lands with the launcher's work.
std::int32_t onShortcutListSecondItem(const ControlEvent& event);

// Launcher menu 编辑: loads the edit window (not modal, no parent), or brings the one
// already open to the front.
void openEditWindow();

// Edit window created / being destroyed: set up its list, save the edits. Land with
// the launcher's work.
void setUpEditWindow();
void saveEditsOnClose();

// Edit window controls. Land with the launcher's work.
std::int32_t onRenameConfirmed(const ControlEvent& event);  // 文件名保存按钮, code 0
std::int32_t onTipPanelClicked(const ControlEvent& event);  // 窗口EX2, code 20
std::int32_t onEditRowEnter(const ControlEvent& event);     // 工具条, code 8
std::int32_t onEditRowLeave(const ControlEvent& event);     // 工具条, code 9
std::int32_t onEditRowDoubleClick(const ControlEvent& event);  // 工具条, code 6
std::int32_t onEditListRightClick(const ControlEvent& event);  // 工具条, code 15

// Edit window menu 退出: closes the edit window.
void closeEditWindow();

}  // namespace corvalis
