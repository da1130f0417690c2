// bare_bar.exe: the start-up benchmark's baseline. It shows what the launcher shows at
// the least - one topmost tool window, 104 pixels wide, at the right edge of the
// screen - and does nothing else: no OLE, no UI library, no shortcut file. It ends on
// WM_CLOSE, like the launcher.
//
// bare_steps.exe is built from this file too, with CORVALIS_BARE_STEPS: the same window
// plus, one flag each, start-up steps the launcher cannot leave out, taken the way the
// launcher takes them. The benchmark starts it with growing sets of flags, so what each
// step costs on top of the bare window is measured, not guessed:
//
//   notice   the notice that the shell-hook window could not be registered (Wine
//            refuses the registration), shown before the window shows, as the launcher
//            shows it; the harness answers it as it answers the launcher's.
//   shell    OLE and the desktop shell object with its two COM objects (the
//            taskbar-button list and the shell automation object), before the window.
//
// One source, so the baseline and the steps show the same window; only bare_steps.exe
// imports OLE and the shell.
#include <windows.h>

#if defined(CORVALIS_BARE_STEPS)
#include <ole2.h>

#include <cstring>
#include <memory>

#include "base/message_box.h"
#include "desktop/desktop_shell.h"
#include "desktop/edge_docking.h"
#endif

namespace {

constexpr int kBarWidth = 104;
constexpr wchar_t kClassName[] = L"CorvalisBareBar";

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
#if defined(CORVALIS_BARE_STEPS)
  const bool notice = std::strstr(commandLine, "notice") != nullptr;
  const bool shell = std::strstr(commandLine, "shell") != nullptr;
  std::unique_ptr<corvalis::DesktopShell> desktopShell;
  if (shell) {
    OleInitialize(nullptr);  // as the launcher starts OLE
    desktopShell = std::make_unique<corvalis::DesktopShell>();
  }
#else
  (void)commandLine;
#endif

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass) == 0) return 1;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, width - kBarWidth,
                                height / 4, kBarWidth, height / 2, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
#if defined(CORVALIS_BARE_STEPS)
  if (notice) corvalis::messageBox(corvalis::kShellHookFailureText, MB_OK);
#endif
  ShowWindow(window, SW_SHOWNA);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
#if defined(CORVALIS_BARE_STEPS)
  desktopShell.reset();
  if (shell) OleUninitialize();
#endif
  return 0;
}
