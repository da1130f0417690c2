// Where the shortcuts are kept, and the store steps that read and write them: one
// file in the user's documents folder holding the serialised shortcut table.
#pragma once

#include <string_view>

#include "app/text.h"

namespace corvalis {

class HashTable;

inline constexpr std::string_view kShortcutFileName = "Corvalis.HashTable";

// The documents folder (GBK) as the shell names it; empty when it cannot say.
Text documentsFolder();

// `folder`, a backslash unless it already ends in one, and the file name. An empty
// folder gives the bare file name, which resolves against the current directory.
Text shortcutFilePathIn(std::string_view folder);

// True when a file (not a folder) of that name exists.
bool shortcutFilePresent(std::string_view path);

// Sets the table up empty for shortcuts: text names, text paths, kept in order.
bool initializeShortcutTable(HashTable& table);

// Reads the whole file into the table. False, with the table as it was, when the file
// cannot be read or its content is refused.
bool loadShortcutFile(HashTable& table, std::string_view path);

// Writes the table's image over the file in one step (the file service tries again
// when another program holds the file for a moment). False when the image cannot be
// made (the file is then left untouched) or the write fails.
bool saveShortcutFile(const HashTable& table, std::string_view path);

// Makes `to` hold what `from` holds, in the same order. False, with `to` as it was,
// when memory runs out.
bool copyShortcutTable(const HashTable& from, HashTable& to);

// The name under which a shortcut file that could not be read is kept: number 1 is
// "<path>.damaged", number n > 1 "<path>.damaged-n".
Text damagedCopyPath(std::string_view path, int number);

// Copies the file at `path` to the first damagedCopyPath that is not taken. True when
// the copy exists now, or when there is no file left to keep.
bool keepDamagedCopy(std::string_view path);

}  // namespace corvalis
