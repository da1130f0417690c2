#include "launcher/shortcut_file.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "app/file_io.h"
#include "base/wide_text.h"
#include "store/hash_table.h"
#include "store/image_salvage.h"

namespace corvalis {

namespace {

// How many names keepDamagedCopy tries before it gives up.
constexpr int kDamagedCopyNames = 1000;

// True when the last character of `text` is a backslash (not the second byte of a
// two-byte character).
bool endsWithBackslash(std::string_view text) {
  std::size_t last = std::string_view::npos;
  for (std::size_t at = 0; at < text.size(); at += characterLengthAt(text, at)) last = at;
  return last != std::string_view::npos && text[last] == '\\';
}

// `from`'s content moves into `to`, whose own goes; `from` is left empty.
void takeOver(HashTable& from, HashTable& to) {
  from.shallowCopy(to);
  from.forget();
}

}  // namespace

Text documentsFolder() {
  char folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, FALSE)) return Text();
  folder[MAX_PATH - 1] = '\0';
  return Text(folder);
}

Text shortcutFilePathIn(std::string_view folder) {
  if (folder.empty()) return Text(kShortcutFileName);
  return concatTexts({folder, endsWithBackslash(folder) ? "" : "\\", kShortcutFileName});
}

bool initializeShortcutTable(HashTable& table) {
  return table.initialize(KeyKind::Text, ValueKind::Text, TableSettings{.ordered = true});
}

bool holdsShortcuts(const HashTable& table) {
  return table.keyKind() == KeyKind::Text && table.valueKind() == ValueKind::Text;
}

bool loadShortcutFile(HashTable& table, std::string_view path) {
  const ByteString image = readWholeFile(path);
  if (image.empty()) return false;
  HashTable read;
  if (!read.deserialize(image.data(), image.size()) || !holdsShortcuts(read)) return false;
  takeOver(read, table);
  return true;
}

ShortcutFileRead readShortcutFile(HashTable& table, std::string_view path, unsigned patienceMilliseconds) {
  const FileRead file = readFile(path, patienceMilliseconds);
  switch (file.outcome) {
    case FileReadOutcome::busy:
      return ShortcutFileRead{ShortcutFileState::notReadYet, 0};
    case FileReadOutcome::missing:
      initializeShortcutTable(table);
      return ShortcutFileRead{ShortcutFileState::absent, 0};
    case FileReadOutcome::read:
      break;
  }
  HashTable read;
  if (!file.bytes.empty() && read.deserialize(file.bytes.data(), file.bytes.size()) && holdsShortcuts(read)) {
    takeOver(read, table);
    return ShortcutFileRead{ShortcutFileState::loaded, 0};
  }
  // Refused whole: every record before the damage is still a shortcut the user made.
  initializeShortcutTable(table);
  const std::size_t salvaged = salvageInto(table, file.bytes.data(), file.bytes.size());
  return ShortcutFileRead{ShortcutFileState::damaged, salvaged};
}

bool mergeOnto(const HashTable& base, HashTable& table) {
  HashTable merged;
  if (!copyShortcutTable(base, merged)) return false;
  ProcessHeapList keys, values;
  table.keys(keys);
  table.values(values);
  for (std::uint32_t i = 0; i < keys.size(); ++i) {
    const char* value = values.textAt(i);
    if (merged.set(keys.textAt(i), value != nullptr ? value : "") == SetResult::Refused &&
        keys.textAt(i) != nullptr && *keys.textAt(i) != '\0')
      return false;  // out of memory: nothing changes
  }
  takeOver(merged, table);
  return true;
}

bool saveShortcutFile(const HashTable& table, std::string_view path) {
  const ProcessHeapBytes image = table.serialize();
  if (image.empty()) return false;
  return writeWholeFile(path, {std::string_view(reinterpret_cast<const char*>(image.data()), image.size())});
}

bool copyShortcutTable(const HashTable& from, HashTable& to) {
  const ProcessHeapBytes image = from.serialize();
  if (image.empty()) return false;
  // Into a table of its own first: should memory run out part-way, `to` keeps what it
  // had instead of a part of the copy.
  HashTable copy;
  if (!copy.deserialize(image.data(), image.size())) return false;
  takeOver(copy, to);
  return true;
}

ByteString shortcutImage(const HashTable& table) {
  const ProcessHeapBytes image = table.serialize();
  return ByteString(reinterpret_cast<const char*>(image.data()), image.size());
}

bool restoreShortcutImage(HashTable& table, std::string_view image) {
  HashTable restored;
  if (image.empty() || !restored.deserialize(image.data(), image.size()) || !holdsShortcuts(restored)) return false;
  takeOver(restored, table);
  return true;
}

bool sameShortcuts(const HashTable& a, const HashTable& b) {
  if (a.count() != b.count()) return false;
  ProcessHeapList keysA, valuesA, keysB, valuesB;
  a.keys(keysA);
  a.values(valuesA);
  b.keys(keysB);
  b.values(valuesB);
  const auto same = [](const char* x, const char* y) {
    return std::string_view(x != nullptr ? x : "") == std::string_view(y != nullptr ? y : "");
  };
  if (keysA.size() != keysB.size() || valuesA.size() != valuesB.size()) return false;
  for (std::uint32_t i = 0; i < keysA.size(); ++i)
    if (!same(keysA.textAt(i), keysB.textAt(i))) return false;
  for (std::uint32_t i = 0; i < valuesA.size(); ++i)
    if (!same(valuesA.textAt(i), valuesB.textAt(i))) return false;
  return true;
}

Text damagedCopyPath(std::string_view path, int number) {
  if (number <= 1) return concatTexts({path, ".damaged"});
  return concatTexts({path, ".damaged-", std::to_string(number)});
}

bool keepDamagedCopy(std::string_view path, Text* copy) {
  if (copy != nullptr) copy->clear();
  const std::wstring source = toWideText(path);
  if (source.empty()) return false;
  const ByteString original = readWholeFile(path);
  for (int number = 1; number <= kDamagedCopyNames; ++number) {
    const Text copyPath = damagedCopyPath(path, number);
    const std::wstring wideCopy = toWideText(copyPath);
    bool kept = CopyFileW(source.c_str(), wideCopy.c_str(), TRUE) != FALSE;
    if (!kept) {
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        // Nothing to keep any more (the user removed the file) is no reason to hold a save.
        return error == ERROR_FILE_NOT_FOUND && GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES;
      }
      // The same damaged file kept at an earlier start: no second copy of it.
      kept = !original.empty() && readWholeFile(copyPath) == original;
    }
    if (kept) {
      if (copy != nullptr) *copy = copyPath;
      return true;
    }
  }
  return false;
}

Text pendingChangesPath(std::string_view path) { return concatTexts({path, ".pending"}); }

}  // namespace corvalis
