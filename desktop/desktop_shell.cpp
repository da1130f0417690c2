#include "desktop/desktop_shell.h"

#include <objbase.h>
#include <shellapi.h>

#include <cstdint>

#include "base/win_handles.h"
#include "desktop/display_size.h"

namespace corvalis {

namespace {

// The identifiers are kept as text and converted at run time, so the program needs
// no import library for them.
constexpr wchar_t kTaskbarListClass[] = L"{56FDF344-FD6D-11d0-958A-006097C9A090}";
constexpr wchar_t kTaskbarListInterface[] = L"{56FDF342-FD6D-11d0-958A-006097C9A090}";
constexpr wchar_t kShellClass[] = L"{13709620-C279-11CE-A49E-444553540000}";
constexpr wchar_t kShellDispatch5Interface[] = L"{866738b9-6cf2-4de8-8767-f794ebe74f4e}";

template <typename Interface>
void createInstance(const wchar_t* classText, const wchar_t* interfaceText, ComPtr<Interface>& target) {
  CLSID classId;
  IID interfaceId;
  if (FAILED(CLSIDFromString(classText, &classId)) || FAILED(IIDFromString(interfaceText, &interfaceId))) return;
  if (CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, target.put()) != S_OK) target.reset();
}

// Window properties hold handles; routines and objects travel through integers.
template <typename Pointer>
HANDLE asProperty(Pointer pointer) {
  return reinterpret_cast<HANDLE>(reinterpret_cast<std::uintptr_t>(pointer));
}
template <typename Pointer>
Pointer fromProperty(HANDLE property) {
  return reinterpret_cast<Pointer>(reinterpret_cast<std::uintptr_t>(property));
}

// The one procedure that every registered window gets: it finds its object through
// a window property, so nothing has to be generated at run time.
LRESULT CALLBACK appBarEntryPoint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (auto* shell = fromProperty<DesktopShell*>(GetPropA(window, kAppBarObjectProperty)); shell != nullptr)
    return shell->appBarWindowProc(window, message, wParam, lParam);
  if (auto previous = fromProperty<WNDPROC>(GetPropA(window, kAppBarPreviousProcProperty)); previous != nullptr)
    return CallWindowProcW(previous, window, message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

APPBARDATA emptyAppBarData() {
  APPBARDATA data{};
  data.cbSize = sizeof data;
  return data;
}

#if defined(__i386__)
static_assert(sizeof(APPBARDATA) == 36, "the shell reads the record by its 32-bit size");
#endif

}  // namespace

DesktopShell::DesktopShell() {
  createInstance(kTaskbarListClass, kTaskbarListInterface, taskbarList_);
  if (taskbarList_) taskbarList_->HrInit();
  createInstance(kShellClass, kShellDispatch5Interface, shellDispatch_);
}

DesktopShell::~DesktopShell() = default;  // the ComPtr members release both objects

bool DesktopShell::addTab(HWND window) { return taskbarList_ && taskbarList_->AddTab(window) == S_OK; }
bool DesktopShell::deleteTab(HWND window) { return taskbarList_ && taskbarList_->DeleteTab(window) == S_OK; }
bool DesktopShell::activateTab(HWND window) { return taskbarList_ && taskbarList_->ActivateTab(window) == S_OK; }
bool DesktopShell::setActiveAlt(HWND window) {
  return taskbarList_ && taskbarList_->SetActiveAlt(window) == S_OK;
}

void DesktopShell::runHotkeyLoop(std::int32_t modifiers, std::int32_t virtualKey, HotkeyRoutine routine) {
  hotkeyStop_.store(0);
  if (!RegisterHotKey(nullptr, kHotkeyIdentifier, static_cast<UINT>(modifiers), static_cast<UINT>(virtualKey)))
    return;
  MSG message;
  // GetMessageA answers -1 on failure; that ends the loop like WM_QUIT instead of
  // spinning on an error.
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_HOTKEY) {
      if (routine != nullptr) routine();
    } else if (hotkeyStop_.load() != 0) {
      break;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

bool DesktopShell::stopHotkeyLoop() {
  if (!UnregisterHotKey(nullptr, kHotkeyIdentifier)) return false;
  hotkeyStop_.store(1);
  return true;
}

HWND DesktopShell::findTaskbarWindow() { return FindWindowA("Shell_TrayWnd", nullptr); }

BOOL DesktopShell::hideTaskbar() {
  HWND taskbar = findTaskbarWindow();
  return taskbar != nullptr ? ShowWindow(taskbar, SW_HIDE) : FALSE;
}

BOOL DesktopShell::showTaskbar() {
  HWND taskbar = findTaskbarWindow();
  return taskbar != nullptr ? ShowWindow(taskbar, SW_SHOWNORMAL) : FALSE;
}

std::int32_t DesktopShell::taskbarHeight() {
  APPBARDATA data = emptyAppBarData();
  SHAppBarMessage(ABM_GETTASKBARPOS, &data);
  return displayDeviceSize().height - data.rc.top;
}

void DesktopShell::registerAppBar(HWND window, AppBarNotification routine) {
  APPBARDATA data = emptyAppBarData();
  data.hWnd = window;
  data.uCallbackMessage = kAppBarCallbackMessage;
  data.uEdge = 0;
  SetPropA(window, kAppBarRoutineProperty, asProperty(routine));
  // Registered only to hear about full-screen applications: no ABM_QUERYPOS or
  // ABM_SETPOS, so no screen space is reserved, and no ABM_REMOVE either - the
  // registration ends with the window.
  SHAppBarMessage(ABM_NEW, &data);
  SetPropA(window, kAppBarObjectProperty, asProperty(this));
  // A second registration of the same window must not put the entry point behind
  // itself: the stored predecessor would then be the entry point, and every message
  // would call it again without end.
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == appBarEntryPoint)
    return;
  const LONG_PTR previous = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(appBarEntryPoint));
  SetPropA(window, kAppBarPreviousProcProperty, reinterpret_cast<HANDLE>(previous));
}

LRESULT DesktopShell::appBarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kAppBarCallbackMessage && wParam == ABN_FULLSCREENAPP) {
    if (auto routine = fromProperty<AppBarNotification>(GetPropA(window, kAppBarRoutineProperty)); routine != nullptr)
      routine(static_cast<std::int32_t>(lParam));
  }
  // The other notifications (state, position, window arrangement) pass on unhandled.
  if (auto previous = fromProperty<WNDPROC>(GetPropA(window, kAppBarPreviousProcProperty)); previous != nullptr)
    return CallWindowProcW(previous, window, message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

bool DesktopShell::isTaskbarAutoHide() {
  APPBARDATA data = emptyAppBarData();
  return isAutoHideState(SHAppBarMessage(ABM_GETSTATE, &data));
}

bool DesktopShell::setTaskbarAutoHide(bool on) {
  APPBARDATA data = emptyAppBarData();
  data.lParam = on ? 1 : 0;
  return SHAppBarMessage(ABM_SETSTATE, &data) == 1;
}

std::int32_t DesktopShell::getTaskbarRect(RECT& rect) {
  APPBARDATA data = emptyAppBarData();
  const UINT_PTR result = SHAppBarMessage(ABM_GETTASKBARPOS, &data);
  rect = data.rc;
  return static_cast<std::int32_t>(result);
}

std::int32_t DesktopShell::taskbarEdge() {
  APPBARDATA data = emptyAppBarData();
  SHAppBarMessage(ABM_GETTASKBARPOS, &data);
  return static_cast<std::int32_t>(data.uEdge);
}

bool DesktopShell::minimizeAll() { return shellDispatch_ && shellDispatch_->MinimizeAll() == S_OK; }
bool DesktopShell::undoMinimizeAll() { return shellDispatch_ && shellDispatch_->UndoMinimizeALL() == S_OK; }
bool DesktopShell::cascadeWindows() { return shellDispatch_ && shellDispatch_->CascadeWindows() == S_OK; }
bool DesktopShell::tileHorizontally() { return shellDispatch_ && shellDispatch_->TileHorizontally() == S_OK; }
bool DesktopShell::tileVertically() { return shellDispatch_ && shellDispatch_->TileVertically() == S_OK; }
bool DesktopShell::toggleDesktop() { return shellDispatch_ && shellDispatch_->ToggleDesktop() == S_OK; }
bool DesktopShell::trayProperties() { return shellDispatch_ && shellDispatch_->TrayProperties() == S_OK; }
bool DesktopShell::windowSwitcher() { return shellDispatch_ && shellDispatch_->WindowSwitcher() == S_OK; }

bool DesktopShell::setTaskbarSizeMove(bool allow) {
  // The setting lives in the 64-bit view on a 64-bit system; a 32-bit process
  // there asks for that view explicitly.
  BOOL underWow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &underWow64);
  const REGSAM access = KEY_ALL_ACCESS | (underWow64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
  UniqueRegistryKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", 0,
                    access, key.put()) != ERROR_SUCCESS)
    return false;
  const DWORD value = allow ? 1 : 0;
  const LONG result = RegSetValueExA(key.get(), "TaskbarSizeMove", 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegFlushKey(key.get());
  return result == ERROR_SUCCESS;
}

}  // namespace corvalis
