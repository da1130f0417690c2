// How the program's life ends, in one place: the at-exit routine that releases the
// process-wide objects, OLE, and the immediate end used by the single-instance
// guard from inside the start-up sequence.
#pragma once

namespace corvalis {

using AtExitRoutine = void (*)();

// OleInitialize(NULL) once for the GUI thread; false when OLE refused. endOle
// balances it only when it succeeded.
bool startOle();
void endOle();

// Remembers the routine that releases the process-wide objects; a later call
// replaces it.
void registerAtExit(AtExitRoutine routine);

// Runs the registered routine; it runs at most once however the program ends.
void runAtExit();

// Ends the process at once with exit code 0: the at-exit routine, then OLE is
// uninitialised, then ExitProcess(0). Used while the start-up sequence is still
// inside the launcher window's creation, where returning is not possible.
[[noreturn]] void exitProgram();

}  // namespace corvalis
