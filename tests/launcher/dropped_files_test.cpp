// Files dropped on the bar or the edit list, through a data object of the test's own
// as a drag source hands it over: what the drop carries, where its rows go, and the
// shortcuts they become.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/dropped_files.h"
#include "launcher/shortcut_file.h"
#include "store/hash_table.h"
#include "tests/support/file_drop_object.h"

namespace corvalis {
namespace {

using test::FileDropObject;

// An owner for the test's data objects.
struct DataObject {
  explicit DataObject(std::vector<std::wstring> paths, bool asText = false)
      : object(new FileDropObject(std::move(paths), asText)) {}
  ~DataObject() { object->Release(); }
  DataObject(const DataObject&) = delete;
  DataObject& operator=(const DataObject&) = delete;
  FileDropObject* object;
};

std::vector<std::pair<std::string, std::string>> entries(const HashTable& table) {
  std::vector<std::pair<std::string, std::string>> out;
  for (std::int32_t p = 1; p <= static_cast<std::int32_t>(table.count()); ++p) {
    ProcessHeapText key, value;
    if (table.getAt(p, &key, &value)) out.emplace_back(key.c_str(), value.c_str());
  }
  return out;
}

TEST(DroppedFiles, TheFilesADropCarriesInGbkAndNothingElse) {
  DataObject files({L"C:\\tools\\a.exe", L"D:\\中文目录\\程序.exe"});
  EXPECT_TRUE(carriesFiles(files.object));
  const DroppedPaths dropped = droppedPaths(files.object);
  EXPECT_EQ(dropped.count, 2u);
  EXPECT_EQ(dropped.refused, 0u);
  ASSERT_EQ(dropped.paths.size(), 2u);
  EXPECT_EQ(dropped.paths[0], "C:\\tools\\a.exe");
  EXPECT_EQ(dropped.paths[1], "D:\\\xD6\xD0\xCE\xC4\xC4\xBF\xC2\xBC\\\xB3\xCC\xD0\xF2.exe");

  DataObject text({}, true);
  EXPECT_FALSE(carriesFiles(text.object)) << "a drag of text carries no files";
  EXPECT_TRUE(droppedPaths(text.object).paths.empty());
  EXPECT_FALSE(carriesFiles(nullptr));
}

TEST(DroppedFiles, APathCodePage936CannotHoldIsRefusedNotStoredWithQuestionMarks) {
  // Korean and a Devanagari letter have no GBK form.
  DataObject files({L"C:\\ok.exe", L"C:\\한국어.exe", L"C:\\\u0915.txt", L"C:\\价€.exe"});
  const DroppedPaths dropped = droppedPaths(files.object);
  EXPECT_EQ(dropped.count, 4u);
  EXPECT_EQ(dropped.refused, 2u);
  ASSERT_EQ(dropped.paths.size(), 2u);
  EXPECT_EQ(dropped.paths[0], "C:\\ok.exe");
  EXPECT_EQ(dropped.paths[1], "C:\\\xBC\xDB\x80.exe") << "the euro sign is 0x80 in code page 936";
  for (const Text& path : dropped.paths) EXPECT_EQ(path.find('?'), std::string::npos);
  Text gbk = "stale";
  EXPECT_TRUE(pathToGbk(L"", gbk));
  EXPECT_EQ(gbk, "");
}

TEST(DroppedFiles, ManyFilesAreCountedWhole) {
  std::vector<std::wstring> paths;
  for (int i = 0; i < 65; ++i) paths.push_back(L"C:\\many\\f" + std::to_wstring(i) + L".exe");
  DataObject files(paths);
  const DroppedPaths dropped = droppedPaths(files.object);
  EXPECT_EQ(dropped.count, 65u);
  EXPECT_GT(dropped.count, kMaxDroppedItems) << "such a drop adds none";
}

TEST(InsertionRow, BetweenRowsOverTheFixedOnesAndBelowTheLast) {
  // The bar: two fixed rows of 24, three shortcut rows of 30 (rows 2, 3, 4).
  const std::vector<int> bar = {24, 24, 30, 30, 30};
  struct Case {
    int y, scrollTop, row;
    const char* what;
  };
  const Case cases[] = {
      {0, 0, 2, "over the first fixed row: before the first shortcut"},
      {47, 0, 2, "over the second fixed row"},
      {48, 0, 2, "upper half of the first shortcut"},
      {64, 0, 3, "lower half of the first shortcut: after it"},
      {80, 0, 3, "upper half of the second"},
      {137, 0, 5, "lower half of the last: at the end"},
      {500, 0, 5, "below the last row: at the end"},
      {20, 60, 3, "scrolled by 60: y 80 in the content"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(insertionRow(c.y, c.scrollTop, bar, 2), c.row);
  }
  // The edit list has no fixed rows.
  const std::vector<int> edit = {32, 32};
  EXPECT_EQ(insertionRow(5, 0, edit, 0), 0);
  EXPECT_EQ(insertionRow(40, 0, edit, 0), 1);
  EXPECT_EQ(insertionRow(100, 0, edit, 0), 2);
  EXPECT_EQ(insertionRow(10, 0, std::vector<int>{}, 0), 0) << "an empty list";
  EXPECT_EQ(insertionRow(10, 0, std::vector<int>{24, 24}, 2), 2) << "only the fixed rows";
}

TEST(AddDroppedShortcuts, NamesPositionsDuplicatesAndRefusals) {
  HashTable table;
  ASSERT_TRUE(initializeShortcutTable(table));
  table.set("\xBC\xD7", "C:\\a.exe");  // 甲
  table.set("\xD2\xD2", "C:\\b.exe");  // 乙
  table.set("Chess", "C:\\old\\Chess.exe");
  const std::vector<Text> paths = {"D:\\new\\one.exe", "D:\\new\\Chess.lnk", "D:\\.profile", "D:\\new\\two.txt"};
  // At position 2: between 甲 and 乙.
  EXPECT_EQ(addDroppedShortcuts(table, paths, 2), 3) << "the empty name adds nothing";
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"\xBC\xD7", "C:\\a.exe"},      {"one", "D:\\new\\one.exe"},    {"two", "D:\\new\\two.txt"},
      {"\xD2\xD2", "C:\\b.exe"},      {"Chess", "D:\\new\\Chess.lnk"}};
  EXPECT_EQ(entries(table), expected) << "a stored name keeps its place and takes the new path";

  // Position 0 is the end; so is a position beyond it.
  EXPECT_EQ(addDroppedShortcuts(table, std::vector<Text>{"E:\\x.exe"}, 0), 1);
  EXPECT_EQ(addDroppedShortcuts(table, std::vector<Text>{"E:\\y.exe"}, 99), 1);
  EXPECT_EQ(entries(table)[5].first, "x");
  EXPECT_EQ(entries(table)[6].first, "y");
  EXPECT_EQ(addDroppedShortcuts(table, std::vector<Text>{"E:\\"}, 1), 0);
  EXPECT_EQ(table.count(), 7u);
}

}  // namespace
}  // namespace corvalis
