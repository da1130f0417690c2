// ListboxEx driven with real window messages: the events the program binds, scrolling,
// row button elements, and what it draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/controls/harness.h"

namespace corvalis::exui::test {
namespace {

struct Step {
  UINT message;
  int x;
  int y;
  std::vector<std::pair<int, int>> expected;  // event number, row
};

std::vector<std::pair<int, int>> numbersAndRows(const std::vector<Event>& events) {
  std::vector<std::pair<int, int>> out;
  for (const Event& event : events) out.emplace_back(event.number, event.a1);
  return out;
}

void addRows(Handle list, int count, int height) {
  for (int i = 0; i < count; ++i) {
    const std::string caption = "row " + std::to_string(i);
    library().InsertItem_ListboxEx(list, -1, 1, 0, nullptr, captionBin(caption.c_str(), 0, height));
  }
}

std::intptr_t listAttribute(Handle list, int attribute) { return library().GetAttribute_ListboxEx(list, attribute); }

class ListboxTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(library().module, nullptr); }
  Recorder recorder;
};

TEST_F(ListboxTest, EventsFollowThePointerAndButtons) {
  Window parent = makeParent(200, 200);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 180}, nullptr, 0xA1, 0xB2);
  ASSERT_NE(list.control, nullptr);
  addRows(list.control, 5, 30);
  const Step steps[] = {
      {WM_MOUSEMOVE, 50, 45, {{kEventItemEnter, 1}}},
      {WM_MOUSEMOVE, 50, 50, {}},
      {WM_MOUSEMOVE, 50, 100, {{kEventItemLeave, 1}, {kEventItemEnter, 3}}},
      {WM_LBUTTONDOWN, 50, 100, {}},
      {WM_LBUTTONUP, 50, 100, {{kEventItemClick, 3}}},
      {WM_LBUTTONDOWN, 50, 100, {}},
      {WM_MOUSEMOVE, 50, 130, {{kEventItemLeave, 3}, {kEventItemEnter, 4}}},  // dragged while pressed
      {WM_LBUTTONUP, 50, 130, {}},                                             // released on another row
      {WM_MOUSEMOVE, 50, 15, {{kEventItemLeave, 4}, {kEventItemEnter, 0}}},
      {WM_LBUTTONDOWN, 50, 15, {}},
      {WM_LBUTTONUP, 50, 15, {{kEventItemClick, 0}}},
      {WM_LBUTTONDBLCLK, 50, 15, {{kEventItemDoubleClick, 0}}},
      {WM_LBUTTONUP, 50, 15, {}},  // the release of a double click is no second click
      {WM_MOUSEMOVE, 50, 75, {{kEventItemLeave, 0}, {kEventItemEnter, 2}}},
      {WM_RBUTTONDOWN, 50, 75, {}},
      {WM_RBUTTONUP, 50, 75, {{kEventItemRightClick, 2}, {kEventRightClick, 2}}},
      {WM_MOUSELEAVE, 0, 0, {{kEventItemLeave, 2}}},
      {WM_MOUSEMOVE, 50, 165, {}},  // below the last row
      {WM_RBUTTONUP, 50, 165, {{kEventItemRightClick, -1}, {kEventRightClick, -1}}},
      {WM_LBUTTONDOWN, 50, 165, {}},
      {WM_LBUTTONUP, 50, 165, {}},
  };
  for (const Step& step : steps) {
    recorder.clear();
    mouse(list.window, step.message, step.x, step.y,
          step.message == WM_LBUTTONDOWN || step.message == WM_LBUTTONDBLCLK ? MK_LBUTTON : 0);
    EXPECT_EQ(numbersAndRows(recorder.events), step.expected)
        << "message 0x" << std::hex << step.message << std::dec << " at " << step.x << "," << step.y;
    for (const Event& event : recorder.events) {
      EXPECT_EQ(event.record, list.control);
      EXPECT_EQ(event.firstId, 0xA1u);
      EXPECT_EQ(event.secondId, 0xB2u);
      EXPECT_EQ(event.code, kEventCodeBase + event.number);
      EXPECT_LT(event.code, kEventCodeLimit) << "the bridge would drop it";
      if (step.message != WM_MOUSELEAVE) {
        EXPECT_EQ(event.a2, step.x);
        EXPECT_EQ(event.a3, step.y);
      }
    }
  }
}

TEST_F(ListboxTest, HoverAndPressAreDrawnInTheBlocksColours) {
  Window parent = makeParent(200, 200);
  PropertyBlock block = defaultPropertyBlock(Kind::kListbox);
  block.backColour = RGB(250, 250, 250);
  block.hoverColour = RGB(0x12, 0x34, 0x56);
  block.pressColour = RGB(0x65, 0x43, 0x21);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 150}, &block);
  addRows(list.control, 4, 30);
  auto at = [&](int x, int y) { return render(list.window)->pixel(x, y); };
  EXPECT_EQ(at(90, 45), RGB(250, 250, 250)) << "no hover yet";
  mouse(list.window, WM_MOUSEMOVE, 40, 45);
  auto canvas = render(list.window);
  EXPECT_EQ(canvas->pixel(90, 45), RGB(0x12, 0x34, 0x56)) << "hovered row";
  EXPECT_EQ(canvas->pixel(90, 15), RGB(250, 250, 250));
  EXPECT_EQ(canvas->pixel(90, 75), RGB(250, 250, 250));
  EXPECT_EQ(canvas->pixel(90, 140), RGB(250, 250, 250)) << "below the rows";
  for (int y = 0; y < canvas->height(); ++y) {
    for (int x = 0; x < canvas->width(); ++x) ASSERT_NE(canvas->pixel(x, y), kUnpainted) << x << "," << y;
  }
  mouse(list.window, WM_MOUSEMOVE, 40, 75);
  EXPECT_EQ(at(90, 45), RGB(250, 250, 250)) << "the hover moved on";
  EXPECT_EQ(at(90, 75), RGB(0x12, 0x34, 0x56));
  mouse(list.window, WM_LBUTTONDOWN, 40, 75, MK_LBUTTON);
  EXPECT_EQ(at(90, 75), RGB(0x65, 0x43, 0x21)) << "pressed";
  mouse(list.window, WM_LBUTTONUP, 40, 75);
  EXPECT_EQ(at(90, 75), RGB(0x12, 0x34, 0x56));

  PropertyBlock quiet = block;
  quiet.flags = kBlockNoHover;
  const Created plain = createControl(Kind::kListbox, parent.get(), RECT{104, 0, 208, 150}, &quiet);
  addRows(plain.control, 2, 30);
  mouse(plain.window, WM_MOUSEMOVE, 40, 45);
  EXPECT_EQ(render(plain.window)->pixel(90, 45), RGB(250, 250, 250));
  EXPECT_EQ(listAttribute(plain.control, kAttrHoverRow), 1) << "events still know the row";
}

// Finds the bounding box of the pixels of one colour within an area.
RECT boxOf(const Canvas& canvas, COLORREF colour, RECT area) {
  RECT box{area.right, area.bottom, area.left - 1, area.top - 1};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (canvas.pixel(x, y) != colour) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  return box;
}

std::uint32_t bgra(unsigned a, unsigned r, unsigned g, unsigned b) { return (a << 24) | (r << 16) | (g << 8) | b; }

TEST_F(ListboxTest, IconsKeepTheirAlpha) {
  Window parent = makeParent(200, 200);
  PropertyBlock block = defaultPropertyBlock(Kind::kListbox);
  block.backColour = RGB(255, 255, 255);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 150}, &block);

  // Row 0: upper half opaque red, lower left half-transparent green (premultiplied), lower
  // right fully transparent.
  std::vector<std::uint32_t> pixels(1024);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      pixels[static_cast<std::size_t>(y * 32 + x)] = y < 16 ? bgra(255, 255, 0, 0) : x < 16 ? bgra(128, 0, 128, 0) : 0;
    }
  }
  const std::vector<char> image = byteString(iconImage(pixels));
  ASSERT_EQ(image.size(), 8u + 4286u);
  EXPECT_EQ(library().InsertItem_ListboxEx(list.control, -1, 1, 0, image.data(), captionBin("alpha", 0, 30)), 0);

  // Row 1: no alpha anywhere, as a drawing into a device bitmap may leave it: left half
  // blue, right half black, which then counts as transparent.
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) pixels[static_cast<std::size_t>(y * 32 + x)] = x < 16 ? bgra(0, 0, 0, 255) : 0;
  }
  const std::vector<char> flat = byteString(iconImage(pixels));
  library().InsertItem_ListboxEx(list.control, -1, 1, 0, flat.data(), captionBin("flat", 0, 30));
  // Row 2: the image of a file that no longer exists: all zero.
  const std::vector<char> blank = byteString(iconImage(std::vector<std::uint32_t>(1024, 0)));
  library().InsertItem_ListboxEx(list.control, -1, 1, 0, blank.data(), captionBin("gone", 0, 30));

  auto canvas = render(list.window);
  const RECT red = boxOf(*canvas, RGB(255, 0, 0), RECT{0, 0, 60, 30});
  ASSERT_LT(red.left, red.right) << "no opaque red drawn";
  EXPECT_EQ(red.right - red.left, 24) << "a 32-pixel icon in a 30-pixel row is drawn at 24";
  EXPECT_EQ(red.bottom - red.top, 12);
  const COLORREF half = canvas->pixel(red.left + 5, red.bottom + 6);
  EXPECT_LE(colourDistance(half, RGB(127, 255, 127)), 9) << std::hex << half;
  EXPECT_EQ(canvas->pixel(red.left + 18, red.bottom + 6), RGB(255, 255, 255)) << "transparent corner";

  const RECT blue = boxOf(*canvas, RGB(0, 0, 255), RECT{0, 30, 60, 60});
  ASSERT_LT(blue.left, blue.right);
  EXPECT_EQ(blue.right - blue.left, 12);
  EXPECT_EQ(blue.bottom - blue.top, 24);
  EXPECT_EQ(canvas->pixel(blue.right + 6, blue.top + 12), RGB(255, 255, 255)) << "black read as transparent";

  for (int y = 62; y < 88; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(canvas->pixel(x, y), RGB(255, 255, 255)) << x << "," << y;
  }
}

TEST_F(ListboxTest, WheelThumbKeysAndGuaranteeVisibleScroll) {
  Window parent = makeParent(200, 200);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 150});
  addRows(list.control, 20, 30);
  EXPECT_EQ(listAttribute(list.control, kAttrContentHeight), 600);
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  const int step = std::min(450, static_cast<int>(lines) * 30);

  mouse(list.window, WM_MOUSEMOVE, 50, 15);
  recorder.clear();
  wheel(list.window, 50, 15, -WHEEL_DELTA);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), step);
  // The rows moved under the pointer: it is over another row now.
  EXPECT_EQ(numbersAndRows(recorder.events), (std::vector<std::pair<int, int>>{{kEventItemLeave, 0}, {kEventItemEnter, step / 30}}));
  recorder.clear();
  mouse(list.window, WM_LBUTTONDOWN, 50, 15, MK_LBUTTON);
  mouse(list.window, WM_LBUTTONUP, 50, 15);
  EXPECT_EQ(numbersAndRows(recorder.events), (std::vector<std::pair<int, int>>{{kEventItemClick, step / 30}}));

  EXPECT_EQ(library().GuaranteeVisible_ListboxEx(list.control, 19, 1), 1);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 450);
  recorder.clear();
  mouse(list.window, WM_MOUSEMOVE, 50, 140);
  mouse(list.window, WM_LBUTTONDOWN, 50, 140, MK_LBUTTON);
  mouse(list.window, WM_LBUTTONUP, 50, 140);
  ASSERT_FALSE(recorder.events.empty());
  EXPECT_EQ(recorder.events.back().number, kEventItemClick);
  EXPECT_EQ(recorder.events.back().a1, 19);
  library().GuaranteeVisible_ListboxEx(list.control, 5, 1);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 150) << "as little as needed";
  library().GuaranteeVisible_ListboxEx(list.control, 6, 0);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 180) << "to the top";
  EXPECT_EQ(library().GuaranteeVisible_ListboxEx(list.control, 20, 1), 0) << "no such row";
  wheel(list.window, 50, 15, 20 * WHEEL_DELTA);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 0) << "clamped at the top";

  // Dragging the thumb from the top to the bottom of the track.
  recorder.clear();
  mouse(list.window, WM_LBUTTONDOWN, 100, 5, MK_LBUTTON);
  mouse(list.window, WM_MOUSEMOVE, 100, 160, MK_LBUTTON);
  mouse(list.window, WM_LBUTTONUP, 100, 160);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 450);
  for (const Event& event : recorder.events) EXPECT_NE(event.number, kEventItemClick);

  SendMessageW(list.window, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 0);
  SendMessageW(list.window, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 150);
  SendMessageW(list.window, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 450);

  // Fewer rows: the scroll position comes back into range.
  EXPECT_EQ(library().DeleteItem_ListboxEx(list.control, 10, 0), 10);
  EXPECT_EQ(library().GetItemCount_ListboxEx(list.control), 10);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 150);
  EXPECT_EQ(library().DeleteItem_ListboxEx(list.control, -1, 0), 10);
  EXPECT_EQ(listAttribute(list.control, kAttrScrollTop), 0);
}

// The edit window's row buttons, set up and driven the way the program does it.
class RowButtons : public ListboxTest {
 protected:
  void SetUp() override {
    ListboxTest::SetUp();
    parent_ = makeParent(380, 250);
    list_ = createControl(Kind::kListbox, parent_.get(), RECT{8, 8, 371, 241});
    ASSERT_NE(list_.control, nullptr);
    RECT client{};
    GetClientRect(list_.window, &client);
    width_ = client.right;
    const Library& lib = library();
    void* font = lib.Create_StructEx();
    lib.InsertMember_StructEx(font, -1, 6);
    lib.SetMemberText_StructEx(font, 0, lib.CreateBinEx("\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA", kBinText, 0, 0));
    lib.SetMemberInt_StructEx(font, 1, 12);
    for (int i = 2; i < 6; ++i) lib.SetMemberInt_StructEx(font, i, 0);
    const auto* packed = static_cast<const std::int32_t*>(lib.Pack_StructEx(font));
    fontBytes_ = byteString(std::string_view(reinterpret_cast<const char*>(packed + 2), static_cast<std::size_t>(packed[1])));
    lib.Destroy_StructEx(font);
    const std::vector<char> empty = byteString("");
    EXPECT_EQ(lib.ControlInsertElem(list_.control, kElementButton, -1, 0, 3), 3);
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(lib.ControlSetElemAttribute_Button(list_.control, kElementButton, -1, j, 0, elementRoutine, 0,
                                                   width_ - 36 - 32 * j, 4, 24, 24, 0, empty.data(), fontBytes_.data()),
                1);
    }
    for (int i = 0; i < 5; ++i) lib.InsertItem_ListboxEx(list_.control, -1, 1, 0, nullptr, captionBin("shortcut", 0, 32));
    recorder.onEvent = [this](const Event& event) {
      if (event.number == kEventItemEnter) showButtons(event.a1);
      if (event.number == kEventItemLeave) clearButtons(event.a1);
    };
  }

  void showButtons(int row) {
    const Library& lib = library();
    const int count = lib.GetItemCount_ListboxEx(list_.control);
    const char* captions[] = {"X", "\xA1\xFD", "\xA1\xFC"};  // X, down, up
    const int disabled[] = {0, row + 1 == count, row == 0};
    for (int j = 0; j < 3; ++j) {
      lib.ControlSetElemData_Button(list_.control, kElementButton, row, -1, j, 0, 1, disabled[j],
                                    lib.CreateBinEx(captions[j], kBinText, 0, 0));
    }
  }
  void clearButtons(int row) {
    for (int j = 0; j < 3; ++j) {
      library().ControlSetElemData_Button(list_.control, kElementButton, row, -1, j, 0, 0, 0, nullptr);
    }
  }
  POINT centreOf(int row, int element) const { return POINT{width_ - 36 - 32 * element + 12, row * 32 + 4 + 12}; }
  void click(POINT at) {
    mouse(list_.window, WM_MOUSEMOVE, at.x, at.y);
    mouse(list_.window, WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
    mouse(list_.window, WM_LBUTTONUP, at.x, at.y);
  }

  Window parent_;
  Created list_;
  int width_ = 0;
  std::vector<char> fontBytes_;
};

TEST_F(RowButtons, ClicksReachTheElementRoutineWithRowAndElement) {
  EXPECT_EQ(library().ControlGetElemCount(list_.control, kElementButton, -1), 3);
  mouse(list_.window, WM_MOUSEMOVE, 50, 80);  // row 2
  recorder.clear();
  click(centreOf(2, 0));
  EXPECT_EQ(recorder.elementCalls, (std::vector<ElementCall>{{kElementClick, 2, 0}}));
  EXPECT_TRUE(recorder.events.empty()) << "an element click is no row click";

  mouse(list_.window, WM_MOUSEMOVE, 50, 16);  // row 0: "up" is disabled there
  recorder.clear();
  click(centreOf(0, 2));
  EXPECT_TRUE(recorder.elementCalls.empty()) << "disabled element";
  EXPECT_TRUE(recorder.events.empty()) << "nor a row click";
  click(centreOf(0, 1));
  EXPECT_EQ(recorder.elementCalls, (std::vector<ElementCall>{{kElementClick, 0, 1}}));

  recorder.clear();
  const POINT down = centreOf(0, 1);
  mouse(list_.window, WM_LBUTTONDOWN, down.x, down.y, MK_LBUTTON);
  mouse(list_.window, WM_LBUTTONUP, down.x, down.y);
  mouse(list_.window, WM_LBUTTONDBLCLK, down.x, down.y, MK_LBUTTON);
  mouse(list_.window, WM_LBUTTONUP, down.x, down.y);
  EXPECT_EQ(recorder.elementCalls.size(), 2u) << "a quick double click is two clicks";

  recorder.clear();
  mouse(list_.window, WM_LBUTTONDOWN, down.x, down.y, MK_LBUTTON);
  mouse(list_.window, WM_LBUTTONUP, down.x - 40, down.y);
  EXPECT_TRUE(recorder.elementCalls.empty()) << "released off the element";

  // Row 4 is the last: "down" disabled.
  mouse(list_.window, WM_MOUSEMOVE, 50, 4 * 32 + 16);
  recorder.clear();
  click(centreOf(4, 1));
  EXPECT_TRUE(recorder.elementCalls.empty());
  click(centreOf(4, 2));
  EXPECT_EQ(recorder.elementCalls, (std::vector<ElementCall>{{kElementClick, 4, 2}}));
}

TEST_F(RowButtons, HiddenElementsDoNotTakeClicks) {
  recorder.onEvent = nullptr;  // hovering shows nothing now
  recorder.clear();
  click(centreOf(3, 0));
  EXPECT_TRUE(recorder.elementCalls.empty());
  ASSERT_FALSE(recorder.events.empty());
  EXPECT_EQ(recorder.events.back().number, kEventItemClick);
  EXPECT_EQ(recorder.events.back().a1, 3);
}

TEST_F(RowButtons, ARebuildInsideTheClickIsSafe) {
  // "X": the program removes the entry and rebuilds the whole list from inside the click.
  recorder.onElement = [this](const ElementCall&) {
    library().DeleteItem_ListboxEx(list_.control, -1, 0);
    for (int i = 0; i < 4; ++i) library().InsertItem_ListboxEx(list_.control, -1, 1, 0, nullptr, captionBin("again", 0, 32));
  };
  mouse(list_.window, WM_MOUSEMOVE, 50, 48);
  click(centreOf(1, 0));
  EXPECT_EQ(recorder.elementCalls.size(), 1u);
  EXPECT_EQ(library().GetItemCount_ListboxEx(list_.control), 4);
  EXPECT_EQ(listAttribute(list_.control, kAttrHoverRow), -1) << "the hovered row is gone";
  recorder.clear();
  mouse(list_.window, WM_MOUSEMOVE, 50, 48);
  EXPECT_EQ(numbersAndRows(recorder.events), (std::vector<std::pair<int, int>>{{kEventItemEnter, 1}}));
}

TEST_F(RowButtons, DisabledAndHoveredElementsLookDifferent) {
  mouse(list_.window, WM_MOUSEMOVE, 50, 16);  // row 0: X and down enabled, up disabled
  auto canvas = render(list_.window);
  auto darkest = [&](int element) {
    const POINT c = centreOf(0, element);
    int best = 255 * 3;
    for (int y = c.y - 10; y <= c.y + 10; ++y) {
      for (int x = c.x - 10; x <= c.x + 10; ++x) {
        const COLORREF p = canvas->pixel(x, y);
        best = std::min(best, GetRValue(p) + GetGValue(p) + GetBValue(p));
      }
    }
    return best;
  };
  const POINT downFace = centreOf(0, 1), upFace = centreOf(0, 2);
  const COLORREF enabledFace = canvas->pixel(downFace.x - 9, downFace.y + 9);
  const COLORREF disabledFace = canvas->pixel(upFace.x - 9, upFace.y + 9);
  EXPECT_NE(enabledFace, disabledFace);
  EXPECT_GT(darkest(2), darkest(1) + 120) << "the disabled caption is greyed";
  EXPECT_LT(darkest(1), 200) << "the enabled caption is drawn dark";
  // Elements are shown on the hovered row only (the program's handlers).
  auto rowTwo = render(list_.window);
  const POINT hidden = centreOf(2, 1);
  EXPECT_EQ(rowTwo->pixel(hidden.x - 9, hidden.y + 9), rowTwo->pixel(hidden.x - 9 - 60, hidden.y + 9));
  // Hovering an element changes its face.
  const POINT over = centreOf(0, 1);
  mouse(list_.window, WM_MOUSEMOVE, over.x, over.y);
  EXPECT_NE(render(list_.window)->pixel(over.x - 9, over.y + 9), enabledFace);
}

TEST_F(ListboxTest, TheFontDescriptionSizesTheElementCaptions) {
  Window parent = makeParent(200, 100);
  const Library& lib = library();
  auto inkHeight = [&](int points) {
    const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 200, 64});
    void* font = lib.Create_StructEx();
    lib.InsertMember_StructEx(font, -1, 2);
    lib.SetMemberText_StructEx(font, 0, lib.CreateBinEx("\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA", kBinText, 0, 0));
    lib.SetMemberInt_StructEx(font, 1, points);
    const auto* packed = static_cast<const std::int32_t*>(lib.Pack_StructEx(font));
    const std::vector<char> bytes =
        byteString(std::string_view(reinterpret_cast<const char*>(packed + 2), static_cast<std::size_t>(packed[1])));
    lib.Destroy_StructEx(font);
    lib.ControlInsertElem(list.control, kElementButton, -1, -1, 1);
    lib.ControlSetElemAttribute_Button(list.control, kElementButton, -1, 0, 0, nullptr, 0, 100, 2, 60, 60, 0, nullptr,
                                       bytes.data());
    lib.InsertItem_ListboxEx(list.control, -1, 1, 0, nullptr, captionBin("", 0, 64));
    lib.ControlSetElemData_Button(list.control, kElementButton, 0, -1, 0, 0, 1, 0, lib.CreateBinEx("X", kBinText, 0, 0));
    auto canvas = render(list.window);
    int top = 64, bottom = -1;
    for (int y = 4; y < 60; ++y) {
      for (int x = 104; x < 156; ++x) {
        const COLORREF p = canvas->pixel(x, y);
        if (GetRValue(p) + GetGValue(p) + GetBValue(p) < 560) {  // ink on the white face
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    }
    return bottom - top + 1;
  };
  const int small = inkHeight(8), large = inkHeight(24);
  EXPECT_GT(small, 3);
  EXPECT_GT(large, small * 2) << small << " vs " << large;
}

TEST_F(ListboxTest, FixedRowsComeFromTheBlockAndStayThroughRebuilds) {
  Window parent = makeParent(200, 200);
  PropertyBlock block = defaultPropertyBlock(Kind::kListbox);
  block.rowPitch = 30;
  block.fixedRowCount = 2;
  block.fixedRows[0].glyph = kGlyphAdd;
  std::strcpy(block.fixedRows[0].caption, "\xCC\xED\xBC\xD3\xCE\xC4\xBC\xFE");  // 添加文件
  block.fixedRows[1].glyph = kGlyphEdit;
  std::strcpy(block.fixedRows[1].caption, "\xB1\xE0\xBC\xAD");  // 编辑
  block.accentColour = RGB(0, 0x67, 0xC0);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 200}, &block);
  ASSERT_EQ(library().GetItemCount_ListboxEx(list.control), 2);
  EXPECT_STREQ(library().GetItemTitle_ListboxEx(list.control, 0), "\xCC\xED\xBC\xD3\xCE\xC4\xBC\xFE");
  EXPECT_EQ(library().InsertItem_ListboxEx(list.control, -1, 1, 0, nullptr, captionBin("a", 0, 30)), 2);
  EXPECT_EQ(library().InsertItem_ListboxEx(list.control, -1, 1, 0, nullptr, captionBin("b", 0, 30)), 3);
  // The launcher's rebuild: rows from the bottom up while the index is 2 or more.
  for (int r = library().GetItemCount_ListboxEx(list.control), i = 1; i <= r; ++i) {
    if (r - i >= 2) library().DeleteItem_ListboxEx(list.control, r - i, 1);
  }
  EXPECT_EQ(library().GetItemCount_ListboxEx(list.control), 2);
  EXPECT_STREQ(library().GetItemTitle_ListboxEx(list.control, 1), "\xB1\xE0\xBC\xAD");
  // The add glyph: an accent tile with a white plus.
  auto canvas = render(list.window);
  const RECT tile = boxOf(*canvas, RGB(0, 0x67, 0xC0), RECT{0, 0, 40, 30});
  ASSERT_LT(tile.left, tile.right) << "no accent tile on the first row";
  EXPECT_GE(tile.right - tile.left, 18);
  const COLORREF centre = canvas->pixel((tile.left + tile.right) / 2, (tile.top + tile.bottom) / 2);
  EXPECT_GT(GetRValue(centre) + GetGValue(centre) + GetBValue(centre), 700) << "the plus is white";
}

TEST_F(ListboxTest, RowOperationsAndConsumedCaptions) {
  Window parent = makeParent(200, 200);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 200});
  const Library& lib = library();
  const void* caption = captionBin("tall", 0, 44);
  EXPECT_EQ(lib.InsertItem_ListboxEx(list.control, -1, 1, 77, nullptr, caption), 0);
  EXPECT_EQ(lib.DeleteBinEx(caption), 0) << "the list took the caption";
  EXPECT_EQ(lib.GetItemSize_ListboxEx(list.control, 0), 44) << "the height came with the caption";
  EXPECT_EQ(lib.InsertItem_ListboxEx(list.control, 0, 2, 5, nullptr, captionBin("first", 0, 0)), 0);
  EXPECT_EQ(lib.GetItemCount_ListboxEx(list.control), 3);
  EXPECT_EQ(lib.GetItemSize_ListboxEx(list.control, 0), 30) << "the list's pitch";
  EXPECT_STREQ(lib.GetItemTitle_ListboxEx(list.control, 2), "tall");
  EXPECT_EQ(lib.InsertItem_ListboxEx(list.control, -1, 0, 0, nullptr, captionBin("none", 0, 0)), -1);
  // Something that is not a bin is never read as one.
  const char notABin[] = "plain text";
  EXPECT_EQ(lib.InsertItem_ListboxEx(list.control, -1, 1, 0, nullptr, notABin), 3);
  EXPECT_STREQ(lib.GetItemTitle_ListboxEx(list.control, 3), "");
  EXPECT_EQ(lib.DeleteItem_ListboxEx(list.control, 7, 1), 0);
  EXPECT_EQ(lib.DeleteItem_ListboxEx(list.control, 1, 1), 1);
  EXPECT_EQ(lib.GetItemCount_ListboxEx(list.control), 3);
  // Operations meant for a list refuse other kinds.
  const Created button = createControl(Kind::kButton, parent.get(), RECT{0, 0, 40, 28});
  EXPECT_EQ(lib.InsertItem_ListboxEx(button.control, -1, 1, 0, nullptr, captionBin("x", 0, 0)), -1);
  EXPECT_EQ(lib.ControlInsertElem(button.control, kElementButton, -1, 0, 3), 0);
}

// Real pointer input: enter on the way in, leave (through WM_MOUSELEAVE) on the way out.
TEST_F(ListboxTest, ARealPointerEntersAndLeavesRows) {
  Window parent = makeParent(104, 150, true);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 150});
  addRows(list.control, 4, 30);
  SetForegroundWindow(parent.get());
  pump();
  auto moveTo = [](POINT screen) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return SendInput(1, &input, sizeof input) == 1;
  };
  auto waitFor = [&](std::size_t count) {
    const DWORD start = GetTickCount();
    while (recorder.events.size() < count && GetTickCount() - start < 3000) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      pump();
    }
  };
  POINT outside{2, 2};
  ClientToScreen(parent.get(), &outside);
  outside.x -= 30;  // left of the window
  ASSERT_TRUE(moveTo(outside));
  const DWORD settle = GetTickCount();  // the pointer starts away from the window
  while (GetTickCount() - settle < 150) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT);
    pump();
  }
  recorder.clear();
  POINT row1{50, 45};
  ClientToScreen(list.window, &row1);
  ASSERT_TRUE(moveTo(row1));
  waitFor(1);
  ASSERT_EQ(numbersAndRows(recorder.events), (std::vector<std::pair<int, int>>{{kEventItemEnter, 1}}));
  ASSERT_TRUE(moveTo(outside));
  waitFor(2);
  EXPECT_EQ(numbersAndRows(recorder.events),
            (std::vector<std::pair<int, int>>{{kEventItemEnter, 1}, {kEventItemLeave, 1}}));
  EXPECT_EQ(listAttribute(list.control, kAttrHoverRow), -1);
}

// A real wheel over a list that does not have the focus (the launcher bar slides in without
// being clicked) scrolls it.
TEST_F(ListboxTest, ARealWheelScrollsTheListUnderThePointer) {
  Window parent = makeParent(104, 150, true);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 150});
  addRows(list.control, 20, 30);
  Window other = makeParent(60, 60, true);
  SetWindowPos(other.get(), nullptr, 400, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SetForegroundWindow(other.get());
  SetFocus(other.get());
  pump();
  ASSERT_NE(GetFocus(), list.window);
  POINT over{50, 60};
  ClientToScreen(list.window, &over);
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dx = MulDiv(over.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  inputs[0].mi.dy = MulDiv(over.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_WHEEL;
  inputs[1].mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
  ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
  const DWORD start = GetTickCount();
  while (listAttribute(list.control, kAttrScrollTop) == 0 && GetTickCount() - start < 2000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    pump();
  }
  EXPECT_GT(listAttribute(list.control, kAttrScrollTop), 0);
}

TEST_F(ListboxTest, DisablingEndsTheHover) {
  Window parent = makeParent(200, 200);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, 150});
  addRows(list.control, 3, 30);
  mouse(list.window, WM_MOUSEMOVE, 40, 45);
  recorder.clear();
  EnableWindow(list.window, FALSE);
  EXPECT_EQ(numbersAndRows(recorder.events), (std::vector<std::pair<int, int>>{{kEventItemLeave, 1}}));
  EXPECT_EQ(listAttribute(list.control, kAttrHoverRow), -1);
}

}  // namespace
}  // namespace corvalis::exui::test
