// Every read and write of the shortcut file after start-up's goes through here, on
// the window thread; nothing the user made is ever lost on the way.
//
// - A save that fails keeps the change in the table and on the bar: it is saved again
//   with the next change and once more when the program ends, and the user hears of it
//   once for each run of failed saves.
// - A file that another program holds at start (a sync client, a scanner, a backup at
//   logon) is "not read yet", never damaged: the bar starts with what it has, tries
//   again every few seconds and whenever it is called, and shows the file's shortcuts
//   once they are read. Changes made meanwhile join them then, and only then is the
//   file written. A file still unreadable at the end of the run keeps those changes in
//   "<file>.pending", which the next start merges in.
// - A damaged file gives back every shortcut still readable in it; its bytes are kept
//   as "<file>.damaged" before anything replaces it, and the user is told once.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string_view>

#include "launcher/shortcut_file.h"

namespace corvalis {

// "快捷方式文件保存失败：" in GBK; the file's path follows it in the message.
inline constexpr std::string_view kSaveFailedText =
    "\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD\xCE\xC4\xBC\xFE\xB1\xA3\xB4\xE6\xCA\xA7\xB0\xDC\xA3\xBA";
// "快捷方式文件已损坏，已恢复 N 个快捷方式。原文件已另存为：" and the copy's path.
inline constexpr std::string_view kDamagedTextHead =
    "\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD\xCE\xC4\xBC\xFE\xD2\xD1\xCB\xF0\xBB\xB5\xA3\xAC\xD2\xD1\xBB\xD6\xB8\xB4 ";
inline constexpr std::string_view kDamagedTextTail =
    " \xB8\xF6\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD\xA1\xA3\xD4\xAD\xCE\xC4\xBC\xFE\xD2\xD1\xC1\xED\xB4\xE6\xCE\xAA\xA3\xBA";
// "快捷方式文件一直无法读取，本次的更改已另存为：", the pending file's path, and
// "。下次启动时会自动合并。"
inline constexpr std::string_view kPendingTextHead =
    "\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD\xCE\xC4\xBC\xFE\xD2\xBB\xD6\xB1\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xA3\xAC\xB1\xBE"
    "\xB4\xCE\xB5\xC4\xB8\xFC\xB8\xC4\xD2\xD1\xC1\xED\xB4\xE6\xCE\xAA\xA3\xBA";
inline constexpr std::string_view kPendingTextTail =
    "\xA1\xA3\xCF\xC2\xB4\xCE\xC6\xF4\xB6\xAF\xCA\xB1\xBB\xE1\xD7\xD4\xB6\xAF\xBA\xCF\xB2\xA2\xA1\xA3";

// The message of a damaged file: how many shortcuts came back, where its bytes are.
Text damagedFileText(std::size_t salvaged, std::string_view copy);

// Whether the table and its file agree, and whether the user has been told that they
// do not. A run of failed saves ends with the first save that succeeds.
class SaveRecord {
 public:
  // After a save: true when the user should now be told of a failure (the first of a run).
  bool saved(bool succeeded) {
    unsaved_ = !succeeded;
    if (succeeded) {
      noticeDue_ = false;
      told_ = false;
      return false;
    }
    if (told_ || noticeDue_) return false;
    noticeDue_ = true;
    return true;
  }
  // A change that waits to be written through no failure of its own (the file has not
  // been read yet): nothing to tell.
  void waiting() { unsaved_ = true; }
  // The notice was shown (or could not be and is given up for this run).
  void told() {
    noticeDue_ = false;
    told_ = true;
  }
  // The notice was due but never shown (its window went first).
  void noticeLost() { noticeDue_ = false; }
  bool unsaved() const { return unsaved_; }
  bool toldOfThisRun() const { return told_; }

 private:
  bool unsaved_ = false;
  bool noticeDue_ = false;
  bool told_ = false;
};

// The user's shortcuts: the table the bar shows (the process-wide shortcutTable), the
// file they are kept in, and every read and write of it after start-up's with their
// record - nothing the user made is lost on any of these roads. On the window thread.
class Shortcuts {
 public:
  explicit Shortcuts(HashTable& table) : table_(table) {}
  Shortcuts(const Shortcuts&) = delete;
  Shortcuts& operator=(const Shortcuts&) = delete;

  HashTable& table() { return table_; }
  // The file, as start-up names it (the documents folder's Corvalis.HashTable); empty
  // before. The text stays the caller's, for the whole run.
  std::string_view filePath() const { return filePath_; }
  void keepIn(std::string_view filePath) { filePath_ = filePath; }

  // Start-up's read of the file into the table (set up empty before), with the changes
  // an earlier run left in the pending file merged in. A damaged file's copy is made
  // (the user is told once the bar is shown); a file not read yet is tried again from
  // then on, on a timer of `bar`'s. What the read found.
  ShortcutFileState readAtStart(HWND bar);
  // The bar is built and shown: from now on the user may be told what the start found.
  void barShown();

  // Another try at a file not read yet. When it is read now, the table holds its
  // shortcuts with what was made meanwhile on top, and the file's own shortcuts come
  // back (for an open edit window to take in too); null otherwise.
  std::unique_ptr<HashTable> readLate(unsigned patienceMilliseconds = 0);
  bool notReadYet() const { return notReadYet_; }

  // Saves the table to its file; true when the file holds the table now. A file not
  // read yet is not written: the change waits for it.
  bool save();
  bool unsaved() const { return record_.unsaved(); }

  // At the end of the program or of the session: one more try when the last save failed
  // (or the file was never read: then the changes go to the pending file), and, unless
  // `quiet` (the session is ending: no window may be shown), the message when the
  // changes could not be written where they belong and the user has not been told yet.
  void saveUnsavedAtEnd(bool quiet = false);

 private:
  bool writeTable();
  bool keepDamagedFile();
  void tellOfDamage();
  void mergePendingChanges();
  void stopLateReads();
  void showSaveFailure();

  HashTable& table_;
  std::string_view filePath_;
  HWND bar_ = nullptr;
  SaveRecord record_;
  // The file is there but has not been read: it must not be replaced.
  bool notReadYet_ = false;
  // The file was damaged: its bytes are kept before anything replaces it.
  bool damagedToKeep_ = false;
  std::size_t salvaged_ = 0;
  // The copy of the damaged file, while the user has not been told of it: told once the
  // bar is shown (the build lets messages through: a message box there would hold it).
  Text copyToTell_;
  bool barShown_ = false;
  // The pending file's changes are in the table; it goes once the file holds them.
  bool pendingMerged_ = false;
};

// A file not read yet is tried this often meanwhile; the timer's identifier on the bar.
inline constexpr UINT kLateReadMilliseconds = 2000;
inline constexpr UINT_PTR kLateReadTimer = 0xC0E9;

}  // namespace corvalis
