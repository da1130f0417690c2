#include "launcher/shortcut_saving.h"

#include <windows.h>

#include <string>

#include "app/file_io.h"
#include "base/message_box.h"
#include "program/process_objects.h"
#include "base/wide_text.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "launcher/launcher_build.h"
#include "launcher/window_handlers.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

// A held file is tried for this long at start before the bar goes on without it.
constexpr unsigned kStartPatienceMilliseconds = 1000;
// And for this long once more at the end of the run.
constexpr unsigned kEndPatienceMilliseconds = 1000;
// Meanwhile, this often.
constexpr UINT kLateReadMilliseconds = 2000;
constexpr UINT_PTR kLateReadTimer = 0xC0E9;

struct FileKeeping {
  SaveRecord record;
  // The file is there but has not been read: it must not be replaced.
  bool notReadYet = false;
  // The file was damaged: its bytes are kept before anything replaces it.
  bool damagedToKeep = false;
  std::size_t salvaged = 0;
  // The copy of the damaged file, while the user has not been told of it: told once the
  // bar is built (the build lets messages through: a message box there would hold it).
  Text copyToTell;
  bool barBuilt = false;
  // The pending file's changes are in the table; it goes once the file holds them.
  bool pendingMerged = false;
};
FileKeeping keeping;

HashTable* shortcutTable() { return processObjects().shortcutTable; }
HWND launcherWindow() { return windowHandle(kLauncherWindowIdentity); }

void showSaveFailure() { messageBox(concatTexts({kSaveFailedText, shortcutFilePath()}), MB_OK); }

// Once the copy of a damaged file exists and the bar is built: the user hears how many
// shortcuts came back and where the file's bytes are.
void tellOfDamage() {
  if (keeping.copyToTell.empty() || !keeping.barBuilt) return;
  const Text text = damagedFileText(keeping.salvaged, keeping.copyToTell);
  keeping.copyToTell.clear();
  // Owned by the bar: a first-time user's bar stays in while it shows.
  postWindowJob(launcherWindow(), [text] { messageBox(text, MB_OK, {}, launcherWindow()); });
}

// Keeps the damaged file's bytes before anything replaces it; false while that is
// not possible.
bool keepDamagedFile() {
  if (!keeping.damagedToKeep) return true;
  Text copy;
  if (!keepDamagedCopy(shortcutFilePath(), &copy)) return false;
  keeping.damagedToKeep = false;
  keeping.copyToTell = copy;
  tellOfDamage();
  return true;
}

bool writeTable() {
  HashTable* table = shortcutTable();
  if (table == nullptr || keeping.notReadYet) return false;
  if (!keepDamagedFile()) return false;
  if (!saveShortcutFile(*table, shortcutFilePath())) return false;
  if (keeping.pendingMerged) {
    DeleteFileW(toWideText(pendingChangesPath(shortcutFilePath())).c_str());
    keeping.pendingMerged = false;
  }
  return true;
}

void stopLateReads() {
  if (const HWND window = launcherWindow()) KillTimer(window, kLateReadTimer);
}

// The file has been read at last: its shortcuts, with what was made meanwhile on top,
// become the bar's and the open edit window's. False while it still cannot be read.
bool takeLateRead(unsigned patienceMilliseconds) {
  HashTable* table = shortcutTable();
  if (!keeping.notReadYet || table == nullptr) return true;
  HashTable file;
  const ShortcutFileRead read = readShortcutFile(file, shortcutFilePath(), patienceMilliseconds);
  if (read.state == ShortcutFileState::notReadYet) return false;
  const bool madeMeanwhile = keeping.record.unsaved() || table->count() > 0;
  if (!mergeOnto(file, *table)) return false;  // out of memory: tried again later
  keeping.notReadYet = false;
  stopLateReads();
  mergeIntoOpenEditWindow(file);
  if (read.state == ShortcutFileState::damaged) {
    keeping.damagedToKeep = true;
    keeping.salvaged = read.salvaged;
  }
  // Written only when the file does not hold all of it: the file stays as it is when
  // nothing was made meanwhile.
  if (madeMeanwhile || read.state == ShortcutFileState::damaged) keeping.record.waiting();
  return true;
}

void CALLBACK onLateReadTimer(HWND, UINT, UINT_PTR, DWORD) { retryShortcutFileRead(); }

// The changes of an earlier run whose file could never be read, on top of the table.
// They are safe where they are until the file holds them: it is then removed.
void mergePendingChanges(HashTable& table) {
  HashTable pending;
  const ShortcutFileRead read = readShortcutFile(pending, pendingChangesPath(shortcutFilePath()), 0);
  if (read.state == ShortcutFileState::absent || read.state == ShortcutFileState::notReadYet) return;
  if (!mergeOnto(table, pending) || !copyShortcutTable(pending, table)) return;
  keeping.pendingMerged = true;
}

}  // namespace

Text damagedFileText(std::size_t salvaged, std::string_view copy) {
  return concatTexts({kDamagedTextHead, std::to_string(salvaged), kDamagedTextTail, copy});
}

ShortcutFileState readShortcutsAtStart() {
  HashTable* table = shortcutTable();
  if (table == nullptr) return ShortcutFileState::absent;
  const ShortcutFileRead read = readShortcutFile(*table, shortcutFilePath(), kStartPatienceMilliseconds);
  mergePendingChanges(*table);
  // The file is to hold them now, unless it cannot be read yet (then they join it
  // once it is).
  if (keeping.pendingMerged && read.state != ShortcutFileState::notReadYet) keeping.record.waiting();
  switch (read.state) {
    case ShortcutFileState::notReadYet:
      keeping.notReadYet = true;
      if (const HWND window = launcherWindow()) SetTimer(window, kLateReadTimer, kLateReadMilliseconds, onLateReadTimer);
      break;
    case ShortcutFileState::damaged:
      keeping.damagedToKeep = true;
      keeping.salvaged = read.salvaged;
      // The copy at once, so the user can be told where it is; and the file then holds
      // what the bar shows, so the next start finds it sound.
      if (keepDamagedFile()) keeping.record.waiting();
      break;
    case ShortcutFileState::absent:
    case ShortcutFileState::loaded:
      break;
  }
  if (keeping.record.unsaved()) saveShortcuts();
  return read.state;
}

void shortcutsOnTheBar() {
  keeping.barBuilt = true;
  tellOfDamage();
}

void retryShortcutFileRead() {
  if (!keeping.notReadYet) return;
  if (!takeLateRead(0)) return;
  rebuildLauncherList();
  if (keeping.record.unsaved()) saveShortcuts();
}

bool saveShortcuts() {
  if (keeping.notReadYet && !takeLateRead(0)) {
    // Kept in the table until the file's own shortcuts are in it too.
    keeping.record.waiting();
    return false;
  }
  const bool saved = writeTable();
  if (keeping.record.saved(saved)) {
    // Not here: a message box pumps messages, and this may run inside a handler (the
    // edit window being destroyed, an add). The bar shows it once it is free.
    const bool posted = postWindowJob(launcherWindow(), [] {
      if (!keeping.record.unsaved()) return;  // saved meanwhile
      keeping.record.told();
      showSaveFailure();
    });
    if (!posted) keeping.record.noticeLost();
  }
  return saved;
}

void saveUnsavedShortcutsAtEnd(bool quiet) {
  if (keeping.notReadYet) takeLateRead(kEndPatienceMilliseconds);
  if (!keeping.record.unsaved()) return;
  const bool alreadyTold = keeping.record.toldOfThisRun();
  if (keeping.notReadYet) {
    // Never read in the whole run: what the user made meanwhile waits beside it.
    HashTable* table = shortcutTable();
    const Text pending = pendingChangesPath(shortcutFilePath());
    if (table != nullptr && saveShortcutFile(*table, pending)) {
      if (!quiet) messageBox(concatTexts({kPendingTextHead, pending, kPendingTextTail}), MB_OK);
      return;
    }
  } else if (writeTable()) {
    keeping.record.saved(true);
    return;
  }
  keeping.record.saved(false);
  if (!alreadyTold && !quiet) {
    keeping.record.told();
    showSaveFailure();
  }
}

}  // namespace corvalis
