#include "launcher/drop_target.h"

#include <ole2.h>

#include <vector>

#include "base/com_object.h"
#include "app/control_registry.h"
#include "base/message_box.h"
#include "base/dpi.h"
#include "base/high_contrast.h"
#include "base/win_handles.h"
#include "app/window_registry.h"
#include "app/window_templates.h"
#include "desktop/edge_docking.h"
#include "launcher/bar_layout.h"
#include "launcher/dropped_files.h"
#include "launcher/launcher_build.h"
#include "launcher/edit_window.h"
#include "launcher/launcher.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

constexpr wchar_t kMarkClass[] = L"CorvalisDropMark";
constexpr int kMarkThickness = 2;  // at 96 DPI
constexpr COLORREF kMarkColour = RGB(0x00, 0x67, 0xC0);

struct PlaceTraits {
  std::int32_t window;
  std::int32_t list;
  int fixedRows;
};

PlaceTraits traitsOf(DropPlace place) {
  return place == DropPlace::bar ? PlaceTraits{kLauncherWindowIdentity, kLauncherListIdentity, kFixedRowCount}
                                 : PlaceTraits{kEditWindowIdentity, kEditListIdentity, 0};
}

// The row where new rows go for a screen point over the list, with the mark's line.
struct Insertion {
  int row = 0;
  int lineY = 0;  // screen
  RECT list{};    // screen
};

bool insertionAt(DropPlace place, POINTL point, Insertion& insertion) {
  const PlaceTraits traits = traitsOf(place);
  const HWND list = controlWindow(traits.window, traits.list);
  if (list == nullptr) return false;
  const ControlId id = controlId(traits.window, traits.list);
  std::vector<int> heights;
  const int rows = listCount(id);
  for (int row = 0; row < rows; ++row) heights.push_back(listRowHeight(id, row));
  POINT client{point.x, point.y};
  ScreenToClient(list, &client);
  const int scrollTop = listScrollTop(id);
  insertion.row = insertionRow(client.y, scrollTop, heights, traits.fixedRows);
  int top = 0;
  for (int row = 0; row < insertion.row && row < rows; ++row) top += heights[static_cast<std::size_t>(row)];
  GetWindowRect(list, &insertion.list);
  insertion.lineY = insertion.list.top + top - scrollTop;
  return true;
}

// The mark paints itself in the system's highlight under a high-contrast theme.
LRESULT CALLBACK markWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_ERASEBKGND) return DefWindowProcW(window, message, wParam, lParam);
  RECT area{};
  GetClientRect(window, &area);
  const UniqueBrush brush(CreateSolidBrush(highContrastOn() ? GetSysColor(COLOR_HIGHLIGHT) : kMarkColour));
  FillRect(reinterpret_cast<HDC>(wParam), &area, brush.get());
  return 1;
}

bool registerMarkClass() {
  static const bool registered = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = markWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kMarkClass;
    return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

// The line between two rows where a drop will put its files: a thin window over the
// list, which lets the pointer through.
class InsertionMark {
 public:
  InsertionMark() = default;
  InsertionMark(const InsertionMark&) = delete;
  InsertionMark& operator=(const InsertionMark&) = delete;
  ~InsertionMark() { hide(); }

  void show(HWND owner, const Insertion& insertion) {
    const int thickness = dpiScaled(kMarkThickness);
    const int top = std::clamp(static_cast<int>(insertion.lineY - thickness / 2), static_cast<int>(insertion.list.top),
                               static_cast<int>(insertion.list.bottom - thickness));
    const int width = insertion.list.right - insertion.list.left;
    if (window_ == nullptr && registerMarkClass()) {
      window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT, kMarkClass,
                                L"", WS_POPUP, insertion.list.left, top, width, thickness, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    }
    if (window_ == nullptr) return;
    SetWindowPos(window_, HWND_TOPMOST, insertion.list.left, top, width, thickness, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  void hide() {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
  }
  HWND window() const { return window_; }

 private:
  HWND window_ = nullptr;
};

DWORD effectFor(bool accepted, DWORD allowed) {
  if (!accepted) return DROPEFFECT_NONE;
  if ((allowed & DROPEFFECT_LINK) != 0) return DROPEFFECT_LINK;  // a shortcut, as Explorer makes one
  if ((allowed & DROPEFFECT_COPY) != 0) return DROPEFFECT_COPY;
  return DROPEFFECT_NONE;
}

// On the window thread, as a job: the same roads as the open-file dialog's add and the
// edit window's changes, on the launcher the window carries.
void takeDrop(Launcher& launcher, DropPlace place, const DroppedPaths& dropped, int row) {
  if (dropped.count > kMaxDroppedItems) {
    messageBox(kTooManyDroppedText, MB_OK);
    return;
  }
  if (dropped.paths.empty()) return;
  if (place == DropPlace::editList) {
    insertIntoOpenEditWindow(launcher, dropped.paths, row + 1);
    return;
  }
  HashTable& table = launcher.shortcuts.table();
  const int position = std::max(row - kFixedRowCount + 1, 1);
  // The shortcut the new ones go before: an open edit window puts them before it too.
  ProcessHeapText before;
  table.getAt(position, &before, nullptr);
  if (addDroppedShortcuts(table, dropped.paths, position) == 0) return;
  addToOpenEditWindow(launcher, dropped.paths, before.c_str());
  saveShortcutsAndRebuild(launcher);
}

class ShortcutDropTarget final : public ComObject<IDropTarget> {
 public:
  ShortcutDropTarget(HWND window, DropPlace place) : window_(window), place_(place) {}

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL point, DWORD* effect) override {
    accepted_ = carriesFiles(data);
    return DragOver(0, point, effect);
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL point, DWORD* effect) override {
    if (effect == nullptr) return E_INVALIDARG;
    *effect = effectFor(accepted_, *effect);
    Insertion insertion;
    if (*effect != DROPEFFECT_NONE && insertionAt(place_, point, insertion)) {
      mark_.show(window_, insertion);
    } else {
      mark_.hide();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    mark_.hide();
    accepted_ = false;
    // Cancelled, or gone elsewhere: a bar that the drag called goes back out.
    if (place_ == DropPlace::bar) dragLeftBar();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect) override {
    mark_.hide();
    if (place_ == DropPlace::bar) dragDroppedOnBar();
    if (effect == nullptr) return E_INVALIDARG;
    *effect = effectFor(accepted_ && carriesFiles(data), *effect);
    accepted_ = false;
    Insertion insertion;
    if (*effect == DROPEFFECT_NONE) return S_OK;
    if (!insertionAt(place_, point, insertion)) {
      *effect = DROPEFFECT_NONE;  // the list is gone: nothing is taken
      return S_OK;
    }
    DroppedPaths dropped = droppedPaths(data);
    if (dropped.count > kMaxDroppedItems || dropped.paths.empty()) *effect = DROPEFFECT_NONE;
    // The source waits for this call to return: the work (and any message) comes after.
    const DropPlace place = place_;
    const int row = insertion.row;
    const HWND window = window_;
    postWindowJob(window, [window, place, dropped = std::move(dropped), row] {
      if (Launcher* launcher = launcherOf(window)) takeDrop(*launcher, place, dropped, row);
    });
    return S_OK;
  }

 private:
  ~ShortcutDropTarget() override = default;
  HWND window_;
  DropPlace place_;
  bool accepted_ = false;
  InsertionMark mark_;
};

}  // namespace

IDropTarget* makeShortcutDropTarget(HWND window, DropPlace place) { return new ShortcutDropTarget(window, place); }

bool acceptDroppedFiles(HWND window, DropPlace place) {
  if (window == nullptr) return false;
  IDropTarget* target = makeShortcutDropTarget(window, place);
  const bool registered = SUCCEEDED(RegisterDragDrop(window, target));
  target->Release();  // the registration holds its own reference
  return registered;
}

void stopAcceptingDroppedFiles(HWND window) {
  if (window != nullptr) RevokeDragDrop(window);
}

}  // namespace corvalis
