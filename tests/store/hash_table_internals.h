// Test-only view into a table's private fields.
#pragma once

#include "store/hash_table.h"

namespace corvalis {

struct HashTableInternals {
  static SmallObjectPool* pool(const HashTable& table) { return table.pool_; }
  static HeapHandle privateHeap(const HashTable& table) { return table.privateHeap_; }
  static std::uint32_t growThreshold(const HashTable& table) { return table.growThreshold_; }
  static float loadFactor(const HashTable& table) { return table.loadFactor_; }
  static std::uint32_t indexShift(const HashTable& table) { return table.indexShift_; }
  static std::uint32_t longestTextKey(const HashTable& table) { return table.longestTextKey_; }
  static std::uint32_t shrinkAllowed(const HashTable& table) { return table.shrinkAllowed_; }
  static std::uint32_t ordered(const HashTable& table) { return table.ordered_; }
  static std::uint32_t directHeap(const HashTable& table) { return table.directHeap_; }
  static std::uint32_t hasSse42(const HashTable& table) { return table.hasSse42_; }
  static std::uint32_t valueSlotSize(const HashTable& table) { return table.valueSlotSize_; }
  static void setHasSse42(HashTable& table, bool on) { table.hasSse42_ = on ? 1 : 0; }
  static HashNode* bucketHead(const HashTable& table, std::uint32_t index) { return table.buckets_[index]; }

  static void setHeapRoutines(HashTable& table, HeapAllocateRoutine allocate, HeapFreeRoutine free,
                              HeapReallocateRoutine reallocate) {
    table.heapAllocate_ = allocate;
    table.heapFree_ = free;
    table.heapReallocate_ = reallocate;
  }

  static std::uint32_t hashText(const HashTable& table, const char* text, std::uint32_t* length) {
    return table.hashText(text, length);
  }
  static std::uint32_t hashEightBytes(const HashTable& table, std::uint64_t value) {
    return table.hashEightBytes(value);
  }
};

}  // namespace corvalis
