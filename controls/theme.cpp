#include "controls/theme.h"

#include "base/dpi.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>

#include "base/win_handles.h"
#include "controls/canvas.h"

namespace corvalis::exui {

bool FontKey::operator<(const FontKey& other) const {
  return std::tie(face, height, weight, italic, underline, strikeOut) <
         std::tie(other.face, other.height, other.weight, other.italic, other.underline, other.strikeOut);
}

HFONT sharedFont(const FontKey& wanted, int dpi) {
  static std::mutex lock;
  static auto* fonts = new std::map<FontKey, UniqueFont>();  // kept until the process ends
  FontKey key = wanted;
  if (key.height <= 0) key.height = scaleForDpi(theme::kDefaultFontSize, dpi);
  std::lock_guard guard(lock);
  auto found = fonts->find(key);
  if (found != fonts->end()) return found->second.get();
  const std::wstring& face = key.face.empty() ? std::wstring(kDefaultFace) : key.face;
  LOGFONTW description{};
  description.lfHeight = -key.height;
  description.lfWeight = key.weight > 0 ? key.weight : FW_NORMAL;
  description.lfItalic = key.italic;
  description.lfUnderline = key.underline;
  description.lfStrikeOut = key.strikeOut;
  description.lfCharSet = GB2312_CHARSET;
  description.lfOutPrecision = OUT_TT_PRECIS;
  description.lfQuality = CLEARTYPE_QUALITY;
  description.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  lstrcpynW(description.lfFaceName, face.c_str(), LF_FACESIZE);
  UniqueFont font(CreateFontIndirectW(&description));
  if (!font) font.reset(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));  // never null
  HFONT result = font.get();
  if (result == GetStockObject(DEFAULT_GUI_FONT)) return result;  // stock objects are not owned
  fonts->emplace(key, std::move(font));
  return result;
}

int fontLineHeight(HFONT font) {
  UniqueDeviceContext dc(CreateCompatibleDC(nullptr));
  ScopedSelection select(dc.get(), font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  return metrics.tmHeight;
}

COLORREF pickColour(std::uint32_t value, COLORREF fallback) {
  return (value & 0xFF000000u) != 0 ? fallback : static_cast<COLORREF>(value);
}

COLORREF mix(COLORREF a, COLORREF b, int weightOfB) {
  auto channel = [&](int x, int y) { return (x * (255 - weightOfB) + y * weightOfB + 127) / 255; };
  return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
             channel(GetBValue(a), GetBValue(b)));
}

void fillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  const COLORREF previous = SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  SetBkColor(dc, previous);
}

namespace {

void roundRect(HDC dc, const RECT& rect, int radius, HGDIOBJ brush, HGDIOBJ pen) {
  ScopedSelection selectBrush(dc, brush);
  ScopedSelection selectPen(dc, pen);
  RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, radius * 2, radius * 2);
}

}  // namespace

void fillRounded(HDC dc, const RECT& rect, int radius, COLORREF fill, COLORREF border) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  UniqueBrush brush(CreateSolidBrush(fill));
  UniquePen pen(CreatePen(PS_SOLID, 1, border == kNoBorder ? fill : border));
  roundRect(dc, rect, radius, brush.get(), pen.get());
}

void frameRounded(HDC dc, const RECT& rect, int radius, int width, COLORREF colour) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  UniquePen pen(CreatePen(PS_INSIDEFRAME, std::max(width, 1), colour));
  roundRect(dc, rect, radius, GetStockObject(NULL_BRUSH), pen.get());
}

void frameSolid(HDC dc, const RECT& rect, COLORREF colour) {
  UniqueBrush brush(CreateSolidBrush(colour));
  FrameRect(dc, &rect, brush.get());
}

void drawLine(HDC dc, std::wstring_view text, RECT rect, HFONT font, COLORREF colour, UINT format) {
  if (text.empty()) return;
  ScopedSelection select(dc, font);
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColour = SetTextColor(dc, colour);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect,
            format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  SetTextColor(dc, previousColour);
  SetBkMode(dc, previousMode);
}

void drawCentredSymbol(HDC dc, wchar_t symbol, const RECT& box, HFONT font, COLORREF colour) {
  ScopedSelection select(dc, font);
  GLYPHMETRICS metrics{};
  const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  TEXTMETRICW text{};
  GetTextMetricsW(dc, &text);
  if (GetGlyphOutlineW(dc, symbol, GGO_METRICS, &metrics, 0, nullptr, &identity) == GDI_ERROR ||
      metrics.gmBlackBoxX == 0 || metrics.gmBlackBoxY == 0) {
    drawLine(dc, std::wstring_view(&symbol, 1), box, font, colour, DT_CENTER);
    return;
  }
  const int width = box.right - box.left, height = box.bottom - box.top;
  const int x = box.left + (width - static_cast<int>(metrics.gmBlackBoxX) + 1) / 2 - metrics.gmptGlyphOrigin.x;
  const int y = box.top + (height - static_cast<int>(metrics.gmBlackBoxY) + 1) / 2 + metrics.gmptGlyphOrigin.y -
                text.tmAscent;
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColour = SetTextColor(dc, colour);
  const UINT previousAlign = SetTextAlign(dc, TA_TOP | TA_LEFT);
  ExtTextOutW(dc, x, y, ETO_CLIPPED, &box, &symbol, 1, nullptr);
  SetTextAlign(dc, previousAlign);
  SetTextColor(dc, previousColour);
  SetBkMode(dc, previousMode);
}

void blendColour(HDC dc, const RECT& rect, COLORREF colour, int alpha) {
  if (alpha <= 0 || rect.right <= rect.left || rect.bottom <= rect.top) return;
  if (alpha >= 255) return fillSolid(dc, rect, colour);  // exact: no rounding through the blend
  Canvas dot(1, 1);
  if (!dot.valid()) return;
  const RECT one{0, 0, 1, 1};
  fillSolid(dot.dc(), one, colour);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha > 255 ? 255 : alpha), 0};
  AlphaBlend(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, dot.dc(), 0, 0, 1, 1,
             blend);
}

}  // namespace corvalis::exui
