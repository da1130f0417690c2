#include "program/process_objects.h"

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "store/hash_table.h"
#include "tests/app/heap_blocks.h"

namespace corvalis {
namespace {

bool allZero(const void* memory, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(memory);
  for (std::size_t i = 0; i < size; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

// The objects on a private heap of the test's own, so that what stays behind is seen.
class ProcessObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    heap_ = HeapCreate(0, 0, 0);
    ASSERT_NE(heap_, nullptr);
    emptyHeapBlocks_ = busyBlocks(heap_);
  }
  void TearDown() override {
    releaseProcessObjects(objects_);
    HeapDestroy(heap_);
    OleUninitialize();
  }
  HANDLE heap_ = nullptr;
  int emptyHeapBlocks_ = 0;
  ProcessObjects objects_;
};

TEST_F(ProcessObjectsTest, CreatedZeroedAndUsable) {
  ASSERT_TRUE(createProcessObjects(objects_, heap_));
  ASSERT_NE(objects_.edgeDockState, nullptr);
  ASSERT_NE(objects_.desktopShell, nullptr);
  ASSERT_NE(objects_.edgeClick, nullptr);
  ASSERT_NE(objects_.barShown, nullptr);
  ASSERT_NE(objects_.shortcutTable, nullptr);
  ASSERT_NE(objects_.launcherItems, nullptr);
  ASSERT_NE(objects_.editTable, nullptr);
  EXPECT_EQ(objects_.shortcutFilePath, nullptr);

  EXPECT_TRUE(allZero(objects_.edgeDockState, sizeof(EdgeDockState)));
  EXPECT_TRUE(allZero(objects_.edgeClick, sizeof(EdgeClick)));
  EXPECT_TRUE(allZero(objects_.barShown, sizeof(BarShown)));
  EXPECT_EQ(objects_.launcherItems->count, 0u);
  EXPECT_EQ(objects_.launcherItems->records, nullptr);
  EXPECT_EQ(objects_.launcherItems->heap, heap_);

  // Both tables are bound to the heap routines: they set up and take entries.
  for (HashTable* table : {objects_.shortcutTable, objects_.editTable}) {
    EXPECT_EQ(table->count(), 0u);
    ASSERT_TRUE(table->initialize(KeyKind::Text, ValueKind::Text, TableSettings{.ordered = true}));
    EXPECT_EQ(table->set("name", "C:\\file.txt"), SetResult::Added);
    EXPECT_STREQ(table->get("name").c_str(), "C:\\file.txt");
  }
  EXPECT_NE(objects_.shortcutTable, objects_.editTable);
}

TEST_F(ProcessObjectsTest, EveryObjectLivesOnTheGivenHeap) {
  ASSERT_TRUE(createProcessObjects(objects_, heap_));
  for (const void* object : {static_cast<const void*>(objects_.edgeDockState),
                             static_cast<const void*>(objects_.desktopShell), static_cast<const void*>(objects_.edgeClick),
                             static_cast<const void*>(objects_.barShown), static_cast<const void*>(objects_.shortcutTable),
                             static_cast<const void*>(objects_.launcherItems), static_cast<const void*>(objects_.editTable)})
    EXPECT_NE(HeapSize(heap_, 0, object), static_cast<SIZE_T>(-1));
}

TEST_F(ProcessObjectsTest, ReleaseLeavesNothingBehind) {
  ASSERT_TRUE(createProcessObjects(objects_, heap_));
  ASSERT_TRUE(objects_.shortcutTable->initialize(KeyKind::Text, ValueKind::Text, TableSettings{.ordered = true}));
  objects_.shortcutTable->set("a", "C:\\a.exe");
  ASSERT_TRUE(setShortcutFilePath(objects_, "C:\\Users\\me\\Documents\\Corvalis.HashTable"));
  ASSERT_TRUE(setShortcutFilePath(objects_, "C:\\Users\\me\\Documents\\Corvalis.HashTable"));  // replaced, not leaked
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(appendLauncherItem(*objects_.launcherItems, i, "C:\\some\\path.exe"));
  EXPECT_GT(busyBlocks(heap_), emptyHeapBlocks_);

  releaseProcessObjects(objects_);
  EXPECT_EQ(busyBlocks(heap_), emptyHeapBlocks_);
  EXPECT_EQ(objects_.edgeDockState, nullptr);
  EXPECT_EQ(objects_.desktopShell, nullptr);
  EXPECT_EQ(objects_.edgeClick, nullptr);
  EXPECT_EQ(objects_.barShown, nullptr);
  EXPECT_EQ(objects_.shortcutTable, nullptr);
  EXPECT_EQ(objects_.shortcutFilePath, nullptr);
  EXPECT_EQ(objects_.launcherItems, nullptr);
  EXPECT_EQ(objects_.editTable, nullptr);

  releaseProcessObjects(objects_);  // a second release finds nothing to do
  EXPECT_EQ(busyBlocks(heap_), emptyHeapBlocks_);
}

TEST_F(ProcessObjectsTest, ShortcutFilePathIsACopy) {
  ASSERT_TRUE(createProcessObjects(objects_, heap_));
  std::string path = "C:\\docs\\Corvalis.HashTable";
  ASSERT_TRUE(setShortcutFilePath(objects_, path));
  path[0] = 'D';
  EXPECT_STREQ(objects_.shortcutFilePath, "C:\\docs\\Corvalis.HashTable");
}

}  // namespace
}  // namespace corvalis
