// Every change of the shortcut table reaches its file through here, on the window
// thread. A save that fails keeps the change in the table and on the bar: it is
// saved again with the next change and once more when the program ends, and the
// user hears of it once for each run of failed saves.
#pragma once

#include <string_view>

namespace corvalis {

// "快捷方式文件保存失败：" in GBK; the file's path follows it in the message.
inline constexpr std::string_view kSaveFailedText =
    "\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD\xCE\xC4\xBC\xFE\xB1\xA3\xB4\xE6\xCA\xA7\xB0\xDC\xA3\xBA";

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

// The build found a shortcut file that exists but could not be read: before the
// first save replaces it, its bytes are kept beside it ("<file>.damaged", "-2", ...).
void noteUnreadableShortcutFile();

// Saves shortcutTable to its file; true when the file holds the table now.
bool saveShortcuts();

// At the end of the program: one more try when the last save failed, and the message
// when that fails too and the user has not been told yet.
void saveUnsavedShortcutsAtEnd();

}  // namespace corvalis
