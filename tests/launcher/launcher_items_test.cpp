#include "launcher/launcher_items.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/app/heap_blocks.h"

namespace corvalis {
namespace {

// Built by appending: GCC 12 warns falsely (-Wrestrict) on literal + std::string.
std::string itemPath(int index) {
  std::string path = "C:\\\x82\x5C\\item";
  path += std::to_string(index);
  path += ".exe";
  return path;
}

class LauncherItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    heap_ = HeapCreate(0, 0, 0);
    ASSERT_NE(heap_, nullptr);
    empty_ = busyBlocks(heap_);
    initializeLauncherItems(items_, heap_);
  }
  void TearDown() override { HeapDestroy(heap_); }
  HANDLE heap_ = nullptr;
  int empty_ = 0;
  LauncherItems items_{};
};

TEST_F(LauncherItemsTest, StartsEmpty) {
  EXPECT_EQ(items_.count, 0u);
  EXPECT_EQ(launcherItemAt(items_, 0), nullptr);
  EXPECT_EQ(busyBlocks(heap_), empty_);
}

TEST_F(LauncherItemsTest, KeepsOwnCopiesInOrderAcrossGrowth) {
  std::string path;
  for (int i = 0; i < 50; ++i) {
    path = itemPath(i);
    ASSERT_TRUE(appendLauncherItem(items_, 1000 + i, path));
  }
  path.assign("overwritten");
  ASSERT_EQ(items_.count, 50u);
  for (std::uint32_t i = 0; i < 50; ++i) {
    const LauncherItem* item = launcherItemAt(items_, i);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->itemValue, static_cast<std::int32_t>(1000 + i));
    EXPECT_EQ(std::string(item->path), itemPath(static_cast<int>(i)));
  }
  EXPECT_EQ(launcherItemAt(items_, 50), nullptr);
}

TEST_F(LauncherItemsTest, ClearFreesEverythingAndCanRefill) {
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(appendLauncherItem(items_, i, "C:\\a.exe"));
  EXPECT_EQ(busyBlocks(heap_), empty_ + 20 * 2 + 1);  // path and record per item, and the array
  clearLauncherItems(items_);
  EXPECT_EQ(items_.count, 0u);
  EXPECT_EQ(items_.records, nullptr);
  EXPECT_EQ(busyBlocks(heap_), empty_);
  ASSERT_TRUE(appendLauncherItem(items_, 7, ""));
  EXPECT_STREQ(launcherItemAt(items_, 0)->path, "");
  clearLauncherItems(items_);
  EXPECT_EQ(busyBlocks(heap_), empty_);
}

TEST(LauncherItemsWithoutHeap, RefusesToAppend) {
  LauncherItems items{};
  EXPECT_FALSE(appendLauncherItem(items, 1, "C:\\a.exe"));
  EXPECT_EQ(items.count, 0u);
}

}  // namespace
}  // namespace corvalis
