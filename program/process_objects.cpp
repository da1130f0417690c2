#include "program/process_objects.h"

#include <cstring>
#include <new>
#include <utility>

#include "store/hash_table.h"
#include "store/heap_access.h"

namespace corvalis {

namespace {

// Zero-filled memory from `heap`, then the constructor: objects start from all-zero
// bytes even where a constructor leaves fields alone.
template <typename T, typename... Arguments>
T* makeOnHeap(HANDLE heap, Arguments&&... arguments) {
  void* memory = HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(T));
  if (memory == nullptr) return nullptr;
  return new (memory) T(std::forward<Arguments>(arguments)...);
}

// Destructor first, then the memory.
template <typename T>
void destroyOnHeap(HANDLE heap, T*& object) {
  if (object == nullptr) return;
  object->~T();
  HeapFree(heap, 0, object);
  object = nullptr;
}

// Plain records without a constructor of their own: zero-filled memory is their start.
template <typename T>
T* makeZeroedRecord(HANDLE heap) {
  return static_cast<T*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(T)));
}

template <typename T>
void freeRecord(HANDLE heap, T*& record) {
  if (record == nullptr) return;
  HeapFree(heap, 0, record);
  record = nullptr;
}

HashTable* makeTable(HANDLE heap) {
  HashTable* table = makeOnHeap<HashTable>(heap);
  // The constructor binds already; binding again is cheap and keeps the table usable
  // whatever the constructor does in future.
  if (table != nullptr) bindHeapAccess(*table);
  return table;
}

ProcessObjects theProcessObjects;

}  // namespace

ProcessObjects& processObjects() { return theProcessObjects; }

bool createProcessObjects(ProcessObjects& objects, HANDLE heap) {
  objects.heap = heap;
  if ((objects.edgeDockState = makeZeroedRecord<EdgeDockState>(heap)) == nullptr) return false;
  if ((objects.desktopShell = makeOnHeap<DesktopShell>(heap)) == nullptr) return false;
  if ((objects.edgeClick = makeZeroedRecord<EdgeClick>(heap)) == nullptr) return false;
  if ((objects.barShown = makeZeroedRecord<BarShown>(heap)) == nullptr) return false;
  if ((objects.shortcutTable = makeTable(heap)) == nullptr) return false;
  if ((objects.launcherItems = makeZeroedRecord<LauncherItems>(heap)) == nullptr) return false;
  initializeLauncherItems(*objects.launcherItems, heap);
  if ((objects.editTable = makeTable(heap)) == nullptr) return false;
  return true;
}

void releaseProcessObjects(ProcessObjects& objects) {
  const HANDLE heap = objects.heap;
  if (heap == nullptr) return;
  freeRecord(heap, objects.edgeDockState);
  destroyOnHeap(heap, objects.desktopShell);
  freeRecord(heap, objects.edgeClick);
  freeRecord(heap, objects.barShown);
  destroyOnHeap(heap, objects.shortcutTable);
  freeRecord(heap, objects.shortcutFilePath);
  if (objects.launcherItems != nullptr) {
    clearLauncherItems(*objects.launcherItems);
    freeRecord(heap, objects.launcherItems);
  }
  destroyOnHeap(heap, objects.editTable);
  objects.heap = nullptr;
}

bool setShortcutFilePath(ProcessObjects& objects, std::string_view path) {
  if (objects.heap == nullptr) return false;
  auto* copy = static_cast<char*>(HeapAlloc(objects.heap, 0, path.size() + 1));
  if (copy == nullptr) return false;
  std::memcpy(copy, path.data(), path.size());
  copy[path.size()] = '\0';
  freeRecord(objects.heap, objects.shortcutFilePath);
  objects.shortcutFilePath = copy;
  return true;
}

}  // namespace corvalis
