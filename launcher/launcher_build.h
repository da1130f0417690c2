// The launcher bar's rows: the build at start from the shortcut file, the rebuild of
// the shortcut rows after a change, and the bar's height and vertical place.
//
// Everything here runs on the launcher window's thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "app/text.h"
#include "app/window_templates.h"
#include "launcher/bar_layout.h"
#include "launcher/icon_images.h"
#include "launcher/launcher.h"
#include "store/process_heap_block.h"
#include "uilib/ui_bridge.h"

namespace corvalis {

inline constexpr std::int32_t kLauncherRowWord = 30; // the second word packed with a launcher row's caption
inline constexpr std::int32_t kEditRowWord = 32;     // the same for the edit list's rows

// The icon images of the rows of these paths (a keys/values list in row order), made
// ahead on helper threads at the list's DPI.
IconImages shortcutRowImages(const ProcessHeapList& paths, std::int32_t dpi);

// Appends a shortcut row (its file's icon image, its name) to a list drawn at `dpi`;
// the list's answer.
int appendShortcutRow(ControlId list, std::string_view name, const ByteString& image, std::int32_t rowWord,
                      std::int32_t dpi);

// The last step of the launcher window's start-up sequence, after the edge docking
// has measured the screen and the shortcuts were told their file: reads the file, fills
// the bar, parks it beyond the right edge - or, with no shortcuts yet, slides it in.
void buildLauncher(Launcher& launcher, HWND launcherWindow);

// Replaces the shortcut rows (rows 0 and 1 stay) after the shortcut table changed.
// The bar keeps its horizontal place.
void rebuildLauncherList(Launcher& launcher);

// Height and vertical place from the row count; the list takes the window's height.
void layOutBar(Launcher& launcher);

// After the screen changed under the bar (its size, DPI or taskbar): at another DPI
// the bar's controls are made anew at it and its rows refilled; then its width, height
// and vertical place for the screen, and its place at the right edge where its state
// says - flush when shown, beyond it when not. The bar ends as one started at that DPI.
void fitBarToScreen(Launcher& launcher);

// Saves the shortcuts and rebuilds the bar (after an add or a drop).
void saveShortcutsAndRebuild(Launcher& launcher);

}  // namespace corvalis
