#include <gtest/gtest.h>

#include <cstring>

#include "hash_table_internals.h"
#include "store/heap_access.h"
#include "store/platform_heap.h"
#include "test_support.h"

namespace corvalis {
namespace {

using testing::CountingHeap;

TEST(HeapAccess, ResolvesOnceAndLaterCallsChangeNothing) {
  resolveHeapAccess();
  ASSERT_EQ(cpuFeatures.done, 1u);
  ASSERT_NE(heapEntryPoints.allocate, nullptr);
  ASSERT_NE(heapEntryPoints.reallocate, nullptr);
  ASSERT_NE(heapEntryPoints.free, nullptr);

  const CpuFeatures saved = cpuFeatures;
  cpuFeatures.hasSse2 = cpuFeatures.hasSse42 = cpuFeatures.hasAvx2 = 0;
  resolveHeapAccess();  // must return at once, leaving the record as it is
  EXPECT_EQ(cpuFeatures.hasSse2, 0u);
  EXPECT_EQ(cpuFeatures.hasSse42, 0u);
  EXPECT_EQ(cpuFeatures.hasAvx2, 0u);
  cpuFeatures = saved;
}

TEST(HeapAccess, FeaturesAreConsistent) {
  const CpuFeatures features = detectCpuFeatures();
  // Every processor with AVX2 or SSE4.2 has SSE2; the flags are plain 0 or 1.
  for (std::uint32_t flag : {features.hasSse2, features.hasSse42, features.hasAvx2}) EXPECT_LE(flag, 1u);
  if (features.hasAvx2 != 0 || features.hasSse42 != 0) {
    EXPECT_EQ(features.hasSse2, 1u);
  }
#if defined(__x86_64__)
  EXPECT_EQ(features.hasSse2, 1u);  // part of the 64-bit baseline
#endif
}

TEST(HeapAccess, BindCopiesTheCurrentCrcFlag) {
  {
    testing::ScopedCpuFeatures noCrc(true, false, true);
    HashTable table;
    EXPECT_EQ(HashTableInternals::hasSse42(table), 0u);
  }
  HashTable table;
  EXPECT_EQ(HashTableInternals::hasSse42(table), testing::processorHasCrc32c() ? 1u : 0u);
}

TEST(PlatformHeap, ZeroFlagReallocateAndDestroy) {
  resolveHeapAccess();
  HeapHandle heap = platform::createPrivateHeap();
  ASSERT_NE(heap, nullptr);
  auto* zeroed = static_cast<unsigned char*>(heapEntryPoints.allocate(heap, kHeapZeroMemory, 100));
  ASSERT_NE(zeroed, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(zeroed[i], 0) << i;
  std::memset(zeroed, 0xAB, 100);

  auto* grown = static_cast<unsigned char*>(heapEntryPoints.reallocate(heap, kHeapZeroMemory, zeroed, 300));
  ASSERT_NE(grown, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(grown[i], 0xAB) << i;
  for (int i = 100; i < 300; ++i) ASSERT_EQ(grown[i], 0) << i;

  // Blocks still in the heap go with it (the leak checker would notice otherwise).
  for (int i = 0; i < 50; ++i) ASSERT_NE(heapEntryPoints.allocate(heap, 0, 16 + i), nullptr);
  EXPECT_NE(heapEntryPoints.free(heap, 0, grown), 0);
  EXPECT_TRUE(platform::destroyPrivateHeap(heap));
}

TEST(PlatformHeap, ProcessHeapIsOneHeapAndNotDestroyable) {
  resolveHeapAccess();
  EXPECT_EQ(platform::processHeap(), platform::processHeap());
#if !defined(_WIN32)
  EXPECT_FALSE(platform::destroyPrivateHeap(platform::processHeap()));
  // A block handed to the wrong heap is refused rather than freed.
  HeapHandle heap = platform::createPrivateHeap();
  void* block = heapEntryPoints.allocate(heap, 0, 8);
  EXPECT_EQ(heapEntryPoints.free(platform::processHeap(), 0, block), 0);
  EXPECT_TRUE(platform::destroyPrivateHeap(heap));
#endif
}

TEST(Owners, TextBytesAndListReleaseThroughTheProcessHeap) {
  resolveHeapAccess();
  const HeapEntryPoints saved = heapEntryPoints;
  CountingHeap::reset();
  heapEntryPoints.free = &CountingHeap::free;
  {
    ProcessHeapText text(copyToProcessHeap("hello", 5));
    ASSERT_STREQ(text.get(), "hello");
    EXPECT_EQ(text.length(), 5u);
    ProcessHeapText moved(std::move(text));
    EXPECT_EQ(text.get(), nullptr);
    EXPECT_STREQ(text.c_str(), "");
    EXPECT_STREQ(moved.get(), "hello");
    EXPECT_EQ(CountingHeap::frees, 0);
    moved.reset(copyToProcessHeap("x", 1));
    EXPECT_EQ(CountingHeap::frees, 1);
  }
  EXPECT_EQ(CountingHeap::frees, 2);
  heapEntryPoints = saved;
}

TEST(Owners, OperationsReleaseTheOldContentOfTheirOutput) {
  HashTable table;
  ASSERT_TRUE(testing::initializeShortcutTable(table));
  ASSERT_EQ(table.set("a", "first"), SetResult::Added);
  ASSERT_EQ(table.set("b", "second"), SetResult::Added);

  const HeapEntryPoints saved = heapEntryPoints;
  CountingHeap::reset();
  heapEntryPoints.free = &CountingHeap::free;
  ProcessHeapText value(copyToProcessHeap("old", 3));
  ASSERT_TRUE(table.tryGet("a", value));
  EXPECT_STREQ(value.get(), "first");
  EXPECT_EQ(CountingHeap::frees, 1);  // "old" went back to the heap

  ProcessHeapList list;
  ASSERT_EQ(table.keys(list), 2u);
  const int before = CountingHeap::frees;
  ASSERT_EQ(table.values(list), 2u);  // two key copies and the list block released
  EXPECT_EQ(CountingHeap::frees - before, 3);
  list.reset();
  heapEntryPoints = saved;
}

}  // namespace
}  // namespace corvalis
