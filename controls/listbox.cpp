#include <windowsx.h>

#include <algorithm>

#include "base/win_handles.h"
#include "base/wide_text.h"
#include "controls/kinds.h"
#include "controls/list_accessible.h"

namespace corvalis::exui {
namespace {

// The user asked Windows to show keyboard cues always (Ease of Access), not only once the
// keyboard is used.
bool systemShowsCues() {
  BOOL cues = FALSE;
  return SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0) && cues;
}

constexpr int kPadLeft = 5;
constexpr int kIconGap = 6;
constexpr int kPadRight = 5;
constexpr int kHoverInset = 3;
constexpr int kHoverRadius = 4;
constexpr int kScrollZone = 10;  // the strip at the right edge where the scroll bar takes the mouse
constexpr int kThumbWidth = 4;
constexpr int kThumbMinimum = 18;
constexpr int kElementRadius = 4;
constexpr int kElementFontPoints = 12;

// Points to pixels on the screen the control is shown on.
int pointsToPixels(int points, int dpi) { return MulDiv(points, dpi, 72); }

POINT pointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

// What a screen reader names the default action of a row by (GBK): 启动, and 打开 for the
// fixed rows.
constexpr char kDefaultActionName[] = "\xC6\xF4\xB6\xAF";
constexpr char kDefaultFixedActionName[] = "\xB4\xF2\xBF\xAA";

int heldModifiers() {
  return (GetKeyState(VK_CONTROL) < 0 ? kKeyControl : 0) | (GetKeyState(VK_SHIFT) < 0 ? kKeyShift : 0) |
         (GetKeyState(VK_MENU) < 0 ? kKeyAlt : 0);
}

// Posted to the list for each default action a screen reader asks for; the action itself
// waits in the list, so a stray message can do no more than run one early.
UINT pendingActionMessage() {
  static const UINT message = RegisterWindowMessageW(L"Exui.ListAction.5c2e81d0");
  return message;
}

}  // namespace

Listbox::Listbox(HWND window, const CreationContext& context, EventRoutine routine, Properties properties)
    : Control(Kind::kListbox, window, context, routine, std::move(properties)),
      actionName_(kDefaultActionName),
      fixedActionName_(kDefaultFixedActionName) {
  cuesShown_ = systemShowsCues();
  for (const FixedRowDesign& fixed : properties_.fixedRows) {
    Row row;
    row.caption = fixed.caption;
    row.wide = toWideText(row.caption);
    row.glyph = fixed.glyph;
    row.height = fixed.height;
    rows_.push_back(std::move(row));
  }
}

int Listbox::pitch() const {
  return properties_.rowPitch > 0 ? properties_.rowPitch : scaled(theme::kDefaultRowPitch);
}

int Listbox::iconSizeFor(int rowHeight) const {
  if (properties_.iconSize > 0) return properties_.iconSize;
  // 32-pixel icons need room around them; rows of 30 or 32 pixels (the program's) get the
  // 24-pixel size, downscaled from the 32-pixel image with area averaging. The figures
  // are 96-DPI ones: a 45-pixel row at 144 DPI gets a 36-pixel icon.
  if (rowHeight >= scaled(40)) return scaled(32);
  if (rowHeight >= scaled(28)) return scaled(24);
  return scaled(16);
}

int Listbox::rowTop(int index) const {
  int top = 0;
  for (int i = 0; i < index && i < itemCount(); ++i) top += heightOf(rows_[static_cast<std::size_t>(i)]);
  return top;
}

RECT Listbox::rowRect(int index) const {
  const int top = rowTop(index) - scrollTop_;
  return RECT{0, top, clientRect().right, top + heightOf(rows_[static_cast<std::size_t>(index)])};
}

POINT Listbox::rowMiddle(int index) const {
  const RECT area = rowRect(index);
  return POINT{area.right / 2, (area.top + area.bottom) / 2};
}

int Listbox::rowsPerPage(int from, int direction) const {
  const int page = clientRect().bottom;
  int used = 0;
  int count = 0;
  for (int i = from; i >= 0 && i < itemCount(); i += direction) {
    used += heightOf(rows_[static_cast<std::size_t>(i)]);
    if (used > page) break;
    ++count;
  }
  return std::max(count, 1);
}

int Listbox::contentHeight() const { return rowTop(itemCount()); }

int Listbox::maxScroll() const { return std::max(0, contentHeight() - static_cast<int>(clientRect().bottom)); }

RECT Listbox::thumbRect() const {
  const RECT client = clientRect();
  const int content = contentHeight();
  const int track = client.bottom - 4;
  if (content <= client.bottom || track <= 0) return RECT{};
  const int length = std::max(scaled(kThumbMinimum), static_cast<int>(track * client.bottom / content));
  const int travel = std::max(0, track - length);
  const int top = 2 + (maxScroll() > 0 ? travel * scrollTop_ / maxScroll() : 0);
  return RECT{client.right - scaled(kThumbWidth + 2), top, client.right - scaled(2), top + length};
}

RECT Listbox::elementRect(int element, int rowScreenTop) const {
  const ElementAttributes& design = elements_[static_cast<std::size_t>(element)].attributes;
  const int width = clientRect().right;
  const int left = design.anchor == 1 ? width - design.left : design.left;
  return RECT{left, rowScreenTop + design.top, left + design.width, rowScreenTop + design.top + design.height};
}

bool Listbox::clickable(int row, int element) const {
  if (row < 0 || row >= itemCount() || element < 0 || element >= static_cast<int>(elements_.size())) return false;
  const ElementData& data = rows_[static_cast<std::size_t>(row)].elements[static_cast<std::size_t>(element)];
  return data.shown && !data.disabled;
}

Listbox::Hit Listbox::hitTest(POINT point) const {
  Hit hit;
  const RECT client = clientRect();
  if (point.x < 0 || point.y < 0 || point.x >= client.right || point.y >= client.bottom) return hit;
  hit.scrollBar = scrollable() && point.x >= client.right - scaled(kScrollZone);
  int top = -scrollTop_;
  for (int i = 0; i < itemCount(); ++i) {
    const int height = heightOf(rows_[static_cast<std::size_t>(i)]);
    if (point.y >= top && point.y < top + height) {
      hit.row = i;
      const Row& row = rows_[static_cast<std::size_t>(i)];
      for (int e = 0; e < static_cast<int>(elements_.size()); ++e) {
        if (!row.elements[static_cast<std::size_t>(e)].shown) continue;
        const RECT area = elementRect(e, top);
        if (PtInRect(&area, point)) {
          hit.element = e;
          break;
        }
      }
      break;
    }
    top += height;
  }
  return hit;
}

void Listbox::scrollTo(int top) {
  const int clamped = std::clamp(top, 0, maxScroll());
  if (clamped == scrollTop_) return;
  scrollTop_ = clamped;
  invalidate();
}

void Listbox::setCaption(Row& row, std::optional<TakenBin> caption) {
  row.caption = caption ? std::move(caption->bytes) : std::string();
  row.wide = toWideText(row.caption);
  row.captionStyle = caption ? caption->wordA : 0;
  row.height = caption && caption->wordB >= 8 && caption->wordB <= 400 ? caption->wordB : 0;
}

void Listbox::clearPress() {
  if (pressing_ && GetCapture() == window()) {
    pressing_ = false;
    ReleaseCapture();
  }
  pressing_ = false;
  dragging_ = false;
  pressRow_ = -1;
  pressElement_ = -1;
}

int Listbox::insertItems(int index, int count, std::intptr_t data, std::string_view image,
                         std::optional<TakenBin> caption) {
  if (count < 1 || count > 100000) return -1;
  if (index < 0 || index > itemCount()) index = itemCount();
  Row row;
  row.data = data;
  setCaption(row, std::move(caption));
  if (!image.empty()) row.icon = decodeIconImage(image);
  row.elements.resize(elements_.size());
  rows_.insert(rows_.begin() + index, static_cast<std::size_t>(count), row);
  // The hover stays with the row it was on; the next pointer move settles it.
  if (hoverRow_ >= index) hoverRow_ += count;
  if (focusRow_ >= index) focusRow_ += count;
  clearPress();
  scrollTo(scrollTop_);
  invalidate();
  return index;
}

int Listbox::deleteItems(int index, int count) {
  int removed = 0;
  if (index == -1) {
    removed = itemCount();
    rows_.clear();
    hoverRow_ = -1;
    focusRow_ = -1;
  } else {
    if (index < 0 || index >= itemCount()) return 0;
    if (count <= 0 || count > itemCount() - index) count = itemCount() - index;
    rows_.erase(rows_.begin() + index, rows_.begin() + index + count);
    removed = count;
    // A row that is gone cannot be left; rows below move up with their hover.
    if (hoverRow_ >= index + count) {
      hoverRow_ -= count;
    } else if (hoverRow_ >= index) {
      hoverRow_ = -1;
      hoverElement_ = -1;
    }
    // The mark of a row that went passes to the row that took its place.
    if (focusRow_ >= index + count) {
      focusRow_ -= count;
    } else if (focusRow_ >= index) {
      focusRow_ = std::min(index, itemCount() - 1);
    }
  }
  clearPress();
  scrollTo(scrollTop_);
  invalidate();
  return removed;
}

bool Listbox::guaranteeVisible(int index, int mode) {
  if (index < 0 || index >= itemCount()) return false;
  const int top = rowTop(index);
  const int bottom = top + heightOf(rows_[static_cast<std::size_t>(index)]);
  const int height = clientRect().bottom;
  if (mode == 0) {
    scrollTo(top);
  } else if (top < scrollTop_) {
    scrollTo(top);
  } else if (bottom > scrollTop_ + height) {
    scrollTo(bottom - height);
  }
  return true;
}

bool Listbox::setItemTitle(int index, std::optional<TakenBin> caption) {
  if (index < 0 || index >= itemCount()) return false;
  Row& row = rows_[static_cast<std::size_t>(index)];
  const int keepHeight = row.height;
  setCaption(row, std::move(caption));
  if (row.height == 0) row.height = keepHeight;
  scrollTo(scrollTop_);
  invalidate();
  return true;
}

const char* Listbox::itemTitle(int index) const {
  if (index < 0 || index >= itemCount()) return nullptr;
  return rows_[static_cast<std::size_t>(index)].caption.c_str();
}

bool Listbox::setItemImage(int index, std::string_view image) {
  if (index < 0 || index >= itemCount()) return false;
  Row& row = rows_[static_cast<std::size_t>(index)];
  row.icon = image.empty() ? std::nullopt : decodeIconImage(image);
  row.glyph = kGlyphNone;
  row.scaled = Image{};
  invalidate();
  return true;
}

bool Listbox::setItemData(int index, std::intptr_t data) {
  if (index < 0 || index >= itemCount()) return false;
  rows_[static_cast<std::size_t>(index)].data = data;
  return true;
}

std::intptr_t Listbox::itemData(int index) const {
  return index >= 0 && index < itemCount() ? rows_[static_cast<std::size_t>(index)].data : 0;
}

bool Listbox::setItemHeight(int index, int height) {
  if (index < 0 || index >= itemCount() || height < 8 || height > 400) return false;
  rows_[static_cast<std::size_t>(index)].height = height;
  scrollTo(scrollTop_);
  invalidate();
  return true;
}

int Listbox::itemHeight(int index) const {
  return index >= 0 && index < itemCount() ? heightOf(rows_[static_cast<std::size_t>(index)]) : 0;
}

bool Listbox::setItemColour(int index, std::uint32_t colour) {
  if (index < 0 || index >= itemCount()) return false;
  rows_[static_cast<std::size_t>(index)].colour = colour;
  invalidate();
  return true;
}

std::uint32_t Listbox::itemColour(int index) const {
  return index >= 0 && index < itemCount() ? rows_[static_cast<std::size_t>(index)].colour : kThemeColour;
}

int Listbox::insertElements(int type, int row, int index, int count) {
  if (type != kElementButton || row != -1 || count < 1 || count > 64) return 0;
  const int size = static_cast<int>(elements_.size());
  if (index == -1 || index > size) index = size;
  if (index < 0 || size + count > 64) return 0;
  elements_.insert(elements_.begin() + index, static_cast<std::size_t>(count), ElementDesign{});
  for (Row& each : rows_) each.elements.insert(each.elements.begin() + index, static_cast<std::size_t>(count), ElementData{});
  hoverElement_ = -1;
  clearPress();
  invalidate();
  return static_cast<int>(elements_.size());
}

int Listbox::deleteElements(int type, int row, int index, int count) {
  const int size = static_cast<int>(elements_.size());
  if (type != kElementButton || row != -1 || index < 0 || index >= size) return 0;
  if (count <= 0 || count > size - index) count = size - index;
  elements_.erase(elements_.begin() + index, elements_.begin() + index + count);
  for (Row& each : rows_) each.elements.erase(each.elements.begin() + index, each.elements.begin() + index + count);
  hoverElement_ = -1;
  clearPress();
  invalidate();
  return count;
}

int Listbox::elementCount(int type, int row) const {
  if (type != kElementButton || row < -1 || row >= itemCount()) return 0;
  return static_cast<int>(elements_.size());
}

bool Listbox::setElementAttributes(int type, int row, int element, const ElementAttributes& attributes) {
  if (type != kElementButton || row != -1 || element < 0 || element >= static_cast<int>(elements_.size())) {
    return false;
  }
  if (attributes.width <= 0 || attributes.height <= 0 || attributes.width > 400 || attributes.height > 400 ||
      (attributes.anchor != 0 && attributes.anchor != 1)) {
    return false;
  }
  ElementDesign design;
  design.attributes = attributes;
  design.attributes.image = {};  // the bytes are the caller's; only the decoded picture is kept
  design.attributes.font = nullptr;
  if (!attributes.image.empty()) {
    if (auto decoded = decodeIconImage(attributes.image)) {
      const int edge = std::min(attributes.width, attributes.height) - 6;
      design.image = scaleImage(*decoded, std::max(edge, 1), std::max(edge, 1));
    }
  }
  design.font.face = toWideText(properties_.fontFace);
  design.font.height = pointsToPixels(kElementFontPoints, dpi());
  std::optional<FontDescription> description;
  if (const Structure* live = liveStructure(attributes.font)) {
    description = fontFromStructure(*live);
  } else if (attributes.font != nullptr) {
    if (auto unpacked = Structure::unpack(viewByteString(attributes.font))) description = fontFromStructure(*unpacked);
  }
  if (description) {
    if (!description->face.empty()) design.font.face = toWideText(description->face);
    if (description->points > 0) design.font.height = pointsToPixels(description->points, dpi());
    design.font.weight = description->weight;
    design.font.italic = description->italic;
    design.font.underline = description->underline;
    design.font.strikeOut = description->strikeOut;
  }
  elements_[static_cast<std::size_t>(element)] = std::move(design);
  invalidate();
  return true;
}

bool Listbox::setElementData(int type, int row, int column, int element, bool checked, bool shown, bool disabled,
                             std::optional<TakenBin> caption) {
  if (type != kElementButton || column != -1 || element < 0 || element >= static_cast<int>(elements_.size()) ||
      row < -1 || row >= itemCount()) {
    return false;
  }
  ElementData data;
  data.checked = checked;
  data.shown = shown;
  data.disabled = disabled;
  if (caption) data.caption = toWideText(caption->bytes);
  const int first = row == -1 ? 0 : row;
  const int last = row == -1 ? itemCount() - 1 : row;
  for (int i = first; i <= last; ++i) rows_[static_cast<std::size_t>(i)].elements[static_cast<std::size_t>(element)] = data;
  if (hoverElement_ == element && !data.shown) hoverElement_ = -1;
  invalidate();
  return true;
}

std::intptr_t Listbox::getAttribute(int attribute) {
  switch (attribute) {
    case kAttrRowPitch: return pitch();
    case kAttrScrollTop: return scrollTop_;
    case kAttrHoverRow: return hoverRow_;
    case kAttrContentHeight: return contentHeight();
    case kAttrFocusRow: return focusRow_;
    case kAttrActionName: return reinterpret_cast<std::intptr_t>(actionName_.c_str());
    case kAttrFixedActionName: return reinterpret_cast<std::intptr_t>(fixedActionName_.c_str());
    case kAttrElementNames: return reinterpret_cast<std::intptr_t>(elementNames_.c_str());
    default: return Control::getAttribute(attribute);
  }
}

bool Listbox::setAttribute(int attribute, std::intptr_t value) {
  switch (attribute) {
    case kAttrRowPitch:
      if (value < 8 || value > 400) return false;
      properties_.rowPitch = static_cast<int>(value);
      scrollTo(scrollTop_);
      invalidate();
      return true;
    case kAttrScrollTop:
      scrollTo(static_cast<int>(value));
      return true;
    case kAttrFocusRow:
      showCues();  // the program moves the mark for the keyboard's user
      moveMark(static_cast<int>(value));
      return true;
    case kAttrActionName:
      actionName_ = value != 0 ? copyAttributeText(value) : kDefaultActionName;
      return true;
    case kAttrFixedActionName:
      fixedActionName_ = value != 0 ? copyAttributeText(value) : kDefaultFixedActionName;
      return true;
    case kAttrElementNames:
      elementNames_ = copyAttributeText(value);
      return true;
    default: return Control::setAttribute(attribute, value);
  }
}

bool Listbox::exportContent(std::string& content) {
  content.clear();
  for (const Row& row : rows_) {
    content += row.caption;
    content.push_back('\0');
  }
  return true;
}

void Listbox::onEnable(bool isEnabled) {
  if (isEnabled) return;
  // A disabled window gets no more pointer messages: end the hover now so that every
  // enter has its leave.
  clearPress();
  const int old = hoverRow_;
  hoverRow_ = -1;
  hoverElement_ = -1;
  if (old >= 0) raise(kEventItemLeave, old, -1, -1);
}

bool Listbox::updateHover(POINT point) {
  const Hit hit = hitTest(point);
  if (hit.row == hoverRow_) {
    if (hit.element != hoverElement_) {
      hoverElement_ = hit.element;
      invalidate();
    }
    return true;
  }
  const int old = hoverRow_;
  hoverRow_ = -1;
  hoverElement_ = -1;
  invalidate();
  if (old >= 0 && !raise(kEventItemLeave, old, point.x, point.y)) return false;
  // The leave handler may have changed the rows: look again.
  const Hit now = hitTest(point);
  if (now.row >= 0 && hoverRow_ == -1) {
    hoverRow_ = now.row;
    hoverElement_ = now.element;
    invalidate();
    if (!raise(kEventItemEnter, now.row, point.x, point.y)) return false;
    // The enter handler typically shows the row's elements: the pointer may be on one.
    if (hoverRow_ == now.row) hoverElement_ = hitTest(point).element;
  }
  return true;
}

LRESULT Listbox::onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  if (message == pendingActionMessage()) return carryOutPendingAction();
  switch (message) {
    case WM_MOUSEMOVE: return followPointer(pointOf(lParam));
    case WM_MOUSELEAVE: return endHoverOnLeave();
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return pressLeftButton(pointOf(lParam), message == WM_LBUTTONDBLCLK);
    case WM_LBUTTONUP: return releaseLeftButton(pointOf(lParam));
    case WM_CAPTURECHANGED: return dropPressOnCaptureLoss(reinterpret_cast<HWND>(lParam));
    case WM_RBUTTONDOWN: return awaitRightRelease();
    case WM_RBUTTONUP: return reportRightClick(pointOf(lParam));
    case WM_MOUSEWHEEL: return scrollByWheel(GET_WHEEL_DELTA_WPARAM(wParam), lParam);
    case WM_KEYDOWN: return pressKey(wParam);
    case WM_SYSKEYDOWN: return pressSystemKey(wParam, handled);
    case WM_CHAR: return reportCharacter(wParam);
    case WM_CONTEXTMENU: return ignoreKeyboardMenu(lParam, handled);
    case WM_GETDLGCODE: return wantedDialogKeys(reinterpret_cast<const MSG*>(lParam));
    case WM_SETFOCUS: return showMarkWithFocus(handled);
    case WM_KILLFOCUS: return hideMarkWithFocus(handled);
    case WM_GETOBJECT: return giveAccessibleObject(wParam, lParam, handled);
    default: return Control::onMessage(message, wParam, lParam, handled);
  }
}

LRESULT Listbox::followPointer(POINT point) {
  if (dragging_) {
    const RECT client = clientRect();
    const RECT thumb = thumbRect();
    const int travel = (client.bottom - 4) - (thumb.bottom - thumb.top);
    if (travel > 0) scrollTo((point.y - dragOffset_ - 2) * maxScroll() / travel);
    return 0;
  }
  if (updateHover(point)) trackLeave();
  return 0;
}

LRESULT Listbox::endHoverOnLeave() {
  if (!dragging_ && !pressing_) updateHover(POINT{-1, -1});
  return 0;
}

LRESULT Listbox::pressLeftButton(POINT point, bool doubleClick) {
  hideCuesOnClick();
  const Hit hit = hitTest(point);
  // The program hears of the row through the click itself. Marked before the focus comes,
  // so that a screen reader is told of the new row once.
  if (hit.row >= 0 && hit.element < 0 && !hit.scrollBar && hit.row != focusRow_) markRow(hit.row);
  if (GetFocus() != window()) SetFocus(window());  // so that the wheel and keys come here
  if (hit.scrollBar) {
    const RECT thumb = thumbRect();
    if (point.y >= thumb.top && point.y < thumb.bottom) {
      dragging_ = true;
      dragOffset_ = point.y - thumb.top;
      SetCapture(window());
    } else {
      scrollTo(scrollTop_ + (point.y < thumb.top ? -1 : 1) * clientRect().bottom);
    }
    invalidate();
    return 0;
  }
  if (hit.element >= 0) {
    // Elements take every press, the second one of a double click too: a quick double
    // click on a button element is two clicks.
    pressRow_ = hit.row;
    pressElement_ = clickable(hit.row, hit.element) ? hit.element : -2;
    pressing_ = true;
    SetCapture(window());
    invalidate();
    return 0;
  }
  if (doubleClick) {
    pressing_ = false;  // the release that follows is not a click
    pressRow_ = -1;
    if (hit.row >= 0) raise(kEventItemDoubleClick, hit.row, point.x, point.y);
    return 0;
  }
  pressRow_ = hit.row;
  pressElement_ = -1;
  pressing_ = true;
  SetCapture(window());
  invalidate();
  return 0;
}

LRESULT Listbox::releaseLeftButton(POINT point) {
  if (dragging_) {
    dragging_ = false;
    ReleaseCapture();
    invalidate();
    return 0;
  }
  if (!pressing_) return 0;
  const int row = pressRow_;
  const int element = pressElement_;
  pressing_ = false;
  pressRow_ = -1;
  pressElement_ = -1;
  if (GetCapture() == window()) ReleaseCapture();
  invalidate();
  const Hit hit = hitTest(point);
  if (element >= 0) {
    if (hit.row == row && hit.element == element) clickElement(row, element);
  } else if (element == -1 && row >= 0 && hit.row == row && hit.element < 0) {
    raise(kEventItemClick, row, point.x, point.y);
  }
  return 0;
}

LRESULT Listbox::dropPressOnCaptureLoss(HWND newCapture) {
  if (newCapture != window() && (pressing_ || dragging_)) {
    pressing_ = false;
    dragging_ = false;
    pressRow_ = -1;
    pressElement_ = -1;
    invalidate();
  }
  return 0;
}

LRESULT Listbox::awaitRightRelease() {
  hideCuesOnClick();
  return 0;  // the release raises the right click
}

LRESULT Listbox::reportRightClick(POINT point) {
  raiseRightClick(hitTest(point).row, point);
  return 0;
}

void Listbox::raiseRightClick(int row, POINT point) {
  if (!raise(kEventItemRightClick, row, point.x, point.y)) return;
  raise(kEventRightClick, row, point.x, point.y);
}

void Listbox::clickElement(int row, int element) {
  if (!clickable(row, element)) return;
  const ElementRoutine routine = elements_[static_cast<std::size_t>(element)].attributes.routine;
  if (routine != nullptr) callOut([&] { routine(kElementClick, row, element); });
}

LRESULT Listbox::scrollByWheel(int delta, LPARAM screenPoint) {
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  const int page = clientRect().bottom;
  wheelRemainder_ += delta;
  const int notches = wheelRemainder_ / WHEEL_DELTA;
  wheelRemainder_ -= notches * WHEEL_DELTA;
  if (notches != 0) {
    const int step = lines == WHEEL_PAGESCROLL ? page : static_cast<int>(std::min<UINT>(lines, 100)) * pitch();
    scrollTo(scrollTop_ - notches * step);
    // The rows moved under a still pointer.
    POINT point = pointOf(screenPoint);
    ScreenToClient(window(), &point);
    if (!dragging_ && !pressing_) updateHover(point);
  }
  return 0;
}

void Listbox::markRow(int row) {
  focusRow_ = row;
  invalidate();
  announceMark();
}

bool Listbox::moveMark(int row) {
  row = row < 0 ? -1 : std::min(row, itemCount() - 1);
  if (row >= 0) guaranteeVisible(row, 1);
  if (row == focusRow_) return true;
  markRow(row);
  return raise(kEventFocusMoved, row);
}

void Listbox::announceMark() const {
  if (!hasFocus()) return;
  NotifyWinEvent(EVENT_OBJECT_FOCUS, window(), OBJID_CLIENT, focusRow_ >= 0 ? focusRow_ + 1 : CHILDID_SELF);
}

void Listbox::activateRow(int row) {
  if (row < 0 || row >= itemCount()) return;
  guaranteeVisible(row, 1);
  const POINT middle = rowMiddle(row);
  raise(kEventItemClick, row, middle.x, middle.y);
}

void Listbox::showCues() {
  if (cuesShown_) return;
  cuesShown_ = true;
  invalidate();
}

void Listbox::hideCuesOnClick() {
  if (!cuesShown_ || systemShowsCues()) return;
  cuesShown_ = false;
  invalidate();
}

LRESULT Listbox::pressKey(WPARAM key) {
  showCues();
  // Ctrl with an arrow is the program's (moving an entry, say), not a move of the mark.
  if ((key == VK_UP || key == VK_DOWN) && (heldModifiers() & kKeyControl)) return reportKey(key);
  switch (key) {
    case VK_UP: return stepMark(-1);
    case VK_DOWN: return stepMark(1);
    case VK_PRIOR: return pageMark(-1);
    case VK_NEXT: return pageMark(1);
    case VK_HOME: return markFirstRow();
    case VK_END: return markLastRow();
    case VK_RETURN: return activateMarkedRow();
    case VK_APPS: return openMenuForMarkedRow();
    case VK_F10: return (heldModifiers() & kKeyShift) ? openMenuForMarkedRow() : reportKey(key);
    default: return reportKey(key);
  }
}

LRESULT Listbox::pressSystemKey(WPARAM key, bool& handled) {
  showCues();
  // F10 comes as a system key; Shift+F10 is the list's, the rest (Alt+F4, the menu) the window's.
  if (key == VK_F10 && (heldModifiers() & kKeyShift)) return openMenuForMarkedRow();
  handled = false;
  return 0;
}

LRESULT Listbox::stepMark(int delta) {
  if (itemCount() == 0) return 0;
  const int from = focusRow_ >= 0 ? focusRow_ + delta : (delta > 0 ? 0 : itemCount() - 1);
  moveMark(std::clamp(from, 0, itemCount() - 1));
  return 0;
}

LRESULT Listbox::pageMark(int direction) {
  if (itemCount() == 0) return 0;
  if (focusRow_ < 0) return stepMark(direction);
  const int from = focusRow_;
  const int to = std::clamp(from + direction * rowsPerPage(from, direction), 0, itemCount() - 1);
  // The page turns under the mark, which keeps its place in the view where it can.
  scrollTo(scrollTop_ + rowTop(to) - rowTop(from));
  moveMark(to);
  return 0;
}

LRESULT Listbox::markFirstRow() {
  moveMark(0);
  return 0;
}

LRESULT Listbox::markLastRow() {
  moveMark(itemCount() - 1);
  return 0;
}

LRESULT Listbox::activateMarkedRow() {
  if (focusRow_ < 0) return reportKey(VK_RETURN);
  activateRow(focusRow_);
  return 0;
}

LRESULT Listbox::openMenuForMarkedRow() {
  const int row = focusRow_;
  if (row >= 0) guaranteeVisible(row, 1);
  const RECT client = clientRect();
  raiseRightClick(row, row >= 0 ? rowMiddle(row) : POINT{client.right / 2, client.bottom / 2});
  return 0;
}

LRESULT Listbox::reportKey(WPARAM key) {
  raise(kEventKeyDown, static_cast<int>(key), heldModifiers());
  return 0;
}

LRESULT Listbox::reportCharacter(WPARAM unit) {
  raise(kEventCharacter, static_cast<int>(unit));
  return 0;
}

LRESULT Listbox::ignoreKeyboardMenu(LPARAM screenPoint, bool& handled) {
  // The menu key was raised as a right click when it went down; the menu the system makes of
  // it on its way up would be a second one. The right button's menu passes on.
  handled = static_cast<DWORD>(screenPoint) == 0xFFFFFFFFu;
  return 0;
}

LRESULT Listbox::showMarkWithFocus(bool& handled) {
  invalidate();
  if (focusRow_ >= 0) announceMark();
  handled = false;
  return 0;
}

LRESULT Listbox::hideMarkWithFocus(bool& handled) {
  invalidate();
  handled = false;
  return 0;
}

LRESULT Listbox::wantedDialogKeys(const MSG* pending) { return claimEnter(pending, DLGC_WANTARROWS | DLGC_WANTCHARS); }

LRESULT Listbox::giveAccessibleObject(WPARAM flags, LPARAM objectId, bool& handled) {
  if (static_cast<DWORD>(objectId) != static_cast<DWORD>(OBJID_CLIENT)) {
    handled = false;
    return 0;
  }
  return accessibleObjectResult(*this, flags);
}

std::wstring Listbox::actionName(int row) const {
  const bool fixed = row >= 0 && row < static_cast<int>(properties_.fixedRows.size());
  return toWideText(fixed ? fixedActionName_ : actionName_);
}

std::wstring Listbox::elementName(int row, int element) const {
  // Split after the conversion: a "|" byte can be the second half of a GBK character.
  const std::wstring names = toWideText(elementNames_);
  std::size_t start = 0;
  for (int i = 0; i < element && start != std::wstring::npos; ++i) {
    start = names.find(L'|', start);
    if (start != std::wstring::npos) ++start;
  }
  if (start != std::wstring::npos) {
    const std::wstring name = names.substr(start, names.find(L'|', start) - start);
    if (!name.empty()) return name;
  }
  return rows_[static_cast<std::size_t>(row)].elements[static_cast<std::size_t>(element)].caption;
}

void Listbox::queueAction(int row, int element) {
  pendingActions_.push_back(PendingAction{row, element});
  PostMessageW(window(), pendingActionMessage(), 0, 0);
}

LRESULT Listbox::carryOutPendingAction() {
  // Here, from the message loop, a handler may run a modal loop or destroy the list without
  // a screen reader's call waiting on it.
  if (pendingActions_.empty()) return 0;
  const PendingAction action = pendingActions_.front();
  pendingActions_.erase(pendingActions_.begin());
  if (!enabled() || action.row >= itemCount()) return 0;
  if (action.element >= 0) {
    clickElement(action.row, action.element);
  } else if (moveMark(action.row)) {
    activateRow(action.row);
  }
  return 0;
}

void Listbox::paint(HDC dc, const RECT& client, const Palette& palette) {
  const COLORREF back = palette.own(properties_.backColour, palette.listBack);
  fillSolid(dc, client, back);
  const bool bar = scrollable();
  int top = -scrollTop_;
  for (int i = 0; i < itemCount() && top < client.bottom; ++i) {
    const int height = heightOf(rows_[static_cast<std::size_t>(i)]);
    if (top + height > 0) {
      const RECT area{client.left, top, client.right, top + height};
      // The thumb is a thin overlay: the text gives way to it by a few pixels only.
      paintRow(dc, palette, i, area, client.right - scaled(kPadRight) - (bar ? scaled(kThumbWidth - 2) : 0));
    }
    top += height;
  }
  if (bar) {
    const RECT thumb = thumbRect();
    fillRounded(dc, thumb, scaled(kThumbWidth) / 2, dragging_ ? palette.scrollThumbActive : palette.scrollThumb,
                kNoBorder);
  }
  if (properties_.flags & kBlockBorder) frameSolid(dc, client, palette.own(properties_.borderColour, palette.border));
}

void Listbox::paintRow(HDC dc, const Palette& palette, int index, const RECT& area, int textRight) {
  Row& row = rows_[static_cast<std::size_t>(index)];
  const bool isEnabled = enabled();
  const bool pressed = pressing_ && pressRow_ == index && pressElement_ == -1 && hoverRow_ == index;
  const bool hovered = isEnabled && hoverRow_ == index && !(properties_.flags & kBlockNoHover);
  if (pressed || hovered) {
    const RECT face{area.left + scaled(kHoverInset), area.top + 1, area.right - scaled(kHoverInset), area.bottom - 1};
    const COLORREF colour = pressed ? palette.own(properties_.pressColour, palette.rowPress)
                                    : palette.own(properties_.hoverColour, palette.rowHover);
    fillRounded(dc, face, scaled(kHoverRadius), colour, kNoBorder);
  }

  const int height = area.bottom - area.top;
  const int iconSize = iconSizeFor(height);
  const int iconLeft = area.left + scaled(kPadLeft);
  const int iconTop = area.top + (height - iconSize) / 2;
  if (row.glyph != kGlyphNone) {
    GlyphColours ink = pressed || hovered ? palette.glyphOnRow : palette.glyph;
    ink.addTile = palette.own(properties_.accentColour, ink.addTile);
    if (row.scaled.width != iconSize || row.scaledIn != ink) {
      row.scaled = renderGlyph(row.glyph, iconSize, row.glyph == kGlyphAdd ? ink.addTile : ink.editTile, ink.symbol);
      row.scaledIn = ink;
    }
  } else if (row.icon && row.scaled.width != iconSize) {
    row.scaled = scaleImage(*row.icon, iconSize, iconSize);
  }
  drawImage(dc, row.scaled, iconLeft, iconTop, isEnabled ? 255 : palette.fade(110));

  int right = textRight;
  for (int e = 0; e < static_cast<int>(elements_.size()); ++e) {
    if (row.elements[static_cast<std::size_t>(e)].shown) {
      right = std::min<int>(right, elementRect(e, area.top).left - 4);
    }
  }
  FontKey key;
  key.face = toWideText(properties_.fontFace);
  if (properties_.fontSize > 0) key.height = properties_.fontSize;
  key.weight = (row.captionStyle & kCaptionBold) ? FW_SEMIBOLD : properties_.fontWeight;
  const COLORREF ink = palette.own(properties_.textColour, pressed || hovered ? palette.rowText : palette.text);
  const COLORREF textColour = !isEnabled ? palette.textDisabled : palette.own(row.colour, ink);
  if (index == focusRow_ && hasFocus() && cuesShown_) {
    // In the text's colour, which the system sets in high contrast, not the accent's.
    const RECT mark{area.left + scaled(kHoverInset), area.top + 1, area.right - scaled(kHoverInset), area.bottom - 1};
    frameRounded(dc, mark, scaled(kHoverRadius), scaled(1), ink);
  }
  const RECT textArea{iconLeft + iconSize + scaled(kIconGap), area.top, right, area.bottom};
  if (textArea.right > textArea.left) drawLine(dc, row.wide, textArea, sharedFont(key, dpi()), textColour, DT_LEFT);

  for (int e = 0; e < static_cast<int>(elements_.size()); ++e) {
    if (row.elements[static_cast<std::size_t>(e)].shown) paintElement(dc, palette, index, e, area);
  }
}

void Listbox::paintElement(HDC dc, const Palette& palette, int index, int element, const RECT& area) {
  const ElementDesign& design = elements_[static_cast<std::size_t>(element)];
  const ElementData& data = rows_[static_cast<std::size_t>(index)].elements[static_cast<std::size_t>(element)];
  const RECT box = elementRect(element, area.top);
  const bool isEnabled = enabled() && !data.disabled;
  const bool pressed = isEnabled && pressing_ && pressRow_ == index && pressElement_ == element &&
                       hoverRow_ == index && hoverElement_ == element;
  const bool hovered = isEnabled && hoverRow_ == index && hoverElement_ == element;
  const bool accentStyle = design.attributes.style == kElementAccent;
  const ButtonColours& colours = accentStyle ? palette.accentElement : palette.element;
  const Ink& state = !isEnabled ? colours.disabled
                     : (pressed || data.checked) ? colours.pressed
                     : hovered                  ? colours.hovered
                                                : colours.rest;
  COLORREF face = state.face;
  COLORREF border = hovered ? colours.hovered.border : state.border;
  const COLORREF ink = state.text;
  // The caller's accent is the face of a resting accent button and the frame of a hovered
  // plain one.
  if (accentStyle && &state == &colours.rest) face = palette.own(properties_.accentColour, face);
  if (!accentStyle && hovered) border = palette.own(properties_.accentColour, border);
  fillRounded(dc, box, scaled(kElementRadius), face, border);
  if (design.image) {
    const int x = box.left + (box.right - box.left - design.image->width) / 2;
    const int y = box.top + (box.bottom - box.top - design.image->height) / 2;
    drawImage(dc, *design.image, x, y, isEnabled ? 255 : palette.fade(90));
  } else if (data.caption.size() == 1) {
    drawCentredSymbol(dc, data.caption[0], box, sharedFont(design.font, dpi()), ink);
  } else {
    drawLine(dc, data.caption, box, sharedFont(design.font, dpi()), ink, DT_CENTER);
  }
}

}  // namespace corvalis::exui
