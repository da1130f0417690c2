// The program's spine: start-up in its fixed order, the launcher window's start-up
// sequence, the message loop and the end.
#pragma once

#include <string_view>

#include "app/text.h"

namespace corvalis {

// The whole run, from taking the process heap to the at-exit routine. Returns the
// exit code (0 for a normal end).
int runProgram();

// The launcher window's created event: single-instance guard, autostart, edge
// docking, then the bar's build. Each step runs to its end before the next.
void onLauncherCreated();

// The launcher window's about-to-be-destroyed event: removes the edge trigger.
void onLauncherDestroying();

// The launcher menu's 退出: closes the launcher window (from the message loop); the
// program ends when no window of it is left.
void closeLauncherWindow();

// The directory to make current for an executable directory as the path split
// gives it: a bare drive ("C:") gets its backslash back, since "C:" alone names the
// drive's remembered directory rather than its root.
Text directoryToEnter(std::string_view executableDirectory);

}  // namespace corvalis
