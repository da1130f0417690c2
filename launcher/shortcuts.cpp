#include "launcher/shortcuts.h"

#include <string>

#include "base/message_box.h"
#include "base/wide_text.h"
#include "app/window_registry.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

// A held file is tried for this long at start before the bar goes on without it.
constexpr unsigned kStartPatienceMilliseconds = 1000;
// And for this long once more at the end of the run.
constexpr unsigned kEndPatienceMilliseconds = 1000;

}  // namespace

Text damagedFileText(std::size_t salvaged, std::string_view copy) {
  return concatTexts({kDamagedTextHead, std::to_string(salvaged), kDamagedTextTail, copy});
}

void Shortcuts::showSaveFailure() { messageBox(concatTexts({kSaveFailedText, filePath_}), MB_OK); }

// Once the copy of a damaged file exists and the bar is shown: the user hears how many
// shortcuts came back and where the file's bytes are.
void Shortcuts::tellOfDamage() {
  if (copyToTell_.empty() || !barShown_) return;
  const Text text = damagedFileText(salvaged_, copyToTell_);
  copyToTell_.clear();
  // Owned by the bar: a first-time user's bar stays in while it shows.
  const HWND bar = bar_;
  postWindowJob(bar, [text, bar] { messageBox(text, MB_OK, {}, bar); });
}

// Keeps the damaged file's bytes before anything replaces it; false while that is
// not possible.
bool Shortcuts::keepDamagedFile() {
  if (!damagedToKeep_) return true;
  Text copy;
  if (!keepDamagedCopy(filePath_, &copy)) return false;
  damagedToKeep_ = false;
  copyToTell_ = copy;
  tellOfDamage();
  return true;
}

bool Shortcuts::writeTable() {
  if (notReadYet_ || !keepDamagedFile()) return false;
  if (!saveShortcutFile(table_, filePath_)) return false;
  if (pendingMerged_) {
    DeleteFileW(toWideText(pendingChangesPath(filePath_)).c_str());
    pendingMerged_ = false;
  }
  return true;
}

// The changes of an earlier run whose file could never be read, on top of the table.
// They are safe where they are until the file holds them: it is then removed.
void Shortcuts::mergePendingChanges() {
  HashTable pending;
  const ShortcutFileRead read = readShortcutFile(pending, pendingChangesPath(filePath_), 0);
  if (read.state == ShortcutFileState::absent || read.state == ShortcutFileState::notReadYet) return;
  if (!mergeOnto(table_, pending) || !copyShortcutTable(pending, table_)) return;
  pendingMerged_ = true;
}

ShortcutFileState Shortcuts::readAtStart(HWND bar) {
  bar_ = bar;
  const ShortcutFileRead read = readShortcutFile(table_, filePath_, kStartPatienceMilliseconds);
  mergePendingChanges();
  // The file is to hold them now, unless it cannot be read yet (then they join it
  // once it is).
  if (pendingMerged_ && read.state != ShortcutFileState::notReadYet) record_.waiting();
  switch (read.state) {
    case ShortcutFileState::notReadYet:
      notReadYet_ = true;
      break;
    case ShortcutFileState::damaged:
      damagedToKeep_ = true;
      salvaged_ = read.salvaged;
      // The copy at once, so the user can be told where it is; and the file then holds
      // what the bar shows, so the next start finds it sound.
      if (keepDamagedFile()) record_.waiting();
      break;
    case ShortcutFileState::absent:
    case ShortcutFileState::loaded:
      break;
  }
  if (record_.unsaved()) save();
  return read.state;
}

void Shortcuts::barShown() {
  barShown_ = true;
  tellOfDamage();
}

std::unique_ptr<HashTable> Shortcuts::readLate(unsigned patienceMilliseconds) {
  if (!notReadYet_) return nullptr;
  auto file = std::make_unique<HashTable>();
  const ShortcutFileRead read = readShortcutFile(*file, filePath_, patienceMilliseconds);
  if (read.state == ShortcutFileState::notReadYet) return nullptr;
  const bool madeMeanwhile = record_.unsaved() || table_.count() > 0;
  if (!mergeOnto(*file, table_)) return nullptr;  // out of memory: tried again later
  notReadYet_ = false;
  if (read.state == ShortcutFileState::damaged) {
    damagedToKeep_ = true;
    salvaged_ = read.salvaged;
  }
  // Written only when the file does not hold all of it: the file stays as it is when
  // nothing was made meanwhile.
  if (madeMeanwhile || read.state == ShortcutFileState::damaged) record_.waiting();
  return file;
}

bool Shortcuts::save() {
  if (notReadYet_) {
    // Kept in the table until the file's own shortcuts are in it too.
    record_.waiting();
    return false;
  }
  const bool saved = writeTable();
  if (record_.saved(saved)) {
    // Not here: a message box pumps messages, and this may run inside a handler (the
    // edit window being destroyed, an add). The bar shows it once it is free.
    const bool posted = postWindowJob(bar_, [this] {
      if (!record_.unsaved()) return;  // saved meanwhile
      record_.told();
      showSaveFailure();
    });
    if (!posted) record_.noticeLost();
  }
  return saved;
}

void Shortcuts::saveUnsavedAtEnd(bool quiet) {
  if (notReadYet_) readLate(kEndPatienceMilliseconds);
  if (!record_.unsaved()) return;
  const bool alreadyTold = record_.toldOfThisRun();
  if (notReadYet_) {
    // Never read in the whole run: what the user made meanwhile waits beside it.
    const Text pending = pendingChangesPath(filePath_);
    if (saveShortcutFile(table_, pending)) {
      if (!quiet) messageBox(concatTexts({kPendingTextHead, pending, kPendingTextTail}), MB_OK);
      return;
    }
  } else if (writeTable()) {
    record_.saved(true);
    return;
  }
  record_.saved(false);
  if (!alreadyTold && !quiet) {
    record_.told();
    showSaveFailure();
  }
}

}  // namespace corvalis
