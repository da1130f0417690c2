// bare_steps.exe: the bare window of bare_bar.exe plus, one flag each, start-up steps
// the launcher cannot leave out, taken the way the launcher takes them. The start-up
// benchmark starts it with growing sets of flags, so what each step costs on top of
// the bare window is measured, not guessed:
//
//   notice   the notice that the shell-hook window could not be registered (Wine
//            refuses the registration), shown before the window as the launcher shows
//            it; the harness answers it as it answers the launcher's.
//   shell    OLE and the desktop shell object with its two COM objects (the
//            taskbar-button list and the shell automation object), before the window.
#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <memory>

#include "app/message_box.h"
#include "desktop/desktop_shell.h"
#include "desktop/edge_docking.h"

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
  const bool notice = std::strstr(commandLine, "notice") != nullptr;
  const bool shell = std::strstr(commandLine, "shell") != nullptr;
  std::unique_ptr<corvalis::DesktopShell> desktopShell;
  if (shell) {
    OleInitialize(nullptr);  // as the launcher starts OLE
    desktopShell = std::make_unique<corvalis::DesktopShell>();
  }

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
  if (notice) corvalis::messageBox(corvalis::kShellHookFailureText, MB_OK);
  ShowWindow(window, SW_SHOWNA);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  desktopShell.reset();
  if (shell) OleUninitialize();
  return 0;
}
