#include "program/program.h"

#include <windows.h>

#include "app/autostart.h"
#include "app/control_registry.h"
#include "app/current_directory.h"
#include "app/environment.h"
#include "app/gbk_path.h"
#include "app/instance_name.h"
#include "app/module_path.h"
#include "program/process_objects.h"
#include "base/dpi.h"
#include "app/program_lifetime.h"
#include "app/single_instance.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "desktop/edge_docking.h"
#include "launcher/drop_target.h"
#include "launcher/edit_window.h"
#include "launcher/launcher.h"
#include "launcher/launcher_build.h"
#include "launcher/launcher_handlers.h"
#include "launcher/shortcut_file.h"
#include "store/heap_access.h"
#include "uilib/ui_bridge.h"

namespace corvalis {

namespace {

void releaseAllProcessObjects() { releaseProcessObjects(processObjects()); }

// Until WM_QUIT; the quit code is the exit code.
int runMessageLoop() {
  MSG message{};
  // GetMessage answers -1 on failure; that ends the loop instead of spinning.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

// Every handler that the two window templates name.
void bindProgramWindows() {
  LauncherWindowHandlers launcher;
  launcher.created = onLauncherCreated;
  launcher.destroying = onLauncherDestroying;
  launcher.listItem = onShortcutListItem;
  launcher.listSecondItem = onShortcutListSecondItem;
  launcher.menuEdit = onLauncherMenuEdit;
  launcher.menuExit = closeLauncherWindow;
  launcher.listCharacter = onShortcutListCharacter;
  launcher.escape = onLauncherEscape;

  EditWindowHandlers edit;
  edit.created = setUpEditWindow;
  edit.destroying = saveEditsOnClose;
  edit.dpiChanged = onEditWindowDpiChanged;
  edit.listKey = onEditListKey;
  edit.saveButton = onRenameConfirmed;
  edit.tipPanel = onTipPanelClicked;
  edit.rowEnter = onEditRowEnter;
  edit.rowLeave = onEditRowLeave;
  edit.rowDoubleClick = onEditRowDoubleClick;
  edit.listRightClick = onEditListRightClick;
  edit.menuExit = closeEditWindow;
  bindWindowTemplates(launcher, edit);
}

}  // namespace

Text directoryToEnter(std::string_view executableDirectory) {
  if (executableDirectory.size() == 2 && executableDirectory[1] == ':') return concatTexts({executableDirectory, "\\"});
  return Text(executableDirectory);
}

int runProgram() {
  // 1. The process heap, OLE, and the window that owns every program window.
  const HANDLE heap = GetProcessHeap();
  // Before any window: the program draws itself at the screen's DPI.
  declareDpiAwareness();
  measureScreenDpi();
  startOle();
  // Without it the program still runs; its windows merely get taskbar buttons.
  createHiddenOwnerWindow();

  // 2. The executable's directory becomes the current directory, so relative paths
  //    (the UI library's search among them) resolve against it, wherever the
  //    program was started from.
  const Text executable = executablePath();
  const PathSplit parts = splitAtLastBackslash(executable);
  if (parts.found && changeDirectory(directoryToEnter(parts.head))) rememberStartDirectory(currentDirectory());

  // 3. The UI library bridge (a missing library is not reported here: each control
  //    kind warns once when it is first created), then the window templates with
  //    their handlers bound.
  initializeUiBridge();
  installControlServices();
  bindProgramWindows();

  // 4.-6. The process-wide objects, their release at exit, and the heap routines
  //       (already resolved by the tables' binding; this only confirms it).
  const bool created = createProcessObjects(processObjects(), heap);
  registerAtExit(releaseAllProcessObjects);
  if (!created) {
    // Out of memory before any window: nothing could work, so end without one.
    runAtExit();
    destroyHiddenOwnerWindow();
    endOle();
    return 1;
  }
  resolveHeapAccess();

  // What the bar and the edit window work on, over the process-wide objects; both
  // windows carry it, and their handlers find it there.
  ProcessObjects& objects = processObjects();
  Launcher launcher(*objects.shortcutTable, *objects.editTable, *objects.launcherItems, *objects.edgeDockState);

  // 7. The launcher window; its created event runs the start-up sequence before the
  //    load returns. The result does not matter: no window simply means no loop.
  loadWindow(launcherWindowTemplate(), &launcher);
  quitWhenLastWindowCloses();

  // What the system tells every program: the session's end, a changed environment.
  EnvironmentFollower environment;
  answerSystemNotices(SystemNotices{
      .sessionEnding = [&launcher] {
        // As the program's end would: the open edit window's changes, then whatever
        // is still unsaved. Quietly: no window may come up now.
        commitOpenEditWindow(launcher);
        launcher.shortcuts.saveUnsavedAtEnd(true);
      },
      .environmentChanged = [&environment] { environment.follow(); },
  });
  // What the system gives now, to tell a later change by; once the bar is up.
  postWindowJob(windowHandle(kLauncherWindowIdentity), [&environment] { environment.remember(); });

  // 8. The loop runs while a window of the program exists.
  int exitCode = 0;
  if (loadedWindowCount() > 0) exitCode = runMessageLoop();

  // 9. The end. A change whose save failed gets one more try first.
  launcher.shortcuts.saveUnsavedAtEnd();
  answerSystemNotices(SystemNotices{});
  runAtExit();
  destroyHiddenOwnerWindow();
  endOle();
  return exitCode;
}

void onLauncherCreated() {
  checkSingleInstance(kInstanceName, kAlreadyRunningText, MB_ICONINFORMATION);
  syncAutostart();
  ProcessObjects& objects = processObjects();
  const HWND launcherWindow = windowHandle(kLauncherWindowIdentity);
  Launcher* launcher = launcherOf(launcherWindow);
  if (launcher == nullptr) return;
  EdgeDocking docking{objects.edgeDockState, objects.edgeClick, objects.barShown, objects.desktopShell};
  docking.displayChanged = [] {
    if (Launcher* onBar = launcherOf(kLauncherWindowIdentity)) fitBarToScreen(*onBar);
  };
  docking.barCalled = onLauncherCalled;
  docking.hotkeyPressed = onLauncherHotkey;
  installEdgeDocking(docking, launcherWindow);
  // The shortcut file: Corvalis.HashTable in the documents folder, named once for the run.
  setShortcutFilePath(objects, shortcutFilePathIn(documentsFolder()));
  launcher->shortcuts.keepIn(objects.shortcutFilePath != nullptr ? objects.shortcutFilePath : "");
  buildLauncher(*launcher, launcherWindow);
}

void closeLauncherWindow() { closeWindow(kLauncherWindowIdentity); }

void onLauncherDestroying() {
  stopAcceptingDroppedFiles(windowHandle(kLauncherWindowIdentity));
  ProcessObjects& objects = processObjects();
  if (objects.edgeDockState != nullptr) removeEdgeDocking(*objects.edgeDockState);
}

}  // namespace corvalis
