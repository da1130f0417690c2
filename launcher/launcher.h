// What the bar and the edit window work on: the user's shortcuts, the bar's rows and
// the edit window's session. Start-up makes one and hands it to both windows: each
// window's record carries it (loadWindow's context), and every handler finds it there,
// as a window class carries its `this`.
//
// Everything here runs on the launcher window's thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "app/window_template.h"
#include "base/dpi.h"
#include "launcher/edit_history.h"
#include "launcher/shortcuts.h"
#include "uilib/ui_bridge.h"

namespace corvalis {

class HashTable;
struct EdgeDockState;
struct LauncherItems;

// Letters typed on the bar to find a row: those typed within a second of each other
// count together.
struct TypedFind {
  Text typed;
  DWORD lastTick = 0;
};

// The bar's shortcut rows as made last.
struct BarRows {
  std::int32_t dpi = kDesignDpi;  // the DPI they were made at: a display change to another remakes them
  // Bumped by every fill. Messages handled between two rows may start another fill (a
  // shortcut added meanwhile); the older one then stops, since the newer has replaced
  // its rows.
  std::uint32_t fillGeneration = 0;
};

// The open edit window's working copy of the shortcuts and its state.
struct EditSession {
  explicit EditSession(HashTable& editTable) : table(editTable) {}
  HashTable& table;              // the process-wide editTable
  LibraryControl elements = 0;   // the list's row elements
  std::int32_t renameConfirmed = 0;
  // Changes when the window is set up and when it goes: a wait or a fill that sees it
  // change must not touch the controls any more.
  std::uint32_t generation = 0;
  std::uint32_t fill = 0;  // bumped by every fill of the list
  // Where the focus mark goes once the list refilled; the keys act on that row meanwhile.
  std::optional<std::int32_t> pendingMark;
  // What Ctrl+Z and Ctrl+Y step through. The window saves on close when its copy differs
  // from the bar's table, so a change undone is no change.
  EditHistory history;
};

struct Launcher {
  // The process-wide objects it works on, owned by the start-up.
  Launcher(HashTable& shortcutTable, HashTable& editTable, LauncherItems& launcherItems, const EdgeDockState& edge)
      : shortcuts(shortcutTable), items(launcherItems), edgeState(edge), edit(editTable) {}
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  Shortcuts shortcuts;
  LauncherItems& items;             // one per shortcut row of the bar
  const EdgeDockState& edgeState;   // the screen the bar is laid out on
  BarRows rows;
  EditSession edit;
  // The bar was called by the keyboard: Esc then sends it back instead of ending the
  // program. Any other call forgets it.
  bool calledByHotkey = false;
  TypedFind find;
};

// The launcher a window of the program carries (the bar, the edit window, a control in
// either); null for any other window.
Launcher* launcherOf(HWND window);
Launcher* launcherOf(std::int32_t windowIdentity);
Launcher* launcherOf(const ControlEvent& event);

// ----- The shortcut file on the bar's side ----------------------------------------------

// Saves the shortcuts; a file not read yet is tried once more first (its shortcuts
// then reach the open edit window too). True when the file holds the table now.
bool saveShortcuts(Launcher& launcher);

// Another try at a file not read yet (the timer, the bar called): once read, the bar
// shows the file's shortcuts and what waited is saved.
void retryShortcutRead(Launcher& launcher);

}  // namespace corvalis
