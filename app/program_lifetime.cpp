#include "app/program_lifetime.h"

#include <windows.h>
#include <ole2.h>

namespace corvalis {

namespace {

bool oleStarted = false;
AtExitRoutine atExitRoutine = nullptr;

}  // namespace

bool startOle() {
  if (oleStarted) return true;
  // S_FALSE means OLE was already up on this thread; it still needs its balancing call.
  oleStarted = SUCCEEDED(OleInitialize(nullptr));
  return oleStarted;
}

void endOle() {
  if (!oleStarted) return;
  oleStarted = false;
  OleUninitialize();
}

void registerAtExit(AtExitRoutine routine) { atExitRoutine = routine; }

void runAtExit() {
  // Cleared before the call: a routine that ends up here again must not release twice.
  AtExitRoutine routine = atExitRoutine;
  atExitRoutine = nullptr;
  if (routine != nullptr) routine();
}

void exitProgram() {
  runAtExit();
  endOle();
  ExitProcess(0);
}

}  // namespace corvalis
