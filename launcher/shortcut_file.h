// Where the shortcuts are kept, and the store steps that read and write them: one
// file in the user's documents folder holding the serialised shortcut table.
#pragma once

#include <cstddef>
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

// Sets the table up empty for shortcuts: text names, text paths, kept in order.
bool initializeShortcutTable(HashTable& table);

// Whether a table holds shortcuts as the file keeps them: text names, text paths.
bool holdsShortcuts(const HashTable& table);

// Reads the whole file into the table. False, with the table as it was, when the file
// cannot be read or its content is refused (an image of other kinds included).
bool loadShortcutFile(HashTable& table, std::string_view path);

// What a read of the shortcut file found.
enum class ShortcutFileState {
  absent,      // no file (or a folder of that name)
  loaded,      // the file's shortcuts, whole
  damaged,     // a file whose image is refused; what could be salvaged of it
  notReadYet,  // the file is there but cannot be read now (another program holds it)
};

struct ShortcutFileRead {
  ShortcutFileState state = ShortcutFileState::absent;
  std::size_t salvaged = 0;  // damaged: the shortcuts still readable
};

// Reads the file into `table` (set up afresh), waiting up to `patienceMilliseconds`
// while another program holds it. Absent: an empty table. Damaged: every record that
// is whole and sound before the damage. Not read yet: the table is left as it was.
ShortcutFileRead readShortcutFile(HashTable& table, std::string_view path, unsigned patienceMilliseconds);

// `table` becomes `base`'s shortcuts followed by its own, which go on top: a name that
// both hold keeps base's place and takes table's path. False, with `table` as it was,
// when memory runs out.
bool mergeOnto(const HashTable& base, HashTable& table);

// Writes the table's image over the file in one step (the file service tries again
// when another program holds the file for a moment). False when the image cannot be
// made (the file is then left untouched) or the write fails.
bool saveShortcutFile(const HashTable& table, std::string_view path);

// Makes `to` hold what `from` holds, in the same order: the copy is made whole in a
// table of its own and only then takes `to`'s place. False, with `to` as it was, when
// memory runs out.
bool copyShortcutTable(const HashTable& from, HashTable& to);

// The table's image as the file would hold it; empty when it cannot be made.
ByteString shortcutImage(const HashTable& table);

// `table` becomes what the image holds. False, with `table` as it was, when the image
// is refused or memory runs out.
bool restoreShortcutImage(HashTable& table, std::string_view image);

// Whether both tables hold the same names with the same paths in the same order.
bool sameShortcuts(const HashTable& a, const HashTable& b);

// The name under which a shortcut file that could not be read is kept: number 1 is
// "<path>.damaged", number n > 1 "<path>.damaged-n".
Text damagedCopyPath(std::string_view path, int number);

// Copies the file at `path` to the first damagedCopyPath that is not taken, unless a
// copy with the same bytes is there already. True when a copy exists now (its path
// then goes to *copy), or when there is no file left to keep (*copy empty).
bool keepDamagedCopy(std::string_view path, Text* copy = nullptr);

// Where the changes go that were made while the shortcut file could never be read in
// a whole run: "<path>.pending". The next start merges them into the file.
Text pendingChangesPath(std::string_view path);

}  // namespace corvalis
