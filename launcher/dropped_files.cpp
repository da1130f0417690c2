#include "launcher/dropped_files.h"

#include <windows.h>
#include <shellapi.h>

#include "app/wide_text.h"
#include "launcher/shell_launch.h"
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

}  // namespace

bool carriesFiles(IDataObject* data) {
  FORMATETC format = fileDropFormat();
  return data != nullptr && data->QueryGetData(&format) == S_OK;
}

bool pathToGbk(std::wstring_view path, Text& gbk) {
  gbk.clear();
  if (path.empty()) return true;
  const int length = static_cast<int>(path.size());
  BOOL usedDefault = FALSE;
  const int size = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, path.data(), length, nullptr, 0, nullptr,
                                       &usedDefault);
  if (size <= 0 || usedDefault) return false;
  gbk.resize(static_cast<std::size_t>(size));
  usedDefault = FALSE;
  WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, path.data(), length, gbk.data(), size, nullptr,
                      &usedDefault);
  return !usedDefault;
}

DroppedPaths droppedPaths(IDataObject* data) {
  DroppedPaths dropped;
  if (data == nullptr) return dropped;
  Medium medium;
  if (!medium.get(data, fileDropFormat()) || medium.global() == nullptr) return dropped;
  const auto drop = static_cast<HDROP>(GlobalLock(medium.global()));
  if (drop == nullptr) return dropped;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  dropped.count = count;
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(static_cast<std::size_t>(length) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
    Text gbk;
    if (path.empty() || !pathToGbk(path, gbk)) {
      ++dropped.refused;
      continue;
    }
    dropped.paths.push_back(std::move(gbk));
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
