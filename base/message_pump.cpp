#include "base/message_pump.h"

#include <windows.h>

namespace corvalis {

void processPendingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
    if (message.message == WM_QUIT) return;
    // Taken with PeekMessage rather than GetMessage: if the queue changed since the
    // look (another thread can post WM_QUIT), a GetMessage could block here.
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
    if (message.message == WM_QUIT) {
      // Leave the quit for the thread's own loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace corvalis
