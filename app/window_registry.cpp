#include "app/window_registry.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/screen_metrics.h"
#include "app/wide_text.h"
#include "app/win_handles.h"

namespace corvalis {

namespace {

constexpr wchar_t kOwnerClassName[] = L"CorvalisOwner";
constexpr wchar_t kWindowClassName[] = L"CorvalisWindow";
// Private to our own window class, so WM_APP is free for it.
constexpr UINT kPrivateClose = WM_APP + 1;

struct LoadedWindow {
  WindowTemplate windowTemplate;
  HWND handle = nullptr;
  bool closing = false;
};

// Owned here; a window's GWLP_USERDATA points at its record, which stays put
// because the records are held by pointer.
std::vector<std::unique_ptr<LoadedWindow>> loadedWindows;
UniqueWindow ownerWindow;
bool quitArmed = false;

LoadedWindow* findLoaded(std::int32_t identity) {
  for (const auto& window : loadedWindows)
    if (window->windowTemplate.identity == identity) return window.get();
  return nullptr;
}

void forget(const LoadedWindow* record) {
  std::erase_if(loadedWindows, [record](const auto& window) { return window.get() == record; });
}

LRESULT CALLBACK programWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    static_cast<LoadedWindow*>(create->lpCreateParams)->handle = window;
  }
  auto* record = reinterpret_cast<LoadedWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (record == nullptr) return DefWindowProcW(window, message, wParam, lParam);

  switch (message) {
    case WM_KEYDOWN:
      // The window itself has the focus (a control with the focus gets its keys
      // itself): Esc closes the window as its close box would.
      if (wParam == VK_ESCAPE && record->windowTemplate.escapeCloses) {
        SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case kPrivateClose:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      record->closing = true;
      if (record->windowTemplate.events.destroying != nullptr) record->windowTemplate.events.destroying();
      return 0;
    case WM_NCDESTROY: {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
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

bool registerClasses() {
  static bool registered = false;
  if (registered) return true;
  const HINSTANCE instance = GetModuleHandleW(nullptr);

  WNDCLASSEXW ownerClass{};
  ownerClass.cbSize = sizeof ownerClass;
  ownerClass.lpfnWndProc = DefWindowProcW;
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

void destroyHiddenOwnerWindow() { ownerWindow.reset(); }

bool loadWindow(const WindowTemplate& windowTemplate) {
  if (!registerClasses() || findLoaded(windowTemplate.identity) != nullptr) return false;
  auto record = std::make_unique<LoadedWindow>();
  record->windowTemplate = windowTemplate;
  LoadedWindow* loaded = record.get();
  loadedWindows.push_back(std::move(record));

  const POINT position =
      centredPosition(windowTemplate.width, windowTemplate.height, screenWidth(), screenHeight());
  const std::wstring title = toWideText(windowTemplate.title);
  HWND window = CreateWindowExW(0, kWindowClassName, title.c_str(), windowTemplate.style & ~WS_VISIBLE, position.x,
                                position.y, windowTemplate.width, windowTemplate.height, ownerWindow.get(), nullptr,
                                GetModuleHandleW(nullptr), loaded);
  if (window == nullptr) {
    forget(loaded);
    return false;
  }
  if (windowTemplate.alwaysOnTop)
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

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

std::size_t loadedWindowCount() { return loadedWindows.size(); }

void quitWhenLastWindowCloses(bool on) { quitArmed = on; }

UINT privateCloseMessage() { return kPrivateClose; }

}  // namespace corvalis
