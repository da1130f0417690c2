#include "launcher/launcher_items.h"

#include <cstring>

namespace corvalis {

void initializeLauncherItems(LauncherItems& items, HANDLE heap) { items = LauncherItems{heap, nullptr, 0, 0}; }

bool appendLauncherItem(LauncherItems& items, std::int32_t itemValue, std::string_view path) {
  if (items.heap == nullptr) return false;
  if (items.count == items.capacity) {
    const std::uint32_t capacity = items.capacity == 0 ? 8 : items.capacity * 2;
    if (capacity < items.capacity) return false;
    const SIZE_T bytes = static_cast<SIZE_T>(capacity) * sizeof(LauncherItem*);
    void* grown = items.records == nullptr ? HeapAlloc(items.heap, HEAP_ZERO_MEMORY, bytes)
                                           : HeapReAlloc(items.heap, HEAP_ZERO_MEMORY, items.records, bytes);
    if (grown == nullptr) return false;
    items.records = static_cast<LauncherItem**>(grown);
    items.capacity = capacity;
  }
  auto* pathCopy = static_cast<char*>(HeapAlloc(items.heap, 0, path.size() + 1));
  if (pathCopy == nullptr) return false;
  std::memcpy(pathCopy, path.data(), path.size());
  pathCopy[path.size()] = '\0';
  auto* record = static_cast<LauncherItem*>(HeapAlloc(items.heap, 0, sizeof(LauncherItem)));
  if (record == nullptr) {
    HeapFree(items.heap, 0, pathCopy);
    return false;
  }
  record->itemValue = itemValue;
  record->path = pathCopy;
  items.records[items.count++] = record;
  return true;
}

const LauncherItem* launcherItemAt(const LauncherItems& items, std::uint32_t index) {
  return index < items.count ? items.records[index] : nullptr;
}

void clearLauncherItems(LauncherItems& items) {
  for (std::uint32_t i = 0; i < items.count; ++i) {
    LauncherItem* record = items.records[i];
    if (record->path != nullptr) HeapFree(items.heap, 0, record->path);
    HeapFree(items.heap, 0, record);
  }
  if (items.records != nullptr) HeapFree(items.heap, 0, items.records);
  items.records = nullptr;
  items.count = 0;
  items.capacity = 0;
}

}  // namespace corvalis
