#include "launcher/dropped_files.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "base/wide_text.h"
#include "launcher/file_drop_list.h"
#include "launcher/shortcut_name.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

FORMATETC fileDropFormat() { return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

// The storage medium of a GetData, released on every way out.
class Medium {
 public:
  Medium() = default;
  ~Medium() {
    if (held_) ReleaseStgMedium(&medium_);
  }
  Medium(const Medium&) = delete;
  Medium& operator=(const Medium&) = delete;
  bool get(IDataObject* data, FORMATETC format) {
    held_ = SUCCEEDED(data->GetData(&format, &medium_));
    return held_;
  }
  HGLOBAL global() const { return held_ && medium_.tymed == TYMED_HGLOBAL ? medium_.hGlobal : nullptr; }

 private:
  STGMEDIUM medium_{};
  bool held_ = false;
};

// A path of an 8-bit drop list, in the system's ANSI code page as the drag source wrote it.
std::wstring ansiToWide(std::string_view text) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

bool carriesFiles(IDataObject* data) {
  FORMATETC format = fileDropFormat();
  return data != nullptr && data->QueryGetData(&format) == S_OK;
}

bool pathToGbk(std::wstring_view path, Text& gbk) { return fromWideTextExactly(path, gbk); }

DroppedPaths droppedPaths(IDataObject* data) {
  DroppedPaths dropped;
  if (data == nullptr) return dropped;
  Medium medium;
  if (!medium.get(data, fileDropFormat()) || medium.global() == nullptr) return dropped;
  const auto* block = static_cast<const unsigned char*>(GlobalLock(medium.global()));
  if (block == nullptr) return dropped;
  // The block is another program's: its size bounds every read, and the paths are
  // counted before any is converted, so a drop of too many costs nothing.
  const FileDropList list = parseFileDropList(block, GlobalSize(medium.global()), kMaxDroppedItems);
  dropped.count = list.count;
  if (list.count <= kMaxDroppedItems) {
    for (const FileDropList::Path& at : list.paths) {
      std::wstring path;
      if (list.wide) {
        path.resize(at.length);
        std::memcpy(path.data(), block + at.offset, at.length * sizeof(wchar_t));
      } else {
        path = ansiToWide(std::string_view(reinterpret_cast<const char*>(block + at.offset), at.length));
      }
      Text gbk;
      if (path.empty() || !pathToGbk(path, gbk)) {
        ++dropped.refused;
        continue;
      }
      dropped.paths.push_back(std::move(gbk));
    }
  }
  GlobalUnlock(medium.global());
  return dropped;
}

int insertionRow(int y, int scrollTop, std::span<const int> rowHeights, int fixedRows) {
  const int rows = static_cast<int>(rowHeights.size());
  const int content = y + scrollTop;
  int top = 0;
  for (int row = 0; row < rows; ++row) {
    const int height = rowHeights[static_cast<std::size_t>(row)];
    if (content < top + height) {
      if (row < fixedRows) return std::min(fixedRows, rows);
      return content < top + height / 2 ? row : row + 1;
    }
    top += height;
  }
  return std::max(rows, 0);
}

int addDroppedShortcuts(HashTable& table, std::span<const Text> paths, std::int32_t position) {
  int changed = 0;
  for (const Text& path : paths) {
    const Text name = nameFromPath(path);
    if (name.empty()) continue;
    if (table.contains(name.c_str())) {
      if (table.set(name.c_str(), path.c_str()) != SetResult::Refused) ++changed;
      continue;
    }
    if (table.setAt(name.c_str(), path.c_str(), position) == SetResult::Refused) continue;
    ++changed;
    if (position > 0) ++position;
  }
  return changed;
}

}  // namespace corvalis
