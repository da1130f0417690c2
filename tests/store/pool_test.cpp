#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "test_support.h"

namespace corvalis {
namespace {

// The pool of a freshly initialised table.
class PoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text));
    pool = HashTableInternals::pool(table);
    ASSERT_NE(pool, nullptr);
  }
  static PoolPage* pageOf(void* block) {
    PoolPage* page;
    std::memcpy(&page, static_cast<unsigned char*>(block) - kPoolSlotHeaderBytes, sizeof page);
    return page;
  }
  SizeClass& sizeClass(std::uint32_t index) { return pool->classes[index]; }
  void* slot(PoolPage* page, std::uint32_t index, std::uint32_t slot) {
    return page->firstSlot + (sizeClass(index).slotSize + kPoolSlotHeaderBytes) * slot + kPoolSlotHeaderBytes;
  }

  HashTable table;
  SmallObjectPool* pool = nullptr;
};

TEST_F(PoolTest, ClassesAreExactlyAsTabled) {
  const std::uint32_t slotsPerPage[kPoolClassCount] = {1024, 813, 581, 452, 370, 313, 272, 239, 194, 162, 140, 123,
                                                       109,  98,  90,  82,  76,  70,  66,  62,  55,  49,  45,  41,
                                                       38,   35,  32,  30,  27,  24,  22,  20,  18,  17,  15,  14};
  const std::uint32_t bitmapWords[kPoolClassCount] = {32, 26, 19, 15, 12, 10, 9, 8, 7, 6, 5, 4, 4, 4, 3, 3, 3, 3,
                                                      3,  2,  2,  2,  2,  2,  2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  std::uint32_t slotSize = 0;
  for (std::uint32_t i = 0; i < kPoolClassCount; ++i) {
    slotSize += slotSize < 64 ? 8 : slotSize < 256 ? 16 : slotSize < 512 ? 32 : 64;
    EXPECT_EQ(sizeClass(i).slotSize, slotSize) << i;
    EXPECT_EQ(sizeClass(i).slotsPerPage, slotsPerPage[i]) << i;
    EXPECT_EQ(sizeClass(i).bitmapWords, bitmapWords[i]) << i;
    EXPECT_EQ(sizeClass(i).pageSize, sizeof(void*) == 4 ? 16384u : 20480u) << i;
    EXPECT_EQ(sizeClass(i).partialPages, nullptr);
  }
  EXPECT_EQ(slotSize, 1024u);
}

TEST_F(PoolTest, SizesGoToTheirClassesAndLargeBlocksToTheHeap) {
  const std::size_t sizes[] = {0, 1, 8, 9, 64, 65, 80, 81, 128, 129, 256, 257, 512, 513, 1024};
  const std::uint32_t classes[] = {0, 0, 0, 1, 7, 8, 8, 9, 11, 12, 19, 20, 27, 28, 35};
  for (int i = 0; i < 15; ++i) {
    void* block = table.poolAllocate(sizes[i]);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(pageOf(block), sizeClass(classes[i]).partialPages) << sizes[i];
    table.poolRelease(block, sizes[i]);
  }
  const std::uint32_t cached = pool->cachedPageCount;
  void* large = table.poolAllocate(1025);
  std::memset(large, 0x5A, 1025);  // all of it is the caller's, with no slot header
  EXPECT_EQ(pool->cachedPageCount, cached);  // no page was taken
  table.poolRelease(large, 1025);
}

TEST_F(PoolTest, LowestFreeSlotFirst) {
  std::vector<void*> blocks;
  for (int i = 0; i < 40; ++i) blocks.push_back(table.poolAllocate(20));  // class 2, two bitmap words in use
  PoolPage* page = sizeClass(2).partialPages;
  EXPECT_EQ(page->firstSlot, reinterpret_cast<unsigned char*>(page) + poolFirstSlotOffset(19));
  if (sizeof(void*) == 4) {
    EXPECT_EQ(poolFirstSlotOffset(19), 20u + 4 * 19);
  }
  for (std::uint32_t i = 0; i < 40; ++i) EXPECT_EQ(blocks[i], slot(page, 2, i)) << i;
  table.poolRelease(blocks[35], 20);
  table.poolRelease(blocks[3], 20);
  EXPECT_EQ(page->usedSlots, 38u);
  EXPECT_EQ(table.poolAllocate(20), blocks[3]);
  EXPECT_EQ(table.poolAllocate(20), blocks[35]);
  EXPECT_EQ(table.poolAllocate(20), slot(page, 2, 40));
}

TEST_F(PoolTest, FullPageMovesAndComesBackAtTheHead) {
  std::vector<void*> first;
  for (int i = 0; i < 14; ++i) first.push_back(table.poolAllocate(1000));  // class 35: 14 slots
  PoolPage* full = sizeClass(35).fullPages;
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(sizeClass(35).partialPages, nullptr);
  std::memset(first.back(), 0x77, 1024);  // the last slot lies wholly inside its page
  PoolPage* second = pageOf(table.poolAllocate(1000));
  EXPECT_EQ(sizeClass(35).partialPages, second);

  table.poolRelease(first[6], 1000);
  EXPECT_EQ(sizeClass(35).fullPages, nullptr);
  EXPECT_EQ(sizeClass(35).partialPages, full);
  EXPECT_EQ(full->next, second);
  EXPECT_EQ(second->link, &full->next);
  EXPECT_EQ(table.poolAllocate(1000), first[6]);
  EXPECT_EQ(sizeClass(35).fullPages, full);
  EXPECT_EQ(sizeClass(35).partialPages, second);
}

TEST_F(PoolTest, OnlyPartialPageOfClassesUpTo128IsKept) {
  void* small = table.poolAllocate(128);
  PoolPage* kept = pageOf(small);
  table.poolRelease(small, 128);
  EXPECT_EQ(sizeClass(11).partialPages, kept);
  EXPECT_EQ(pool->cachedPageCount, 0u);

  void* bigger = table.poolAllocate(144);
  PoolPage* cached = pageOf(bigger);
  table.poolRelease(bigger, 144);
  EXPECT_EQ(sizeClass(12).partialPages, nullptr);
  EXPECT_EQ(pool->cachedPageCount, 1u);
  EXPECT_EQ(pool->cachedPages, cached);
}

TEST_F(PoolTest, CacheHoldsFivePagesAndReusesThemForAnyClass) {
  testing::CountedHeapScope counted(table);
  std::vector<std::pair<void*, std::size_t>> blocks;
  for (std::size_t size : {144, 160, 176, 192, 208, 224}) blocks.emplace_back(table.poolAllocate(size), size);
  EXPECT_EQ(testing::CountingHeap::allocations, 6);
  for (auto& [block, size] : blocks) table.poolRelease(block, size);
  EXPECT_EQ(pool->cachedPageCount, 5u);
  EXPECT_EQ(testing::CountingHeap::frees, 1);  // the sixth page went back to the heap

  // A cached page taken by another class is laid out afresh for it.
  PoolPage* page = pool->cachedPages;
  std::memset(reinterpret_cast<unsigned char*>(page) + 64, 0x11, 1024);  // stale content
  void* block = table.poolAllocate(8);
  EXPECT_EQ(pageOf(block), page);
  EXPECT_EQ(pool->cachedPageCount, 4u);
  EXPECT_EQ(page->link, &sizeClass(0).partialPages);
  EXPECT_EQ(page->next, nullptr);
  EXPECT_EQ(page->firstSlot, reinterpret_cast<unsigned char*>(page) + poolFirstSlotOffset(32));
  EXPECT_EQ(page->usedSlots, 1u);
  EXPECT_EQ(page->wordMask, 0xFFFFFFFFu);
  EXPECT_EQ(poolPageBitmap(page)[0], 0xFFFFFFFEu);
  for (int w = 1; w < 32; ++w) EXPECT_EQ(poolPageBitmap(page)[w], 0xFFFFFFFFu) << w;
  EXPECT_EQ(block, slot(page, 0, 0));
  for (std::size_t size : {64, 80, 96, 112}) table.poolAllocate(size);
  EXPECT_EQ(testing::CountingHeap::allocations, 6);  // all four from the cache
  table.poolAllocate(240);
  EXPECT_EQ(testing::CountingHeap::allocations, 7);
  testing::CountingHeap::allowance = 0;  // and with no page to be had, no block
  EXPECT_EQ(table.poolAllocate(250), nullptr);
  EXPECT_EQ(table.poolAllocate(4000), nullptr);
  EXPECT_EQ(sizeClass(19).partialPages, nullptr);
}

}  // namespace
}  // namespace corvalis
