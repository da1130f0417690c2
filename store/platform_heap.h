// The few heap services the store needs from the operating system. The store
// reaches blocks only through the routines in HeapEntryPoints; this interface adds
// what those routines cannot do: create and destroy a private heap, name the
// process heap, and look the routines up.
#pragma once

#include "store/heap_access.h"

namespace corvalis::platform {

// A growable private heap (HeapCreate(0, 0, 0)); null when none can be created.
HeapHandle createPrivateHeap();

// Frees the heap and every block still in it, in one step.
bool destroyPrivateHeap(HeapHandle heap);

// The process heap: never destroyed.
HeapHandle processHeap();

// Looks up allocate, reallocate and free; entries that cannot be found stay null.
void resolveHeapRoutines(HeapEntryPoints& entryPoints);

}  // namespace corvalis::platform
