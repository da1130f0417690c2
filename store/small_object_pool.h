// Size-class pool for a table's small blocks, carved out of pages of its private heap.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/heap_access.h"

namespace corvalis {

inline constexpr std::uint32_t kPoolClassCount = 36;
// Blocks above this size come straight from the heap and carry no slot header.
inline constexpr std::size_t kPoolLargestBlock = 1024;
// Every page has room for its class's slot count. With 8-byte page headers and slot
// headers a 64-bit build needs more room than 16384 bytes for the same counts.
inline constexpr std::uint32_t kPoolPageBytes = sizeof(void*) == 4 ? 16384 : 20480;
inline constexpr std::uint32_t kPoolPageCacheLimit = 5;
// Empty pages of classes up to this slot size stay in place when they are the
// only partial page of their class.
inline constexpr std::uint32_t kPoolKeptPageSlotLimit = 128;
// In front of every slot: the address of its page.
inline constexpr std::size_t kPoolSlotHeaderBytes = sizeof(void*);

// Page header; the free bitmap (bitmapWords 32-bit words) follows it directly and
// the slots start at firstSlot.
struct PoolPage {
  PoolPage* next;          // next page of the same list or of the page cache
  PoolPage** link;         // the pointer that points to this page
  unsigned char* firstSlot;
  std::uint32_t usedSlots;
  std::uint32_t wordMask;  // bit w: bitmap word w still has a free slot
};

struct SizeClass {
  std::uint32_t slotSize;
  std::uint32_t pageSize;
  std::uint32_t slotsPerPage;
  std::uint32_t bitmapWords;
  PoolPage* partialPages;
  PoolPage* fullPages;
};

struct SmallObjectPool {
  SizeClass classes[kPoolClassCount];
  std::uint32_t cachedPageCount;
  PoolPage* cachedPages;
};

// The heap that supplies the pool's record and pages.
struct PoolHeap {
  HeapHandle heap;
  HeapAllocateRoutine allocate;
  HeapFreeRoutine free;
};

// Class index for 0 <= size <= kPoolLargestBlock (0 counts as 8).
std::uint32_t poolSizeClass(std::size_t size);

// The page's free bitmap.
std::uint32_t* poolPageBitmap(PoolPage* page);

// Offset of slot 0 from the page start for a class with this many bitmap words.
std::size_t poolFirstSlotOffset(std::uint32_t bitmapWords);

// A zeroed pool record from the heap with the 36 classes filled in; null when the
// heap cannot supply it.
SmallObjectPool* createSmallObjectPool(const PoolHeap& heap);

// A block of at least size bytes; null when the heap cannot supply a page (or, for
// a large block, the block itself).
void* poolAllocate(SmallObjectPool& pool, const PoolHeap& heap, std::size_t size);

// Returns a block; size must be the size it was allocated with. Null is ignored.
void poolRelease(SmallObjectPool& pool, const PoolHeap& heap, void* block, std::size_t size);

}  // namespace corvalis
