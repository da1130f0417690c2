// ButtonEx, WindowEx with a LabelEx inside, FilterEx over a list, ToolbarEx.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/controls/harness.h"

namespace corvalis::exui::test {
namespace {

class KindsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(library().module, nullptr); }
  std::vector<std::pair<int, Handle>> seen() const {
    std::vector<std::pair<int, Handle>> out;
    for (const Event& event : recorder.events) out.emplace_back(event.number, event.record);
    return out;
  }
  Recorder recorder;
};

TEST_F(KindsTest, ButtonClicksOnlyWhenReleasedInside) {
  Window parent = makeParent(200, 60);
  PropertyBlock block = defaultPropertyBlock(Kind::kButton);
  std::strcpy(block.text, "\xB1\xA3\xB4\xE6");  // 保存
  const Created button = createControl(Kind::kButton, parent.get(), RECT{144, 8, 184, 36}, &block, 7, 8);
  ASSERT_NE(button.control, nullptr);
  wchar_t caption[8] = {};
  GetWindowTextW(button.window, caption, 8);
  EXPECT_STREQ(caption, L"\u4FDD\u5B58");

  mouse(button.window, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  mouse(button.window, WM_LBUTTONUP, 12, 11);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].number, kEventButtonClick);
  EXPECT_EQ(recorder.events[0].a1, 12);
  EXPECT_EQ(recorder.events[0].a2, 11);
  EXPECT_EQ(recorder.events[0].firstId, 7u);

  recorder.clear();
  mouse(button.window, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  mouse(button.window, WM_MOUSEMOVE, 60, 10, MK_LBUTTON);
  mouse(button.window, WM_LBUTTONUP, 60, 10);
  EXPECT_TRUE(recorder.events.empty()) << "released outside";
  mouse(button.window, WM_LBUTTONUP, 10, 10);
  EXPECT_TRUE(recorder.events.empty()) << "a release without a press";

  // Pressed looks different from resting; disabled differently again.
  auto resting = render(button.window);
  mouse(button.window, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  auto pressed = render(button.window);
  mouse(button.window, WM_LBUTTONUP, 10, 10);
  EnableWindow(button.window, FALSE);
  auto disabled = render(button.window);
  EXPECT_NE(resting->pixel(4, 14), pressed->pixel(4, 14));
  EXPECT_NE(resting->pixel(4, 14), disabled->pixel(4, 14));
}

TEST_F(KindsTest, PanelReportsClicksAndItsLabelLetsThemThrough) {
  Window parent = makeParent(380, 250);
  PropertyBlock tip = defaultPropertyBlock(Kind::kLabel);
  std::strcpy(tip.text, " \xCB\xAB\xBB\xF7\xB1\xE0\xBC\xAD");  // " 双击编辑"
  const Created panel = createControl(Kind::kWindow, parent.get(), RECT{153, 200, 362, 232}, nullptr, 20, 1);
  const Created label = createControl(Kind::kLabel, panel.window, RECT{2, 2, 207, 30}, &tip, 21, 1);
  ASSERT_NE(label.control, nullptr);
  EXPECT_EQ(SendMessageW(label.window, WM_NCHITTEST, 0, MAKELPARAM(160, 215)), HTTRANSPARENT);
  char text[32] = {};
  GetWindowTextA(label.window, text, 32);
  EXPECT_STREQ(text, " \xCB\xAB\xBB\xF7\xB1\xE0\xBC\xAD") << "the leading space stays";

  mouse(panel.window, WM_LBUTTONDOWN, 30, 10, MK_LBUTTON);
  mouse(panel.window, WM_LBUTTONUP, 30, 10);
  EXPECT_EQ(seen(), (std::vector<std::pair<int, Handle>>{{kEventPanelClick, panel.control}}));

  // The label's text is drawn over the panel's face.
  auto canvas = render(label.window);
  int ink = 0;
  for (int y = 0; y < canvas->height(); ++y) {
    for (int x = 0; x < canvas->width(); ++x) {
      const COLORREF p = canvas->pixel(x, y);
      ASSERT_NE(p, kUnpainted);
      ink += GetRValue(p) + GetGValue(p) + GetBValue(p) < 300;
    }
  }
  EXPECT_GT(ink, 20);
}

TEST_F(KindsTest, ARealClickOnTheLabelReachesThePanel) {
  Window parent = makeParent(380, 250, true);
  const Created panel = createControl(Kind::kWindow, parent.get(), RECT{153, 200, 362, 232});
  PropertyBlock tip = defaultPropertyBlock(Kind::kLabel);
  std::strcpy(tip.text, "tip");
  const Created label = createControl(Kind::kLabel, panel.window, RECT{2, 2, 207, 30}, &tip);
  ASSERT_NE(label.control, nullptr);
  SetForegroundWindow(parent.get());
  pump();
  POINT onLabel{100, 14};
  ClientToScreen(label.window, &onLabel);
  ASSERT_EQ(WindowFromPoint(onLabel), panel.window) << "hit testing passes the label by";
  SetCursorPos(onLabel.x, onLabel.y);
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
  const DWORD start = GetTickCount();
  while (recorder.events.empty() && GetTickCount() - start < 3000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    pump();
  }
  ASSERT_FALSE(recorder.events.empty()) << "no event from the real click";
  EXPECT_EQ(recorder.events.back().number, kEventPanelClick);
  EXPECT_EQ(recorder.events.back().record, panel.control);
  EXPECT_EQ(recorder.events.back().a1, 102) << "in the panel's own coordinates";
}

TEST_F(KindsTest, FilterVeilsTheListBeneathIt) {
  Window parent = makeParent(380, 250);
  PropertyBlock listBlock = defaultPropertyBlock(Kind::kListbox);
  listBlock.backColour = RGB(200, 200, 200);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{8, 8, 371, 241}, &listBlock);
  PropertyBlock veil = defaultPropertyBlock(Kind::kFilter);
  veil.backColour = RGB(0, 0, 0);
  veil.overlayAlpha = 128;
  veil.flags = kBlockHidden;
  const Created filter = createControl(Kind::kFilter, parent.get(), RECT{16, 112, 184, 144}, &veil);
  ASSERT_NE(filter.control, nullptr);
  SetWindowPos(filter.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(library().GetAttribute_ListboxEx(list.control, kAttrKind), static_cast<std::intptr_t>(Kind::kListbox));
  // The program shows it and gives it the list's place.
  library().ControlSetVisual(filter.control, 1);
  library().ControlSetRect(filter.control, 8, 8, 363, 233);
  auto canvas = render(filter.window);
  const COLORREF veiled = canvas->pixel(300, 200);
  EXPECT_LE(colourDistance(veiled, RGB(100, 100, 100)), 6) << std::hex << veiled;
  // The pointer stops at the veil.
  mouse(filter.window, WM_LBUTTONDOWN, 50, 50, MK_LBUTTON);
  mouse(filter.window, WM_LBUTTONUP, 50, 50);
  EXPECT_TRUE(recorder.events.empty());
}

TEST_F(KindsTest, ToolbarAndPanelsFillTheirArea) {
  Window parent = makeParent(200, 400);
  const Created toolbar = createControl(Kind::kToolbar, parent.get(), RECT{0, 160, 104, 352});
  PropertyBlock card = defaultPropertyBlock(Kind::kWindow);
  card.flags = kBlockBorder;
  card.backColour = RGB(255, 255, 255);
  card.borderColour = RGB(10, 20, 30);
  const Created panel = createControl(Kind::kWindow, parent.get(), RECT{16, 10, 208, 54}, &card);
  for (HWND window : {toolbar.window, panel.window}) {
    auto canvas = render(window);
    for (int y = 0; y < canvas->height(); ++y) {
      for (int x = 0; x < canvas->width(); ++x) ASSERT_NE(canvas->pixel(x, y), kUnpainted) << x << "," << y;
    }
  }
  auto canvas = render(panel.window);
  EXPECT_EQ(canvas->pixel(96, 0), RGB(10, 20, 30)) << "border";
  EXPECT_EQ(canvas->pixel(96, 22), RGB(255, 255, 255)) << "face";
  mouse(toolbar.window, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  mouse(toolbar.window, WM_LBUTTONUP, 5, 5);
  EXPECT_TRUE(recorder.events.empty()) << "the toolbar raises nothing";
}


// The tip panel lies over the edit list. Every control window carries WS_EX_TRANSPARENT,
// which the system leaves out of sibling clipping, so a list repainting on its own must
// still leave the panel above it alone.
TEST_F(KindsTest, AListRepaintingUnderAPanelLeavesThePanelOnScreen) {
  Window parent = makeParent(380, 250, true);
  PropertyBlock card = defaultPropertyBlock(Kind::kWindow);
  card.backColour = RGB(30, 160, 90);
  const Created panel = createControl(Kind::kWindow, parent.get(), RECT{153, 200, 362, 232}, &card);
  PropertyBlock listBlock = defaultPropertyBlock(Kind::kListbox);
  listBlock.backColour = RGB(250, 250, 250);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{8, 8, 371, 241}, &listBlock);
  ASSERT_NE(panel.control, nullptr);
  ASSERT_NE(list.control, nullptr);
  ASSERT_TRUE(GetWindowLongW(list.window, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  SetWindowPos(panel.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RedrawWindow(parent.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  pump();
  auto onScreen = [&](HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    WindowDC screen(nullptr);
    return GetPixel(screen.get(), point.x, point.y) & 0xFFFFFF;
  };
  ASSERT_EQ(onScreen(panel.window, 100, 16), RGB(30, 160, 90)) << "the panel is drawn at all";
  // Only the list repaints now, as it does on every hover.
  InvalidateRect(list.window, nullptr, FALSE);
  UpdateWindow(list.window);
  EXPECT_EQ(onScreen(panel.window, 100, 16), RGB(30, 160, 90)) << "the list painted over the panel";
  EXPECT_EQ(onScreen(list.window, 100, 100), RGB(250, 250, 250)) << "the rest of the list is its own";
}

}  // namespace
}  // namespace corvalis::exui::test
