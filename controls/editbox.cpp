#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/win_handles.h"
#include "base/wide_text.h"
#include "controls/kinds.h"

namespace corvalis::exui {
namespace {

constexpr int kPad = 8;
constexpr int kRadius = 4;

// A global block given to the clipboard, freed unless the clipboard took it.
class ClipboardBlock {
 public:
  explicit ClipboardBlock(std::size_t bytes) : memory_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
  ~ClipboardBlock() {
    if (memory_ != nullptr) GlobalFree(memory_);
  }
  ClipboardBlock(const ClipboardBlock&) = delete;
  ClipboardBlock& operator=(const ClipboardBlock&) = delete;
  HGLOBAL get() const { return memory_; }
  void handedOver() { memory_ = nullptr; }

 private:
  HGLOBAL memory_;
};

bool keyDown(int key) { return GetKeyState(key) < 0; }

}  // namespace

Editbox::Editbox(HWND window, const CreationContext& context, EventRoutine routine, Properties properties)
    : Control(Kind::kEditbox, window, context, routine, std::move(properties)) {
  text_ = properties_.text;
  caret_ = anchor_ = text_.size();
  relayout();
}

HFONT Editbox::font() const {
  FontKey key;
  key.face = toWideText(properties_.fontFace);
  if (properties_.fontSize > 0) key.height = properties_.fontSize;
  key.weight = properties_.fontWeight;
  return sharedFont(key, dpi());
}

void Editbox::relayout() {
  layout_ = layoutGbk(text_);
  xs_.assign(layout_.boundaries.size(), 0);
  if (!layout_.wide.empty()) {
    UniqueDeviceContext dc(CreateCompatibleDC(nullptr));
    ScopedSelection select(dc.get(), font());
    std::vector<int> extents(layout_.wide.size(), 0);
    SIZE size{};
    GetTextExtentExPointW(dc.get(), layout_.wide.c_str(), static_cast<int>(layout_.wide.size()), INT_MAX, nullptr,
                          extents.data(), &size);
    for (std::size_t k = 0; k < xs_.size(); ++k) {
      xs_[k] = layout_.wideIndex[k] == 0 ? 0 : extents[layout_.wideIndex[k] - 1];
    }
  }
  followCaret();
}

int Editbox::xOf(std::size_t position) const {
  const auto found = std::lower_bound(layout_.boundaries.begin(), layout_.boundaries.end(), position);
  if (found == layout_.boundaries.end()) return xs_.empty() ? 0 : xs_.back();
  return xs_[static_cast<std::size_t>(found - layout_.boundaries.begin())];
}

std::size_t Editbox::positionAt(int x) const {
  const int textX = x - kPad + scrollX_;
  std::size_t best = 0;
  for (std::size_t k = 1; k < xs_.size(); ++k) {
    if (std::abs(xs_[k] - textX) < std::abs(xs_[best] - textX)) best = k;
  }
  return layout_.boundaries[best];
}

void Editbox::keepCaretVisible() {
  const int inner = std::max(1, static_cast<int>(clientRect().right) - 2 * kPad);
  const int caretX = xOf(caret_);
  if (caretX - scrollX_ > inner) scrollX_ = caretX - inner;
  if (caretX < scrollX_) scrollX_ = caretX;
  const int total = xs_.empty() ? 0 : xs_.back();
  if (total - scrollX_ < inner) scrollX_ = std::max(0, total - inner);
  scrollX_ = std::max(0, scrollX_);
}

void Editbox::updateCaret() {
  if (!focused_) return;
  const int lineHeight = fontLineHeight(font());
  SetCaretPos(kPad + xOf(caret_) - scrollX_, (static_cast<int>(clientRect().bottom) - lineHeight) / 2);
}

void Editbox::followCaret() {
  keepCaretVisible();
  updateCaret();
  invalidate();
}

void Editbox::textChanged() {
  if (text_.size() > static_cast<std::size_t>(kEditboxMaxBytes)) text_.resize(snapToBoundary(text_, kEditboxMaxBytes));
  caret_ = anchor_ = text_.size();  // a new text is entered at its end
  scrollX_ = 0;
  relayout();
}

int Editbox::selectionLength() const {
  return static_cast<int>(caret_ > anchor_ ? caret_ - anchor_ : anchor_ - caret_);
}

void Editbox::placeCaret(int position, int selectBefore) {
  const std::size_t at = position < 0 || static_cast<std::size_t>(position) > text_.size()
                             ? text_.size()
                             : snapToBoundary(text_, static_cast<std::size_t>(position));
  caret_ = at;
  anchor_ = selectBefore > 0 ? snapToBoundary(text_, at > static_cast<std::size_t>(selectBefore) ? at - selectBefore : 0)
                             : at;
  followCaret();
}

void Editbox::setSelectionLength(int length) {
  if (length >= 0) {
    std::size_t end = std::min(text_.size(), caret_ + static_cast<std::size_t>(length));
    // Never end inside a character: take the whole of one that the length cuts.
    if (snapToBoundary(text_, end) != end) end = nextBoundary(text_, snapToBoundary(text_, end));
    anchor_ = end;
  } else {
    const std::size_t back = static_cast<std::size_t>(-static_cast<long long>(length));
    anchor_ = snapToBoundary(text_, caret_ > back ? caret_ - back : 0);
  }
  invalidate();
}

int Editbox::insertText(int position, std::string_view gbk) {
  const std::size_t at = position < 0 || static_cast<std::size_t>(position) > text_.size()
                             ? text_.size()
                             : snapToBoundary(text_, static_cast<std::size_t>(position));
  std::string piece(gbk);
  const std::size_t room = kEditboxMaxBytes - std::min<std::size_t>(kEditboxMaxBytes, text_.size());
  if (piece.size() > room) piece.resize(snapToBoundary(piece, room));
  text_.insert(at, piece);
  caret_ = anchor_ = at + piece.size();
  relayout();
  return static_cast<int>(caret_);
}

int Editbox::deleteText(int position, int length) {
  if (position < 0 || static_cast<std::size_t>(position) >= text_.size() || length <= 0) return 0;
  const std::size_t at = snapToBoundary(text_, static_cast<std::size_t>(position));
  std::size_t end = std::min(text_.size(), static_cast<std::size_t>(position) + static_cast<std::size_t>(length));
  if (snapToBoundary(text_, end) != end) end = nextBoundary(text_, snapToBoundary(text_, end));
  text_.erase(at, end - at);
  caret_ = anchor_ = at;
  relayout();
  return static_cast<int>(end - at);
}

std::intptr_t Editbox::getAttribute(int attribute) {
  switch (attribute) {
    case kAttrCaret: return static_cast<std::intptr_t>(caret_);
    case kAttrSelectionAnchor: return static_cast<std::intptr_t>(anchor_);
    default: return Control::getAttribute(attribute);
  }
}

bool Editbox::setAttribute(int attribute, std::intptr_t value) {
  switch (attribute) {
    case kAttrCaret:
      placeCaret(static_cast<int>(value), 0);
      return true;
    case kAttrSelectionAnchor:
      anchor_ = value < 0 || static_cast<std::size_t>(value) > text_.size()
                    ? text_.size()
                    : snapToBoundary(text_, static_cast<std::size_t>(value));
      invalidate();
      return true;
    default: return Control::setAttribute(attribute, value);
  }
}

bool Editbox::userChanged() { return raise(kEventEditChanged, static_cast<int>(text_.size())); }

void Editbox::replaceSelection(std::string_view gbk, bool byUser) {
  const std::size_t low = std::min(caret_, anchor_), high = std::max(caret_, anchor_);
  std::string piece(gbk);
  const std::size_t remaining = text_.size() - (high - low);
  const std::size_t room = kEditboxMaxBytes - std::min<std::size_t>(kEditboxMaxBytes, remaining);
  if (piece.size() > room) piece.resize(snapToBoundary(piece, room));
  if (piece.empty() && low == high) return;
  text_.replace(low, high - low, piece);
  caret_ = anchor_ = low + piece.size();
  relayout();
  if (byUser) userChanged();
}

bool Editbox::eraseSelection() {
  if (caret_ == anchor_) return false;
  const std::size_t low = std::min(caret_, anchor_), high = std::max(caret_, anchor_);
  text_.erase(low, high - low);
  caret_ = anchor_ = low;
  relayout();
  return true;
}

void Editbox::typed(wchar_t unit) {
  std::string bytes;
  if (typedCharToGbk(unit, bytes)) replaceSelection(bytes, true);
}

void Editbox::selectAll() {
  anchor_ = 0;
  caret_ = text_.size();
  followCaret();
}

void Editbox::copy() {
  if (caret_ == anchor_) return;
  const std::size_t low = std::min(caret_, anchor_), high = std::max(caret_, anchor_);
  const std::wstring wide = toWideText(std::string_view(text_).substr(low, high - low));
  ClipboardScope clipboard(window());
  if (!clipboard.open()) return;
  EmptyClipboard();
  ClipboardBlock block((wide.size() + 1) * sizeof(wchar_t));
  if (block.get() == nullptr) return;
  if (auto* target = static_cast<wchar_t*>(GlobalLock(block.get()))) {
    std::memcpy(target, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(block.get());
    if (SetClipboardData(CF_UNICODETEXT, block.get()) != nullptr) block.handedOver();
  }
}

void Editbox::paste() {
  std::string gbk;
  {
    ClipboardScope clipboard(window());
    if (!clipboard.open()) return;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr) return;
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(data));
    if (wide == nullptr) return;
    // One line: the text up to the first line end; what GBK cannot hold is left out.
    const std::size_t limit = GlobalSize(data) / sizeof(wchar_t);
    for (std::size_t i = 0; i < limit && wide[i] != L'\0' && wide[i] != L'\r' && wide[i] != L'\n'; ++i) {
      std::string bytes;
      if (typedCharToGbk(wide[i] == L'\t' ? L' ' : wide[i], bytes)) gbk += bytes;
    }
    GlobalUnlock(data);
  }
  replaceSelection(gbk, true);
}

void Editbox::cut() {
  copy();
  clearSelection();
}

void Editbox::clearSelection() {
  if (eraseSelection()) userChanged();
}

void Editbox::deleteBeforeCaret() {
  if (!eraseSelection()) {
    if (caret_ == 0) return;
    const std::size_t start = previousBoundary(text_, caret_);
    text_.erase(start, caret_ - start);
    caret_ = anchor_ = start;
    relayout();
  }
  userChanged();
}

void Editbox::deleteAfterCaret() {
  if (!eraseSelection()) {
    if (caret_ >= text_.size()) return;
    text_.erase(caret_, nextBoundary(text_, caret_) - caret_);
    anchor_ = caret_;
    relayout();
  }
  userChanged();
}

LRESULT Editbox::onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  switch (message) {
    case WM_SETFOCUS: return gainFocus();
    case WM_KILLFOCUS: return loseFocus();
    case WM_LBUTTONDOWN: return startSelectingAt(GET_X_LPARAM(lParam));
    case WM_MOUSEMOVE: return dragSelectionTo(GET_X_LPARAM(lParam));
    case WM_LBUTTONUP: return finishSelecting();
    case WM_LBUTTONDBLCLK: return selectAllOnDoubleClick();
    case WM_CAPTURECHANGED: return abandonSelecting();
    case WM_SETCURSOR: return showTextCursor(LOWORD(lParam), handled);
    case WM_GETDLGCODE: return wantedDialogKeys(reinterpret_cast<const MSG*>(lParam));
    case WM_KEYDOWN: return pressEditingKey(wParam, handled);
    case WM_CHAR: return typeCharacter(wParam);
    case WM_IME_CHAR: return typeImeCharacter(wParam);
    case WM_COPY: copy(); return 0;
    case WM_PASTE: paste(); return 0;
    case WM_CUT: cut(); return 0;
    case WM_CLEAR: clearSelection(); return 0;
    default: return Control::onMessage(message, wParam, lParam, handled);
  }
}

LRESULT Editbox::gainFocus() {
  focused_ = true;
  CreateCaret(window(), nullptr, 1, fontLineHeight(font()));
  updateCaret();
  ShowCaret(window());
  invalidate();
  return 0;
}

LRESULT Editbox::loseFocus() {
  focused_ = false;
  selecting_ = false;
  DestroyCaret();
  invalidate();
  return 0;
}

LRESULT Editbox::startSelectingAt(int x) {
  if (GetFocus() != window()) SetFocus(window());
  const std::size_t at = positionAt(x);
  caret_ = at;
  if (!keyDown(VK_SHIFT)) anchor_ = at;
  selecting_ = true;
  SetCapture(window());
  followCaret();
  return 0;
}

LRESULT Editbox::dragSelectionTo(int x) {
  if (selecting_) {
    caret_ = positionAt(x);
    followCaret();
  }
  return 0;
}

LRESULT Editbox::finishSelecting() {
  if (selecting_) {
    selecting_ = false;
    ReleaseCapture();
  }
  return 0;
}

LRESULT Editbox::selectAllOnDoubleClick() {
  if (GetFocus() != window()) SetFocus(window());
  selectAll();
  return 0;
}

LRESULT Editbox::abandonSelecting() {
  selecting_ = false;
  return 0;
}

LRESULT Editbox::showTextCursor(WORD hitArea, bool& handled) {
  if (hitArea == HTCLIENT) {
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_IBEAM)));
    return TRUE;
  }
  handled = false;
  return 0;
}

LRESULT Editbox::wantedDialogKeys(const MSG* pending) {
  return claimEnter(pending, DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL);
}

LRESULT Editbox::pressEditingKey(WPARAM key, bool& handled) {
  const bool shift = keyDown(VK_SHIFT);
  const bool selection = caret_ != anchor_;
  switch (key) {
    case VK_LEFT:
      caret_ = !shift && selection ? std::min(caret_, anchor_) : previousBoundary(text_, caret_);
      break;
    case VK_RIGHT:
      caret_ = !shift && selection ? std::max(caret_, anchor_) : nextBoundary(text_, caret_);
      break;
    case VK_HOME: caret_ = 0; break;
    case VK_END: caret_ = text_.size(); break;
    case VK_DELETE: deleteAfterCaret(); return 0;
    default:
      handled = false;
      return 0;
  }
  if (!shift) anchor_ = caret_;
  followCaret();
  return 0;
}

LRESULT Editbox::typeCharacter(WPARAM unit) {
  switch (unit) {
    case 0x08: deleteBeforeCaret(); return 0;  // Backspace: the whole character before the caret
    case 0x01: selectAll(); return 0;          // Ctrl+A
    case 0x03: copy(); return 0;               // Ctrl+C
    case 0x16: paste(); return 0;              // Ctrl+V
    case 0x18: cut(); return 0;                // Ctrl+X
    case L'\r': raise(kEventEditEnter); return 0;
    case 0x1B: raise(kEventEditEscape); return 0;
    default: typed(static_cast<wchar_t>(unit)); return 0;
  }
}

LRESULT Editbox::typeImeCharacter(WPARAM unit) {
  // Taken here: passed on, the default procedure would send it again as WM_CHAR.
  typed(static_cast<wchar_t>(unit));
  return 0;
}

void Editbox::paint(HDC dc, const RECT& client, const Palette& palette) {
  paintBeneath(window(), dc);
  const bool isEnabled = enabled();
  const COLORREF back = isEnabled ? palette.own(properties_.backColour, palette.editBack) : palette.editBackDisabled;
  fillRounded(dc, client, kRadius, back, palette.own(properties_.borderColour, palette.editBorder));
  if (focused_) {
    const RECT underline{client.left + 2, client.bottom - 2, client.right - 2, client.bottom};
    fillSolid(dc, underline, palette.own(properties_.accentColour, palette.focusMark));
  }

  HFONT textFont = font();
  const int lineHeight = fontLineHeight(textFont);
  const int top = (client.bottom - lineHeight) / 2;
  const int originX = kPad - scrollX_;
  ScopedDcState state(dc);
  IntersectClipRect(dc, client.left + 2, client.top + 1, client.right - 2, client.bottom - 2);
  ScopedSelection select(dc, textFont);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, isEnabled ? palette.own(properties_.textColour, palette.text) : palette.textDisabled);
  const std::wstring& wide = layout_.wide;
  ExtTextOutW(dc, originX, top, 0, nullptr, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
  if (caret_ != anchor_) {
    const int left = originX + xOf(std::min(caret_, anchor_));
    const int right = originX + xOf(std::max(caret_, anchor_));
    const RECT marked{left, top, right, top + lineHeight};
    fillSolid(dc, marked, focused_ ? palette.selection : palette.selectionInactive);
    IntersectClipRect(dc, marked.left, marked.top, marked.right, marked.bottom);
    SetTextColor(dc, focused_ ? palette.selectionText
                              : palette.own(properties_.textColour, palette.selectionInactiveText));
    ExtTextOutW(dc, originX, top, 0, nullptr, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
  }
}

}  // namespace corvalis::exui
