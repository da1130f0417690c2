#include "launcher/shortcut_file.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "app/file_io.h"
#include "app/wide_text.h"
#include "store/hash_table.h"

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

bool shortcutFilePresent(std::string_view path) {
  const std::wstring wide = toWideText(path);
  if (wide.empty()) return false;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(wide.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool initializeShortcutTable(HashTable& table) {
  return table.initialize(KeyKind::Text, ValueKind::Text, TableSettings{.ordered = true});
}

bool loadShortcutFile(HashTable& table, std::string_view path) {
  const ByteString image = readWholeFile(path);
  return !image.empty() && table.deserialize(image.data(), image.size());
}

bool saveShortcutFile(const HashTable& table, std::string_view path) {
  const ProcessHeapBytes image = table.serialize();
  if (image.empty()) return false;
  return writeWholeFile(path, {std::string_view(reinterpret_cast<const char*>(image.data()), image.size())});
}

bool copyShortcutTable(const HashTable& from, HashTable& to) {
  const ProcessHeapBytes image = from.serialize();
  return !image.empty() && to.deserialize(image.data(), image.size());
}

Text damagedCopyPath(std::string_view path, int number) {
  if (number <= 1) return concatTexts({path, ".damaged"});
  return concatTexts({path, ".damaged-", std::to_string(number)});
}

bool keepDamagedCopy(std::string_view path) {
  const std::wstring source = toWideText(path);
  if (source.empty()) return false;
  for (int number = 1; number <= kDamagedCopyNames; ++number) {
    const std::wstring copy = toWideText(damagedCopyPath(path, number));
    if (CopyFileW(source.c_str(), copy.c_str(), TRUE)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
    // Nothing to keep any more (the user removed the file) is no reason to hold a save.
    return error == ERROR_FILE_NOT_FOUND && GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES;
  }
  return false;
}

}  // namespace corvalis
