// The two windows as the program builds them, drawn into bitmaps under build/<dir>/screenshots
// for a person to look at; the checks make sure what is shown is what was asked for.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/controls/harness.h"

namespace corvalis::exui::test {
namespace {

struct Shortcut {
  const char* name;  // GBK
  const char* path;
};
constexpr Shortcut kShortcuts[] = {
    {"\xBC\xC7\xCA\xC2\xB1\xBE", "C:\\windows\\notepad.exe"},        // 记事本
    {"\xD7\xA2\xB2\xE1\xB1\xED", "C:\\windows\\regedit.exe"},        // 注册表
    {"\xC3\xFC\xC1\xEE\xD0\xD0", "C:\\windows\\system32\\cmd.exe"},  // 命令行
    {"Wine \xC9\xE8\xD6\xC3", "C:\\windows\\system32\\winecfg.exe"},  // Wine 设置
    {"\xD2\xD1\xC9\xBE\xB3\xFD.txt", "C:\\no\\such\\file.txt"},      // 已删除.txt
};

PropertyBlock listBlock(int pitch, bool fixedRows) {
  PropertyBlock block = defaultPropertyBlock(Kind::kListbox);
  block.rowPitch = pitch;
  std::strcpy(block.fontFace, "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA");  // 微软雅黑
  if (fixedRows) {
    block.fixedRowCount = 2;
    block.fixedRows[0].glyph = kGlyphAdd;
    std::strcpy(block.fixedRows[0].caption, "\xCC\xED\xBC\xD3\xCE\xC4\xBC\xFE");  // 添加文件
    block.fixedRows[1].glyph = kGlyphEdit;
    std::strcpy(block.fixedRows[1].caption, "\xB1\xE0\xBC\xAD\xA1\xAD");  // 编辑…
  }
  return block;
}

TEST(Screenshot, LauncherBar) {
  ASSERT_NE(library().module, nullptr);
  Recorder recorder;
  const int rows = 2 + static_cast<int>(std::size(kShortcuts));
  const int height = rows * 30 - 12;
  Window parent = makeParent(104, height);
  const PropertyBlock block = listBlock(30, true);
  const Created list = createControl(Kind::kListbox, parent.get(), RECT{0, 0, 104, height}, &block);
  ASSERT_NE(list.control, nullptr);
  for (const Shortcut& shortcut : kShortcuts) {
    const std::vector<char> image = byteString(shellIconImage(shortcut.path));
    library().InsertItem_ListboxEx(list.control, -1, 1, 0, image.data(), captionBin(shortcut.name, 0, 30));
  }
  mouse(list.window, WM_MOUSEMOVE, 50, 3 * 30 + 10);
  auto canvas = renderTree(parent.get());
  EXPECT_TRUE(saveBitmap(*canvas, screenshotPath(L"launcher.bmp")));
  // Something was drawn on every shortcut row's icon place but the last (its file is gone).
  for (int row = 2; row < rows - 1; ++row) {
    int coloured = 0;
    for (int y = row * 30 + 3; y < row * 30 + 27; ++y) {
      for (int x = 6; x < 30; ++x) coloured += canvas->pixel(x, y) != canvas->pixel(100, row * 30 + 15);
    }
    EXPECT_GT(coloured, 40) << "row " << row << " shows no icon";
  }
}

TEST(Screenshot, EditWindowIdleAndRenaming) {
  ASSERT_NE(library().module, nullptr);
  Recorder recorder;
  Window parent = makeParent(380, 250);
  HWND window = parent.get();
  // In the template's order: the first control created lies on top.
  PropertyBlock renameBlock = defaultPropertyBlock(Kind::kWindow);
  renameBlock.flags = kBlockHidden | kBlockBorder;
  const Created rename = createControl(Kind::kWindow, window, RECT{16, 152, 208, 196}, &renameBlock, 1);
  PropertyBlock editBlock = defaultPropertyBlock(Kind::kEditbox);
  const Created edit = createControl(Kind::kEditbox, rename.window, RECT{8, 8, 136, 36}, &editBlock, 2);
  PropertyBlock saveBlock = defaultPropertyBlock(Kind::kButton);
  std::strcpy(saveBlock.text, "\xB1\xA3\xB4\xE6");  // 保存
  const Created save = createControl(Kind::kButton, rename.window, RECT{144, 8, 184, 36}, &saveBlock, 3);
  PropertyBlock veilBlock = defaultPropertyBlock(Kind::kFilter);
  veilBlock.flags = kBlockHidden;
  const Created veil = createControl(Kind::kFilter, window, RECT{16, 112, 184, 144}, &veilBlock, 4);
  PropertyBlock tipBlock = defaultPropertyBlock(Kind::kWindow);
  tipBlock.backColour = RGB(0xEE, 0xF4, 0xFB);
  tipBlock.borderColour = RGB(0xC9, 0xDB, 0xF0);
  tipBlock.flags = kBlockBorder;
  const Created tip = createControl(Kind::kWindow, window, RECT{153, 200, 362, 232}, &tipBlock, 5);
  PropertyBlock labelBlock = defaultPropertyBlock(Kind::kLabel);
  labelBlock.fontSize = 12;
  labelBlock.textColour = RGB(0x3A, 0x4A, 0x5C);
  // " 双击编辑，X 删除，↑↓ 排序 - ESC关闭"
  std::strcpy(labelBlock.text,
              " \xCB\xAB\xBB\xF7\xB1\xE0\xBC\xAD\xA3\xACX \xC9\xBE\xB3\xFD\xA3\xAC\xA1\xFC\xA1\xFD \xC5\xC5\xD0\xF2 - ESC\xB9\xD8\xB1\xD5");
  const Created label = createControl(Kind::kLabel, tip.window, RECT{2, 2, 207, 30}, &labelBlock, 6);
  const PropertyBlock block = listBlock(32, false);
  const Created list = createControl(Kind::kListbox, window, RECT{8, 8, 371, 241}, &block, 7);
  ASSERT_NE(list.control, nullptr);
  ASSERT_NE(label.control, nullptr);
  ASSERT_NE(save.control, nullptr);

  const Library& lib = library();
  RECT client{};
  GetClientRect(list.window, &client);
  const int width = client.right;
  void* font = lib.Create_StructEx();
  lib.InsertMember_StructEx(font, -1, 6);
  lib.SetMemberText_StructEx(font, 0, lib.CreateBinEx("\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA", kBinText, 0, 0));
  lib.SetMemberInt_StructEx(font, 1, 12);
  for (int i = 2; i < 6; ++i) lib.SetMemberInt_StructEx(font, i, 0);
  const auto* packed = static_cast<const std::int32_t*>(lib.Pack_StructEx(font));
  const std::vector<char> fontBytes =
      byteString(std::string_view(reinterpret_cast<const char*>(packed + 2), static_cast<std::size_t>(packed[1])));
  lib.Destroy_StructEx(font);
  const std::vector<char> empty = byteString("");
  lib.ControlInsertElem(list.control, kElementButton, -1, 0, 3);
  for (int j = 0; j < 3; ++j) {
    lib.ControlSetElemAttribute_Button(list.control, kElementButton, -1, j, 0, elementRoutine, 0, width - 36 - 32 * j,
                                       4, 24, 24, 0, empty.data(), fontBytes.data());
  }
  for (const Shortcut& shortcut : kShortcuts) {
    const std::vector<char> image = byteString(shellIconImage(shortcut.path));
    lib.InsertItem_ListboxEx(list.control, -1, 1, 0, image.data(), captionBin(shortcut.name, 0, 32));
  }
  const int hovered = 1;
  const char* captions[] = {"X", "\xA1\xFD", "\xA1\xFC"};
  recorder.onEvent = [&](const Event& event) {
    if (event.number != kEventItemEnter) return;
    const int count = lib.GetItemCount_ListboxEx(list.control);
    const int disabled[] = {0, event.a1 + 1 == count, event.a1 == 0};
    for (int j = 0; j < 3; ++j) {
      lib.ControlSetElemData_Button(list.control, kElementButton, event.a1, -1, j, 0, 1, disabled[j],
                                    lib.CreateBinEx(captions[j], kBinText, 0, 0));
    }
  };
  mouse(list.window, WM_MOUSEMOVE, width - 68 + 12, hovered * 32 + 16);  // over "down"
  auto idle = renderTree(window);
  EXPECT_TRUE(saveBitmap(*idle, screenshotPath(L"edit-window.bmp")));

  // Renaming: the veil over the list, the panel centred, the name in the edit box.
  EnableWindow(list.window, FALSE);
  SendMessageA(edit.window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kShortcuts[hovered].name));
  lib.ControlSetVisual(veil.control, 1);
  lib.ControlSetRect(veil.control, 8, 8, 363, 233);
  lib.ControlSetVisual(rename.control, 1);
  lib.ControlSetRect(rename.control, 380 / 2 - 96, 250 / 2 - 22, 192, 44);
  lib.ControlSetFocusControl(edit.control);
  lib.GuaranteeVisibleText_EditboxEx(edit.control, -1, 0);
  auto renaming = renderTree(window);
  EXPECT_TRUE(saveBitmap(*renaming, screenshotPath(L"edit-window-rename.bmp")));

  // The veil darkens the list where the panel is not; the panel lies on top of it.
  const COLORREF before = idle->pixel(300, 180), after = renaming->pixel(300, 180);
  EXPECT_LT(GetRValue(after) + GetGValue(after) + GetBValue(after),
            GetRValue(before) + GetGValue(before) + GetBValue(before) - 60);
  EXPECT_EQ(renaming->pixel(190, 110), RGB(0xFF, 0xFF, 0xFF)) << "the rename panel's face, unveiled";
}

}  // namespace
}  // namespace corvalis::exui::test
