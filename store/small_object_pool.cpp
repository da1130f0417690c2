#include "store/small_object_pool.h"

#include <cstring>

namespace corvalis {

namespace {

struct ClassShape {
  std::uint32_t slotSize;
  std::uint32_t slotsPerPage;
};

// Several counts are one below what would fit; the pool uses exactly these.
constexpr ClassShape kClassShapes[kPoolClassCount] = {
    {8, 1024},  {16, 813},  {24, 581},  {32, 452},  {40, 370},  {48, 313},  {56, 272},  {64, 239},  {80, 194},
    {96, 162},  {112, 140}, {128, 123}, {144, 109}, {160, 98},  {176, 90},  {192, 82},  {208, 76},  {224, 70},
    {240, 66},  {256, 62},  {288, 55},  {320, 49},  {352, 45},  {384, 41},  {416, 38},  {448, 35},  {480, 32},
    {512, 30},  {576, 27},  {640, 24},  {704, 22},  {768, 20},  {832, 18},  {896, 17},  {960, 15},  {1024, 14},
};

constexpr std::uint32_t bitmapWordsFor(std::uint32_t slotsPerPage) { return (slotsPerPage + 31) / 32; }

constexpr std::size_t firstSlotOffset(std::uint32_t bitmapWords) {
  const std::size_t raw = sizeof(PoolPage) + 4 * static_cast<std::size_t>(bitmapWords);
  return (raw + alignof(void*) - 1) & ~(alignof(void*) - 1);
}

constexpr bool everyClassFitsItsPage() {
  for (const ClassShape& shape : kClassShapes) {
    const std::size_t end = firstSlotOffset(bitmapWordsFor(shape.slotsPerPage)) +
                            static_cast<std::size_t>(shape.slotsPerPage) * (shape.slotSize + kPoolSlotHeaderBytes);
    if (end > kPoolPageBytes) return false;
  }
  return true;
}
static_assert(everyClassFitsItsPage(), "a size class does not fit its page");
static_assert(sizeof(void*) != 4 || sizeof(PoolPage) == 20, "32-bit page header is five 32-bit fields");

std::uint32_t lowestSetBit(std::uint32_t value) { return static_cast<std::uint32_t>(__builtin_ctz(value)); }

void unlink(PoolPage* page) {
  *page->link = page->next;
  if (page->next != nullptr) page->next->link = page->link;
  page->next = nullptr;
  page->link = nullptr;
}

void pushFront(PoolPage** head, PoolPage* page) {
  page->next = *head;
  if (page->next != nullptr) page->next->link = &page->next;
  *head = page;
  page->link = head;
}

PoolPage* obtainPage(SmallObjectPool& pool, const PoolHeap& heap) {
  if (pool.cachedPageCount > 0 && pool.cachedPages != nullptr) {
    --pool.cachedPageCount;
    PoolPage* page = pool.cachedPages;
    pool.cachedPages = page->next;
    return page;
  }
  return static_cast<PoolPage*>(heap.allocate(heap.heap, 0, kPoolPageBytes));
}

// Lays a page out for a class, whatever it held before, as the head of partialPages.
void layOut(SizeClass& sizeClass, PoolPage* page) {
  page->next = nullptr;
  page->usedSlots = 0;
  page->firstSlot = reinterpret_cast<unsigned char*>(page) + firstSlotOffset(sizeClass.bitmapWords);
  // Bits beyond slotsPerPage in the last word are set too; they are never reached.
  page->wordMask = 0xFFFFFFFFu;
  std::uint32_t* bitmap = poolPageBitmap(page);
  for (std::uint32_t w = 0; w < sizeClass.bitmapWords; ++w) bitmap[w] = 0xFFFFFFFFu;
  pushFront(&sizeClass.partialPages, page);
}

std::size_t slotStride(const SizeClass& sizeClass) { return sizeClass.slotSize + kPoolSlotHeaderBytes; }

}  // namespace

std::uint32_t poolSizeClass(std::size_t size) {
  if (size == 0) size = 8;
  const auto n = static_cast<std::uint32_t>(size);
  if (n <= 64) return (n + 7) / 8 - 1;
  if (n <= 256) return 8 + (n - 64 + 15) / 16 - 1;
  if (n <= 512) return 20 + (n - 256 + 31) / 32 - 1;
  return 28 + (n - 512 + 63) / 64 - 1;
}

std::uint32_t* poolPageBitmap(PoolPage* page) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<unsigned char*>(page) + sizeof(PoolPage));
}

std::size_t poolFirstSlotOffset(std::uint32_t bitmapWords) { return firstSlotOffset(bitmapWords); }

SmallObjectPool* createSmallObjectPool(const PoolHeap& heap) {
  if (heap.heap == nullptr || heap.allocate == nullptr) return nullptr;
  auto* pool = static_cast<SmallObjectPool*>(heap.allocate(heap.heap, kHeapZeroMemory, sizeof(SmallObjectPool)));
  if (pool == nullptr) return nullptr;
  for (std::uint32_t i = 0; i < kPoolClassCount; ++i) {
    SizeClass& sizeClass = pool->classes[i];
    sizeClass.slotSize = kClassShapes[i].slotSize;
    sizeClass.pageSize = kPoolPageBytes;
    sizeClass.slotsPerPage = kClassShapes[i].slotsPerPage;
    sizeClass.bitmapWords = bitmapWordsFor(kClassShapes[i].slotsPerPage);
  }
  return pool;
}

void* poolAllocate(SmallObjectPool& pool, const PoolHeap& heap, std::size_t size) {
  if (size > kPoolLargestBlock) return heap.allocate(heap.heap, 0, size);
  SizeClass& sizeClass = pool.classes[poolSizeClass(size)];
  PoolPage* page = sizeClass.partialPages;
  if (page == nullptr) {
    page = obtainPage(pool, heap);
    if (page == nullptr) return nullptr;
    layOut(sizeClass, page);
  }
  std::uint32_t* bitmap = poolPageBitmap(page);
  const std::uint32_t w = lowestSetBit(page->wordMask);
  const std::uint32_t b = lowestSetBit(bitmap[w]);
  bitmap[w] &= ~(1u << b);
  if (bitmap[w] == 0) page->wordMask &= ~(1u << w);
  if (++page->usedSlots == sizeClass.slotsPerPage) {
    unlink(page);
    pushFront(&sizeClass.fullPages, page);
  }
  unsigned char* slot = page->firstSlot + slotStride(sizeClass) * (32 * w + b);
  std::memcpy(slot, &page, sizeof page);
  return slot + kPoolSlotHeaderBytes;
}

void poolRelease(SmallObjectPool& pool, const PoolHeap& heap, void* block, std::size_t size) {
  if (block == nullptr) return;
  if (size > kPoolLargestBlock) {
    heap.free(heap.heap, 0, block);
    return;
  }
  SizeClass& sizeClass = pool.classes[poolSizeClass(size)];
  unsigned char* slot = static_cast<unsigned char*>(block) - kPoolSlotHeaderBytes;
  PoolPage* page = nullptr;
  std::memcpy(&page, slot, sizeof page);
  const auto index = static_cast<std::uint32_t>(static_cast<std::size_t>(slot - page->firstSlot) / slotStride(sizeClass));
  const std::uint32_t w = index / 32;
  const std::uint32_t b = index % 32;
  std::uint32_t* bitmap = poolPageBitmap(page);
  if (bitmap[w] == 0) page->wordMask |= 1u << w;
  bitmap[w] |= 1u << b;

  const std::uint32_t oldUsed = page->usedSlots;
  if (oldUsed != 0) --page->usedSlots;
  if (oldUsed == sizeClass.slotsPerPage) {
    unlink(page);
    pushFront(&sizeClass.partialPages, page);
    return;
  }
  if (page->usedSlots != 0) return;

  // Empty. The only partial page of a small class stays, so that adding and
  // removing one small entry over and over does not take and return a page each time.
  if (page->next == nullptr && sizeClass.slotSize <= kPoolKeptPageSlotLimit && page->link == &sizeClass.partialPages)
    return;
  unlink(page);
  if (pool.cachedPageCount < kPoolPageCacheLimit) {
    page->next = pool.cachedPages;
    pool.cachedPages = page;
    ++pool.cachedPageCount;
  } else {
    heap.free(heap.heap, 0, page);
  }
}

}  // namespace corvalis
