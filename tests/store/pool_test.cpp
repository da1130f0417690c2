#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hash_table_internals.h"
#include "store/small_object_pool.h"
#include "test_support.h"

namespace corvalis {
namespace {

using testing::CountingHeap;

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
  std::size_t stride(std::uint32_t index) { return pool->classes[index].slotSize + kPoolSlotHeaderBytes; }
  unsigned char* slotBlock(PoolPage* page, std::uint32_t index, std::uint32_t slot) {
    return page->firstSlot + stride(index) * slot + kPoolSlotHeaderBytes;
  }
  static std::uint32_t listLength(PoolPage* head) {
    std::uint32_t n = 0;
    for (; head != nullptr; head = head->next) ++n;
    return n;
  }

  HashTable table;
  SmallObjectPool* pool = nullptr;
};

TEST_F(PoolTest, ClassesAreExactlyAsTabled) {
  const struct {
    std::uint32_t slotSize, slotsPerPage, bitmapWords;
  } expected[kPoolClassCount] = {
      {8, 1024, 32}, {16, 813, 26}, {24, 581, 19}, {32, 452, 15}, {40, 370, 12}, {48, 313, 10}, {56, 272, 9},
      {64, 239, 8},  {80, 194, 7},  {96, 162, 6},  {112, 140, 5}, {128, 123, 4}, {144, 109, 4}, {160, 98, 4},
      {176, 90, 3},  {192, 82, 3},  {208, 76, 3},  {224, 70, 3},  {240, 66, 3},  {256, 62, 2},  {288, 55, 2},
      {320, 49, 2},  {352, 45, 2},  {384, 41, 2},  {416, 38, 2},  {448, 35, 2},  {480, 32, 1},  {512, 30, 1},
      {576, 27, 1},  {640, 24, 1},  {704, 22, 1},  {768, 20, 1},  {832, 18, 1},  {896, 17, 1},  {960, 15, 1},
      {1024, 14, 1}};
  const std::uint32_t pageBytes = sizeof(void*) == 4 ? 16384u : 20480u;
  for (std::uint32_t i = 0; i < kPoolClassCount; ++i) {
    EXPECT_EQ(sizeClass(i).slotSize, expected[i].slotSize) << i;
    EXPECT_EQ(sizeClass(i).slotsPerPage, expected[i].slotsPerPage) << i;
    EXPECT_EQ(sizeClass(i).bitmapWords, expected[i].bitmapWords) << i;
    EXPECT_EQ(sizeClass(i).pageSize, pageBytes) << i;
    EXPECT_EQ(sizeClass(i).partialPages, nullptr) << i;
    EXPECT_EQ(sizeClass(i).fullPages, nullptr) << i;
  }
  EXPECT_EQ(pool->cachedPageCount, 0u);
  EXPECT_EQ(pool->cachedPages, nullptr);
}

TEST_F(PoolTest, SizesMapToTheirClasses) {
  const struct {
    std::size_t size;
    std::uint32_t sizeClass;
  } cases[] = {{0, 0},    {1, 0},    {8, 0},    {9, 1},    {16, 1},   {17, 2},   {64, 7},
               {65, 8},   {80, 8},   {81, 9},   {128, 11}, {129, 12}, {256, 19}, {257, 20},
               {288, 20}, {289, 21}, {512, 27}, {513, 28}, {576, 28}, {577, 29}, {1024, 35}};
  for (const auto& c : cases) {
    EXPECT_EQ(poolSizeClass(c.size), c.sizeClass) << c.size;
    void* block = table.poolAllocate(c.size);
    ASSERT_NE(block, nullptr);
    // The block lives on a page of exactly that class.
    EXPECT_EQ(pageOf(block), sizeClass(c.sizeClass).partialPages) << c.size;
    table.poolRelease(block, c.size);
  }
}

TEST_F(PoolTest, LargeBlocksBypassThePool) {
  void* block = table.poolAllocate(1025);
  ASSERT_NE(block, nullptr);
  std::memset(block, 0x5A, 1025);  // all of it is the caller's
  for (std::uint32_t i = 0; i < kPoolClassCount; ++i) EXPECT_EQ(sizeClass(i).partialPages, nullptr) << i;
  table.poolRelease(block, 1025);
}

TEST_F(PoolTest, LowestFreeSlotFirstAndFreshPageLayout) {
  std::vector<void*> blocks;
  for (int i = 0; i < 5; ++i) blocks.push_back(table.poolAllocate(20));  // class 2 (24)
  PoolPage* page = sizeClass(2).partialPages;
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->firstSlot, reinterpret_cast<unsigned char*>(page) + poolFirstSlotOffset(19));
  if (sizeof(void*) == 4) {
    EXPECT_EQ(page->firstSlot, reinterpret_cast<unsigned char*>(page) + 20 + 4 * 19);
  }
  for (std::uint32_t i = 0; i < 5; ++i) EXPECT_EQ(blocks[i], slotBlock(page, 2, i)) << i;
  EXPECT_EQ(page->usedSlots, 5u);
  EXPECT_EQ(poolPageBitmap(page)[0], 0xFFFFFFFFu << 5);

  table.poolRelease(blocks[3], 20);
  table.poolRelease(blocks[1], 20);
  EXPECT_EQ(page->usedSlots, 3u);
  EXPECT_EQ(table.poolAllocate(20), blocks[1]);
  EXPECT_EQ(table.poolAllocate(20), blocks[3]);
  EXPECT_EQ(table.poolAllocate(20), slotBlock(page, 2, 5));
}

TEST_F(PoolTest, BitmapCrossesWordsAndSlotsStayInsideThePage) {
  // Class 0 has 1024 slots over 32 bitmap words; fill the page, writing every byte.
  std::vector<void*> blocks;
  for (int i = 0; i < 1024; ++i) {
    void* block = table.poolAllocate(8);
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xEE, 8);
    blocks.push_back(block);
  }
  PoolPage* page = sizeClass(0).fullPages;
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(sizeClass(0).partialPages, nullptr);
  EXPECT_EQ(page->wordMask, 0u);
  const auto* pageEnd = reinterpret_cast<unsigned char*>(page) + kPoolPageBytes;
  EXPECT_LE(static_cast<unsigned char*>(blocks.back()) + 8, pageEnd);
  // Release slot 70 (word 2, bit 6): word 2 becomes available again.
  table.poolRelease(blocks[70], 8);
  EXPECT_EQ(page->wordMask, 1u << 2);
  EXPECT_EQ(poolPageBitmap(page)[2], 1u << 6);
  EXPECT_EQ(table.poolAllocate(8), blocks[70]);
}

TEST_F(PoolTest, FullPageMovesAndComesBackAtTheHead) {
  const std::uint32_t kClass = 35;  // 1024-byte slots, 14 to a page
  std::vector<void*> first;
  for (std::uint32_t i = 0; i < 14; ++i) first.push_back(table.poolAllocate(1000));
  PoolPage* full = sizeClass(kClass).fullPages;
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(sizeClass(kClass).partialPages, nullptr);
  EXPECT_EQ(full->link, &sizeClass(kClass).fullPages);
  EXPECT_EQ(full->usedSlots, 14u);

  void* onSecond = table.poolAllocate(1000);
  PoolPage* second = sizeClass(kClass).partialPages;
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, full);
  EXPECT_EQ(pageOf(onSecond), second);

  table.poolRelease(first[6], 1000);
  EXPECT_EQ(sizeClass(kClass).fullPages, nullptr);
  EXPECT_EQ(sizeClass(kClass).partialPages, full);
  EXPECT_EQ(full->next, second);
  EXPECT_EQ(second->link, &full->next);
  EXPECT_EQ(table.poolAllocate(1000), first[6]);
  EXPECT_EQ(sizeClass(kClass).fullPages, full);
  EXPECT_EQ(sizeClass(kClass).partialPages, second);
  EXPECT_EQ(second->link, &sizeClass(kClass).partialPages);
}

TEST_F(PoolTest, OnlyPartialPageOfSmallClassIsKept) {
  // A page that goes to the cache is the one the next class without pages takes.
  const struct {
    std::size_t size;
    std::uint32_t sizeClass;
    bool kept;
    std::uint32_t cachedAfter;
  } cases[] = {{128, 11, true, 0}, {8, 0, true, 0}, {144, 12, false, 1}, {1024, 35, false, 1}};
  for (const auto& c : cases) {
    void* block = table.poolAllocate(c.size);
    PoolPage* page = pageOf(block);
    table.poolRelease(block, c.size);
    if (c.kept) {
      EXPECT_EQ(sizeClass(c.sizeClass).partialPages, page) << c.size;
      EXPECT_EQ(page->usedSlots, 0u);
    } else {
      EXPECT_EQ(sizeClass(c.sizeClass).partialPages, nullptr) << c.size;
      EXPECT_EQ(pool->cachedPages, page) << c.size;
    }
    EXPECT_EQ(pool->cachedPageCount, c.cachedAfter) << c.size;
  }
}

TEST_F(PoolTest, EmptySmallPageWithAnotherPartialPageGoesToTheCache) {
  // Two partial pages of class 11: the one that empties has a next page, so it goes.
  std::vector<void*> blocks;
  for (int i = 0; i < 123; ++i) blocks.push_back(table.poolAllocate(128));
  void* other = table.poolAllocate(128);  // starts the second page
  PoolPage* firstPage = pageOf(blocks[0]);
  table.poolRelease(blocks[0], 128);       // first page back at the head, before the second
  ASSERT_EQ(sizeClass(11).partialPages, firstPage);
  ASSERT_NE(firstPage->next, nullptr);
  for (int i = 1; i < 123; ++i) table.poolRelease(blocks[i], 128);
  EXPECT_EQ(pool->cachedPageCount, 1u);
  EXPECT_EQ(pool->cachedPages, firstPage);
  EXPECT_EQ(sizeClass(11).partialPages, pageOf(other));
}

TEST_F(PoolTest, CacheHoldsAtMostFivePages) {
  CountingHeap::reset();
  HashTableInternals::setHeapRoutines(table, &CountingHeap::allocate, &CountingHeap::free, &CountingHeap::reallocate);
  // One page each in six classes of 144 bytes and more; empty them all.
  std::vector<std::pair<void*, std::size_t>> blocks;
  for (std::size_t size : {144, 160, 176, 192, 208, 224}) blocks.emplace_back(table.poolAllocate(size), size);
  EXPECT_EQ(CountingHeap::allocations, 6);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    table.poolRelease(blocks[i].first, blocks[i].second);
    EXPECT_EQ(pool->cachedPageCount, std::min<std::uint32_t>(static_cast<std::uint32_t>(i) + 1, 5)) << i;
  }
  EXPECT_EQ(listLength(pool->cachedPages), 5u);
  EXPECT_EQ(CountingHeap::frees, 1);  // the sixth page went back to the heap
  // The next five pages come from the cache, the sixth from the heap.
  for (std::size_t size : {64, 80, 96, 112, 240}) ASSERT_NE(table.poolAllocate(size), nullptr);
  EXPECT_EQ(CountingHeap::allocations, 6);
  EXPECT_EQ(pool->cachedPageCount, 0u);
  ASSERT_NE(table.poolAllocate(256), nullptr);
  EXPECT_EQ(CountingHeap::allocations, 7);
  HashTableInternals::setHeapRoutines(table, heapEntryPoints.allocate, heapEntryPoints.free,
                                      heapEntryPoints.reallocate);
}

TEST_F(PoolTest, CachedPageIsLaidOutAgainForAnotherClass) {
  void* big = table.poolAllocate(144);
  PoolPage* page = pageOf(big);
  std::memset(big, 0x11, 144);
  table.poolRelease(big, 144);
  ASSERT_EQ(pool->cachedPages, page);

  void* small = table.poolAllocate(8);
  EXPECT_EQ(pageOf(small), page);
  EXPECT_EQ(pool->cachedPageCount, 0u);
  EXPECT_EQ(sizeClass(0).partialPages, page);
  EXPECT_EQ(page->link, &sizeClass(0).partialPages);
  EXPECT_EQ(page->next, nullptr);
  EXPECT_EQ(page->firstSlot, reinterpret_cast<unsigned char*>(page) + poolFirstSlotOffset(32));
  EXPECT_EQ(page->usedSlots, 1u);
  EXPECT_EQ(page->wordMask, 0xFFFFFFFFu);
  EXPECT_EQ(poolPageBitmap(page)[0], 0xFFFFFFFEu);
  for (int w = 1; w < 32; ++w) EXPECT_EQ(poolPageBitmap(page)[w], 0xFFFFFFFFu) << w;
  EXPECT_EQ(small, slotBlock(page, 0, 0));
}

TEST_F(PoolTest, NullReleaseAndExhaustedHeap) {
  table.poolRelease(nullptr, 8);  // ignored
  for (std::uint32_t i = 0; i < kPoolClassCount; ++i) EXPECT_EQ(sizeClass(i).partialPages, nullptr);

  CountingHeap::reset();
  CountingHeap::allocationsAllowed = 0;
  HashTableInternals::setHeapRoutines(table, &CountingHeap::allocate, &CountingHeap::free, &CountingHeap::reallocate);
  EXPECT_EQ(table.poolAllocate(40), nullptr);  // no page to be had
  EXPECT_EQ(table.poolAllocate(4000), nullptr);
  EXPECT_EQ(sizeClass(4).partialPages, nullptr);
  CountingHeap::allocationsAllowed = -1;
  EXPECT_NE(table.poolAllocate(40), nullptr);
  HashTableInternals::setHeapRoutines(table, heapEntryPoints.allocate, heapEntryPoints.free,
                                      heapEntryPoints.reallocate);
}

TEST(Pool, DirectHeapTablesHaveNoPool) {
  HashTable table;
  TableSettings settings;
  settings.directHeap = true;
  ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text, settings));
  EXPECT_EQ(HashTableInternals::pool(table), nullptr);
  EXPECT_EQ(HashTableInternals::directHeap(table), 1u);
  EXPECT_EQ(table.set("key", "value"), SetResult::Added);
  EXPECT_STREQ(table.get("key").get(), "value");
  EXPECT_TRUE(table.remove("key"));
}

TEST(Pool, FreeFunctionsForwardToTheTable) {
  HashTable table;
  EXPECT_FALSE(setUpPool(table));  // no private heap yet
  EXPECT_EQ(poolAllocate(table, 8), nullptr);
  ASSERT_TRUE(table.initialize(KeyKind::Text, ValueKind::Text));
  void* block = poolAllocate(table, 8);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(HashTableInternals::pool(table)->classes[0].partialPages->usedSlots, 1u);
  poolRelease(table, block, 8);
  EXPECT_EQ(HashTableInternals::pool(table)->classes[0].partialPages->usedSlots, 0u);
}

}  // namespace
}  // namespace corvalis
