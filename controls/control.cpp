#include "controls/control.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "base/wide_text.h"
#include "controls/gbk_text.h"
#include "base/win_handles.h"
#include "controls/canvas.h"

namespace corvalis::exui {
namespace {

// The bridge's own procedure, kept on the window so that our procedure can chain to it even
// after the control is gone (when someone subclassed the window above us).
constexpr wchar_t kBaseProcProperty[] = L"Exui.BaseProc";

std::mutex registryLock;
std::unordered_set<const void*>& liveControls() {
  static auto* live = new std::unordered_set<const void*>();  // outlives every window
  return *live;
}

std::mutex jobsLock;
std::unordered_map<const void*, void (*)(void*)>& pendingJobs() {
  static auto* jobs = new std::unordered_map<const void*, void (*)(void*)>();
  return *jobs;
}

void runJob(LPARAM key) {
  void (*run)(void*) = nullptr;
  {
    std::lock_guard guard(jobsLock);
    const auto found = pendingJobs().find(reinterpret_cast<const void*>(key));
    if (found == pendingJobs().end()) return;
    run = found->second;
  }
  run(reinterpret_cast<void*>(key));
}

std::string boundedText(const char* field, std::size_t capacity) {
  std::size_t length = 0;
  while (length < capacity && field[length] != '\0') ++length;
  const bool cut = length == capacity;  // no terminator: the field's last byte is its place
  if (cut && length > 0) --length;
  std::string text(field, length);
  // A double-byte character cut in half at the field's end goes with its half.
  if (cut && !text.empty() && text.size() - previousBoundary(text, text.size()) == 1 &&
      isGbkLeadByte(static_cast<unsigned char>(text.back()))) {
    text.pop_back();
  }
  return text;
}

int inRange(int value, int low, int high) { return value >= low && value <= high ? value : 0; }

}  // namespace

UINT invokeMessage() {
  static const UINT message = RegisterWindowMessageW(L"Exui.Invoke.7d1f4a52");
  return message;
}

void registerJob(const void* job, void (*run)(void*)) {
  std::lock_guard guard(jobsLock);
  pendingJobs()[job] = run;
}

void unregisterJob(const void* job) {
  std::lock_guard guard(jobsLock);
  pendingJobs().erase(job);
}

Properties readProperties(const void* block, Kind kind) {
  Properties properties;
  if (block == nullptr) return properties;
  std::uint32_t magic;
  std::uint16_t version;
  std::uint16_t size;
  std::memcpy(&magic, block, 4);
  std::memcpy(&version, static_cast<const char*>(block) + 4, 2);
  std::memcpy(&size, static_cast<const char*>(block) + 6, 2);
  // A later version is read as far as this one knows it; a shorter block is not trusted,
  // nor one older than the fixed rows' heights.
  if (magic != kBlockMagic || version < kBlockVersion || size < sizeof(PropertyBlock)) return properties;
  PropertyBlock copy;
  std::memcpy(&copy, block, sizeof copy);
  if (copy.kind != 0 && copy.kind != static_cast<std::uint32_t>(kind)) return properties;

  properties.fromBlock = true;
  properties.pageId = copy.pageId;
  properties.flags = copy.flags;
  properties.rowPitch = inRange(copy.rowPitch, 8, 400);
  properties.iconSize = inRange(copy.iconSize, 8, 128);
  properties.fontSize = inRange(copy.fontSize, 6, 96);
  properties.fontWeight = inRange(copy.fontWeight, 1, 1000);
  properties.textColour = copy.textColour;
  properties.backColour = copy.backColour;
  properties.hoverColour = copy.hoverColour;
  properties.pressColour = copy.pressColour;
  properties.borderColour = copy.borderColour;
  properties.accentColour = copy.accentColour;
  properties.overlayAlpha = inRange(copy.overlayAlpha, 1, 255);
  properties.fontFace = boundedText(copy.fontFace, sizeof copy.fontFace);
  properties.text = boundedText(copy.text, sizeof copy.text);
  const int rows = std::clamp(copy.fixedRowCount, 0, kMaxFixedRows);
  for (int i = 0; i < rows; ++i) {
    const FixedRow& row = copy.fixedRows[i];
    FixedRowDesign design;
    design.glyph = row.glyph == kGlyphAdd || row.glyph == kGlyphEdit ? static_cast<Glyph>(row.glyph) : kGlyphNone;
    design.caption = boundedText(row.caption, sizeof row.caption);
    design.height = row.height >= 8 && row.height <= 400 ? row.height : 0;
    properties.fixedRows.push_back(std::move(design));
  }
  return properties;
}

std::string copyAttributeText(std::intptr_t address) {
  const char* source = reinterpret_cast<const char*>(address);
  return source != nullptr ? std::string(source, strnlen(source, kEditboxMaxBytes)) : std::string();
}

LRESULT claimEnter(const MSG* pending, LRESULT wanted) {
  if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) wanted |= DLGC_WANTMESSAGE;
  return wanted;
}

namespace {

// A control and its visible children; dc's origin is at the control's client origin.
void printTree(HWND window, HDC dc) {
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  for (auto it = children.rbegin(); it != children.rend(); ++it) {  // the bottom of the z-order first
    if (!visibleFlag(*it) || Control::fromWindow(*it) == nullptr) continue;
    POINT origin{0, 0};
    MapWindowPoints(*it, window, &origin, 1);
    RECT client{};
    GetClientRect(*it, &client);
    ScopedDcState state(dc);
    OffsetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    IntersectClipRect(dc, 0, 0, client.right, client.bottom);
    printTree(*it, dc);
  }
}

}  // namespace

void excludeWindowsAbove(HWND window, HDC dc) {
  // Our windows carry WS_EX_TRANSPARENT, which the system leaves out of sibling and child
  // clipping; without this a list would paint over the tip panel lying above it.
  RECT mine{};
  GetWindowRect(window, &mine);
  auto exclude = [&](HWND other) {
    RECT theirs{}, overlap{};
    if (!visibleFlag(other) || !GetWindowRect(other, &theirs) || !IntersectRect(&overlap, &mine, &theirs)) return;
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&overlap), 2);
    ExcludeClipRect(dc, overlap.left, overlap.top, overlap.right, overlap.bottom);
  };
  for (HWND sibling = GetWindow(window, GW_HWNDPREV); sibling != nullptr; sibling = GetWindow(sibling, GW_HWNDPREV)) {
    exclude(sibling);
  }
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    exclude(child);
  }
}

void paintBeneath(HWND window, HDC dc) {
  RECT client{};
  GetClientRect(window, &client);
  HWND parent = GetParent(window);
  HBRUSH brush = nullptr;
  if (parent != nullptr) {
    const auto background = GetClassLongPtrW(parent, GCLP_HBRBACKGROUND);
    if (background > 0 && background <= COLOR_MENUBAR + 1) {
      brush = GetSysColorBrush(static_cast<int>(background - 1));
    } else {
      brush = reinterpret_cast<HBRUSH>(background);
    }
  }
  if (brush == nullptr) brush = GetSysColorBrush(COLOR_BTNFACE);
  FillRect(dc, &client, brush);
  if (parent != nullptr && Control::fromWindow(parent) != nullptr) {
    POINT origin{0, 0};
    MapWindowPoints(window, parent, &origin, 1);
    ScopedDcState state(dc);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, nullptr);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  }
  std::vector<HWND> below;
  for (HWND sibling = GetWindow(window, GW_HWNDNEXT); sibling != nullptr; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    below.push_back(sibling);
  }
  RECT mine{};
  GetWindowRect(window, &mine);
  for (auto it = below.rbegin(); it != below.rend(); ++it) {
    RECT theirs{}, overlap{};
    if (!visibleFlag(*it) || Control::fromWindow(*it) == nullptr || !GetWindowRect(*it, &theirs) ||
        !IntersectRect(&overlap, &mine, &theirs)) {
      continue;
    }
    POINT origin{0, 0};
    MapWindowPoints(*it, window, &origin, 1);
    ScopedDcState state(dc);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    OffsetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    printTree(*it, dc);
  }
}

Control::Control(Kind kind, HWND window, const CreationContext& context, EventRoutine routine,
                 Properties properties)
    : properties_(std::move(properties)), window_(window), routine_(routine) {
  record_.magic = kRecordMagic;
  record_.kind = static_cast<std::uint32_t>(kind);
  record_.firstId = static_cast<std::uint32_t>(context.firstId);
  record_.secondId = static_cast<std::uint32_t>(context.secondId);
  record_.bridgeKind = static_cast<std::uint32_t>(context.bridgeKind);
  record_.eventBase = 0;
  record_.flags = properties_.flags;
  record_.state = kStateCreating;
  record_.owner = this;
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  record_.left = rect.left;
  record_.top = rect.top;
  record_.width = rect.right - rect.left;
  record_.height = rect.bottom - rect.top;
  std::lock_guard guard(registryLock);
  liveControls().insert(&record_);
}

Control::~Control() {
  {
    std::lock_guard guard(registryLock);
    liveControls().erase(&record_);
  }
  unbind();
}

Control* Control::fromHandle(const void* handle) {
  if (handle == nullptr) return nullptr;
  std::lock_guard guard(registryLock);
  if (liveControls().count(handle) == 0) return nullptr;
  return static_cast<const ControlRecord*>(handle)->owner;
}

Control* Control::fromWindow(HWND window) {
  if (window == nullptr) return nullptr;
  Control* control = fromHandle(GetPropA(window, kBindProperty));
  return control != nullptr && control->window_ == window ? control : nullptr;
}

bool Control::attach() {
  baseProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window_, GWLP_WNDPROC));
  if (baseProc_ == nullptr) return false;
  SetPropW(window_, kBaseProcProperty, reinterpret_cast<HANDLE>(baseProc_));
  SetPropA(window_, kBindProperty, handle());
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::windowProc));
  // Overlapping controls (a veil over a list, a panel over the veil) must not paint over the
  // ones above them, and a panel must not paint over its children.
  SetWindowLongPtrW(window_, GWL_STYLE, GetWindowLongPtrW(window_, GWL_STYLE) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  if (properties_.flags & kBlockDisabled) EnableWindow(window_, FALSE);
  // An empty toolbar has nothing to show: it stays hidden until asked (kAttrVisible). The
  // launcher's unused one lies above its list and would cover rows otherwise.
  if (!(properties_.flags & kBlockHidden) && kind() != Kind::kToolbar) ShowWindow(window_, SW_SHOWNA);
  record_.state = kStateReady;
  return true;
}

void Control::unbind() {
  if (window_ == nullptr || !IsWindow(window_)) return;
  if (GetPropA(window_, kBindProperty) == handle()) RemovePropA(window_, kBindProperty);
  if (GetCapture() == window_) ReleaseCapture();
  if (GetWindowLongPtrW(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Control::windowProc) &&
      baseProc_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(baseProc_));
    RemovePropW(window_, kBaseProcProperty);
  }
}

void Control::destroy() {
  if (destroyPending_) return;
  destroyPending_ = true;
  record_.state = kStateGone;
  {
    std::lock_guard guard(registryLock);
    liveControls().erase(&record_);
  }
  unbind();
  if (dispatchDepth_ == 0) delete this;
}

RECT Control::clientRect() const {
  RECT client{};
  GetClientRect(window_, &client);
  return client;
}

void Control::paintTo(HDC dc) {
  ScopedDcState state(dc);
  const RECT client = clientRect();
  IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
  // Read at every paint, not kept: a theme switched while the program runs shows at the
  // next repaint.
  paint(dc, client, paletteFrom(colourSource_));
}

void Control::invalidate() {
  if (lockCount_ > 0 || destroyPending_) return;
  InvalidateRect(window_, nullptr, FALSE);
  // A veil above this control shows it through: it must follow.
  RECT mine{};
  GetWindowRect(window_, &mine);
  for (HWND above = GetWindow(window_, GW_HWNDPREV); above != nullptr; above = GetWindow(above, GW_HWNDPREV)) {
    Control* other = fromWindow(above);
    RECT theirs{}, overlap{};
    if (other != nullptr && other->kind() == Kind::kFilter && visibleFlag(above) &&
        GetWindowRect(above, &theirs) && IntersectRect(&overlap, &mine, &theirs)) {
      InvalidateRect(above, nullptr, FALSE);
    }
  }
}

int Control::lockUpdate() { return ++lockCount_; }

int Control::unlockUpdate() {
  if (lockCount_ > 0 && --lockCount_ == 0) invalidate();
  return lockCount_;
}

void Control::setRect(int x, int y, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  record_.left = x;
  record_.top = y;
  record_.width = width;
  record_.height = height;
  RECT now{};
  GetWindowRect(window_, &now);
  MapWindowPoints(nullptr, GetParent(window_), reinterpret_cast<POINT*>(&now), 2);
  // Moving the window comes back here through the bridge with the same values; the second
  // time there is nothing left to move.
  if (now.left != x || now.top != y || now.right - now.left != width || now.bottom - now.top != height) {
    SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  onResize();
  invalidate();
}

std::intptr_t Control::getAttribute(int attribute) {
  switch (attribute) {
    case kAttrVisible: return visibleFlag(window_) ? 1 : 0;
    case kAttrDisabled: return enabled() ? 0 : 1;
    case kAttrKind: return static_cast<std::intptr_t>(record_.kind);
    case kAttrText: return text() != nullptr ? reinterpret_cast<std::intptr_t>(text()->c_str()) : 0;
    case kAttrTextLength: return text() != nullptr ? static_cast<std::intptr_t>(text()->size()) : 0;
    case kAttrTextColour: return properties_.textColour;
    case kAttrBackColour: return properties_.backColour;
    case kAttrHoverColour: return properties_.hoverColour;
    case kAttrPressColour: return properties_.pressColour;
    case kAttrBorderColour: return properties_.borderColour;
    case kAttrAccentColour: return properties_.accentColour;
    case kAttrFontSize: return properties_.fontSize;
    default: return 0;
  }
}

bool Control::setAttribute(int attribute, std::intptr_t value) {
  const auto colour = static_cast<std::uint32_t>(value);
  switch (attribute) {
    case kAttrVisible:
      ShowWindow(window_, value != 0 ? SW_SHOWNA : SW_HIDE);
      return true;
    case kAttrDisabled:
      EnableWindow(window_, value == 0);
      return true;
    case kAttrText: {
      std::string* storage = text();
      if (storage == nullptr) return false;
      *storage = copyAttributeText(value);
      textChanged();
      return true;
    }
    case kAttrTextColour: properties_.textColour = colour; break;
    case kAttrBackColour: properties_.backColour = colour; break;
    case kAttrHoverColour: properties_.hoverColour = colour; break;
    case kAttrPressColour: properties_.pressColour = colour; break;
    case kAttrBorderColour: properties_.borderColour = colour; break;
    case kAttrAccentColour: properties_.accentColour = colour; break;
    case kAttrFontSize:
      if (value < 6 || value > 96) return false;
      properties_.fontSize = static_cast<int>(value);
      onResize();
      break;
    default: return false;
  }
  invalidate();
  return true;
}

bool Control::exportContent(std::string& content) {
  if (text() == nullptr) return false;
  content = *text();
  return true;
}

const void* Control::exportBlock() {
  std::string content;
  if (!exportContent(content)) return nullptr;
  return exported_.set(static_cast<std::int32_t>(record_.kind), content);
}

bool Control::raise(int event, int a1, int a2, int a3, int a4) {
  if (destroyPending_ || record_.state != kStateReady) return false;
  if (routine_ != nullptr) routine_(&record_, kEventCodeBase + event, a1, a2, a3, a4);
  return !destroyPending_;
}

void Control::trackLeave() {
  if (tracking_) return;
  POINT cursor{};
  if (!GetCursorPos(&cursor) || WindowFromPoint(cursor) != window_) return;
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
  tracking_ = TrackMouseEvent(&track) != FALSE;
}

LRESULT Control::onMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT CALLBACK Control::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto base = reinterpret_cast<WNDPROC>(GetPropW(window, kBaseProcProperty));
  Control* control = fromWindow(window);
  if (message == WM_NCDESTROY) {
    // Off the window first: nothing may reach this procedure once the window is gone.
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Control::windowProc) &&
        base != nullptr) {
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
    }
    RemovePropW(window, kBaseProcProperty);
    if (control != nullptr) ++control->dispatchDepth_;
    // The bridge calls ControlDestroy from here.
    const LRESULT result = base != nullptr ? CallWindowProcW(base, window, message, wParam, lParam)
                                           : DefWindowProcW(window, message, wParam, lParam);
    if (control != nullptr) {
      if (!control->destroyPending_) control->destroy();  // a bridge that did not
      control->window_ = nullptr;
      if (--control->dispatchDepth_ == 0) delete control;
    }
    return result;
  }
  if (control == nullptr) {
    return base != nullptr ? CallWindowProcW(base, window, message, wParam, lParam)
                           : DefWindowProcW(window, message, wParam, lParam);
  }
  return control->route(message, wParam, lParam);
}

LRESULT Control::route(UINT message, WPARAM wParam, LPARAM lParam) {
  Hold hold(*this);
  bool handled = true;
  LRESULT result = 0;
  if (message == invokeMessage()) {
    runJob(lParam);
  } else {
    switch (message) {
      case WM_PAINT: result = paintWindow(); break;
      case WM_PRINTCLIENT: result = printClient(reinterpret_cast<HDC>(wParam), lParam); break;
      case WM_ERASEBKGND: result = skipBackgroundErase(); break;
      case WM_SETTEXT: result = takeWindowText(lParam, handled); break;
      case WM_GETTEXT:
      case WM_GETTEXTLENGTH: result = giveWindowText(message, wParam, lParam, handled); break;
      case WM_ENABLE: result = followEnabledState(wParam, handled); break;
      case WM_SYSCOLORCHANGE: result = followColourChange(handled); break;
      default: result = passToKind(message, wParam, lParam, handled); break;
    }
  }
  if (!handled) result = passToBridge(message, wParam, lParam);
  return result;
}

LRESULT Control::paintWindow() {
  PaintScope scope(window_);
  excludeWindowsAbove(window_, scope.dc());
  const RECT client = clientRect();
  if (client.right > 0 && client.bottom > 0) {
    Canvas back(client.right, client.bottom);  // drawn whole, shown at once: no flicker
    if (back.valid()) {
      paintTo(back.dc());
      BitBlt(scope.dc(), 0, 0, client.right, client.bottom, back.dc(), 0, 0, SRCCOPY);
    } else {
      paintTo(scope.dc());
    }
  }
  return 0;
}

LRESULT Control::printClient(HDC dc, LPARAM parts) {
  if (parts & PRF_CLIENT) paintTo(dc);
  return 0;
}

LRESULT Control::skipBackgroundErase() {
  // Painting covers the whole client area: an erase first would only flicker.
  return 1;
}

LRESULT Control::takeWindowText(LPARAM lParam, bool& handled) {
  std::string* storage = text();
  if (storage == nullptr) {
    handled = false;
    return 0;
  }
  const auto* wide = reinterpret_cast<const wchar_t*>(lParam);
  std::string fresh = wide != nullptr ? fromWideText(wide) : std::string();
  if (fresh.size() > static_cast<std::size_t>(kEditboxMaxBytes)) {
    fresh.resize(snapToBoundary(fresh, kEditboxMaxBytes));
  }
  *storage = std::move(fresh);
  textChanged();
  return TRUE;
}

LRESULT Control::giveWindowText(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  const std::string* storage = text();
  if (storage == nullptr) {
    handled = false;
    return 0;
  }
  const std::wstring wide = toWideText(*storage);
  if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(wide.size());
  if (wParam == 0 || lParam == 0) return 0;
  const std::size_t count = std::min<std::size_t>(wide.size(), wParam - 1);
  auto* buffer = reinterpret_cast<wchar_t*>(lParam);
  std::memcpy(buffer, wide.data(), count * sizeof(wchar_t));
  buffer[count] = L'\0';
  return static_cast<LRESULT>(count);
}

LRESULT Control::followEnabledState(WPARAM enabling, bool& handled) {
  onEnable(enabling != 0);
  invalidate();
  handled = false;  // the bridge sees it too
  return 0;
}

LRESULT Control::followColourChange(bool& handled) {
  // Only top-level windows hear of it from the system; ours pass it on.
  invalidate();
  handled = false;
  return 0;
}

LRESULT Control::passToKind(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (message == WM_MOUSELEAVE) tracking_ = false;
  if (record_.state != kStateReady || destroyPending_) {
    handled = false;
    return 0;
  }
  return onMessage(message, wParam, lParam, handled);
}

LRESULT Control::passToBridge(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = baseProc_ != nullptr ? CallWindowProcW(baseProc_, window_, message, wParam, lParam)
                                              : DefWindowProcW(window_, message, wParam, lParam);
  if (message == WM_WINDOWPOSCHANGED) catchUpWithMove(lParam);
  return result;
}

void Control::catchUpWithMove(LPARAM lParam) {
  // The bridge reports moves through ControlSetRect; a window moved while the control was
  // not ready, or by a bridge that does not, is caught up here.
  if (destroyPending_ || window_ == nullptr) return;
  const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
  if ((position->flags & (SWP_NOSIZE | SWP_NOMOVE)) == (SWP_NOSIZE | SWP_NOMOVE)) return;
  RECT now{};
  GetWindowRect(window_, &now);
  MapWindowPoints(nullptr, GetParent(window_), reinterpret_cast<POINT*>(&now), 2);
  if (now.left != record_.left || now.top != record_.top || now.right - now.left != record_.width ||
      now.bottom - now.top != record_.height) {
    setRect(now.left, now.top, now.right - now.left, now.bottom - now.top);
  }
}

}  // namespace corvalis::exui
