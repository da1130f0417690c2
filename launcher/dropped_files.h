// Files dragged onto the bar or the edit list: the paths a drop carries, where in the
// list the new rows go, and the shortcuts they become.
#pragma once

#include <objidl.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "app/text.h"

namespace corvalis {

class HashTable;

// More items than this in one drop add none; the user is told.
inline constexpr std::size_t kMaxDroppedItems = 64;

// "一次最多拖入 64 个文件" in GBK: at most 64 files may be dropped at once.
inline constexpr std::string_view kTooManyDroppedText =
    "\xD2\xBB\xB4\xCE\xD7\xEE\xB6\xE0\xCD\xCF\xC8\xEB 64 \xB8\xF6\xCE\xC4\xBC\xFE";

struct DroppedPaths {
  std::vector<Text> paths;   // GBK, in the order dropped
  std::size_t count = 0;     // items the drop carried
  std::size_t refused = 0;   // of those, paths code page 936 cannot hold
};

// Whether the data object carries files (CF_HDROP).
bool carriesFiles(IDataObject* data);

// The files a drop carries, converted to GBK; a path that code page 936 cannot hold
// is refused (never stored with "?" in it). Nothing when the drop carries no files.
DroppedPaths droppedPaths(IDataObject* data);

// The UTF-16 path as GBK; false when code page 936 has no character for part of it.
bool pathToGbk(std::wstring_view path, Text& gbk);

// Where new rows go for a point `y` pixels below the top of a list scrolled by
// `scrollTop`, whose rows have the given heights and whose first `fixedRows` are fixed:
// over a fixed row, before the first other row; over the upper half of a row, before
// it; over its lower half, after it; below the last row, at the end. The row index.
int insertionRow(int y, int scrollTop, std::span<const int> rowHeights, int fixedRows);

// Each path becomes a shortcut as the open-file dialog's choice would: named after its
// file (an empty name is refused); a name already stored keeps its place and takes the
// new path; new names go in at the 1-based `position` (0: the end), in order. The
// number of shortcuts added or changed.
int addDroppedShortcuts(HashTable& table, std::span<const Text> paths, std::int32_t position);

}  // namespace corvalis
