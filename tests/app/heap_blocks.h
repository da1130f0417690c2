// What a heap still holds, for tests that check that everything given back went.
#pragma once

#include <windows.h>

namespace corvalis {

// Blocks still allocated on a heap.
inline int busyBlocks(HANDLE heap) {
  int busy = 0;
  PROCESS_HEAP_ENTRY entry{};
  HeapLock(heap);
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
  HeapUnlock(heap);
  return busy;
}

}  // namespace corvalis
