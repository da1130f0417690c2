#include "bench/windows/driving.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "launcher/shortcut_file.h"
#include "store/hash_table.h"

namespace bench {

namespace {

constexpr char kNoticeStart[] = "RegisterShellHookWindow";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kInstanceName[] = "corvalisbar";

}  // namespace

double nowMs() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / frequency;
}

const char* benchName = "bench";

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", benchName, what.c_str());
  std::exit(1);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t m = values.size() / 2;
  return values.size() % 2 != 0 ? values[m] : (values[m - 1] + values[m]) / 2;
}

std::string documentsFile() {
  const corvalis::Text folder = corvalis::documentsFolder();
  if (folder.empty()) fail("no Documents folder");
  return std::string(corvalis::shortcutFilePathIn(folder).c_str());
}

std::vector<std::pair<std::string, std::string>> programShortcuts(int count) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  std::vector<std::string> files;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((std::string(system) + "\\*.exe").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) fail("no programs in the system folder");
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) files.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(files.begin(), files.end());
  if (files.size() < static_cast<std::size_t>(count)) fail("too few programs in the system folder");
  std::vector<std::pair<std::string, std::string>> shortcuts;
  for (int i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "\xB3\xCC\xD0\xF2%02d", i + 1);  // 程序NN in GBK
    shortcuts.emplace_back(name, std::string(system) + "\\" + files[static_cast<std::size_t>(i)]);
  }
  return shortcuts;
}

std::string shortcutImage(const std::vector<std::pair<std::string, std::string>>& shortcuts) {
  corvalis::HashTable table;
  if (!corvalis::initializeShortcutTable(table)) fail("no table");
  for (const auto& [name, path] : shortcuts)
    if (table.set(name.c_str(), path.c_str()) != corvalis::SetResult::Added) fail("a shortcut was refused");
  const corvalis::ProcessHeapBytes image = table.serialize();
  return std::string(reinterpret_cast<const char*>(image.data()), image.size());
}

void writeFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) fail("cannot write " + path);
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != bytes.size()) fail("cannot write " + path);
}

void removeFile(const std::string& path) {
  if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) fail("cannot remove " + path);
}

void setAutostartValue(const std::string& exe) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    fail("cannot open the Run key");
  RegSetValueExA(key, kInstanceName, 0, REG_SZ, reinterpret_cast<const BYTE*>(exe.c_str()),
                 static_cast<DWORD>(exe.size() + 1));
  RegCloseKey(key);
}

std::string fullPath(const char* path) {
  char full[MAX_PATH] = {};
  if (GetFullPathNameA(path, MAX_PATH, full, nullptr) == 0) fail(std::string("no such path: ") + path);
  return full;
}

namespace {

BOOL CALLBACK appendStaticText(HWND child, LPARAM out) {
  char className[32] = {};
  GetClassNameA(child, className, sizeof className);
  if (lstrcmpiA(className, "Static") != 0) return TRUE;
  char buffer[256] = {};
  GetWindowTextA(child, buffer, sizeof buffer);
  if (buffer[0] != '\0') *reinterpret_cast<std::string*>(out) += buffer;
  return TRUE;
}

std::string childText(HWND box) {
  std::string text;
  EnumChildWindows(box, appendStaticText, reinterpret_cast<LPARAM>(&text));
  return text;
}

}  // namespace

BOOL CALLBACK look(HWND window, LPARAM context) {
  auto& seen = *reinterpret_cast<Sighting*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != seen.pid) return TRUE;
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, seen.barClass) == 0 && GetWindowTextLengthA(window) == 0 && IsWindowVisible(window))
    seen.bar = window;
  if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
    const std::string text = childText(window);
    if (text.rfind(kNoticeStart, 0) == 0) seen.notice = window;
    else if (!text.empty()) seen.otherBox = text;
  }
  return TRUE;
}

namespace {

BOOL CALLBACK closeOwn(HWND window, LPARAM context) {
  const auto& seen = *reinterpret_cast<const Sighting*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (pid == seen.pid && std::strcmp(className, seen.barClass) == 0) PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

void endChild(PROCESS_INFORMATION& process, Sighting& seen) {
  EnumWindows(closeOwn, reinterpret_cast<LPARAM>(&seen));
  if (WaitForSingleObject(process.hProcess, 15000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);  // our own child only
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

namespace {

struct Found {
  DWORD pid = 0;
  const wchar_t* title = nullptr;
  HWND window = nullptr;
};

BOOL CALLBACK findTitled(HWND window, LPARAM context) {
  auto& found = *reinterpret_cast<Found*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != found.pid || !IsWindowVisible(window)) return TRUE;
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  if (std::strcmp(className, kLauncherClass) == 0 && lstrcmpW(title, found.title) == 0) found.window = window;
  return TRUE;
}

}  // namespace

HWND waitForWindow(DWORD pid, const wchar_t* title, HANDLE process) {
  const double begin = nowMs();
  for (;;) {
    Found found{pid, title, nullptr};
    EnumWindows(findTitled, reinterpret_cast<LPARAM>(&found));
    if (found.window != nullptr) return found.window;
    if (nowMs() - begin > 30000 || WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return nullptr;
    Sleep(1);
  }
}

void click(HWND control, int x, int y) {
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageA(control, WM_MOUSEMOVE, 0, at);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(control, WM_LBUTTONUP, 0, at);
}

std::string fileBytes(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void settle(HANDLE process, double atLeast) {
  WaitForInputIdle(process, 5000);
  auto busy = [process] {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return 0ull;
    auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return ticks(kernel) + ticks(user);
  };
  const double begin = nowMs();
  unsigned long long last = busy();
  while (nowMs() - begin < 10000) {
    Sleep(150);
    const unsigned long long now = busy();
    if (now == last && nowMs() - begin >= atLeast) break;
    last = now;
  }
}

HWND openEditWindowAndMoveFirstRowDown(Launcher& launcher, double fillMs, double refillMs) {
  constexpr int kEditList = 207;  // the edit window's list
  constexpr int kEditRowPitch = 32;
  constexpr int kDownButtonFromRight = 68;  // the row's ↓ button: its left edge, 4 px below the row's top, 24 px square
  const HANDLE process = launcher.process.hProcess;
  // The bar's second row (below the 24-px first) opens the edit window.
  const POINT secondRow{kBarWidth / 2, 36};
  HWND barList = ChildWindowFromPoint(launcher.bar, secondRow);
  if (barList == nullptr || barList == launcher.bar) stopLauncher(launcher, "no list in the bar");
  click(barList, secondRow.x, secondRow.y);
  HWND edit = waitForWindow(launcher.process.dwProcessId, L"\x7F16\x8F91\x7A97\x53E3", process);  // 编辑窗口
  if (edit == nullptr) stopLauncher(launcher, "the edit window did not open");
  settle(process, fillMs);
  HWND list = GetDlgItem(edit, kEditList);
  if (list == nullptr) stopLauncher(launcher, "no list in the edit window");
  RECT listRect{};
  GetWindowRect(list, &listRect);
  const int width = listRect.right - listRect.left;
  // The pointer on the first row shows its buttons; then ↓ moves it a place down.
  PostMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(20, kEditRowPitch / 2));
  settle(process);
  const LPARAM button = MAKELPARAM(width - kDownButtonFromRight + 12, 4 + 12);
  PostMessageA(list, WM_MOUSEMOVE, 0, button);
  settle(process);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, button);
  PostMessageA(list, WM_LBUTTONUP, 0, button);
  settle(process, refillMs);
  return edit;
}

Launcher startLauncher(const std::string& exe) {
  Launcher launcher;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &launcher.process))
    fail("cannot start " + exe);
  const double begin = nowMs();
  while (launcher.bar == nullptr) {
    Sighting seen;
    seen.pid = launcher.process.dwProcessId;
    seen.barClass = kLauncherClass;
    EnumWindows(look, reinterpret_cast<LPARAM>(&seen));
    if (seen.notice != nullptr) PostMessageA(seen.notice, WM_COMMAND, IDOK, 0);
    if (!seen.otherBox.empty()) stopLauncher(launcher, "the program asked something: " + seen.otherBox);
    launcher.bar = seen.bar;
    if (nowMs() - begin > 60000) stopLauncher(launcher, "no bar window");
    Sleep(1);
  }
  return launcher;
}

void stopLauncher(Launcher& launcher, const std::string& failure) {
  Sighting seen;
  seen.pid = launcher.process.dwProcessId;
  seen.barClass = kLauncherClass;
  endChild(launcher.process, seen);
  if (!failure.empty()) fail(failure);
}

}  // namespace bench
