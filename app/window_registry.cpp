#include "app/window_registry.h"

#include "base/dpi.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/control_registry.h"
#include "app/environment.h"
#include "app/screen_metrics.h"
#include "base/wide_text.h"
#include "base/win_handles.h"

namespace corvalis {

namespace {

constexpr wchar_t kOwnerClassName[] = L"CorvalisOwner";
constexpr wchar_t kWindowClassName[] = L"CorvalisWindow";
// Private to our own window class, so WM_APP is free for it.
constexpr UINT kPrivateClose = WM_APP + 1;
// lParam: a WindowJob the poster allocated; the window runs and frees it.
constexpr UINT kPrivateJob = WM_APP + 2;

struct LoadedWindow {
  WindowTemplate windowTemplate;
  HWND handle = nullptr;
  bool closing = false;
  void* context = nullptr;
};

// Owned here; a window's GWLP_USERDATA points at its record, which stays put
// because the records are held by pointer.
std::vector<std::unique_ptr<LoadedWindow>> loadedWindows;
UniqueWindow ownerWindow;
bool quitArmed = false;
SystemNotices systemNotices;

LoadedWindow* findLoaded(std::int32_t identity) {
  for (const auto& window : loadedWindows)
    if (window->windowTemplate.identity == identity) return window.get();
  return nullptr;
}

LoadedWindow* findLoaded(HWND handle) {
  for (const auto& window : loadedWindows)
    if (window->handle == handle) return window.get();
  return nullptr;
}

// Esc while a control of a program window has the focus: the key goes to that control
// (keys go to the focus), which may want it for itself - it says so through
// WM_GETDLGCODE, as dialog controls do. When it does not, the key is handed to the
// window instead, whose Esc closes it. Done as the message leaves the queue, so that
// every message loop of the thread (the main loop, message boxes' loops, the
// responsive waits) behaves alike.
UniqueHook escapeHook;

LRESULT CALLBACK escapeHookProc(int code, WPARAM removal, LPARAM lParam) {
  if (code == HC_ACTION && removal == PM_REMOVE) {
    MSG* message = reinterpret_cast<MSG*>(lParam);
    if (message->message == WM_KEYDOWN && message->wParam == VK_ESCAPE && message->hwnd != nullptr) {
      HWND top = GetAncestor(message->hwnd, GA_ROOT);
      const LoadedWindow* record = top != message->hwnd ? findLoaded(top) : nullptr;
      if (record != nullptr && record->windowTemplate.escapeCloses) {
        const LRESULT wants =
            SendMessageW(message->hwnd, WM_GETDLGCODE, VK_ESCAPE, reinterpret_cast<LPARAM>(message));
        if ((wants & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) == 0) message->hwnd = top;
      }
    }
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

void watchEscape() {
  if (!escapeHook)
    escapeHook.reset(SetWindowsHookExW(WH_GETMESSAGE, escapeHookProc, nullptr, GetCurrentThreadId()));
}

void runMenuItem(const LoadedWindow& record, std::int32_t identity) {
  for (const MenuItemTemplate& item : record.windowTemplate.menu)
    if (item.identity == identity) {
      if (item.click != nullptr) item.click();
      return;
    }
}

void forget(const LoadedWindow* record) {
  std::erase_if(loadedWindows, [record](const auto& window) { return window.get() == record; });
}

// The window went to a monitor of another DPI: it takes the size the system suggests,
// its controls are made anew at the DPI, and its logic fills them again.
void followMonitorDpi(const LoadedWindow& record, std::int32_t dpi, const RECT& suggested) {
  const HWND window = record.handle;
  drawWindowAtDpi(window, dpi);
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  recreateTemplateControls(record.windowTemplate, window, dpi);
  if (record.windowTemplate.events.dpiChanged != nullptr) record.windowTemplate.events.dpiChanged();
}

// Notices after which the controls must draw again in the system's present colours.
// Switching high contrast changes those colours too.
bool changesColours(UINT message, WPARAM wParam) {
  return message == WM_SYSCOLORCHANGE || (message == WM_SETTINGCHANGE && wParam == SPI_SETHIGHCONTRAST);
}

// The system tells top-level windows only; a window passes the change on to the controls
// inside it, nested ones too, as Windows asks of windows that hold common controls.
BOOL CALLBACK tellOfColourChange(HWND child, LPARAM) {
  SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}
void passColourChangeOn(HWND window) { EnumChildWindows(window, tellOfColourChange, 0); }

LRESULT CALLBACK programWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    static_cast<LoadedWindow*>(create->lpCreateParams)->handle = window;
  }
  auto* record = reinterpret_cast<LoadedWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (record == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (changesColours(message, wParam)) passColourChangeOn(window);

  switch (message) {
    case WM_KEYDOWN:
      // The window itself has the focus (a control with the focus gets its keys
      // itself): Esc closes the window as its close box would.
      if (wParam == VK_ESCAPE && record->windowTemplate.escapeCloses) {
        if (record->windowTemplate.events.escape == nullptr || !record->windowTemplate.events.escape())
          SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case kPrivateClose:
      DestroyWindow(window);
      return 0;
    case kPrivateJob: {
      std::unique_ptr<WindowJob> job(reinterpret_cast<WindowJob*>(lParam));
      if (job && *job) (*job)();
      return 0;
    }
    case WM_COMMAND:
      // A chosen item of the window's menu (popped up with the window as its owner).
      if (lParam == 0) {
        runMenuItem(*record, LOWORD(wParam));
        return 0;
      }
      break;
    case WM_DPICHANGED:
      if (record->windowTemplate.followsMonitorDpi) followMonitorDpi(*record, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DESTROY:
      record->closing = true;
      if (record->windowTemplate.events.destroying != nullptr) record->windowTemplate.events.destroying();
      return 0;
    case WM_NCDESTROY: {
      // Jobs nobody will run any more: free them.
      MSG pending;
      while (PeekMessageW(&pending, window, kPrivateJob, kPrivateJob, PM_REMOVE))
        delete reinterpret_cast<WindowJob*>(pending.lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      forgetWindowDpi(window);
      forget(record);
      // Only windows the program loaded count; message boxes and the hidden owner
      // window do not keep the program alive.
      if (quitArmed && loadedWindows.empty()) PostQuitMessage(0);
      return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ownerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      return TRUE;  // the bar never holds up a shutdown
    case WM_ENDSESSION:
      if (wParam != FALSE && systemNotices.sessionEnding) systemNotices.sessionEnding();
      return 0;
    case WM_SETTINGCHANGE:
      if (isEnvironmentChange(reinterpret_cast<const wchar_t*>(lParam)) && systemNotices.environmentChanged)
        systemNotices.environmentChanged();
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool registerClasses() {
  static bool registered = false;
  if (registered) return true;
  const HINSTANCE instance = GetModuleHandleW(nullptr);

  WNDCLASSEXW ownerClass{};
  ownerClass.cbSize = sizeof ownerClass;
  ownerClass.lpfnWndProc = ownerWindowProc;
  ownerClass.hInstance = instance;
  ownerClass.lpszClassName = kOwnerClassName;

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = programWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kWindowClassName;

  // A class left over from an earlier registration in this process is as good as new.
  const auto ok = [](ATOM atom) { return atom != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS; };
  registered = ok(RegisterClassExW(&ownerClass)) && ok(RegisterClassExW(&windowClass));
  return registered;
}

}  // namespace

bool createHiddenOwnerWindow() {
  if (ownerWindow) return true;
  if (!registerClasses()) return false;
  ownerWindow.reset(CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr));
  return static_cast<bool>(ownerWindow);
}

HWND hiddenOwnerWindow() { return ownerWindow.get(); }

void answerSystemNotices(SystemNotices notices) { systemNotices = std::move(notices); }

void destroyHiddenOwnerWindow() { ownerWindow.reset(); }

bool loadWindow(const WindowTemplate& windowTemplate, void* context) {
  if (!registerClasses() || findLoaded(windowTemplate.identity) != nullptr) return false;
  auto record = std::make_unique<LoadedWindow>();
  record->windowTemplate = windowTemplate;
  record->context = context;
  LoadedWindow* loaded = record.get();
  loadedWindows.push_back(std::move(record));

  // The template gives the client area; the frame, if any, comes around it.
  const DWORD style = windowTemplate.style & ~WS_VISIBLE;
  // Its size is a 96-DPI figure: the window is made at the primary monitor's DPI, where
  // it starts (centred on it).
  const std::int32_t dpi = screenDpi();
  RECT frame{0, 0, scaleForDpi(windowTemplate.width, dpi), scaleForDpi(windowTemplate.height, dpi)};
  adjustWindowRectForDpi(frame, style, 0, dpi);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const POINT position = centredPosition(width, height, screenWidth(), screenHeight());
  const std::wstring title = toWideText(windowTemplate.title);
  HWND window = CreateWindowExW(0, kWindowClassName, title.c_str(), style, position.x, position.y, width, height,
                                ownerWindow.get(), nullptr, GetModuleHandleW(nullptr), loaded);
  if (window == nullptr) {
    forget(loaded);
    return false;
  }
  if (windowTemplate.alwaysOnTop)
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Told before the controls are made, so that the control library draws them at it.
  drawWindowAtDpi(window, dpi);
  createTemplateControls(windowTemplate, window, dpi);
  if (windowTemplate.escapeCloses) watchEscape();

  // The record may be gone by the time the handler returns (it can close the window),
  // so everything after it asks by identity again.
  if (windowTemplate.events.created != nullptr) windowTemplate.events.created();
  if (windowTemplate.visible && windowHandle(windowTemplate.identity) == window)
    ShowWindow(window, SW_SHOW);
  return true;
}

bool closeWindow(std::int32_t identity) {
  LoadedWindow* window = findLoaded(identity);
  if (window == nullptr || window->closing) return false;
  window->closing = true;
  return PostMessageW(window->handle, kPrivateClose, 0, 0) != FALSE;
}

HWND windowHandle(std::int32_t identity) {
  const LoadedWindow* window = findLoaded(identity);
  return window != nullptr ? window->handle : nullptr;
}

void* windowContext(std::int32_t identity) {
  const LoadedWindow* window = findLoaded(identity);
  return window != nullptr ? window->context : nullptr;
}

void* windowContext(HWND window) {
  const LoadedWindow* loaded = window != nullptr ? findLoaded(GetAncestor(window, GA_ROOT)) : nullptr;
  return loaded != nullptr ? loaded->context : nullptr;
}

std::size_t loadedWindowCount() { return loadedWindows.size(); }

void quitWhenLastWindowCloses(bool on) { quitArmed = on; }

bool postWindowJob(HWND window, WindowJob job) {
  if (window == nullptr || !job) return false;
  auto owned = std::make_unique<WindowJob>(std::move(job));
  if (!PostMessageW(window, kPrivateJob, 0, reinterpret_cast<LPARAM>(owned.get()))) return false;
  owned.release();  // the window frees it
  return true;
}

UINT privateCloseMessage() { return kPrivateClose; }

UniqueMenu windowMenu(std::int32_t identity, std::int32_t menuIdentity) {
  const LoadedWindow* window = findLoaded(identity);
  if (window == nullptr) return UniqueMenu();
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) return menu;
  bool any = false;
  for (const MenuItemTemplate& item : window->windowTemplate.menu) {
    if (item.parent != menuIdentity) continue;
    const std::wstring caption = toWideText(item.caption);
    AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(item.identity), caption.c_str());
    any = true;
  }
  return any ? std::move(menu) : UniqueMenu();
}

}  // namespace corvalis
