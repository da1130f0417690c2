// The two window templates as data: every control with its kind, name, geometry,
// nesting, flags, property block and bindings, the menus, and the window settings.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/window_templates.h"

namespace corvalis {
namespace {

std::wstring wide(std::string_view gbk) {
  if (gbk.empty()) return {};
  const int size = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), text.data(), size);
  return text;
}

std::wstring field(const char* text) { return wide(std::string_view(text)); }

// Handlers that say who they are through their results.
std::int32_t handlerA(const ControlEvent&) { return 1; }
std::int32_t handlerB(const ControlEvent&) { return 2; }
std::int32_t handlerC(const ControlEvent&) { return 3; }
std::int32_t handlerD(const ControlEvent&) { return 4; }
std::int32_t handlerE(const ControlEvent&) { return 5; }
std::int32_t handlerF(const ControlEvent&) { return 6; }
std::int32_t handlerG(const ControlEvent&) { return 7; }
bool escapeA() { return true; }
void windowA() {}
void windowB() {}
void windowC() {}
void windowD() {}
void windowE() {}
void windowF() {}
void windowG() {}

void bindAll() {
  bindWindowTemplates({windowA, windowB, handlerA, handlerB, windowC, windowD, handlerG, escapeA},
                      {windowE, windowF, handlerA, handlerB, handlerC, handlerD, handlerE, handlerF, windowG, nullptr,
                       handlerG});
}

struct Expected {
  std::int32_t identity;
  ControlKind kind;
  const wchar_t* name;
  RECT geometry;  // left, top, width, height
  std::int32_t parent;
  exui::Kind blockKind;
};

void expectControls(const WindowTemplate& window, const std::vector<Expected>& expected) {
  ASSERT_EQ(window.controls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const ControlTemplate& control = window.controls[i];
    const Expected& want = expected[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(control.identity, want.identity);
    EXPECT_EQ(control.kind, want.kind);
    EXPECT_EQ(wide(control.name), want.name);
    EXPECT_TRUE(control.comment.empty());
    EXPECT_EQ(control.left, want.geometry.left);
    EXPECT_EQ(control.top, want.geometry.top);
    EXPECT_EQ(control.width, want.geometry.right);
    EXPECT_EQ(control.height, want.geometry.bottom);
    EXPECT_EQ(control.parent, want.parent);
    EXPECT_EQ(control.flags, 0u) << "visible, disabled and tab stop are all clear for library controls";
    ASSERT_NE(control.properties, nullptr);
    EXPECT_EQ(control.properties->magic, exui::kBlockMagic);
    EXPECT_EQ(control.properties->version, exui::kBlockVersion);
    EXPECT_EQ(control.properties->size, sizeof(exui::PropertyBlock));
    EXPECT_EQ(control.properties->kind, static_cast<std::uint32_t>(want.blockKind));
    EXPECT_EQ(control.properties->pageId, 0);
  }
  // Containers come before what they contain, and children agree with parents.
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    const ControlTemplate& control = window.controls[i];
    if (control.parent != 0) {
      bool parentBefore = false;
      for (std::size_t j = 0; j < i; ++j) {
        if (window.controls[j].identity != control.parent) continue;
        parentBefore = true;
        const auto& children = window.controls[j].children;
        EXPECT_NE(std::find(children.begin(), children.end(), control.identity), children.end());
      }
      EXPECT_TRUE(parentBefore) << control.identity;
    }
    for (std::int32_t child : control.children) {
      bool found = false;
      for (const ControlTemplate& other : window.controls) found = found || (other.identity == child && other.parent == control.identity);
      EXPECT_TRUE(found) << child;
    }
  }
}

const ControlTemplate& controlOf(const WindowTemplate& window, std::int32_t identity) {
  for (const ControlTemplate& control : window.controls)
    if (control.identity == identity) return control;
  static const ControlTemplate none;
  ADD_FAILURE() << "no control " << identity;
  return none;
}

std::vector<std::pair<std::int32_t, std::int32_t>> results(const ControlTemplate& control) {
  std::vector<std::pair<std::int32_t, std::int32_t>> bound;
  for (const EventBinding& binding : control.events)
    bound.emplace_back(binding.code, binding.handler != nullptr ? binding.handler(ControlEvent{}) : 0);
  return bound;
}

TEST(LauncherTemplate, IsABorderlessTopmostBar) {
  bindAll();
  const WindowTemplate& launcher = launcherWindowTemplate();
  EXPECT_EQ(launcher.identity, kLauncherWindowIdentity);
  EXPECT_TRUE(launcher.title.empty());
  EXPECT_EQ(launcher.width, 104);
  EXPECT_EQ(launcher.height, 195);
  EXPECT_EQ(launcher.style, static_cast<DWORD>(WS_POPUP)) << "no caption, no frame, no system menu";
  EXPECT_TRUE(launcher.alwaysOnTop);
  EXPECT_TRUE(launcher.escapeCloses);
  EXPECT_TRUE(launcher.visible);
  EXPECT_EQ(launcher.events.created, windowA);
  EXPECT_EQ(launcher.events.destroying, windowB);
  EXPECT_EQ(launcher.events.escape, escapeA);
}

TEST(LauncherTemplate, HoldsItsThreeControls) {
  bindAll();
  const WindowTemplate& launcher = launcherWindowTemplate();
  expectControls(launcher, {
      {kLauncherRetiredToolbarIdentity, ControlKind::ToolbarEx, L"工具条_弃用", {0, 160, 104, 192}, 0, exui::Kind::kToolbar},
      {kLauncherListIdentity, ControlKind::ListboxEx, L"工具条", {0, 0, 104, 232}, 0, exui::Kind::kListbox},
      {kLauncherWindowExIdentity, ControlKind::WindowEx, L"窗口EX", {4, 4, 24, 24}, 0, exui::Kind::kWindow},
  });
  EXPECT_EQ(results(controlOf(launcher, kLauncherListIdentity)),
            (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 1}, {1, 2}, {18, 7}}));
  EXPECT_TRUE(controlOf(launcher, kLauncherRetiredToolbarIdentity).events.empty());
  EXPECT_TRUE(controlOf(launcher, kLauncherWindowExIdentity).events.empty());
}

TEST(LauncherTemplate, TheListCarriesItsTwoFixedRowsAndFont) {
  const exui::PropertyBlock& list = *controlOf(launcherWindowTemplate(), kLauncherListIdentity).properties;
  EXPECT_EQ(list.rowPitch, 30) << "the bar's layout counts 30 pixels a row";
  EXPECT_EQ(field(list.fontFace), L"微软雅黑");
  ASSERT_EQ(list.fixedRowCount, 2);
  EXPECT_EQ(list.fixedRows[0].glyph, exui::kGlyphAdd);
  EXPECT_EQ(field(list.fixedRows[0].caption), L"添加文件");
  EXPECT_EQ(list.fixedRows[1].glyph, exui::kGlyphEdit);
  EXPECT_EQ(field(list.fixedRows[1].caption), L"编辑列表");
  // Two rows of 24 and the shortcuts' rows of 30 fill rows x 30 - 12 exactly.
  EXPECT_EQ(list.fixedRows[0].height, 24);
  EXPECT_EQ(list.fixedRows[1].height, 24);
  EXPECT_EQ(list.flags & exui::kBlockHidden, 0u);
  // Neither the retired toolbar nor the WindowEx control shows over the list's rows.
  EXPECT_NE(controlOf(launcherWindowTemplate(), kLauncherRetiredToolbarIdentity).properties->flags & exui::kBlockHidden, 0u);
  EXPECT_NE(controlOf(launcherWindowTemplate(), kLauncherWindowExIdentity).properties->flags & exui::kBlockHidden, 0u);
}

TEST(LauncherTemplate, ItsMenuHasEditAndExitUnderOneTopItem) {
  bindAll();
  const auto& menu = launcherWindowTemplate().menu;
  ASSERT_EQ(menu.size(), 3u);
  EXPECT_EQ(wide(menu[0].caption), L"菜单");
  EXPECT_EQ(menu[0].parent, 0);
  EXPECT_EQ(menu[0].click, nullptr);
  EXPECT_EQ(menu[1].identity, kLauncherMenuEditIdentity);
  EXPECT_EQ(wide(menu[1].caption), L"编辑");
  EXPECT_EQ(menu[1].parent, kLauncherMenuIdentity);
  EXPECT_EQ(menu[1].click, windowC);
  EXPECT_EQ(menu[2].identity, kLauncherMenuExitIdentity);
  EXPECT_EQ(wide(menu[2].caption), L"退出");
  EXPECT_EQ(menu[2].parent, kLauncherMenuIdentity);
  EXPECT_EQ(menu[2].click, windowD);
}

TEST(EditTemplate, IsACaptionedFixedTopmostWindow) {
  bindAll();
  const WindowTemplate& edit = editWindowTemplate();
  EXPECT_EQ(edit.identity, kEditWindowIdentity);
  EXPECT_EQ(wide(edit.title), L"编辑窗口");
  EXPECT_EQ(edit.width, 380);
  EXPECT_EQ(edit.height, 250);
  EXPECT_EQ(edit.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION)) << "fixed single border, no system menu";
  EXPECT_TRUE(edit.alwaysOnTop);
  EXPECT_TRUE(edit.escapeCloses);
  EXPECT_TRUE(edit.visible);
  EXPECT_EQ(edit.events.created, windowE);
  EXPECT_EQ(edit.events.destroying, windowF);
  ASSERT_EQ(edit.menu.size(), 2u);
  EXPECT_EQ(wide(edit.menu[0].caption), L"菜单");
  EXPECT_EQ(edit.menu[0].click, nullptr);
  EXPECT_EQ(wide(edit.menu[1].caption), L"退出");
  EXPECT_EQ(edit.menu[1].parent, kEditMenuIdentity);
  EXPECT_EQ(edit.menu[1].click, windowG);
}

TEST(EditTemplate, HoldsItsControlsInTheirPanels) {
  bindAll();
  const WindowTemplate& edit = editWindowTemplate();
  expectControls(edit, {
      {kEditRenamePanelIdentity, ControlKind::WindowEx, L"编辑文件名", {16, 152, 192, 44}, 0, exui::Kind::kWindow},
      {kEditNameBoxIdentity, ControlKind::EditboxEx, L"文件名编辑框", {8, 8, 128, 28}, kEditRenamePanelIdentity, exui::Kind::kEditbox},
      {kEditSaveButtonIdentity, ControlKind::ButtonEx, L"文件名保存按钮", {144, 8, 40, 28}, kEditRenamePanelIdentity, exui::Kind::kButton},
      {kEditFilterIdentity, ControlKind::FilterEx, L"滤镜EX", {16, 112, 168, 32}, 0, exui::Kind::kFilter},
      {kEditTipPanelIdentity, ControlKind::WindowEx, L"窗口EX2", {8, 200, 363, 32}, 0, exui::Kind::kWindow},
      {kEditTipLabelIdentity, ControlKind::LabelEx, L"使用提示标签", {2, 2, 359, 28}, kEditTipPanelIdentity, exui::Kind::kLabel},
      {kEditListIdentity, ControlKind::ListboxEx, L"工具条", {8, 8, 363, 233}, 0, exui::Kind::kListbox},
      {kEditWindowEx1Identity, ControlKind::WindowEx, L"窗口EX1", {8, 8, 24, 24}, 0, exui::Kind::kWindow},
  });
  using Bound = std::vector<std::pair<std::int32_t, std::int32_t>>;
  EXPECT_EQ(results(controlOf(edit, kEditSaveButtonIdentity)), (Bound{{0, 1}}));
  EXPECT_EQ(results(controlOf(edit, kEditNameBoxIdentity)), (Bound{{11, 1}})) << "Enter confirms as 保存 does";
  EXPECT_EQ(results(controlOf(edit, kEditTipPanelIdentity)), (Bound{{20, 2}}));
  EXPECT_EQ(results(controlOf(edit, kEditListIdentity)), (Bound{{8, 3}, {9, 4}, {6, 5}, {15, 6}, {17, 7}}));
  for (std::int32_t unbound : {kEditRenamePanelIdentity, kEditFilterIdentity,
                               kEditTipLabelIdentity, kEditWindowEx1Identity})
    EXPECT_TRUE(controlOf(edit, unbound).events.empty()) << unbound;
}

TEST(EditTemplate, TextsFontsAndWhatWaitsHidden) {
  const WindowTemplate& edit = editWindowTemplate();
  const auto block = [&](std::int32_t identity) -> const exui::PropertyBlock& { return *controlOf(edit, identity).properties; };
  EXPECT_EQ(field(block(kEditSaveButtonIdentity).text), L"保存");
  EXPECT_EQ(field(block(kEditTipLabelIdentity).text), L" F2 改名  Del 删除  Ctrl+↑↓ 排序  Ctrl+Z 撤销  Esc 关闭");
  EXPECT_EQ(field(block(kEditTipLabelIdentity).fontFace), L"微软雅黑");
  EXPECT_EQ(field(block(kEditListIdentity).fontFace), L"微软雅黑");
  EXPECT_EQ(block(kEditListIdentity).fixedRowCount, 0);
  // The rename panel and the veil exist from the start and wait hidden.
  EXPECT_NE(block(kEditRenamePanelIdentity).flags & exui::kBlockHidden, 0u);
  EXPECT_NE(block(kEditFilterIdentity).flags & exui::kBlockHidden, 0u);
  EXPECT_EQ(block(kEditTipPanelIdentity).flags & exui::kBlockHidden, 0u);
  EXPECT_EQ(block(kEditListIdentity).flags & exui::kBlockHidden, 0u);
}

TEST(Templates, IdentitiesAreUniqueInTheProgram) {
  std::set<std::int32_t> seen;
  std::size_t count = 0;
  for (const WindowTemplate* window : {&launcherWindowTemplate(), &editWindowTemplate()}) {
    seen.insert(window->identity);
    ++count;
    for (const ControlTemplate& control : window->controls) {
      seen.insert(control.identity);
      ++count;
    }
    for (const MenuItemTemplate& item : window->menu) {
      seen.insert(item.identity);
      EXPECT_LT(item.identity, 0x10000) << "a menu item's identity is its command identifier";
      ++count;
    }
  }
  EXPECT_EQ(seen.size(), count);
}

TEST(Templates, ControlStylesFollowTheFlags) {
  EXPECT_EQ(controlStyle(0), 0u);
  EXPECT_EQ(controlStyle(kControlVisible), static_cast<DWORD>(WS_VISIBLE));
  EXPECT_EQ(controlStyle(kControlDisabled), static_cast<DWORD>(WS_DISABLED));
  EXPECT_EQ(controlStyle(kControlTabStop), static_cast<DWORD>(WS_TABSTOP));
  EXPECT_EQ(controlStyle(7), static_cast<DWORD>(WS_VISIBLE | WS_DISABLED | WS_TABSTOP));
}

}  // namespace
}  // namespace corvalis
