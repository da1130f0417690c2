#include <windows.h>

#include <cstdint>

#include "store/platform_heap.h"

namespace corvalis::platform {

namespace {

template <typename Routine>
Routine lookUp(HMODULE module, const char* name) {
  FARPROC address = GetProcAddress(module, name);
  // Through an integer: the exported routine has its own signature, not FARPROC's.
  return reinterpret_cast<Routine>(reinterpret_cast<std::uintptr_t>(address));
}

}  // namespace

HeapHandle createPrivateHeap() { return HeapCreate(0, 0, 0); }

bool destroyPrivateHeap(HeapHandle heap) { return heap != nullptr && HeapDestroy(heap) != FALSE; }

HeapHandle processHeap() { return GetProcessHeap(); }

void resolveHeapRoutines(HeapEntryPoints& entryPoints) {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) return;
  entryPoints.allocate = lookUp<HeapAllocateRoutine>(ntdll, "RtlAllocateHeap");
  entryPoints.reallocate = lookUp<HeapReallocateRoutine>(ntdll, "RtlReAllocateHeap");
  entryPoints.free = lookUp<HeapFreeRoutine>(ntdll, "RtlFreeHeap");
}

}  // namespace corvalis::platform
