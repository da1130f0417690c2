// The program's two windows: the launcher window (the bar) and the edit window, each
// with its controls, menu and event bindings. The data is fixed; start-up binds the
// handlers once (bindWindowTemplates), and the loads take the bound templates.
#pragma once

#include <cstdint>

#include "app/window_template.h"

namespace corvalis {

// ----- Identities ----------------------------------------------------------------------

// The launcher window and its controls.
inline constexpr std::int32_t kLauncherWindowIdentity = 1;
inline constexpr std::int32_t kLauncherRetiredToolbarIdentity = 101;  // 工具条_弃用 (ToolbarEx), never used
inline constexpr std::int32_t kLauncherListIdentity = 102;            // 工具条 (ListboxEx), the shortcut list
inline constexpr std::int32_t kLauncherWindowExIdentity = 103;        // 窗口EX (WindowEx)
inline constexpr std::int32_t kLauncherMenuIdentity = 111;            // 菜单
inline constexpr std::int32_t kLauncherMenuEditIdentity = 112;        // 编辑
inline constexpr std::int32_t kLauncherMenuExitIdentity = 113;        // 退出

// The edit window and its controls.
inline constexpr std::int32_t kEditWindowIdentity = 2;
inline constexpr std::int32_t kEditRenamePanelIdentity = 201;  // 编辑文件名 (WindowEx panel)
inline constexpr std::int32_t kEditNameBoxIdentity = 202;      // 文件名编辑框 (EditboxEx)
inline constexpr std::int32_t kEditSaveButtonIdentity = 203;   // 文件名保存按钮 (ButtonEx)
inline constexpr std::int32_t kEditFilterIdentity = 204;       // 滤镜EX (FilterEx)
inline constexpr std::int32_t kEditTipPanelIdentity = 205;     // 窗口EX2 (WindowEx panel)
inline constexpr std::int32_t kEditTipLabelIdentity = 206;     // 使用提示标签 (LabelEx)
inline constexpr std::int32_t kEditListIdentity = 207;         // 工具条 (ListboxEx), the shortcuts being edited
inline constexpr std::int32_t kEditWindowEx1Identity = 208;    // 窗口EX1 (WindowEx)
inline constexpr std::int32_t kEditMenuIdentity = 211;         // 菜单
inline constexpr std::int32_t kEditMenuExitIdentity = 212;     // 退出

// ----- Event codes the templates bind ---------------------------------------------------------

// Launcher 工具条.
inline constexpr std::int32_t kLauncherListItemEvent = 0;        // a row was clicked; argument 0: the row
inline constexpr std::int32_t kLauncherListSecondItemEvent = 1;  // a row was right-clicked; argument 0: the row
inline constexpr std::int32_t kListCharacterEvent = 18;  // a character typed on a list; argument 0: UTF-16 unit
inline constexpr std::int32_t kListKeyEvent = 17;        // a key a list leaves to the window; arguments: key, modifiers
// Edit window.
inline constexpr std::int32_t kSaveButtonClickEvent = 0;  // 文件名保存按钮 clicked
inline constexpr std::int32_t kNameBoxEnterEvent = 11;    // Enter in 文件名编辑框: confirms as 保存 does
inline constexpr std::int32_t kTipPanelClickEvent = 20;   // 窗口EX2 clicked
inline constexpr std::int32_t kEditRowEnterEvent = 8;     // the pointer entered a row; argument 0: the row
inline constexpr std::int32_t kEditRowLeaveEvent = 9;     // the pointer left a row; argument 0: the row
inline constexpr std::int32_t kEditRowDoubleClickEvent = 6;  // a row was double-clicked; argument 0: the row
inline constexpr std::int32_t kEditListRightClickEvent = 15; // right click on the list

// The height of the launcher list's two fixed rows; shortcut rows are 30.
inline constexpr std::int32_t kFixedRowHeight = 24;

// ----- Texts (GBK) -----------------------------------------------------------------------------

inline constexpr std::string_view kAddFileCaption = "\xCC\xED\xBC\xD3\xCE\xC4\xBC\xFE";     // 添加文件
inline constexpr std::string_view kEditListCaption = "\xB1\xE0\xBC\xAD\xC1\xD0\xB1\xED";    // 编辑列表
inline constexpr std::string_view kEditWindowTitle = "\xB1\xE0\xBC\xAD\xB4\xB0\xBF\xDA";    // 编辑窗口
inline constexpr std::string_view kSaveCaption = "\xB1\xA3\xB4\xE6";                          // 保存
// The keys of the edit window: " F2 改名  Del 删除  Ctrl+↑↓ 排序  Ctrl+Z 撤销  Esc 关闭"
// (double-click and the row buttons are what the pointer sees).
inline constexpr std::string_view kUsageTip =
    " F2 \xB8\xC4\xC3\xFB  Del \xC9\xBE\xB3\xFD  Ctrl+\xA1\xFC\xA1\xFD \xC5\xC5\xD0\xF2  Ctrl+Z \xB3\xB7\xCF\xFA  Esc \xB9\xD8\xB1\xD5";
inline constexpr std::string_view kListFontFace = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA";  // 微软雅黑
inline constexpr std::string_view kMenuCaption = "\xB2\xCB\xB5\xA5";                    // 菜单
inline constexpr std::string_view kMenuEditCaption = "\xB1\xE0\xBC\xAD";                // 编辑
inline constexpr std::string_view kMenuExitCaption = "\xCD\xCB\xB3\xF6";                // 退出

// ----- Binding ---------------------------------------------------------------------------------

struct LauncherWindowHandlers {
  WindowEventHandler created = nullptr;
  WindowEventHandler destroying = nullptr;
  ControlEventHandler listItem = nullptr;        // 工具条, code 0
  ControlEventHandler listSecondItem = nullptr;  // 工具条, code 1
  WindowEventHandler menuEdit = nullptr;         // 菜单 > 编辑
  WindowEventHandler menuExit = nullptr;         // 菜单 > 退出
  ControlEventHandler listCharacter = nullptr;   // 工具条, code 18: typed to find a row
  bool (*escape)() = nullptr;                    // Esc on the bar: true when taken
};

struct EditWindowHandlers {
  WindowEventHandler created = nullptr;
  WindowEventHandler destroying = nullptr;
  ControlEventHandler saveButton = nullptr;      // 文件名保存按钮, code 0; also Enter in 文件名编辑框
  ControlEventHandler tipPanel = nullptr;        // 窗口EX2, code 20
  ControlEventHandler rowEnter = nullptr;        // 工具条, code 8
  ControlEventHandler rowLeave = nullptr;        // 工具条, code 9
  ControlEventHandler rowDoubleClick = nullptr;  // 工具条, code 6
  ControlEventHandler listRightClick = nullptr;  // 工具条, code 15
  WindowEventHandler menuExit = nullptr;         // 菜单 > 退出
  WindowEventHandler dpiChanged = nullptr;       // moved to a monitor of another DPI
  ControlEventHandler listKey = nullptr;         // 工具条, code 17: Del, F2, Ctrl+arrows, undo and redo
};

// Start-up step 3: attaches the handlers to both templates. Called once, before either
// window is loaded; a later call replaces the handlers.
void bindWindowTemplates(const LauncherWindowHandlers& launcher, const EditWindowHandlers& edit);

const WindowTemplate& launcherWindowTemplate();
const WindowTemplate& editWindowTemplate();

}  // namespace corvalis
