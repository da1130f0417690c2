// The bar's shortcut rows as the program remembers them: entry i belongs to list
// row i + 2 (rows 0 and 1 are the fixed rows). Every block lives on one heap - the
// process heap in the program - and the array owns its records and their paths.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace corvalis {

struct LauncherItem {
  std::int32_t itemValue;  // what the list's insert returned for the row
  char* path;              // the program's own copy of the shortcut's file path
};

struct LauncherItems {
  HANDLE heap;              // where the array, its records and their paths live
  LauncherItem** records;   // one block per record; null while there are none
  std::uint32_t count;
  std::uint32_t capacity;
};

// Empty array on `heap`.
void initializeLauncherItems(LauncherItems& items, HANDLE heap);

// Appends {itemValue, copy of path}. False, with nothing changed, when memory runs out.
bool appendLauncherItem(LauncherItems& items, std::int32_t itemValue, std::string_view path);

// The record for entry `index`, null beyond the end.
const LauncherItem* launcherItemAt(const LauncherItems& items, std::uint32_t index);

// Frees every record (its path first, then the record) and then the array itself;
// the array is empty afterwards and can be filled again.
void clearLauncherItems(LauncherItems& items);

}  // namespace corvalis
