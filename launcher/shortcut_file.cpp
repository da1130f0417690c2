#include "launcher/shortcut_file.h"

#include <windows.h>
#include <shlobj.h>

#include "app/file_io.h"
#include "app/wide_text.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

// Replacing the file fails while another program holds it or its new copy open, and
// some programs open every file that appears in a folder they watch, for a moment:
// virus scanners, indexers, and Wine's virtual desktop, which looks at each new file
// in the Desktop folder - under Wine often the documents folder as well. There about
// one replacement in ten failed. A save is therefore tried a few times, a short pause
// apart. Each try writes a temporary file of a new name, so a temporary file left
// behind by an earlier failed try (or by a killed process whose id has come round
// again) is no obstacle either.
constexpr int kSaveAttempts = 5;
constexpr DWORD kSaveRetryMilliseconds = 50;

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
  const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
  for (int attempt = 1;; ++attempt) {
    if (writeWholeFile(path, {bytes})) return true;
    if (attempt == kSaveAttempts) return false;
    // A plain pause, not a responsive one: a message handled meanwhile could save a
    // newer table, which this older image would then overwrite.
    Sleep(kSaveRetryMilliseconds);
  }
}

}  // namespace corvalis
