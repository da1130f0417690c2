// High contrast: the palette from the settings, and controls of the layer linked into these
// tests painting in it. The settings are the test's answers, never the system's, so the
// machine's own settings are neither read nor changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "controls/kinds.h"
#include "controls/palette.h"
#include "tests/controls/harness.h"

namespace corvalis::exui::test {
namespace {

// System colours unlike the skin's and unlike one another.
constexpr COLORREF kWindow = RGB(0x10, 0x14, 0x40);
constexpr COLORREF kWindowText = RGB(0xF0, 0xE8, 0x20);
constexpr COLORREF kHighlight = RGB(0x20, 0xA8, 0x30);
constexpr COLORREF kHighlightText = RGB(0x04, 0x02, 0x00);
constexpr COLORREF kButtonFace = RGB(0x38, 0x30, 0x48);
constexpr COLORREF kButtonText = RGB(0xE0, 0x90, 0xFF);
constexpr COLORREF kGrayText = RGB(0x88, 0x88, 0x60);
constexpr COLORREF kUnasked = RGB(0xFF, 0x00, 0x7F);

int colourQuestions = 0;
COLORREF answerColour(int index) {
  ++colourQuestions;
  switch (index) {
    case COLOR_WINDOW: return kWindow;
    case COLOR_WINDOWTEXT: return kWindowText;
    case COLOR_HIGHLIGHT: return kHighlight;
    case COLOR_HIGHLIGHTTEXT: return kHighlightText;
    case COLOR_BTNFACE: return kButtonFace;
    case COLOR_BTNTEXT: return kButtonText;
    case COLOR_GRAYTEXT: return kGrayText;
    default: return kUnasked;
  }
}
bool contrastOn = true;
bool answerContrast() { return contrastOn; }
constexpr ColourSource kAnswers{answerContrast, answerColour};

std::vector<COLORREF> everyColourOf(const Palette& p) {
  std::vector<COLORREF> all = {p.text, p.textDisabled, p.border, p.listBack, p.rowHover, p.rowPress, p.rowText,
                               p.scrollThumb, p.scrollThumbActive, p.glyph.addTile, p.glyph.editTile, p.glyph.symbol,
                               p.glyphOnRow.addTile, p.glyphOnRow.editTile, p.glyphOnRow.symbol, p.panelBack,
                               p.toolbarBack, p.editBack, p.editBackDisabled, p.editBorder, p.focusMark, p.selection,
                               p.selectionText, p.selectionInactive, p.selectionInactiveText, p.veil};
  for (const ButtonColours* buttons : {&p.element, &p.accentElement, &p.button}) {
    for (const Ink* ink : {&buttons->rest, &buttons->hovered, &buttons->pressed, &buttons->disabled}) {
      all.insert(all.end(), {ink->face, ink->border, ink->text});
    }
  }
  return all;
}

const wchar_t* plainClass() {
  static const bool registered = [] {
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ExuiContrastTestChild";
    return RegisterClassW(&windowClass) != 0;
  }();
  return registered ? L"ExuiContrastTestChild" : L"STATIC";
}

// A control made by the layer linked into these tests, in a plain child window: unlike the
// library's, it can be told where its colour settings come from. It goes with its window.
template <typename T>
T* localControl(HWND parent, RECT rect, Properties properties) {
  HWND window = CreateWindowExW(0, plainClass(), L"", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return nullptr;
  const CreationContext context{reinterpret_cast<std::uintptr_t>(window), 0, 0, 0, 0};
  auto* control = new T(window, context, nullptr, std::move(properties));
  control->setColourSource(kAnswers);
  if (!control->attach()) {
    control->destroy();
    return nullptr;
  }
  return control;
}

Properties listProperties(int rows) {
  Properties properties;
  properties.rowPitch = 30;
  for (int i = 0; i < rows; ++i) properties.fixedRows.push_back(FixedRowDesign{kGlyphNone, "row " + std::to_string(i), 0});
  return properties;
}

// The pixel in an area that lies farthest from the background: the heart of the text's ink.
COLORREF inkiest(const Canvas& canvas, RECT area, COLORREF background) {
  COLORREF best = background;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF p = canvas.pixel(x, y);
      if (colourDistance(p, background) > colourDistance(best, background)) best = p;
    }
  }
  return best;
}

class Contrast : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(library().module, nullptr);
    contrastOn = true;
  }
  void TearDown() override { contrastOn = true; }
};

TEST_F(Contrast, ThePaletteTakesTheSystemsColours) {
  const Palette p = paletteFor(true, answerColour);
  EXPECT_TRUE(p.highContrast);
  EXPECT_EQ(p.listBack, kWindow);
  EXPECT_EQ(p.panelBack, kWindow);
  EXPECT_EQ(p.editBack, kWindow);
  EXPECT_EQ(p.text, kWindowText);
  EXPECT_EQ(p.rowHover, kHighlight) << "the row under the pointer";
  EXPECT_EQ(p.rowPress, kHighlight);
  EXPECT_EQ(p.rowText, kHighlightText);
  EXPECT_EQ(p.selection, kHighlight);
  EXPECT_EQ(p.selectionText, kHighlightText);
  EXPECT_EQ(p.textDisabled, kGrayText);
  EXPECT_EQ(p.border, kWindowText);
  EXPECT_EQ(p.editBorder, kWindowText);
  EXPECT_EQ(p.scrollThumb, kWindowText);
  for (const ButtonColours* buttons : {&p.element, &p.accentElement, &p.button}) {
    EXPECT_EQ(buttons->rest.face, kButtonFace);
    EXPECT_EQ(buttons->rest.text, kButtonText);
    EXPECT_EQ(buttons->rest.border, kWindowText);
    EXPECT_EQ(buttons->disabled.text, kGrayText);
  }
  EXPECT_EQ(p.veilAlpha, 255) << "a veil is solid";
  // Nothing of the skin is left, and only the colours a theme sets were asked for.
  const std::set<COLORREF> system{kWindow, kWindowText, kHighlight, kHighlightText, kButtonFace, kButtonText,
                                  kGrayText};
  for (COLORREF colour : everyColourOf(p)) EXPECT_EQ(system.count(colour), 1u) << std::hex << colour;
}

TEST_F(Contrast, ColoursOfTheCallersOwnGiveWayInHighContrast) {
  const Palette on = paletteFor(true, answerColour);
  const Palette off = paletteFor(false, answerColour);
  EXPECT_EQ(on.own(RGB(1, 2, 3), on.listBack), kWindow);
  EXPECT_EQ(off.own(RGB(1, 2, 3), off.listBack), RGB(1, 2, 3));
  EXPECT_EQ(off.own(kThemeColour, off.listBack), theme::kListBack);
  EXPECT_EQ(on.blend(RGB(0, 0, 0), RGB(0xFF, 0xFF, 0xFF), 128, kHighlight), kHighlight) << "no blend";
  EXPECT_EQ(off.blend(RGB(0, 0, 0), RGB(0xFF, 0xFF, 0xFF), 255, kHighlight), RGB(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(on.fade(90), 255);
  EXPECT_EQ(off.fade(90), 90);
  EXPECT_EQ(on.veilAlphaFor(40), 255);
  EXPECT_EQ(off.veilAlphaFor(40), 40);
  EXPECT_EQ(off.veilAlphaFor(0), theme::kVeilAlpha);
}

TEST_F(Contrast, WithoutHighContrastTheSkinStands) {
  colourQuestions = 0;
  const Palette p = paletteFor(false, answerColour);
  EXPECT_EQ(colourQuestions, 0) << "the system's colours play no part";
  EXPECT_FALSE(p.highContrast);
  EXPECT_EQ(p.listBack, theme::kListBack);
  EXPECT_EQ(p.text, theme::kText);
  EXPECT_EQ(p.rowHover, theme::kHover);
  EXPECT_EQ(p.rowPress, theme::kPress);
  EXPECT_EQ(p.rowText, theme::kText);
  EXPECT_EQ(p.textDisabled, theme::kTextDisabled);
  EXPECT_EQ(p.border, theme::kBorder);
  EXPECT_EQ(p.editBack, theme::kEditBack);
  EXPECT_EQ(p.selection, theme::kSelection);
  EXPECT_EQ(p.element.rest.face, theme::kElementFace);
  EXPECT_EQ(p.accentElement.rest.face, theme::kAccent);
  EXPECT_EQ(p.veil, theme::kVeil);
  EXPECT_EQ(p.veilAlpha, theme::kVeilAlpha);
}

TEST_F(Contrast, AListPaintsInTheSystemsColours) {
  Window parent = makeParent(200, 200);
  Listbox* list = localControl<Listbox>(parent.get(), RECT{0, 0, 104, 150}, listProperties(3));
  ASSERT_NE(list, nullptr);
  mouse(list->window(), WM_MOUSEMOVE, 40, 45);
  auto canvas = render(list->window());
  EXPECT_EQ(canvas->pixel(90, 15), kWindow) << "background";
  EXPECT_EQ(canvas->pixel(90, 140), kWindow) << "below the rows";
  EXPECT_EQ(canvas->pixel(90, 45), kHighlight) << "the row under the pointer";
  EXPECT_EQ(canvas->pixel(90, 75), kWindow);
  const COLORREF text = inkiest(*canvas, RECT{30, 2, 88, 28}, kWindow);
  EXPECT_LE(colourDistance(text, kWindowText), 24) << std::hex << text;
  const COLORREF hoveredText = inkiest(*canvas, RECT{30, 32, 88, 58}, kHighlight);
  EXPECT_LE(colourDistance(hoveredText, kHighlightText), 24) << std::hex << hoveredText;

  mouse(list->window(), WM_LBUTTONDOWN, 40, 45, MK_LBUTTON);
  EXPECT_EQ(render(list->window())->pixel(90, 45), kHighlight) << "pressed";
  mouse(list->window(), WM_LBUTTONUP, 40, 45);

  EnableWindow(list->window(), FALSE);
  auto disabled = render(list->window());
  const COLORREF grey = inkiest(*disabled, RECT{30, 2, 88, 28}, kWindow);
  EXPECT_LE(colourDistance(grey, kGrayText), 24) << std::hex << grey;
}

TEST_F(Contrast, AChangeWhileRunningShowsAtTheNextRepaint) {
  Window parent = makeParent(200, 200);
  Listbox* list = localControl<Listbox>(parent.get(), RECT{0, 0, 104, 150}, listProperties(3));
  ASSERT_NE(list, nullptr);
  mouse(list->window(), WM_MOUSEMOVE, 40, 45);
  contrastOn = false;
  auto skin = render(list->window());
  EXPECT_EQ(skin->pixel(90, 15), theme::kListBack);
  EXPECT_EQ(skin->pixel(90, 45), theme::kHover);
  contrastOn = true;
  auto system = render(list->window());
  EXPECT_EQ(system->pixel(90, 15), kWindow);
  EXPECT_EQ(system->pixel(90, 45), kHighlight);
  contrastOn = false;
  EXPECT_EQ(render(list->window())->pixel(90, 45), theme::kHover) << "and back";
}

TEST_F(Contrast, AListsOwnColoursGiveWay) {
  Window parent = makeParent(200, 200);
  Properties properties = listProperties(3);
  properties.backColour = RGB(250, 250, 250);
  properties.hoverColour = RGB(0x12, 0x34, 0x56);
  properties.textColour = RGB(0x80, 0x00, 0x00);
  Listbox* list = localControl<Listbox>(parent.get(), RECT{0, 0, 104, 150}, properties);
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(list->setItemColour(0, RGB(0x00, 0x80, 0x00)));
  mouse(list->window(), WM_MOUSEMOVE, 40, 45);
  auto canvas = render(list->window());
  EXPECT_EQ(canvas->pixel(90, 15), kWindow);
  EXPECT_EQ(canvas->pixel(90, 45), kHighlight);
  EXPECT_LE(colourDistance(inkiest(*canvas, RECT{30, 2, 88, 28}, kWindow), kWindowText), 24) << "the row's colour";
  EXPECT_LE(colourDistance(inkiest(*canvas, RECT{30, 62, 88, 88}, kWindow), kWindowText), 24) << "the list's";
  contrastOn = false;
  auto own = render(list->window());
  EXPECT_EQ(own->pixel(90, 15), RGB(250, 250, 250));
  EXPECT_EQ(own->pixel(90, 45), RGB(0x12, 0x34, 0x56));
}

TEST_F(Contrast, TheFocusMarkIsDrawnInTheSystemsTextColour) {
  Window parent = makeParent(200, 200, true);
  Listbox* list = localControl<Listbox>(parent.get(), RECT{0, 0, 104, 150}, listProperties(3));
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(list->setAttribute(kAttrFocusRow, 1));
  EXPECT_EQ(render(list->window())->pixel(52, 31), kWindow) << "not without the focus";
  SetForegroundWindow(parent.get());
  SetFocus(list->window());
  ASSERT_EQ(GetFocus(), list->window());
  auto canvas = render(list->window());
  EXPECT_EQ(canvas->pixel(52, 31), kWindowText) << "the frame's top, row 1";
  EXPECT_EQ(canvas->pixel(3, 45), kWindowText) << "its left side";
  EXPECT_EQ(canvas->pixel(95, 45), kWindow) << "inside";
  // On the row under the pointer it takes that row's text colour: the highlight would hide it.
  mouse(list->window(), WM_MOUSEMOVE, 40, 45);
  auto hovered = render(list->window());
  EXPECT_EQ(hovered->pixel(52, 31), kHighlightText);
  EXPECT_EQ(hovered->pixel(95, 45), kHighlight);
  SetFocus(parent.get());
  EXPECT_EQ(render(list->window())->pixel(52, 31), kHighlight) << "without the focus, the hover alone";
}

TEST_F(Contrast, RowGlyphsAndRowButtonsUseTheSystemsColours) {
  Window parent = makeParent(200, 200);
  Properties properties = listProperties(0);
  properties.fixedRows.push_back(FixedRowDesign{kGlyphAdd, "add", 0});
  properties.fixedRows.push_back(FixedRowDesign{kGlyphEdit, "edit", 0});
  Listbox* list = localControl<Listbox>(parent.get(), RECT{0, 0, 160, 90}, properties);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->insertElements(kElementButton, -1, -1, 1), 1);
  Listbox::ElementAttributes button;
  button.anchor = 1;
  button.left = 30;
  button.top = 3;
  button.width = 24;
  button.height = 24;
  ASSERT_TRUE(list->setElementAttributes(kElementButton, -1, 0, button));
  ASSERT_TRUE(list->setElementData(kElementButton, 0, -1, 0, false, true, false, std::nullopt));
  ASSERT_TRUE(list->setElementData(kElementButton, 1, -1, 0, false, true, true, std::nullopt));
  auto canvas = render(list->window());
  // The add glyph's tile (24 pixels at 5,3) in the window's text colour.
  EXPECT_EQ(canvas->pixel(8, 15), kWindowText);
  EXPECT_EQ(canvas->pixel(8, 45), kWindowText) << "the edit glyph's";
  // The row button at 130..154: framed, on the button face.
  EXPECT_EQ(canvas->pixel(130, 15), kWindowText) << "frame";
  EXPECT_EQ(canvas->pixel(135, 15), kButtonFace) << "face";
  EXPECT_EQ(canvas->pixel(130, 45), kGrayText) << "a disabled one's frame";
  EXPECT_EQ(canvas->pixel(135, 45), kButtonFace);
  mouse(list->window(), WM_MOUSEMOVE, 140, 15);
  auto hovered = render(list->window());
  EXPECT_EQ(hovered->pixel(135, 15), kHighlight) << "the button under the pointer";
  EXPECT_EQ(hovered->pixel(100, 15), kHighlight) << "its row";
  EXPECT_EQ(hovered->pixel(8, 15), kHighlightText) << "the glyph on the row under the pointer";
}

TEST_F(Contrast, TheVeilIsSolid) {
  Window parent = makeParent(200, 100);
  Filter* veil = localControl<Filter>(parent.get(), RECT{0, 0, 80, 40}, Properties{});
  ASSERT_NE(veil, nullptr);
  auto canvas = render(veil->window());
  for (int y = 0; y < canvas->height(); ++y) {
    for (int x = 0; x < canvas->width(); ++x) ASSERT_EQ(canvas->pixel(x, y), kWindow) << x << "," << y;
  }
  contrastOn = false;
  const COLORREF seeThrough = render(veil->window())->pixel(40, 20);
  EXPECT_NE(seeThrough, theme::kVeil);
  EXPECT_NE(seeThrough, GetSysColor(COLOR_BTNFACE)) << "a blend of the veil and what lies beneath";
}

TEST_F(Contrast, AButtonUsesTheButtonColours) {
  Window parent = makeParent(200, 100);
  Properties properties;
  properties.text = "OK";
  properties.backColour = RGB(0x30, 0x90, 0x30);  // the caller's face gives way too
  Button* button = localControl<Button>(parent.get(), RECT{0, 0, 80, 30}, properties);
  ASSERT_NE(button, nullptr);
  auto canvas = render(button->window());
  EXPECT_EQ(canvas->pixel(0, 15), kWindowText) << "frame";
  EXPECT_EQ(canvas->pixel(4, 15), kButtonFace);
  EXPECT_LE(colourDistance(inkiest(*canvas, RECT{20, 4, 60, 26}, kButtonFace), kButtonText), 24);
  mouse(button->window(), WM_MOUSEMOVE, 40, 15);
  auto hovered = render(button->window());
  EXPECT_EQ(hovered->pixel(4, 15), kHighlight) << "a plain colour, not a lighter face";
  EXPECT_LE(colourDistance(inkiest(*hovered, RECT{20, 4, 60, 26}, kHighlight), kHighlightText), 24);
  EnableWindow(button->window(), FALSE);
  auto disabled = render(button->window());
  EXPECT_EQ(disabled->pixel(0, 15), kGrayText);
  EXPECT_LE(colourDistance(inkiest(*disabled, RECT{20, 4, 60, 26}, kButtonFace), kGrayText), 24);
}

TEST_F(Contrast, AnEditBoxAndItsSelection) {
  Window parent = makeParent(200, 100);
  Properties properties;
  properties.text = "abcdef";
  Editbox* box = localControl<Editbox>(parent.get(), RECT{0, 0, 120, 28}, properties);
  ASSERT_NE(box, nullptr);
  auto plain = render(box->window());
  EXPECT_EQ(plain->pixel(0, 14), kWindowText) << "frame";
  EXPECT_EQ(plain->pixel(100, 14), kWindow);
  EXPECT_LE(colourDistance(inkiest(*plain, RECT{6, 4, 60, 24}, kWindow), kWindowText), 24);
  box->placeCaret(-1, 6);
  auto selected = render(box->window());
  RECT marked{120, 28, 0, 0};
  for (int y = 0; y < 28; ++y) {
    for (int x = 0; x < 120; ++x) {
      if (selected->pixel(x, y) != kHighlight) continue;
      marked = RECT{std::min<LONG>(marked.left, x), std::min<LONG>(marked.top, y), std::max<LONG>(marked.right, x + 1),
                    std::max<LONG>(marked.bottom, y + 1)};
    }
  }
  ASSERT_GT(marked.right - marked.left, 20) << "the selection in the highlight colour";
  EXPECT_LE(colourDistance(inkiest(*selected, marked, kHighlight), kHighlightText), 24) << "its text";
}

}  // namespace
}  // namespace corvalis::exui::test
