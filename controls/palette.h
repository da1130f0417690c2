// The colours the controls draw with: the light skin of theme.h, or the system's colours
// when the user has a high-contrast theme on.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/high_contrast.h"
#include "controls/theme.h"

namespace corvalis::exui {

// What a button-like thing is painted with in one of its states. A border of kNoBorder is
// drawn in the face's colour.
struct Ink {
  COLORREF face;
  COLORREF border;
  COLORREF text;
};
struct ButtonColours {
  Ink rest;
  Ink hovered;
  Ink pressed;  // also a checked row button
  Ink disabled;
};
// The built-in row glyphs: a rounded tile with the symbol cut out of it.
struct GlyphColours {
  COLORREF addTile;
  COLORREF editTile;
  COLORREF symbol;
  bool operator==(const GlyphColours&) const = default;
};

struct Palette {
  // The system's colours rule: the caller's own colours give way to them and nothing is
  // blended, since a blend makes a colour the user did not choose.
  bool highContrast = false;

  COLORREF text;
  COLORREF textDisabled;
  COLORREF border;

  COLORREF listBack;
  COLORREF rowHover;
  COLORREF rowPress;
  COLORREF rowText;  // on the row under the pointer
  COLORREF scrollThumb;
  COLORREF scrollThumbActive;
  GlyphColours glyph;
  GlyphColours glyphOnRow;  // on the row under the pointer

  COLORREF panelBack;
  COLORREF toolbarBack;

  COLORREF editBack;
  COLORREF editBackDisabled;
  COLORREF editBorder;
  COLORREF focusMark;
  COLORREF selection;
  COLORREF selectionText;
  COLORREF selectionInactive;
  COLORREF selectionInactiveText;

  ButtonColours element;        // row buttons
  ButtonColours accentElement;  // row buttons of the accent style
  ButtonColours button;

  COLORREF veil;
  int veilAlpha;

  // A colour the caller set through a property block or an attribute, where it applies.
  COLORREF own(std::uint32_t value, COLORREF fallback) const {
    return highContrast ? fallback : pickColour(value, fallback);
  }
  // `a` moved towards `b`, or the plain colour that stands for it in high contrast.
  COLORREF blend(COLORREF a, COLORREF b, int weightOfB, COLORREF plain) const {
    return highContrast ? plain : mix(a, b, weightOfB);
  }
  // How opaque a faded picture (a disabled one) is drawn; whole in high contrast.
  BYTE fade(BYTE opacity) const { return highContrast ? 255 : opacity; }
  // The veil's alpha: the caller's (0: none) or the palette's.
  int veilAlphaFor(int callerAlpha) const { return highContrast || callerAlpha <= 0 ? veilAlpha : callerAlpha; }
};

// GetSysColor, or a test's answers.
using SystemColours = COLORREF (*)(int index);
COLORREF systemColour(int index);

// The one place that decides the colours.
Palette paletteFor(bool highContrast, SystemColours colours);

// Where a control learns the colour settings when it paints.
struct ColourSource {
  bool (*highContrast)() = highContrastOn;  // the system's setting (base/high_contrast.h)
  SystemColours colours = systemColour;
};
inline Palette paletteFrom(const ColourSource& source) {
  return paletteFor(source.highContrast(), source.colours);
}

}  // namespace corvalis::exui
