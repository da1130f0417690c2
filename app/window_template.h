// What the program knows about each of its windows before it exists: identity,
// size, title, frame and behaviour, and the handlers bound to its events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace corvalis {

using WindowEventHandler = void (*)();

struct WindowEvents {
  WindowEventHandler created = nullptr;     // after the window exists, before the load returns
  WindowEventHandler destroying = nullptr;  // while the window is being destroyed
};

struct WindowTemplate {
  std::int32_t identity = 0;    // unique in the program; services refer to the window by it
  std::string_view title;       // GBK
  std::int32_t width = 0;
  std::int32_t height = 0;
  DWORD style = WS_POPUP;       // the frame: WS_POPUP alone is no border at all
  bool alwaysOnTop = true;
  bool escapeCloses = true;     // Esc with the focus in the window closes it
  bool visible = true;          // shown once the created event has run
  WindowEvents events;
};

// The launcher window: the bar, 104 pixels wide, no title, no frame. Its design
// height is 195; the bar's build sizes it.
inline constexpr std::int32_t kLauncherWindowIdentity = 1;

constexpr WindowTemplate launcherWindowTemplate(WindowEvents events) {
  WindowTemplate launcher;
  launcher.identity = kLauncherWindowIdentity;
  launcher.title = "";
  launcher.width = 104;
  launcher.height = 195;
  launcher.style = WS_POPUP;
  launcher.alwaysOnTop = true;
  launcher.escapeCloses = true;
  launcher.visible = true;
  launcher.events = events;
  return launcher;
}

// Where a window of the given size starts: centred on the primary screen.
constexpr POINT centredPosition(std::int32_t width, std::int32_t height, std::int32_t screenWidth,
                                std::int32_t screenHeight) {
  return POINT{(screenWidth - width) / 2, (screenHeight - height) / 2};
}

}  // namespace corvalis
