// What the program knows about each of its windows before it exists: identity,
// size, title, frame and behaviour, the controls inside it with their geometry,
// nesting and property blocks, its menu, and the handlers bound to its events.
//
// Templates are plain data; app/window_templates.h holds the program's two.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/dpi.h"
#include "controls/exui_protocol.h"
#include "uilib/ui_bridge.h"

namespace corvalis {

using WindowEventHandler = void (*)();

struct WindowEvents {
  WindowEventHandler created = nullptr;     // after the window and its controls exist, before the load returns
  WindowEventHandler destroying = nullptr;  // while the window is being destroyed
  // After the window moved to a monitor of another DPI and its controls were made anew
  // at it: what the window's logic put into them is to be put in again.
  WindowEventHandler dpiChanged = nullptr;
  // Esc on the window: true when the handler took it; otherwise (or without a handler)
  // the window closes as its close box would, where the template says Esc closes it.
  bool (*escape)() = nullptr;
};

// A control's event as its handler gets it: the event number the binding matched, the
// event's four arguments (for a list, the first is the row index), and what the
// control's window was loaded with (loadWindow's context: what the handlers work on).
struct ControlEvent {
  std::int32_t number = 0;
  std::array<std::int32_t, 4> arguments{};
  void* context = nullptr;
};
// The handler's result goes back to the UI library.
using ControlEventHandler = std::int32_t (*)(const ControlEvent& event);

// One binding of a control: event code -> handler. A binding without a handler does
// nothing.
struct EventBinding {
  std::int32_t code = 0;
  ControlEventHandler handler = nullptr;
};

// Control flags of a template.
inline constexpr std::uint32_t kControlVisible = 1;   // created with WS_VISIBLE
inline constexpr std::uint32_t kControlDisabled = 2;  // created with WS_DISABLED
inline constexpr std::uint32_t kControlTabStop = 4;   // created with WS_TABSTOP

constexpr DWORD controlStyle(std::uint32_t flags) {
  return ((flags & kControlVisible) != 0 ? WS_VISIBLE : 0u) | ((flags & kControlDisabled) != 0 ? WS_DISABLED : 0u) |
         ((flags & kControlTabStop) != 0 ? WS_TABSTOP : 0u);
}

struct ControlTemplate {
  std::int32_t identity = 0;     // unique in the program
  ControlKind kind = ControlKind::WindowEx;
  std::string_view name;         // GBK, the template's name of the control
  std::string_view comment;      // GBK, empty throughout
  std::int32_t left = 0;         // relative to the parent: the window's client area or the containing panel
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t parent = 0;       // identity of the containing control, 0 for the window itself
  std::span<const std::int32_t> children;  // identities of the controls it contains
  std::uint32_t flags = 0;       // kControlVisible | kControlDisabled | kControlTabStop
  std::span<const EventBinding> events;
  const exui::PropertyBlock* properties = nullptr;  // read by the UI library only
};

// A menu item: a top-level item (parent 0) or an item under one. Menus are never
// shown as a menu bar, only popped up; a click on an item runs its handler.
struct MenuItemTemplate {
  std::int32_t identity = 0;  // also the item's command identifier, so below 0x10000
  std::string_view name;      // GBK
  std::string_view caption;   // GBK
  std::int32_t parent = 0;
  WindowEventHandler click = nullptr;
};

struct WindowTemplate {
  std::int32_t identity = 0;    // unique in the program; services refer to the window by it
  std::string_view name;        // GBK
  std::string_view title;       // GBK
  // The client area's size: the controls are laid out in it, whatever frame the
  // window has around it. For a window without a frame it is the window's size.
  std::int32_t width = 0;
  std::int32_t height = 0;
  DWORD style = WS_POPUP;       // the frame: WS_POPUP alone is no border at all
  bool alwaysOnTop = true;
  bool escapeCloses = true;     // Esc with the focus in the window closes it
  bool visible = true;          // shown once the created event has run
  // The window takes the DPI of the monitor it is on, and follows it when it moves to
  // another (WM_DPICHANGED). Off: the program decides the window's DPI itself.
  bool followsMonitorDpi = true;
  WindowEvents events;
  std::span<const ControlTemplate> controls;  // in creation order, containers before what they contain
  std::span<const MenuItemTemplate> menu;
};

// The block with its pixel figures (row pitch, fixed rows' heights, icon and font
// sizes, all 96-DPI figures) at `dpi`; a figure left at 0 keeps the library's default,
// which the library scales itself.
constexpr exui::PropertyBlock scaledPropertyBlock(const exui::PropertyBlock& block, std::int32_t dpi) {
  exui::PropertyBlock scaled = block;
  const auto scale = [dpi](std::int32_t value) { return value > 0 ? scaleForDpi(value, dpi) : value; };
  scaled.rowPitch = scale(block.rowPitch);
  scaled.iconSize = scale(block.iconSize);
  scaled.fontSize = scale(block.fontSize);
  for (exui::FixedRow& row : scaled.fixedRows) row.height = scale(row.height);
  return scaled;
}

// Where a window of the given size starts: centred on the primary screen.
constexpr POINT centredPosition(std::int32_t width, std::int32_t height, std::int32_t screenWidth,
                                std::int32_t screenHeight) {
  return POINT{(screenWidth - width) / 2, (screenHeight - height) / 2};
}

}  // namespace corvalis
