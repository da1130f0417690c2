// Test-only view into a table's private fields.
#pragma once

#include "store/hash_table.h"

namespace corvalis {

struct HashTableInternals {
  static SmallObjectPool* pool(const HashTable& table) { return table.pool_; }
  static HeapHandle privateHeap(const HashTable& table) { return table.privateHeap_; }
  static std::uint32_t growThreshold(const HashTable& table) { return table.growThreshold_; }
  static std::uint32_t shrinkAllowed(const HashTable& table) { return table.shrinkAllowed_; }
  static std::uint32_t longestTextKey(const HashTable& table) { return table.longestTextKey_; }
  static std::uint32_t hasSse42(const HashTable& table) { return table.hasSse42_; }
  static std::uint32_t hashText(const HashTable& table, const char* text, std::uint32_t* length) {
    return table.hashText(text, length);
  }
  static void setHeapRoutines(HashTable& table, HeapAllocateRoutine allocate, HeapFreeRoutine free,
                              HeapReallocateRoutine reallocate) {
    table.heapAllocate_ = allocate;
    table.heapFree_ = free;
    table.heapReallocate_ = reallocate;
  }
};

}  // namespace corvalis
