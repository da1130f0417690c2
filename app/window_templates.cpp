#include "app/window_templates.h"

#include <cstddef>

namespace corvalis {

namespace {

using exui::PropertyBlock;

// ----- Property blocks ------------------------------------------------------------------

template <std::size_t N>
constexpr void putText(char (&field)[N], std::string_view text) {
  // The reader cuts a text that fills its field; keep the terminator in anyway.
  for (std::size_t i = 0; i < N; ++i) field[i] = i < text.size() && i + 1 < N ? text[i] : '\0';
}

constexpr PropertyBlock block(exui::Kind kind, std::uint32_t flags = 0) {
  PropertyBlock properties = exui::defaultPropertyBlock(kind);
  properties.flags = flags;
  return properties;
}

constexpr PropertyBlock listBlock(std::int32_t rowPitch) {
  PropertyBlock properties = block(exui::Kind::kListbox);
  properties.rowPitch = rowPitch;
  putText(properties.fontFace, kListFontFace);
  return properties;
}

constexpr PropertyBlock launcherListBlock() {
  // The bar's two fixed rows (add a file, open the edit window) are 24 pixels high and
  // every shortcut row 30: so the bar's height, rows x 30 - 12, holds all of them
  // exactly, and no row is cut off at the bottom.
  PropertyBlock properties = listBlock(30);
  properties.fixedRowCount = 2;
  properties.fixedRows[0].glyph = exui::kGlyphAdd;
  putText(properties.fixedRows[0].caption, kAddFileCaption);
  properties.fixedRows[0].height = kFixedRowHeight;
  properties.fixedRows[1].glyph = exui::kGlyphEdit;
  putText(properties.fixedRows[1].caption, kEditListCaption);
  properties.fixedRows[1].height = kFixedRowHeight;
  return properties;
}

constexpr PropertyBlock textBlock(exui::Kind kind, std::string_view text, std::uint32_t flags = 0) {
  PropertyBlock properties = block(kind, flags);
  putText(properties.text, text);
  return properties;
}

constexpr PropertyBlock tipLabelBlock() {
  PropertyBlock properties = textBlock(exui::Kind::kLabel, kUsageTip);
  putText(properties.fontFace, kListFontFace);
  // The tip names the keys on one line across the list's width.
  properties.fontSize = 12;
  return properties;
}

// Launcher window. 工具条_弃用 is kept only because the window has always had it; the
// two WindowEx controls carry nothing our windows need, and shown they would lie over
// the list's first row, so they are created hidden.
constexpr PropertyBlock kRetiredToolbarBlock = block(exui::Kind::kToolbar, exui::kBlockHidden);
constexpr PropertyBlock kLauncherListBlock = launcherListBlock();
constexpr PropertyBlock kLauncherWindowExBlock = block(exui::Kind::kWindow, exui::kBlockHidden);

// Edit window. The rename panel and the veil over the list wait hidden until a rename.
constexpr PropertyBlock kRenamePanelBlock = block(exui::Kind::kWindow, exui::kBlockHidden | exui::kBlockBorder);
constexpr PropertyBlock kNameBoxBlock = block(exui::Kind::kEditbox);
constexpr PropertyBlock kSaveButtonBlock = textBlock(exui::Kind::kButton, kSaveCaption);
constexpr PropertyBlock kFilterBlock = block(exui::Kind::kFilter, exui::kBlockHidden);
constexpr PropertyBlock kTipPanelBlock = block(exui::Kind::kWindow);
constexpr PropertyBlock kTipLabelBlock = tipLabelBlock();
constexpr PropertyBlock kEditListBlock = listBlock(32);
constexpr PropertyBlock kEditWindowEx1Block = block(exui::Kind::kWindow, exui::kBlockHidden);

// ----- Event bindings (handlers attached by bindWindowTemplates) -------------------------

EventBinding launcherListEvents[] = {
    {kLauncherListItemEvent, nullptr}, {kLauncherListSecondItemEvent, nullptr}, {kListCharacterEvent, nullptr}};
EventBinding saveButtonEvents[] = {{kSaveButtonClickEvent, nullptr}};
// Enter in the name box confirms the rename as the save button does.
EventBinding nameBoxEvents[] = {{kNameBoxEnterEvent, nullptr}};
EventBinding tipPanelEvents[] = {{kTipPanelClickEvent, nullptr}};
EventBinding editListEvents[] = {{kEditRowEnterEvent, nullptr},
                                 {kEditRowLeaveEvent, nullptr},
                                 {kEditRowDoubleClickEvent, nullptr},
                                 {kEditListRightClickEvent, nullptr},
                                 {kListKeyEvent, nullptr}};

constexpr std::int32_t kRenamePanelChildren[] = {kEditNameBoxIdentity, kEditSaveButtonIdentity};
constexpr std::int32_t kTipPanelChildren[] = {kEditTipLabelIdentity};

// ----- The launcher window ---------------------------------------------------------------

const ControlTemplate launcherControls[] = {
    {kLauncherRetiredToolbarIdentity, ControlKind::ToolbarEx, "\xB9\xA4\xBE\xDF\xCC\xF5_\xC6\xFA\xD3\xC3", "", 0, 160,
     104, 192, 0, {}, 0, {}, &kRetiredToolbarBlock},
    {kLauncherListIdentity, ControlKind::ListboxEx, "\xB9\xA4\xBE\xDF\xCC\xF5", "", 0, 0, 104, 232, 0, {}, 0,
     launcherListEvents, &kLauncherListBlock},
    {kLauncherWindowExIdentity, ControlKind::WindowEx, "\xB4\xB0\xBF\xDA" "EX", "", 4, 4, 24, 24, 0, {}, 0, {},
     &kLauncherWindowExBlock},
};

MenuItemTemplate launcherMenu[] = {
    {kLauncherMenuIdentity, kMenuCaption, kMenuCaption, 0, nullptr},
    {kLauncherMenuEditIdentity, kMenuEditCaption, kMenuEditCaption, kLauncherMenuIdentity, nullptr},
    {kLauncherMenuExitIdentity, kMenuExitCaption, kMenuExitCaption, kLauncherMenuIdentity, nullptr},
};

WindowTemplate makeLauncherTemplate() {
  WindowTemplate launcher;
  launcher.identity = kLauncherWindowIdentity;
  launcher.name = "";
  launcher.title = "";
  launcher.width = 104;
  launcher.height = 195;
  launcher.style = WS_POPUP;  // no caption, no frame
  launcher.alwaysOnTop = true;
  launcher.escapeCloses = true;
  launcher.visible = true;
  // The bar belongs to the primary monitor's right edge, and draws at its DPI wherever
  // it is parked: the program follows that DPI itself.
  launcher.followsMonitorDpi = false;
  launcher.controls = launcherControls;
  launcher.menu = launcherMenu;
  return launcher;
}

// ----- The edit window -------------------------------------------------------------------

const ControlTemplate editControls[] = {
    {kEditRenamePanelIdentity, ControlKind::WindowEx, "\xB1\xE0\xBC\xAD\xCE\xC4\xBC\xFE\xC3\xFB", "", 16, 152, 192,
     44, 0, kRenamePanelChildren, 0, {}, &kRenamePanelBlock},
    {kEditNameBoxIdentity, ControlKind::EditboxEx, "\xCE\xC4\xBC\xFE\xC3\xFB\xB1\xE0\xBC\xAD\xBF\xF2", "", 8, 8, 128,
     28, kEditRenamePanelIdentity, {}, 0, nameBoxEvents, &kNameBoxBlock},
    {kEditSaveButtonIdentity, ControlKind::ButtonEx, "\xCE\xC4\xBC\xFE\xC3\xFB\xB1\xA3\xB4\xE6\xB0\xB4\xC5\xA5", "",
     144, 8, 40, 28, kEditRenamePanelIdentity, {}, 0, saveButtonEvents, &kSaveButtonBlock},
    {kEditFilterIdentity, ControlKind::FilterEx, "\xC2\xCB\xBE\xB5" "EX", "", 16, 112, 168, 32, 0, {}, 0, {},
     &kFilterBlock},
    {kEditTipPanelIdentity, ControlKind::WindowEx, "\xB4\xB0\xBF\xDA" "EX2", "", 8, 200, 363, 32, 0,
     kTipPanelChildren, 0, tipPanelEvents, &kTipPanelBlock},
    {kEditTipLabelIdentity, ControlKind::LabelEx, "\xCA\xB9\xD3\xC3\xCC\xE1\xCA\xBE\xB1\xEA\xC7\xA9", "", 2, 2, 359,
     28, kEditTipPanelIdentity, {}, 0, {}, &kTipLabelBlock},
    {kEditListIdentity, ControlKind::ListboxEx, "\xB9\xA4\xBE\xDF\xCC\xF5", "", 8, 8, 363, 233, 0, {}, 0,
     editListEvents, &kEditListBlock},
    {kEditWindowEx1Identity, ControlKind::WindowEx, "\xB4\xB0\xBF\xDA" "EX1", "", 8, 8, 24, 24, 0, {}, 0, {},
     &kEditWindowEx1Block},
};

MenuItemTemplate editMenu[] = {
    {kEditMenuIdentity, kMenuCaption, kMenuCaption, 0, nullptr},
    {kEditMenuExitIdentity, kMenuExitCaption, kMenuExitCaption, kEditMenuIdentity, nullptr},
};

WindowTemplate makeEditTemplate() {
  WindowTemplate edit;
  edit.identity = kEditWindowIdentity;
  edit.name = "";
  edit.title = kEditWindowTitle;
  edit.width = 380;
  edit.height = 250;
  // A fixed single border with a caption bar: neither sizable nor with a system menu,
  // so no minimise, maximise or close box.
  edit.style = WS_POPUP | WS_CAPTION;
  edit.alwaysOnTop = true;
  edit.escapeCloses = true;
  edit.visible = true;
  edit.controls = editControls;
  edit.menu = editMenu;
  return edit;
}

WindowTemplate launcherTemplate = makeLauncherTemplate();
WindowTemplate editTemplate = makeEditTemplate();

template <std::size_t N>
void bind(EventBinding (&bindings)[N], ControlEventHandler first, ControlEventHandler second) {
  bindings[0].handler = first;
  bindings[1].handler = second;
}

}  // namespace

void bindWindowTemplates(const LauncherWindowHandlers& launcher, const EditWindowHandlers& edit) {
  launcherTemplate.events = {launcher.created, launcher.destroying, nullptr, launcher.escape};
  bind(launcherListEvents, launcher.listItem, launcher.listSecondItem);
  launcherListEvents[2].handler = launcher.listCharacter;
  launcherMenu[1].click = launcher.menuEdit;
  launcherMenu[2].click = launcher.menuExit;

  editTemplate.events = {edit.created, edit.destroying, edit.dpiChanged};
  saveButtonEvents[0].handler = edit.saveButton;
  nameBoxEvents[0].handler = edit.saveButton;
  tipPanelEvents[0].handler = edit.tipPanel;
  editListEvents[0].handler = edit.rowEnter;
  editListEvents[1].handler = edit.rowLeave;
  editListEvents[2].handler = edit.rowDoubleClick;
  editListEvents[3].handler = edit.listRightClick;
  editListEvents[4].handler = edit.listKey;
  editMenu[1].click = edit.menuExit;
}

const WindowTemplate& launcherWindowTemplate() { return launcherTemplate; }
const WindowTemplate& editWindowTemplate() { return editTemplate; }

}  // namespace corvalis
