// ButtonEx, LabelEx, WindowEx / ToolbarEx and FilterEx.
#include <windowsx.h>

#include "base/win_handles.h"
#include "base/wide_text.h"
#include "controls/kinds.h"

namespace corvalis::exui {
namespace {

constexpr int kButtonRadius = 4;
constexpr int kPanelRadius = 6;
constexpr int kPanelPad = 8;

POINT pointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

HFONT fontOf(const Properties& properties, int dpi) {
  FontKey key;
  key.face = toWideText(properties.fontFace);
  if (properties.fontSize > 0) key.height = properties.fontSize;
  key.weight = properties.fontWeight;
  return sharedFont(key, dpi);
}

}  // namespace

// ----------------------------------------------------------------------------- ButtonEx

Button::Button(HWND window, const CreationContext& context, EventRoutine routine, Properties properties)
    : Control(Kind::kButton, window, context, routine, std::move(properties)) {
  caption_ = properties_.text;
}

void Button::paint(HDC dc, const RECT& client, const Palette& palette) {
  paintBeneath(window(), dc);
  const bool isEnabled = enabled();
  const bool pressed = pressing_ && inside_;
  const ButtonColours& colours = palette.button;
  COLORREF face, border, ink;
  if (!isEnabled) {
    face = colours.disabled.face;
    border = colours.disabled.border;
    ink = colours.disabled.text;
  } else {
    const COLORREF rest = palette.own(properties_.backColour, palette.own(properties_.accentColour, colours.rest.face));
    const Ink& state = pressed ? colours.pressed : hover_ ? colours.hovered : colours.rest;
    face = pressed  ? palette.own(properties_.pressColour, palette.blend(rest, RGB(0, 0, 0), 40, state.face))
           : hover_ ? palette.own(properties_.hoverColour, palette.blend(rest, RGB(0xFF, 0xFF, 0xFF), 28, state.face))
                    : rest;
    border = palette.own(properties_.borderColour, state.border);
    ink = palette.own(properties_.textColour, state.text);
  }
  fillRounded(dc, client, kButtonRadius, face, border);
  drawLine(dc, toWideText(caption_), client, fontOf(properties_, dpi()), ink, DT_CENTER);
}

void Button::onEnable(bool) {
  pressing_ = false;
  hover_ = false;
}

LRESULT Button::onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  switch (message) {
    case WM_MOUSEMOVE: {
      const RECT client = clientRect();
      const POINT point = pointOf(lParam);
      const bool inside = PtInRect(&client, point) != FALSE;
      if (inside != inside_ || inside != hover_) invalidate();
      inside_ = inside;
      hover_ = inside;
      trackLeave();
      return 0;
    }
    case WM_MOUSELEAVE:
      if (hover_) invalidate();
      hover_ = false;
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressing_ = true;
      inside_ = true;
      SetCapture(window());
      invalidate();
      return 0;
    case WM_LBUTTONUP: {
      if (!pressing_) return 0;
      pressing_ = false;
      ReleaseCapture();
      invalidate();
      const RECT client = clientRect();
      const POINT point = pointOf(lParam);
      if (PtInRect(&client, point)) raise(kEventButtonClick, point.x, point.y);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (pressing_) invalidate();
      pressing_ = false;
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE || wParam == VK_RETURN) {
        raise(kEventButtonClick, -1, -1);
        return 0;
      }
      handled = false;
      return 0;
    default:
      handled = false;
      return 0;
  }
}

// ----------------------------------------------------------------------------- LabelEx

Label::Label(HWND window, const CreationContext& context, EventRoutine routine, Properties properties)
    : Control(Kind::kLabel, window, context, routine, std::move(properties)) {
  text_ = properties_.text;
}

void Label::paint(HDC dc, const RECT& client, const Palette& palette) {
  paintBeneath(window(), dc);
  // See-through unless given a back colour; in high contrast that is the window's, under
  // the window's text.
  if (properties_.backColour != kThemeColour) fillSolid(dc, client, palette.own(properties_.backColour, palette.panelBack));
  const COLORREF ink = enabled() ? palette.own(properties_.textColour, palette.text) : palette.textDisabled;
  drawLine(dc, toWideText(text_), client, fontOf(properties_, dpi()),
           ink, (properties_.flags & kBlockCentreText) ? DT_CENTER : DT_LEFT);
  if (properties_.flags & kBlockBorder) frameSolid(dc, client, palette.own(properties_.borderColour, palette.border));
}

LRESULT Label::onMessage(UINT message, WPARAM, LPARAM, bool& handled) {
  // Passive text: the pointer belongs to whatever lies beneath (the panel around a tip).
  handled = message == WM_NCHITTEST;
  return handled ? HTTRANSPARENT : 0;
}

// ----------------------------------------------------------------------------- WindowEx, ToolbarEx

Panel::Panel(Kind kind, HWND window, const CreationContext& context, EventRoutine routine, Properties properties)
    : Control(kind, window, context, routine, std::move(properties)) {
  text_ = properties_.text;
}

void Panel::paint(HDC dc, const RECT& client, const Palette& palette) {
  const COLORREF back = palette.own(properties_.backColour, kind() == Kind::kWindow ? palette.panelBack : palette.toolbarBack);
  if (properties_.flags & kBlockBorder) {
    paintBeneath(window(), dc);
    fillRounded(dc, client, kPanelRadius, back, palette.own(properties_.borderColour, palette.border));
  } else {
    fillSolid(dc, client, back);
  }
  if (!text_.empty()) {
    const RECT area{client.left + kPanelPad, client.top, client.right - kPanelPad, client.bottom};
    const COLORREF ink = enabled() ? palette.own(properties_.textColour, palette.text) : palette.textDisabled;
    drawLine(dc, toWideText(text_), area, fontOf(properties_, dpi()), ink,
             (properties_.flags & kBlockCentreText) ? DT_CENTER : DT_LEFT);
  }
}

LRESULT Panel::onMessage(UINT message, WPARAM, LPARAM lParam, bool& handled) {
  handled = kind() == Kind::kWindow;
  if (!handled) return 0;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressing_ = true;
      SetCapture(window());
      return 0;
    case WM_LBUTTONUP: {
      if (!pressing_) return 0;
      pressing_ = false;
      ReleaseCapture();
      const RECT client = clientRect();
      const POINT point = pointOf(lParam);
      if (PtInRect(&client, point)) raise(kEventPanelClick, point.x, point.y);
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressing_ = false;
      return 0;
    default:
      handled = false;
      return 0;
  }
}

// ----------------------------------------------------------------------------- FilterEx

Filter::Filter(HWND window, const CreationContext& context, EventRoutine routine, Properties properties)
    : Control(Kind::kFilter, window, context, routine, std::move(properties)) {}

std::intptr_t Filter::getAttribute(int attribute) {
  if (attribute == kAttrOverlayAlpha) return properties_.overlayAlpha > 0 ? properties_.overlayAlpha : theme::kVeilAlpha;
  return Control::getAttribute(attribute);
}

bool Filter::setAttribute(int attribute, std::intptr_t value) {
  if (attribute != kAttrOverlayAlpha) return Control::setAttribute(attribute, value);
  if (value < 0 || value > 255) return false;
  properties_.overlayAlpha = static_cast<int>(value);
  invalidate();
  return true;
}

void Filter::paint(HDC dc, const RECT& client, const Palette& palette) {
  paintBeneath(window(), dc);
  blendColour(dc, client, palette.own(properties_.backColour, palette.veil), palette.veilAlphaFor(properties_.overlayAlpha));
}

LRESULT Filter::onMessage(UINT message, WPARAM, LPARAM, bool& handled) {
  // A cover: the pointer stops here and does nothing.
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
      handled = true;
      return 0;
    default:
      handled = false;
      return 0;
  }
}

}  // namespace corvalis::exui
