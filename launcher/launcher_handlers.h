// The handlers that the launcher window's template binds: its list's clicks (add a
// file, open the edit window, launch a shortcut) and its right-click menu. Each finds
// the launcher it works on in the window's record. All run on the window thread.
#pragma once

#include <cstdint>

#include "app/window_template.h"

namespace corvalis {

// Launcher 工具条, code 0: a row was clicked. Row 0 adds a file (the dialog on a
// thread of its own), row 1 opens the edit window, a shortcut row launches its file
// and slides the bar out.
std::int32_t onShortcutListItem(const ControlEvent& event);
// Launcher 工具条, code 1: a row was right-clicked. A shortcut row pops up the menu
// (编辑, 退出) at the cursor; row 0 opens the edit window.
std::int32_t onShortcutListSecondItem(const ControlEvent& event);

// Launcher 工具条, code 18: a character typed on the bar. Letters typed within a second
// of each other put the focus mark on the next shortcut whose name starts with them,
// case ignored; a Chinese name answers to its characters' pinyin initials too.
std::int32_t onShortcutListCharacter(const ControlEvent& event);

// Launcher menu 编辑: loads the edit window (not modal, no parent), or brings the one
// already open to the front.
void onLauncherMenuEdit();

// The keyboard's call: slides the hidden bar in with the keyboard focus and the focus
// mark on its first shortcut (row 0 without any), or slides the shown bar out.
void onLauncherHotkey();

// Esc on the bar: one the keyboard called goes back out and the program runs on (true);
// otherwise Esc keeps its meaning and closes the bar (false).
bool onLauncherEscape();

// The user called the bar some other way (the edge, a drag): Esc has its own meaning
// again, and a shortcut file not read yet is tried once more.
void onLauncherCalled();

}  // namespace corvalis
