// The list's keys and its focus mark, driven with the messages the system sends while the list
// has the focus.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "controls/theme.h"
#include "tests/controls/harness.h"

namespace corvalis::exui::test {
namespace {

using Seen = std::vector<std::pair<int, int>>;  // event number, a1

Seen numbersAndFirsts(const std::vector<Event>& events) {
  Seen out;
  for (const Event& event : events) out.emplace_back(event.number, event.a1);
  return out;
}

// Keys held down in this thread's key state, which is where the list reads modifiers; given
// back when it goes.
class HeldKeys {
 public:
  HeldKeys(std::initializer_list<int> keys) {
    GetKeyboardState(saved_);
    BYTE state[256];
    std::memcpy(state, saved_, sizeof state);
    for (int key : keys) state[key] |= 0x80;
    SetKeyboardState(state);
  }
  ~HeldKeys() { SetKeyboardState(saved_); }
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  BYTE saved_[256] = {};
};

class ListKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(library().module, nullptr);
    parent_ = makeParent(200, 200);
    list_ = createControl(Kind::kListbox, parent_.get(), RECT{0, 0, 104, 150});
    ASSERT_NE(list_.control, nullptr);
  }
  void addRows(int count, int height) {
    for (int i = 0; i < count; ++i) {
      const std::string caption = "row " + std::to_string(i);
      library().InsertItem_ListboxEx(list_.control, -1, 1, 0, nullptr, captionBin(caption.c_str(), 0, height));
    }
  }
  void key(WPARAM virtualKey, UINT message = WM_KEYDOWN) { SendMessageW(list_.window, message, virtualKey, 1); }
  int mark() const { return static_cast<int>(library().GetAttribute_ListboxEx(list_.control, kAttrFocusRow)); }
  int scrollTop() const { return static_cast<int>(library().GetAttribute_ListboxEx(list_.control, kAttrScrollTop)); }
  bool setMark(int row) { return library().SetAttribute_ListboxEx(list_.control, kAttrFocusRow, row) != 0; }
  Seen pressed(WPARAM virtualKey, UINT message = WM_KEYDOWN) {
    recorder.clear();
    key(virtualKey, message);
    return numbersAndFirsts(recorder.events);
  }

  Recorder recorder;
  Window parent_;
  Created list_;
};

TEST_F(ListKeys, ArrowsHomeAndEndMoveTheMarkWithinTheRows) {
  addRows(20, 30);
  EXPECT_EQ(mark(), -1) << "no mark before the first move";
  EXPECT_EQ(pressed(VK_DOWN), (Seen{{kEventFocusMoved, 0}})) << "Down starts at the first row";
  EXPECT_EQ(pressed(VK_UP), Seen{}) << "nothing above the first row";
  EXPECT_EQ(mark(), 0);
  key(VK_DOWN);
  key(VK_DOWN);
  EXPECT_EQ(pressed(VK_DOWN), (Seen{{kEventFocusMoved, 3}}));
  EXPECT_EQ(pressed(VK_UP), (Seen{{kEventFocusMoved, 2}}));
  EXPECT_EQ(scrollTop(), 0) << "the rows are in view already";
  EXPECT_EQ(pressed(VK_END), (Seen{{kEventFocusMoved, 19}}));
  EXPECT_EQ(scrollTop(), 450) << "scrolled to the last row";
  EXPECT_EQ(pressed(VK_DOWN), Seen{}) << "nothing below the last row";
  EXPECT_EQ(mark(), 19);
  EXPECT_EQ(pressed(VK_HOME), (Seen{{kEventFocusMoved, 0}}));
  EXPECT_EQ(scrollTop(), 0);
  key(VK_END);
  key(VK_UP);
  EXPECT_EQ(mark(), 18);
  EXPECT_EQ(scrollTop(), 450) << "row 18 still shows";

  // Without a mark, Up and End start at the last row, Home at the first.
  library().DeleteItem_ListboxEx(list_.control, -1, 0);
  EXPECT_EQ(mark(), -1);
  EXPECT_EQ(pressed(VK_DOWN), Seen{}) << "no rows, no mark";
  addRows(6, 30);
  EXPECT_EQ(pressed(VK_UP), (Seen{{kEventFocusMoved, 5}}));
  library().DeleteItem_ListboxEx(list_.control, -1, 0);
  addRows(6, 30);
  EXPECT_EQ(pressed(VK_END), (Seen{{kEventFocusMoved, 5}}));
  library().DeleteItem_ListboxEx(list_.control, -1, 0);
  addRows(6, 30);
  EXPECT_EQ(pressed(VK_HOME), (Seen{{kEventFocusMoved, 0}}));
}

TEST_F(ListKeys, PageKeysMoveByTheWholeRowsThatFit) {
  addRows(20, 30);  // five rows fit in 150 pixels
  key(VK_HOME);
  EXPECT_EQ(pressed(VK_NEXT), (Seen{{kEventFocusMoved, 5}}));
  EXPECT_EQ(scrollTop(), 150) << "the page turned with the mark";
  key(VK_NEXT);
  EXPECT_EQ(mark(), 10);
  EXPECT_EQ(scrollTop(), 300);
  key(VK_PRIOR);
  EXPECT_EQ(mark(), 5);
  EXPECT_EQ(scrollTop(), 150);
  key(VK_PRIOR);
  EXPECT_EQ(mark(), 0);
  EXPECT_EQ(pressed(VK_PRIOR), Seen{}) << "clamped at the first row";
  ASSERT_TRUE(setMark(17));
  key(VK_NEXT);
  EXPECT_EQ(mark(), 19) << "clamped at the last row";
  EXPECT_EQ(scrollTop(), 450);

  // Rows of 40 pixels: three whole ones fit, not 3.75.
  library().DeleteItem_ListboxEx(list_.control, -1, 0);
  addRows(12, 40);
  key(VK_HOME);
  key(VK_NEXT);
  EXPECT_EQ(mark(), 3);
  key(VK_NEXT);
  EXPECT_EQ(mark(), 6);
  const int top = 6 * 40 - scrollTop();
  EXPECT_GE(top, 0);
  EXPECT_LE(top + 40, 150) << "the marked row shows whole";
}

TEST_F(ListKeys, ArrowsWithCtrlAreTheProgramsKeys) {
  addRows(5, 30);
  ASSERT_TRUE(setMark(2));
  {
    HeldKeys ctrl{VK_CONTROL};
    recorder.clear();
    key(VK_DOWN);
    key(VK_UP);
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[0].number, kEventKeyDown);
    EXPECT_EQ(recorder.events[0].a1, VK_DOWN);
    EXPECT_EQ(recorder.events[0].a2, kKeyControl);
    EXPECT_EQ(recorder.events[1].a1, VK_UP);
    EXPECT_EQ(mark(), 2) << "the mark stays";
  }
  HeldKeys ctrlShift{VK_CONTROL, VK_SHIFT};
  recorder.clear();
  key(VK_UP);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].number, kEventKeyDown);
  EXPECT_EQ(recorder.events[0].a2, kKeyControl | kKeyShift);
}

TEST_F(ListKeys, EnterClicksTheMarkedRowAtItsMiddle) {
  addRows(20, 30);
  ASSERT_TRUE(setMark(2));
  recorder.clear();
  key(VK_RETURN);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].number, kEventItemClick);
  EXPECT_EQ(recorder.events[0].a1, 2);
  EXPECT_EQ(recorder.events[0].a2, 52);
  EXPECT_EQ(recorder.events[0].a3, 75);

  // A marked row scrolled out of sight comes back into view first.
  ASSERT_TRUE(setMark(15));
  library().SetAttribute_ListboxEx(list_.control, kAttrScrollTop, 0);
  recorder.clear();
  key(VK_RETURN);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].a1, 15);
  EXPECT_EQ(recorder.events[0].a3, 15 * 30 + 15 - scrollTop());
  EXPECT_GT(recorder.events[0].a3, 0);
  EXPECT_LT(recorder.events[0].a3, 150);
}

TEST_F(ListKeys, ShiftF10AndTheMenuKeyRightClickTheMarkedRow) {
  addRows(5, 30);
  ASSERT_TRUE(setMark(3));
  const Seen rightClick{{kEventItemRightClick, 3}, {kEventRightClick, 3}};
  EXPECT_EQ(pressed(VK_APPS), rightClick);
  for (const Event& event : recorder.events) {
    EXPECT_EQ(event.a2, 52);
    EXPECT_EQ(event.a3, 105);
  }
  // The menu the system makes of the menu key on its way up is no second right click.
  recorder.clear();
  SendMessageW(list_.window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list_.window), -1);
  EXPECT_TRUE(recorder.events.empty());
  {
    HeldKeys shift{VK_SHIFT};
    EXPECT_EQ(pressed(VK_F10), rightClick);
    EXPECT_EQ(pressed(VK_F10, WM_SYSKEYDOWN), rightClick) << "as the keyboard sends F10";
  }
  EXPECT_EQ(pressed(VK_F10), (Seen{{kEventKeyDown, VK_F10}})) << "F10 alone is the program's";

  // The right button's rule: when the first event's handler destroys the list, no second.
  recorder.onEvent = [this](const Event& event) {
    if (event.number == kEventItemRightClick) library().ControlDestroy(list_.control);
  };
  EXPECT_EQ(pressed(VK_APPS), (Seen{{kEventItemRightClick, 3}}));
}

TEST_F(ListKeys, OtherKeysAndCharactersGoToTheProgram) {
  addRows(5, 30);
  ASSERT_TRUE(setMark(1));
  for (int virtualKey : {VK_DELETE, VK_F2, VK_ESCAPE, int{'A'}, VK_LEFT, VK_TAB}) {
    recorder.clear();
    key(static_cast<WPARAM>(virtualKey));
    ASSERT_EQ(recorder.events.size(), 1u) << virtualKey;
    EXPECT_EQ(recorder.events[0].number, kEventKeyDown);
    EXPECT_EQ(recorder.events[0].a1, virtualKey);
    EXPECT_EQ(recorder.events[0].a2, 0);
  }
  {
    HeldKeys shift{VK_SHIFT};
    recorder.clear();
    key(VK_DELETE);
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].a2, kKeyShift);
  }
  EXPECT_EQ(mark(), 1) << "none of them moved the mark";
  EXPECT_EQ(pressed(L'a', WM_CHAR), (Seen{{kEventCharacter, L'a'}}));
  EXPECT_EQ(pressed(0x4E2D, WM_CHAR), (Seen{{kEventCharacter, 0x4E2D}})) << "a UTF-16 unit, not GBK";
}

TEST_F(ListKeys, TheListWantsArrowsCharactersAndEnterButNeverEscape) {
  MSG enter{list_.window, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  const LRESULT forEnter = SendMessageW(list_.window, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter));
  EXPECT_TRUE(forEnter & DLGC_WANTARROWS);
  EXPECT_TRUE(forEnter & DLGC_WANTCHARS);
  EXPECT_TRUE(forEnter & DLGC_WANTMESSAGE);
  MSG escape{list_.window, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  const LRESULT forEscape = SendMessageW(list_.window, WM_GETDLGCODE, VK_ESCAPE, reinterpret_cast<LPARAM>(&escape));
  EXPECT_EQ(forEscape & (DLGC_WANTMESSAGE | DLGC_WANTALLKEYS), 0) << "the window's Esc closes it";
  EXPECT_TRUE(forEscape & DLGC_WANTARROWS);
}

TEST_F(ListKeys, TheProgramSetsTheMark) {
  addRows(20, 30);
  EXPECT_EQ(library().GetAttribute_ListboxEx(list_.control, kAttrFocusRow), -1);
  recorder.clear();
  EXPECT_TRUE(setMark(3));
  EXPECT_EQ(mark(), 3);
  EXPECT_EQ(numbersAndFirsts(recorder.events), (Seen{{kEventFocusMoved, 3}}));
  EXPECT_TRUE(setMark(15));
  EXPECT_EQ(scrollTop(), 16 * 30 - 150) << "scrolled as little as needed";
  recorder.clear();
  EXPECT_TRUE(setMark(15));
  EXPECT_TRUE(recorder.events.empty()) << "not moved, nothing to tell";
  EXPECT_TRUE(setMark(99));
  EXPECT_EQ(mark(), 19) << "clamped to the last row";
  recorder.clear();
  EXPECT_TRUE(setMark(-7));
  EXPECT_EQ(mark(), -1);
  EXPECT_EQ(numbersAndFirsts(recorder.events), (Seen{{kEventFocusMoved, -1}}));
  EXPECT_EQ(library().ControlSendMessage(list_.control, kMessageSetAttribute, kAttrFocusRow, 4, 0, 0), 1);
  EXPECT_EQ(library().ControlSendMessage(list_.control, kMessageGetAttribute, kAttrFocusRow, 0, 0, 0), 4);

  // The event's handler may destroy the list inside the program's call.
  recorder.onEvent = [this](const Event&) { library().ControlDestroy(list_.control); };
  EXPECT_EQ(library().SetAttribute_ListboxEx(list_.control, kAttrFocusRow, 8), 1);
  EXPECT_EQ(library().ControlIsCreate(list_.control), 0);
}

TEST_F(ListKeys, InsertedAndDeletedRowsKeepTheMarkOnARow) {
  addRows(10, 30);
  const Library& lib = library();
  ASSERT_TRUE(setMark(5));
  lib.InsertItem_ListboxEx(list_.control, 0, 2, 0, nullptr, captionBin("new", 0, 30));
  EXPECT_EQ(mark(), 7) << "it stays with its row";
  EXPECT_STREQ(lib.GetItemTitle_ListboxEx(list_.control, mark()), "row 5");
  lib.InsertItem_ListboxEx(list_.control, -1, 1, 0, nullptr, captionBin("last", 0, 30));
  EXPECT_EQ(mark(), 7);
  lib.DeleteItem_ListboxEx(list_.control, 0, 2);
  EXPECT_EQ(mark(), 5);
  lib.DeleteItem_ListboxEx(list_.control, 5, 1);
  EXPECT_EQ(mark(), 5) << "the next row took the deleted one's place";
  EXPECT_STREQ(lib.GetItemTitle_ListboxEx(list_.control, mark()), "row 6");
  lib.DeleteItem_ListboxEx(list_.control, 3, 0);  // row 3 to the end
  EXPECT_EQ(mark(), 2) << "the last row left";
  lib.DeleteItem_ListboxEx(list_.control, -1, 0);
  EXPECT_EQ(mark(), -1);
}

TEST_F(ListKeys, AClickMarksItsRow) {
  addRows(4, 30);
  mouse(list_.window, WM_LBUTTONDOWN, 50, 75, MK_LBUTTON);
  mouse(list_.window, WM_LBUTTONUP, 50, 75);
  EXPECT_EQ(mark(), 2);
  mouse(list_.window, WM_LBUTTONDOWN, 50, 140, MK_LBUTTON);  // below the rows
  mouse(list_.window, WM_LBUTTONUP, 50, 140);
  EXPECT_EQ(mark(), 2) << "no row there, the mark stays";
  EXPECT_EQ(pressed(VK_DOWN), (Seen{{kEventFocusMoved, 3}})) << "the keys go on from the clicked row";
}

// The mark as the screen shows it.
class FocusMark : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(library().module, nullptr);
    parent_ = makeParent(104, 150, true);
    PropertyBlock block = defaultPropertyBlock(Kind::kListbox);
    block.backColour = RGB(255, 255, 255);
    block.flags = kBlockNoHover;  // wherever the real pointer is
    list_ = createControl(Kind::kListbox, parent_.get(), RECT{0, 0, 104, 150}, &block);
    ASSERT_NE(list_.control, nullptr);
    for (int i = 0; i < 4; ++i) library().InsertItem_ListboxEx(list_.control, -1, 1, 0, nullptr, captionBin("", 0, 30));
    library().SetAttribute_ListboxEx(list_.control, kAttrFocusRow, 1);
  }
  void focusList() {
    SetForegroundWindow(parent_.get());
    SetFocus(list_.window);
    pump();
  }

  Window parent_;
  Created list_;
};

TEST_F(FocusMark, IsDrawnWhileTheListHasTheFocus) {
  auto unfocused = render(list_.window);
  EXPECT_EQ(unfocused->pixel(52, 31), RGB(255, 255, 255)) << "no mark without the focus";
  focusList();
  ASSERT_EQ(GetFocus(), list_.window);
  auto canvas = render(list_.window);
  // A frame inside row 1 (30..59), three pixels in from the sides, in the text's colour.
  EXPECT_EQ(canvas->pixel(52, 31), theme::kText) << "top";
  EXPECT_EQ(canvas->pixel(52, 58), theme::kText) << "bottom";
  EXPECT_EQ(canvas->pixel(3, 45), theme::kText) << "left";
  EXPECT_EQ(canvas->pixel(100, 45), theme::kText) << "right";
  EXPECT_EQ(canvas->pixel(52, 45), RGB(255, 255, 255)) << "inside";
  EXPECT_EQ(canvas->pixel(52, 1), RGB(255, 255, 255)) << "row 0";
  EXPECT_EQ(canvas->pixel(52, 61), RGB(255, 255, 255)) << "row 2";

  SendMessageW(list_.window, WM_KEYDOWN, VK_DOWN, 1);
  auto moved = render(list_.window);
  EXPECT_EQ(moved->pixel(52, 31), RGB(255, 255, 255));
  EXPECT_EQ(moved->pixel(52, 61), theme::kText) << "on row 2 now";

  SetFocus(parent_.get());
  EXPECT_EQ(render(list_.window)->pixel(52, 61), RGB(255, 255, 255)) << "gone with the focus";
}

TEST_F(FocusMark, AClickHidesItUntilTheNextKeyUnlessTheSystemShowsCuesAlways) {
  BOOL always = FALSE;
  SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0);
  for (const BOOL cues : {FALSE, TRUE}) {
    SCOPED_TRACE(cues ? "cues always" : "cues with the keyboard (Windows' default)");
    SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(cues)), 0);
    focusList();
    mouse(list_.window, WM_LBUTTONDOWN, 50, 75, MK_LBUTTON);
    mouse(list_.window, WM_LBUTTONUP, 50, 75);
    EXPECT_EQ(render(list_.window)->pixel(52, 61), cues ? theme::kText : RGB(255, 255, 255)) << "after the click";
    SendMessageW(list_.window, WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(render(list_.window)->pixel(52, 31), theme::kText) << "a key shows it";
  }
  SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(always)), 0);
}

}  // namespace
}  // namespace corvalis::exui::test
