#include "controls/palette.h"

namespace corvalis::exui {
namespace {

Palette skinPalette() {
  using namespace theme;
  Palette p;
  p.highContrast = false;
  p.text = kText;
  p.textDisabled = kTextDisabled;
  p.border = kBorder;
  p.listBack = kListBack;
  p.rowHover = kHover;
  p.rowPress = kPress;
  p.rowText = kText;
  p.scrollThumb = kScrollThumb;
  p.scrollThumbActive = kScrollThumbActive;
  p.glyph = GlyphColours{kAccent, kGlyphEditTile, kGlyphSymbol};
  p.glyphOnRow = p.glyph;
  p.panelBack = kPanelBack;
  p.toolbarBack = kToolbarBack;
  p.editBack = kEditBack;
  p.editBackDisabled = kEditBackDisabled;
  p.editBorder = kEditBorder;
  p.focusMark = kAccent;
  p.selection = kSelection;
  p.selectionText = kSelectionText;
  p.selectionInactive = kSelectionInactive;
  p.selectionInactiveText = kText;
  // A checked row button keeps its resting frame; the hovered one is framed in the accent.
  p.element = ButtonColours{{kElementFace, kElementBorder, kElementText},
                            {kElementHover, kAccent, kElementText},
                            {kElementPress, kElementBorder, kElementText},
                            {kElementFaceDisabled, kElementBorderDisabled, kElementTextDisabled}};
  p.accentElement = ButtonColours{{kAccent, kNoBorder, kAccentText},
                                  {kAccentHover, kNoBorder, kAccentText},
                                  {kAccentPress, kNoBorder, kAccentText},
                                  {kAccentDisabled, kNoBorder, kAccentText}};
  // A button's hovered and pressed faces are its resting face lightened and darkened, so
  // that a face of the caller's own gets them too.
  p.button = ButtonColours{{kAccent, kNoBorder, kAccentText},
                           {mix(kAccent, RGB(0xFF, 0xFF, 0xFF), 28), kNoBorder, kAccentText},
                           {mix(kAccent, RGB(0, 0, 0), 40), kNoBorder, kAccentText},
                           {kElementFaceDisabled, kElementBorderDisabled, kTextDisabled}};
  p.veil = kVeil;
  p.veilAlpha = kVeilAlpha;
  return p;
}

Palette systemPalette(SystemColours colours) {
  const COLORREF window = colours(COLOR_WINDOW);
  const COLORREF windowText = colours(COLOR_WINDOWTEXT);
  const COLORREF highlight = colours(COLOR_HIGHLIGHT);
  const COLORREF highlightText = colours(COLOR_HIGHLIGHTTEXT);
  const COLORREF buttonFace = colours(COLOR_BTNFACE);
  const COLORREF buttonText = colours(COLOR_BTNTEXT);
  const COLORREF grayText = colours(COLOR_GRAYTEXT);
  Palette p;
  p.highContrast = true;
  p.text = windowText;
  p.textDisabled = grayText;
  p.border = windowText;
  p.listBack = window;
  p.rowHover = highlight;
  p.rowPress = highlight;
  p.rowText = highlightText;
  p.scrollThumb = windowText;
  p.scrollThumbActive = windowText;
  p.glyph = GlyphColours{windowText, windowText, window};
  p.glyphOnRow = GlyphColours{highlightText, highlightText, highlight};
  p.panelBack = window;
  p.toolbarBack = window;
  p.editBack = window;
  p.editBackDisabled = window;
  p.editBorder = windowText;
  p.focusMark = highlight;
  p.selection = highlight;
  p.selectionText = highlightText;
  // Window and button face are often the same colour here: an inactive selection in them
  // would vanish.
  p.selectionInactive = highlight;
  p.selectionInactiveText = highlightText;
  // The face alone may not stand out from the window: every button is framed.
  const ButtonColours buttons{{buttonFace, windowText, buttonText},
                              {highlight, windowText, highlightText},
                              {highlight, windowText, highlightText},
                              {buttonFace, grayText, grayText}};
  p.element = buttons;
  p.accentElement = buttons;
  p.button = buttons;
  // A see-through veil would be a blend: it covers what lies beneath instead.
  p.veil = window;
  p.veilAlpha = 255;
  return p;
}

}  // namespace

COLORREF systemColour(int index) { return GetSysColor(index); }

Palette paletteFor(bool highContrast, SystemColours colours) {
  static const Palette skin = skinPalette();
  return highContrast && colours != nullptr ? systemPalette(colours) : skin;
}

}  // namespace corvalis::exui
