// Sizes of the primary screen and of a window's client area.
#pragma once

#include <windows.h>

namespace corvalis {

int screenWidth();   // GetSystemMetrics(SM_CXSCREEN)
int screenHeight();  // GetSystemMetrics(SM_CYSCREEN)
// Width of the client rectangle; 0 when the window does not exist.
int clientWidth(HWND window);

}  // namespace corvalis
