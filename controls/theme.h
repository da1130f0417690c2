// The light skin (the controls take its colours through palette.h, which gives way to the
// system's in high contrast), the fonts the controls share, and small drawing helpers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace corvalis::exui {

namespace theme {
inline constexpr COLORREF kText = RGB(0x1B, 0x1B, 0x1B);
inline constexpr COLORREF kTextDisabled = RGB(0xA2, 0xA2, 0xA2);
inline constexpr COLORREF kListBack = RGB(0xFB, 0xFB, 0xFC);
inline constexpr COLORREF kHover = RGB(0xE1, 0xEC, 0xF9);
inline constexpr COLORREF kPress = RGB(0xCA, 0xDE, 0xF4);
inline constexpr COLORREF kBorder = RGB(0xD6, 0xD9, 0xDE);
inline constexpr COLORREF kAccent = RGB(0x00, 0x67, 0xC0);
inline constexpr COLORREF kAccentHover = RGB(0x1A, 0x76, 0xC6);
inline constexpr COLORREF kAccentPress = RGB(0x00, 0x52, 0x9B);
inline constexpr COLORREF kAccentDisabled = RGB(0xC6, 0xCB, 0xD1);
inline constexpr COLORREF kAccentText = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kEditBack = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kEditBackDisabled = RGB(0xF4, 0xF4, 0xF4);
inline constexpr COLORREF kEditBorder = RGB(0xB8, 0xBD, 0xC4);
inline constexpr COLORREF kSelection = RGB(0x00, 0x78, 0xD4);
inline constexpr COLORREF kSelectionText = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kSelectionInactive = RGB(0xCC, 0xE4, 0xF7);
inline constexpr COLORREF kPanelBack = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kToolbarBack = RGB(0xF3, 0xF3, 0xF3);
inline constexpr COLORREF kScrollThumb = RGB(0xC2, 0xC5, 0xCA);
inline constexpr COLORREF kScrollThumbActive = RGB(0x86, 0x8B, 0x92);
inline constexpr COLORREF kVeil = RGB(0x1E, 0x22, 0x28);
inline constexpr int kVeilAlpha = 90;
// The built-in row glyphs: the add tile takes the accent.
inline constexpr COLORREF kGlyphEditTile = RGB(0x5B, 0x6B, 0x7F);
inline constexpr COLORREF kGlyphSymbol = RGB(0xFF, 0xFF, 0xFF);
// Row button elements.
inline constexpr COLORREF kElementFace = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kElementBorder = RGB(0xBF, 0xCC, 0xDB);
inline constexpr COLORREF kElementHover = RGB(0xD5, 0xE6, 0xF8);
inline constexpr COLORREF kElementPress = RGB(0xB9, 0xD3, 0xF0);
inline constexpr COLORREF kElementText = RGB(0x24, 0x2A, 0x31);
inline constexpr COLORREF kElementFaceDisabled = RGB(0xF3, 0xF5, 0xF7);
inline constexpr COLORREF kElementBorderDisabled = RGB(0xE1, 0xE5, 0xEA);
inline constexpr COLORREF kElementTextDisabled = RGB(0xBA, 0xC0, 0xC7);

inline constexpr int kDefaultFontSize = 14;
inline constexpr int kDefaultRowPitch = 30;

}  // namespace theme

inline constexpr COLORREF kNoBorder = 0xFFFFFFFFu;

// "微软雅黑", the face every text asks for unless told otherwise.
inline constexpr wchar_t kDefaultFace[] = L"\u5FAE\u8F6F\u96C5\u9ED1";

struct FontKey {
  std::wstring face;  // empty: kDefaultFace
  int height = 0;     // pixels; 0: the default size at the DPI the font is made for
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  bool operator<(const FontKey& other) const;
};
// Shared fonts, made once and kept for the life of the process, at `dpi` where the key
// leaves the size to the default. The CJK character set lets the font mapper pick a
// Chinese face when the named one is missing.
HFONT sharedFont(const FontKey& key, int dpi);
int fontLineHeight(HFONT font);

// A COLORREF from a property block or attribute, or the fallback for kThemeColour.
COLORREF pickColour(std::uint32_t value, COLORREF fallback);
COLORREF mix(COLORREF a, COLORREF b, int weightOfB);  // weight 0..255

void fillSolid(HDC dc, const RECT& rect, COLORREF colour);
// A filled rounded rectangle with an optional border (kNoBorder for none).
void fillRounded(HDC dc, const RECT& rect, int radius, COLORREF fill, COLORREF border);
void frameSolid(HDC dc, const RECT& rect, COLORREF colour);
// A rounded outline `width` pixels wide, inside rect.
void frameRounded(HDC dc, const RECT& rect, int radius, int width, COLORREF colour);
// One line of text, vertically centred, cut with an ellipsis; format adds DT_LEFT/DT_CENTER.
void drawLine(HDC dc, std::wstring_view text, RECT rect, HFONT font, COLORREF colour, UINT format);

// A single character centred by its ink (its glyph's black box) rather than its cell, so
// that symbols such as arrows sit in the middle of a small button.
void drawCentredSymbol(HDC dc, wchar_t symbol, const RECT& box, HFONT font, COLORREF colour);
// A plain colour veil over what is already in the DC.
void blendColour(HDC dc, const RECT& rect, COLORREF colour, int alpha);

}  // namespace corvalis::exui
