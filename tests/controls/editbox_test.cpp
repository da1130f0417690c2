// EditboxEx: GBK text typed byte by byte or as UTF-16, caret moves that never split a
// double-byte character, clipboard, Enter and Esc.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/controls/harness.h"

namespace corvalis::exui::test {
namespace {

class EditboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(library().module, nullptr);
    ASSERT_EQ(GetACP(), 936u) << "these tests type GBK bytes; run them with code page 936 (scripts/wine-env.sh)";
    parent_ = makeParent(200, 60);
    edit_ = createControl(Kind::kEditbox, parent_.get(), RECT{8, 8, 136, 36}, nullptr, 0xE1, 0xE2);
    ASSERT_NE(edit_.control, nullptr);
  }

  std::string text() const {
    const auto* bytes = reinterpret_cast<const char*>(
        library().ControlSendMessage(edit_.control, kMessageGetAttribute, kAttrText, 0, 0, 0));
    return bytes != nullptr ? bytes : "<none>";
  }
  int caret() const { return library().GetInsertCursor_EditboxEx(edit_.control); }
  void setText(const char* gbk) {
    library().ControlSendMessage(edit_.control, kMessageSetAttribute, kAttrText, reinterpret_cast<std::intptr_t>(gbk), 0, 0);
  }
  void typeBytes(std::string_view bytes) {
    for (unsigned char byte : bytes) SendMessageA(edit_.window, WM_CHAR, byte, 1);
  }
  void key(WPARAM virtualKey) { SendMessageW(edit_.window, WM_KEYDOWN, virtualKey, 1); }
  void control(wchar_t code) { SendMessageW(edit_.window, WM_CHAR, code, 1); }
  std::vector<int> numbers() const {
    std::vector<int> out;
    for (const Event& event : recorder_.events) out.push_back(event.number);
    return out;
  }

  Recorder recorder_;
  Window parent_;
  Created edit_;
};

TEST_F(EditboxTest, DoubleByteInputAndCaretMovesKeepCharactersWhole) {
  typeBytes("ab\xD6\xD0" "c");  // ab中c, the middle one arriving as lead and trail byte
  EXPECT_EQ(text(), "ab\xD6\xD0" "c");
  EXPECT_EQ(caret(), 5);
  wchar_t wide[16] = {};
  GetWindowTextW(edit_.window, wide, 16);
  EXPECT_STREQ(wide, L"ab\u4E2Dc");

  key(VK_LEFT);
  EXPECT_EQ(caret(), 4);
  key(VK_LEFT);
  EXPECT_EQ(caret(), 2) << "one step over the whole character";
  key(VK_RIGHT);
  EXPECT_EQ(caret(), 4);
  control(0x08);  // Backspace takes both bytes
  EXPECT_EQ(text(), "abc");
  EXPECT_EQ(caret(), 2);

  SendMessageW(edit_.window, WM_IME_CHAR, 0x6587, 1);  // 文 from an input method
  EXPECT_EQ(text(), "ab\xCE\xC4" "c");
  EXPECT_EQ(caret(), 4);
  SendMessageW(edit_.window, WM_CHAR, 0x5B57, 1);  // 字 as UTF-16
  EXPECT_EQ(text(), "ab\xCE\xC4\xD7\xD6" "c");
  SendMessageW(edit_.window, WM_CHAR, 0x0E01, 1);  // Thai: not in GBK, refused
  SendMessageW(edit_.window, WM_CHAR, 0xD83D, 1);  // half of a surrogate pair, refused
  EXPECT_EQ(text(), "ab\xCE\xC4\xD7\xD6" "c");

  key(VK_HOME);
  EXPECT_EQ(caret(), 0);
  key(VK_DELETE);
  EXPECT_EQ(text(), "b\xCE\xC4\xD7\xD6" "c");
  key(VK_RIGHT);
  key(VK_DELETE);
  EXPECT_EQ(text(), "b\xD7\xD6" "c") << "Delete takes the whole character after the caret";
  key(VK_END);
  EXPECT_EQ(caret(), 4);
}

TEST_F(EditboxTest, ALoneLeadByteIsACharacterOfItsOwn) {
  setText("ab\xD6");  // cut in the middle of 中
  EXPECT_EQ(caret(), 3) << "a new text is entered at its end";
  control(0x08);
  EXPECT_EQ(text(), "ab");
  setText("\xD6 x");  // a lead byte before a space forms no pair
  key(VK_END);
  key(VK_LEFT);
  key(VK_LEFT);
  EXPECT_EQ(caret(), 1);
  key(VK_LEFT);
  EXPECT_EQ(caret(), 0);
  // Positions given from outside snap to the start of their character.
  setText("\xD6\xD0\xCE\xC4");
  library().GuaranteeVisibleText_EditboxEx(edit_.control, 3, 0);
  EXPECT_EQ(caret(), 2);
  library().GuaranteeVisibleText_EditboxEx(edit_.control, -1, 0);
  EXPECT_EQ(caret(), 4);
  library().GuaranteeVisibleText_EditboxEx(edit_.control, -1, 3);
  EXPECT_EQ(library().GetSelectLeng_EditboxEx(edit_.control), 4) << "the selection takes whole characters";
}

TEST_F(EditboxTest, ClipboardRoundTripInGbk) {
  typeBytes("ab\xD6\xD0");
  control(0x01);  // Ctrl+A
  EXPECT_EQ(library().GetSelectLeng_EditboxEx(edit_.control), 4);
  control(0x03);  // Ctrl+C
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(data, nullptr);
  EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(data)), L"ab\u4E2D");
  GlobalUnlock(data);
  CloseClipboard();
  key(VK_END);
  control(0x16);  // Ctrl+V
  EXPECT_EQ(text(), "ab\xD6\xD0" "ab\xD6\xD0");
  control(0x01);
  control(0x18);  // Ctrl+X
  EXPECT_EQ(text(), "");
  control(0x16);
  EXPECT_EQ(text(), "ab\xD6\xD0" "ab\xD6\xD0") << "what was cut";
}

TEST_F(EditboxTest, PasteTakesOneLineAndStopsAtTheLimit) {
  const std::wstring many = std::wstring(700, L'\u4E2D') + L"\r\nsecond line";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (many.size() + 1) * sizeof(wchar_t));
  std::memcpy(GlobalLock(block), many.c_str(), (many.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(block);
  if (SetClipboardData(CF_UNICODETEXT, block) == nullptr) GlobalFree(block);
  CloseClipboard();
  typeBytes("x");
  control(0x16);
  const std::string pasted = text();
  EXPECT_EQ(pasted.size(), static_cast<std::size_t>(kEditboxMaxBytes) - 1) << "1 + 2 x 511 bytes: no half character";
  EXPECT_EQ(pasted.find('\n'), std::string::npos);
  EXPECT_EQ(pasted.substr(pasted.size() - 2), "\xD6\xD0");
}

TEST_F(EditboxTest, EnterEscapeAndChangeEvents) {
  typeBytes("a");
  SendMessageA(edit_.window, WM_CHAR, '\r', 1);
  SendMessageA(edit_.window, WM_CHAR, 0x1B, 1);
  control(0x08);
  control(0x08);  // nothing left to remove: no change
  std::vector<int> expected = {kEventEditChanged, kEventEditEnter, kEventEditEscape, kEventEditChanged};
  EXPECT_EQ(numbers(), expected);
  ASSERT_EQ(recorder_.events.size(), expected.size());
  EXPECT_EQ(recorder_.events[0].a1, 1) << "the new length";
  EXPECT_EQ(recorder_.events[0].firstId, 0xE1u);
  recorder_.clear();
  setText("quiet");
  EXPECT_TRUE(recorder_.events.empty()) << "text set by the program raises nothing";
  // Enter belongs to the edit box, Esc to the window.
  MSG enter{edit_.window, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_TRUE(SendMessageW(edit_.window, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE);
  MSG escape{edit_.window, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  EXPECT_FALSE(SendMessageW(edit_.window, WM_GETDLGCODE, VK_ESCAPE, reinterpret_cast<LPARAM>(&escape)) & DLGC_WANTMESSAGE);
}

TEST_F(EditboxTest, TheSelectionIsDrawn) {
  setText("selection");
  library().GuaranteeVisibleText_EditboxEx(edit_.control, 0, 0);
  auto plain = render(edit_.window);
  library().GuaranteeVisibleText_EditboxEx(edit_.control, -1, 9);
  auto marked = render(edit_.window);
  int changed = 0;
  for (int y = 0; y < plain->height(); ++y) {
    for (int x = 0; x < plain->width(); ++x) changed += plain->pixel(x, y) != marked->pixel(x, y);
  }
  EXPECT_GT(changed, 200);
  EXPECT_EQ(plain->pixel(1, plain->height() / 2) != kUnpainted, true);
}

TEST_F(EditboxTest, MouseSetsTheCaret) {
  setText("abcdef");
  mouse(edit_.window, WM_LBUTTONDOWN, 2, 14, MK_LBUTTON);
  mouse(edit_.window, WM_LBUTTONUP, 2, 14);
  EXPECT_EQ(caret(), 0);
  mouse(edit_.window, WM_LBUTTONDOWN, 120, 14, MK_LBUTTON);
  mouse(edit_.window, WM_LBUTTONUP, 120, 14);
  EXPECT_EQ(caret(), 6);
  mouse(edit_.window, WM_LBUTTONDBLCLK, 20, 14, MK_LBUTTON);
  EXPECT_EQ(library().GetSelectLeng_EditboxEx(edit_.control), 6);
}

}  // namespace
}  // namespace corvalis::exui::test
