// edge_probe.exe: the hands and eyes of the scenarios that run inside a Wine virtual
// desktop (the edge docking's and the launcher's).
// Only inside one does every click on the screen reach Wine (and so the program's
// low-level mouse hook), even where no window of Wine lies under the cursor.
//
// The desktop is named by CORVALIS_E2E_DESKTOP. Every command that is not one of
// the probe's own runs wininfo.exe (CORVALIS_E2E_WININFO) inside that desktop with
// the same arguments and its output, so the harness's helper works unchanged there:
//
//   desktop-size WxH           the size the desktop gets when it is created (set it
//                              before anything runs in the desktop)
//   target L T R B [activate]  a window over that rectangle that prints every mouse
//                              button pressed on it as {"button":..,"x":..,"y":..};
//                              with "activate" it takes the foreground; it prints
//                              {"hwnd":N} first and runs until it is sent WM_CLOSE
//   track HWND MS [STOP]       prints the window's rectangle each time it changes,
//                              {"t":ms,"rect":[..]}, for MS milliseconds or until its
//                              left edge is STOP; {"ready":true} first
//   shellhook HWND W           posts the shell-hook message ("SHELLHOOK") with wParam W
//   foreground                 {"hwnd":N,"focus":N}: the foreground window and the
//                              window with the keyboard focus in its thread
//   taskbar                    {"rect":[..]}: the taskbar rectangle the shell reports
//   hold FILE MS HWND MSG [alone]
//                              opens FILE as a reader that lets others read and write
//                              but not delete or replace it (as a virus scanner may) -
//                              with "alone", lets others do nothing with it (as a sync
//                              client may) - posts MSG to HWND, keeps the file open MS
//                              milliseconds and closes it: {"held":true} once open,
//                              {"released":true}
//   display WxH                changes the desktop's display mode (the screen the
//                              program sees) to W x H: {"changed":N} with the result
//                              of ChangeDisplaySettingsEx, {"size":[w,h]} after it
//   drag L T R B FILE...       an OLE drag source, as Explorer is: a window over that
//                              rectangle takes the foreground ({"hwnd":N}); once the
//                              left button is down ({"dragging":true}) it drags the
//                              files (CF_HDROP) until the button is up, then prints
//                              {"result":HRESULT,"effect":N}
//   (anything else)            wininfo.exe inside the desktop
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/file_drop_object.h"

namespace {

void emit(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::wstring environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

long long number(const std::wstring& text) { return std::wcstoll(text.c_str(), nullptr, 0); }

HWND window(const std::wstring& text) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(number(text)));
}

std::string handle(HWND value) { return std::to_string(reinterpret_cast<std::uintptr_t>(value)); }

std::string rectJson(const RECT& rect) {
  // Built with snprintf: GCC 12 gives a false -Wrestrict for "[" + std::to_string(...) on i686.
  char text[64];
  std::snprintf(text, sizeof text, "[%ld,%ld,%ld,%ld]", static_cast<long>(rect.left), static_cast<long>(rect.top),
                static_cast<long>(rect.right), static_cast<long>(rect.bottom));
  return text;
}

// This thread joins the desktop before it makes any window.
bool enterDesktop(const std::wstring& name) {
  HDESK desktop = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
  return desktop != nullptr && SetThreadDesktop(desktop);
}

std::wstring quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

int runInDesktop(const std::wstring& desktop, const std::wstring& program, const std::vector<std::wstring>& args) {
  std::wstring commandLine = quoted(program);
  for (const std::wstring& argument : args) commandLine += L" " + quoted(argument);
  std::wstring desktopName = desktop;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.lpDesktop = desktopName.data();
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info)) {
    std::fprintf(stderr, "edge_probe: cannot start %ls: %lu\n", program.c_str(), GetLastError());
    return 2;
  }
  CloseHandle(info.hThread);
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  // Said on stderr, which the harness shows with a failed command: a rare exit code 1
  // then tells whether the helper in the desktop ended so or the probe itself did.
  if (code != 0) std::fprintf(stderr, "edge_probe: %ls ended with %lu\n", program.c_str(), code);
  return static_cast<int>(code);
}

int desktopSize(const std::wstring& desktop, const std::wstring& size) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return 2;
  const LONG status = RegSetValueExW(key, desktop.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(size.c_str()),
                                     static_cast<DWORD>((size.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : 2;
}

LRESULT CALLBACK targetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const char* button = nullptr;
  switch (message) {
    case WM_LBUTTONDOWN: button = "left-down"; break;
    case WM_RBUTTONDOWN: button = "right-down"; break;
    case WM_RBUTTONUP: button = "right-up"; break;
    case WM_MOUSEACTIVATE:
      // A click must not take the foreground away from whoever has it.
      if (GetWindowLongPtrW(hwnd, GWLP_USERDATA) == 0) return MA_NOACTIVATE;
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default: break;
  }
  if (button != nullptr) {
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd, &point);
    emit(std::string("{\"button\":\"") + button + "\",\"x\":" + std::to_string(point.x) +
         ",\"y\":" + std::to_string(point.y) + "}");
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

int target(const std::vector<std::wstring>& args) {
  const RECT rect{static_cast<LONG>(number(args[0])), static_cast<LONG>(number(args[1])),
                  static_cast<LONG>(number(args[2])), static_cast<LONG>(number(args[3]))};
  const bool activate = args.size() > 4 && args[4] == L"activate";
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = targetProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  windowClass.lpszClassName = L"CorvalisEdgeTarget";
  RegisterClassExW(&windowClass);
  const DWORD exStyle = activate ? 0 : (WS_EX_NOACTIVATE | WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
  HWND hwnd = CreateWindowExW(exStyle, L"CorvalisEdgeTarget", activate ? L"edge-probe-focus" : L"edge-probe-target",
                              WS_POPUP, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) return 2;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, activate ? 1 : 0);
  ShowWindow(hwnd, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
  if (activate) {
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
  }
  emit("{\"hwnd\":" + handle(hwnd) + "}");
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

int track(const std::vector<std::wstring>& args) {
  const HWND hwnd = window(args[0]);
  const auto limit = std::chrono::milliseconds(number(args[1]));
  const bool hasStop = args.size() > 2;
  const long long stop = hasStop ? number(args[2]) : 0;
  const auto start = std::chrono::steady_clock::now();
  timeBeginPeriod(1);
  emit("{\"ready\":true}");
  RECT last{};
  bool first = true;
  for (;;) {
    RECT rect{};
    if (!GetWindowRect(hwnd, &rect)) break;
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (first || !EqualRect(&rect, &last)) {
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
      emit("{\"t\":" + std::to_string(ms) + ",\"rect\":" + rectJson(rect) + "}");
      last = rect;
      first = false;
      if (hasStop && rect.left == stop) break;
    }
    if (elapsed >= limit) break;
    Sleep(1);
  }
  timeEndPeriod(1);
  return 0;
}

// The drag's source: the button as the system has it. The press came before the drag
// began, so this thread's own key state never saw it.
class ButtonDropSource final : public corvalis::ComObject<IDropSource> {
 public:
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0 ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

LRESULT CALLBACK dragWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

int drag(const std::vector<std::wstring>& args) {
  if (FAILED(OleInitialize(nullptr))) return 2;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = dragWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = L"CorvalisDragSource";
  RegisterClassW(&windowClass);
  const int left = static_cast<int>(number(args[0])), top = static_cast<int>(number(args[1]));
  HWND source = CreateWindowExW(0, windowClass.lpszClassName, L"drag source", WS_POPUP | WS_VISIBLE, left, top,
                                static_cast<int>(number(args[2])) - left, static_cast<int>(number(args[3])) - top,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(source);
  emit("{\"hwnd\":" + handle(source) + "}");
  // Until the harness presses the button on the window.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0) {
    if (std::chrono::steady_clock::now() > deadline) return 3;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  }
  emit("{\"dragging\":true}");
  auto* data = new corvalis::test::FileDropObject(std::vector<std::wstring>(args.begin() + 4, args.end()));
  auto* dropSource = new ButtonDropSource;
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT result = DoDragDrop(data, dropSource, DROPEFFECT_COPY | DROPEFFECT_LINK, &effect);
  dropSource->Release();
  data->Release();
  emit("{\"result\":" + std::to_string(static_cast<long>(result)) + ",\"effect\":" + std::to_string(effect) + "}");
  DestroyWindow(source);
  OleUninitialize();
  return 0;
}

int hold(const std::vector<std::wstring>& args) {
  const DWORD share = args.size() > 4 && args[4] == L"alone" ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE file = CreateFileW(args[0].c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "edge_probe: cannot open %ls: %lu\n", args[0].c_str(), GetLastError());
    return 2;
  }
  emit("{\"held\":true}");
  const bool posted = PostMessageW(window(args[2]), static_cast<UINT>(number(args[3])), 0, 0) != FALSE;
  Sleep(static_cast<DWORD>(number(args[1])));
  CloseHandle(file);
  emit("{\"released\":true}");
  return posted ? 0 : 2;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count < 2) return 64;
  std::vector<std::wstring> args(arguments + 1, arguments + count);
  LocalFree(arguments);
  const std::wstring desktop = environment(L"CORVALIS_E2E_DESKTOP");
  if (desktop.empty()) {
    std::fputs("edge_probe: CORVALIS_E2E_DESKTOP names no desktop\n", stderr);
    return 64;
  }
  const std::wstring command = args[0];
  const std::vector<std::wstring> rest(args.begin() + 1, args.end());

  if (command == L"desktop-size" && rest.size() == 1) return desktopSize(desktop, rest[0]);
  const bool ownCommand =
      command == L"target" || command == L"track" || command == L"shellhook" || command == L"foreground" ||
      command == L"taskbar" || command == L"hold" || command == L"display" || command == L"drag";
  if (ownCommand && !enterDesktop(desktop) && environment(L"CORVALIS_E2E_PROBE_STARTED").empty()) {
    // The desktop does not exist yet: only a process started into it creates it, so
    // the probe starts itself there (once).
    SetEnvironmentVariableW(L"CORVALIS_E2E_PROBE_STARTED", L"1");
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return runInDesktop(desktop, self, args);
  }
  if (command == L"target" && rest.size() >= 4) return target(rest);
  if (command == L"track" && rest.size() >= 2) return track(rest);
  if (command == L"shellhook" && rest.size() == 2) {
    const UINT message = RegisterWindowMessageW(L"SHELLHOOK");
    emit("{\"message\":" + std::to_string(message) + "}");
    return PostMessageW(window(rest[0]), message, static_cast<WPARAM>(number(rest[1])), 0) ? 0 : 2;
  }
  if (command == L"hold" && (rest.size() == 4 || rest.size() == 5)) return hold(rest);
  if (command == L"drag" && rest.size() >= 5) return drag(rest);
  if (command == L"display" && rest.size() == 1) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(std::wcstoul(rest[0].c_str(), nullptr, 10));
    const std::size_t x = rest[0].find(L'x');
    mode.dmPelsHeight = x == std::wstring::npos ? 0 : static_cast<DWORD>(std::wcstoul(rest[0].c_str() + x + 1, nullptr, 10));
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    const LONG changed = ChangeDisplaySettingsExW(nullptr, &mode, nullptr, 0, nullptr);
    emit("{\"changed\":" + std::to_string(changed) + "}");
    emit("{\"size\":[" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "," +
         std::to_string(GetSystemMetrics(SM_CYSCREEN)) + "]}");
    return changed == DISP_CHANGE_SUCCESSFUL ? 0 : 2;
  }
  if (command == L"taskbar") {
    APPBARDATA data{};
    data.cbSize = sizeof data;
    SHAppBarMessage(ABM_GETTASKBARPOS, &data);
    emit("{\"rect\":" + rectJson(data.rc) + "}");
    return 0;
  }
  if (command == L"foreground") {
    const HWND foreground = GetForegroundWindow();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info);
    emit("{\"hwnd\":" + handle(foreground) + ",\"focus\":" + handle(info.hwndFocus) + "}");
    return 0;
  }
  const std::wstring wininfo = environment(L"CORVALIS_E2E_WININFO");
  if (wininfo.empty()) {
    std::fputs("edge_probe: CORVALIS_E2E_WININFO names no helper\n", stderr);
    return 64;
  }
  return runInDesktop(desktop, wininfo, args);
}
