#include "launcher/shortcut_saving.h"

#include <windows.h>

#include "app/message_box.h"
#include "app/process_objects.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "launcher/launcher_build.h"
#include "launcher/shortcut_file.h"

namespace corvalis {

namespace {

SaveRecord record;
bool unreadableFileToKeep = false;

void showSaveFailure() {
  messageBox(concatTexts({kSaveFailedText, shortcutFilePath()}), MB_OK);
}

bool writeTable() {
  const ProcessObjects& objects = processObjects();
  if (objects.shortcutTable == nullptr) return false;
  // A file that could not be read is never replaced before a copy of it exists.
  if (unreadableFileToKeep) {
    if (!keepDamagedCopy(shortcutFilePath())) return false;
    unreadableFileToKeep = false;
  }
  return saveShortcutFile(*objects.shortcutTable, shortcutFilePath());
}

}  // namespace

void noteUnreadableShortcutFile() { unreadableFileToKeep = true; }

bool saveShortcuts() {
  const bool saved = writeTable();
  if (record.saved(saved)) {
    // Not here: a message box pumps messages, and this may run inside a handler (the
    // edit window being destroyed, an add). The bar shows it once it is free.
    const bool posted = postWindowJob(windowHandle(kLauncherWindowIdentity), [] {
      if (!record.unsaved()) return;  // saved meanwhile
      record.told();
      showSaveFailure();
    });
    if (!posted) record.noticeLost();
  }
  return saved;
}

void saveUnsavedShortcutsAtEnd() {
  if (!record.unsaved()) return;
  const bool alreadyTold = record.toldOfThisRun();
  if (writeTable()) {
    record.saved(true);
    return;
  }
  record.saved(false);
  if (!alreadyTold) {
    record.told();
    showSaveFailure();
  }
}

}  // namespace corvalis
