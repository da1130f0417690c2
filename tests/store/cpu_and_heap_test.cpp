#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

namespace corvalis {
namespace {

TEST(HeapAccess, ResolvesOnceAndBindsTheCurrentCrcFlag) {
  resolveHeapAccess();
  ASSERT_EQ(cpuFeatures.done, 1u);
  ASSERT_TRUE(heapEntryPoints.allocate && heapEntryPoints.reallocate && heapEntryPoints.free);
  {
    testing::ScopedCpuFeatures noCrc(true, false, true);
    resolveHeapAccess();  // returns at once: the lowered flag stays
    EXPECT_EQ(cpuFeatures.hasSse42, 0u);
    HashTable table;
    EXPECT_EQ(HashTableInternals::hasSse42(table), 0u);
  }
  HashTable table;
  EXPECT_EQ(HashTableInternals::hasSse42(table), testing::processorHasCrc32c() ? 1u : 0u);
}

TEST(PlatformHeap, ZeroFlagReallocateAndDestroyInOneStep) {
  resolveHeapAccess();
  HeapHandle heap = platform::createPrivateHeap();
  ASSERT_NE(heap, nullptr);
  auto* block = static_cast<unsigned char*>(heapEntryPoints.allocate(heap, kHeapZeroMemory, 100));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(block[i], 0) << i;
  std::memset(block, 0xAB, 100);
  block = static_cast<unsigned char*>(heapEntryPoints.reallocate(heap, kHeapZeroMemory, block, 300));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 300; ++i) ASSERT_EQ(block[i], i < 100 ? 0xAB : 0) << i;
  // Blocks left in the heap go with it; the leak checker would report them otherwise.
  for (int i = 0; i < 20; ++i) ASSERT_NE(heapEntryPoints.allocate(heap, 0, 16 + i), nullptr);
  EXPECT_TRUE(platform::destroyPrivateHeap(heap));
  EXPECT_EQ(platform::processHeap(), platform::processHeap());
}

TEST(Owners, OutputsReleaseTheirOldContentFirst) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  table.set("a", "first");
  table.set("b", "second");
  const HeapEntryPoints saved = heapEntryPoints;
  heapEntryPoints.free = &testing::CountingHeap::free;  // owners release through here
  testing::CountingHeap::frees = 0;
  {
    ProcessHeapText value(copyToProcessHeap("old", 3));
    ProcessHeapText moved(std::move(value));
    EXPECT_EQ(value.get(), nullptr);
    ASSERT_TRUE(table.tryGet("a", moved));
    EXPECT_STREQ(moved.get(), "first");
    EXPECT_EQ(testing::CountingHeap::frees, 1);  // "old"
    ProcessHeapList list;
    ASSERT_EQ(table.keys(list), 2u);
    ASSERT_EQ(table.values(list), 2u);
    EXPECT_EQ(testing::CountingHeap::frees, 4);  // and the two keys with their list
  }
  EXPECT_EQ(testing::CountingHeap::frees, 8);  // "first", two values, the list
  heapEntryPoints = saved;
}

}  // namespace
}  // namespace corvalis
