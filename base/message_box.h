// Every message the program shows to the user goes through messageBox.
#pragma once

#include <windows.h>

#include <string_view>

namespace corvalis {

// "信息：" in GBK, the caption when the caller gives none.
inline constexpr std::string_view kDefaultMessageCaption = "\xD0\xC5\xCF\xA2\xA3\xBA";

// The style actually passed to MessageBoxA: task-modal unless the caller asked for
// system-modal, so that the thread's other windows wait for the answer.
constexpr UINT composeMessageBoxStyle(UINT style) {
  return (style & MB_SYSTEMMODAL) != 0 ? style : style | MB_TASKMODAL;
}

// Shows `text` and returns the button pressed (IDOK, IDYES, ...), 0 on failure.
// An empty caption counts as absent and shows the default caption.
int messageBox(std::string_view text, UINT style = MB_OK,
               std::string_view caption = kDefaultMessageCaption, HWND owner = nullptr);

}  // namespace corvalis
