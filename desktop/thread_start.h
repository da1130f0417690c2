// Running a routine on a thread of its own.
#pragma once

#include <windows.h>

#include "base/win_handles.h"

namespace corvalis {

// Starts `routine(parameter)` at once on a new thread with the default stack size.
// The handle comes back owned: a caller that does not keep it closes it right
// away, which leaves the thread running. Empty when no thread could be started.
UniqueKernelHandle startThread(LPTHREAD_START_ROUTINE routine, void* parameter);

}  // namespace corvalis
