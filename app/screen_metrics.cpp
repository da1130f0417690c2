#include "app/screen_metrics.h"

namespace corvalis {

int screenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

int screenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

int clientWidth(HWND window) {
  RECT client{};
  if (!GetClientRect(window, &client)) return 0;
  return client.right - client.left;
}

}  // namespace corvalis
