// wininfo.exe: the end-to-end tests' eyes and hands on the Windows side. It runs in
// the same Wine prefix as the program under test and answers one command per run,
// printing JSON lines in UTF-8:
//
//   launch CWD EXE            start EXE (CWD "-" keeps ours); print {"pid":N} with its
//                             image path, wait for it, print {"exit":N}; our own exit
//                             code is the child's
//   run CWD COMMANDLINE       the same for a command line started with no application
//                             name, as the system starts a Run value
//   windows [pid=N] [class=C] top-level windows, with class, title, rectangle, client
//                             rectangle (screen coordinates), styles, owner, topmost,
//                             visibility, enabled state and the thread that made it
//   children HWND             child windows: id, class, text, style, icon, rectangle,
//                             parent, and whether the UI library's window properties
//                             "hUnit" and "Tab_Control" are set
//   post|send HWND MSG W L    PostMessage / SendMessageTimeout
//   press HWND ID             WM_COMMAND ID to a dialog (a message box button)
//   regquery ROOT SUBKEY NAME / regset ROOT SUBKEY NAME TYPE DATA / regdelete ROOT SUBKEY NAME
//   cwd PID                   the process's current directory, read from its PEB
//   event NAME                whether a named event can be opened
//   proc PID                  whether the process runs, and its exit code
//   kill PID                  TerminateProcess (only for processes the tests started)
//   documents                 the user's documents folder, where the program keeps its
//                             shortcut file
//   settingchange AREA        WM_SETTINGCHANGE with the text AREA to every top-level
//                             window, as the system says that "Environment" changed
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "base/win_handles.h"

namespace {

std::string utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::string json(const std::wstring& wide) {
  std::string out = "\"";
  for (const char c : utf8(wide)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void emit(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

unsigned long long number(const std::wstring& text) { return std::wcstoull(text.c_str(), nullptr, 0); }

HWND window(const std::wstring& text) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(number(text)));
}

std::string handle(const void* value) { return std::to_string(reinterpret_cast<std::uintptr_t>(value)); }

std::wstring className(HWND hwnd) {
  wchar_t buffer[256] = {};
  GetClassNameW(hwnd, buffer, 256);
  return buffer;
}

std::wstring windowText(HWND hwnd) {
  // Across processes WM_GETTEXT is answered by the window; a timeout keeps a hung
  // program from hanging the tests.
  wchar_t buffer[1024] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &copied);
  return buffer;
}

struct WindowFilter {
  DWORD pid = 0;
  std::wstring windowClass;
};

BOOL CALLBACK listTopLevel(HWND hwnd, LPARAM parameter) {
  const auto* filter = reinterpret_cast<const WindowFilter*>(parameter);
  DWORD pid = 0;
  const DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
  if (filter->pid != 0 && pid != filter->pid) return TRUE;
  const std::wstring cls = className(hwnd);
  if (!filter->windowClass.empty() && cls != filter->windowClass) return TRUE;
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  RECT client{};
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
  char clientLine[96];
  std::snprintf(clientLine, sizeof clientLine, ",\"client\":[%ld,%ld,%ld,%ld]", client.left, client.top, client.right,
                client.bottom);
  char line[512];
  std::snprintf(line, sizeof line,
                "\"pid\":%lu,\"tid\":%lu,\"rect\":[%ld,%ld,%ld,%ld],\"style\":%lu,\"exstyle\":%lu,\"topmost\":%s,"
                "\"visible\":%s,\"enabled\":%s",
                static_cast<unsigned long>(pid), static_cast<unsigned long>(tid), rect.left, rect.top, rect.right, rect.bottom,
                static_cast<unsigned long>(style), static_cast<unsigned long>(exStyle),
                (exStyle & WS_EX_TOPMOST) ? "true" : "false", IsWindowVisible(hwnd) ? "true" : "false",
                IsWindowEnabled(hwnd) ? "true" : "false");
  emit("{\"hwnd\":" + handle(hwnd) + ",\"owner\":" + handle(GetWindow(hwnd, GW_OWNER)) + ",\"class\":" + json(cls) +
       ",\"title\":" + json(windowText(hwnd)) + "," + line + clientLine + "}");
  return TRUE;
}

BOOL CALLBACK listChild(HWND hwnd, LPARAM) {
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const std::wstring cls = className(hwnd);
  bool hasIcon = false;
  if (_wcsicmp(cls.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
    DWORD_PTR icon = 0;
    SendMessageTimeoutW(hwnd, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
    hasIcon = icon != 0;
  }
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  char geometry[160];
  std::snprintf(geometry, sizeof geometry, ",\"rect\":[%ld,%ld,%ld,%ld],\"exstyle\":%lu", rect.left, rect.top,
                rect.right, rect.bottom, static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE)));
  emit("{\"hwnd\":" + handle(hwnd) + ",\"id\":" + std::to_string(GetDlgCtrlID(hwnd)) + ",\"class\":" + json(cls) +
       ",\"text\":" + json(windowText(hwnd)) + ",\"style\":" + std::to_string(static_cast<unsigned long>(style)) +
       ",\"visible\":" + (IsWindowVisible(hwnd) ? "true" : "false") + ",\"icon\":" + (hasIcon ? "true" : "false") +
       ",\"parent\":" + handle(GetParent(hwnd)) + geometry +
       ",\"unit\":" + (GetPropA(hwnd, "hUnit") != nullptr ? "true" : "false") +
       ",\"bound\":" + (GetPropA(hwnd, "Tab_Control") != nullptr ? "true" : "false") + "}");
  return TRUE;
}

HKEY rootKey(const std::wstring& name) {
  if (name == L"HKLM") return HKEY_LOCAL_MACHINE;
  if (name == L"HKCU") return HKEY_CURRENT_USER;
  if (name == L"HKCR") return HKEY_CLASSES_ROOT;
  if (name == L"HKU") return HKEY_USERS;
  return nullptr;
}

int regQuery(HKEY root, const std::wstring& subkey, const std::wstring& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    emit("{\"exists\":false}");
    return 0;
  }
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) {
    RegCloseKey(key);
    emit("{\"exists\":false}");
    return 0;
  }
  std::vector<BYTE> data(size + sizeof(wchar_t));
  status = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return 2;
  std::string value;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    // Stored with or without its terminating zero: the text ends at the first zero.
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    const auto end = text.find(L'\0');
    const bool terminated = end != std::wstring::npos;
    if (terminated) text.resize(end);
    value = json(text) + ",\"terminated\":" + (terminated ? "true" : "false");
  } else if (type == REG_DWORD && size == 4) {
    DWORD dword = 0;
    std::memcpy(&dword, data.data(), 4);
    value = std::to_string(dword);
  } else {
    value = "null";
  }
  emit("{\"exists\":true,\"type\":" + std::to_string(type) + ",\"data\":" + value + "}");
  return 0;
}

int regSet(HKEY root, const std::wstring& subkey, const std::wstring& name, const std::wstring& type,
           const std::wstring& data) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return 2;
  LONG status;
  if (type == L"dword") {
    const DWORD value = static_cast<DWORD>(number(data));
    status = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  } else {
    const DWORD kind = type == L"expand_sz" ? REG_EXPAND_SZ : REG_SZ;
    status = RegSetValueExW(key, name.c_str(), 0, kind, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : 2;
}

int regDelete(HKEY root, const std::wstring& subkey, const std::wstring& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return 0;
  const LONG status = RegDeleteValueW(key, name.c_str());
  RegCloseKey(key);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? 0 : 2;
}

// RTL_USER_PROCESS_PARAMETERS.CurrentDirectory.DosPath, found through the PEB; the
// helper and the program have the same bitness, so the offsets are ours.
int currentDirectoryOf(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == nullptr) return 2;
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<std::uintptr_t>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  int result = 2;
  constexpr std::size_t kParametersOffset = sizeof(void*) == 8 ? 0x20 : 0x10;
  constexpr std::size_t kCurrentDirectoryOffset = sizeof(void*) == 8 ? 0x38 : 0x24;
  if (query != nullptr && query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0) {
    void* parameters = nullptr;
    UNICODE_STRING path{};
    const auto* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    if (ReadProcessMemory(process, peb + kParametersOffset, &parameters, sizeof parameters, nullptr) &&
        ReadProcessMemory(process, static_cast<const BYTE*>(parameters) + kCurrentDirectoryOffset, &path,
                          sizeof path, nullptr)) {
      std::wstring text(path.Length / sizeof(wchar_t), L'\0');
      if (ReadProcessMemory(process, path.Buffer, text.data(), path.Length, nullptr)) {
        emit("{\"cwd\":" + json(text) + "}");
        result = 0;
      }
    }
  }
  CloseHandle(process);
  return result;
}

std::wstring imagePath(HANDLE process) {
  wchar_t path[MAX_PATH * 2] = {};
  DWORD size = MAX_PATH * 2;
  return QueryFullProcessImageNameW(process, 0, path, &size) ? std::wstring(path, size) : std::wstring();
}

// Starts a process, prints {"pid":N,"image":PATH,"command_line":TEXT}, waits for it
// and prints {"exit":N}; our own exit code is the child's.
int startAndWait(const wchar_t* application, std::wstring commandLine, const std::wstring& directory) {
  const std::wstring given = commandLine;  // CreateProcessW may write into its copy
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(application, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory == L"-" ? nullptr : directory.c_str(), &startup, &info)) {
    emit("{\"error\":" + std::to_string(GetLastError()) + "}");
    return 2;
  }
  const corvalis::UniqueKernelHandle process(info.hProcess);
  const corvalis::UniqueKernelHandle thread(info.hThread);
  emit("{\"pid\":" + std::to_string(info.dwProcessId) + ",\"image\":" + json(imagePath(process.get())) +
       ",\"command_line\":" + json(given) + "}");
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  emit("{\"exit\":" + std::to_string(code) + "}");
  return static_cast<int>(code);
}

int launch(const std::wstring& directory, const std::wstring& exe) {
  return startAndWait(exe.c_str(), L"\"" + exe + L"\"", directory);
}

// As the system starts a Run value: the whole text is the command line and there is
// no application name, so CreateProcess itself picks the program out of it.
int runCommandLine(const std::wstring& directory, const std::wstring& commandLine) {
  return startAndWait(nullptr, commandLine, directory);
}

int processState(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) {
    emit("{\"running\":false}");
    return 0;
  }
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  emit(std::string("{\"running\":") + (code == STILL_ACTIVE ? "true" : "false") + ",\"exit\":" +
       std::to_string(code) + "}");
  return 0;
}

int usage() {
  std::fputs("usage: wininfo launch|run|windows|children|post|send|press|regquery|regset|regdelete|cwd|event|proc|"
             "kill|documents|settingchange\n",
             stderr);
  return 64;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count < 2) return usage();
  std::vector<std::wstring> args(arguments + 1, arguments + count);
  LocalFree(arguments);
  const std::wstring& command = args[0];

  if (command == L"launch" && args.size() == 3) return launch(args[1], args[2]);
  if (command == L"run" && args.size() == 3) return runCommandLine(args[1], args[2]);
  if (command == L"windows") {
    WindowFilter filter;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (args[i].rfind(L"pid=", 0) == 0) filter.pid = static_cast<DWORD>(number(args[i].substr(4)));
      if (args[i].rfind(L"class=", 0) == 0) filter.windowClass = args[i].substr(6);
    }
    EnumWindows(listTopLevel, reinterpret_cast<LPARAM>(&filter));
    return 0;
  }
  if (command == L"children" && args.size() == 2) {
    EnumChildWindows(window(args[1]), listChild, 0);
    return 0;
  }
  if ((command == L"post" || command == L"send") && args.size() == 5) {
    const HWND target = window(args[1]);
    const auto message = static_cast<UINT>(number(args[2]));
    const auto wParam = static_cast<WPARAM>(number(args[3]));
    const auto lParam = static_cast<LPARAM>(number(args[4]));
    if (command == L"post") return PostMessageW(target, message, wParam, lParam) ? 0 : 2;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(target, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) return 2;
    emit("{\"result\":" + std::to_string(result) + "}");
    return 0;
  }
  if (command == L"press" && args.size() == 3) {
    const HWND dialog = window(args[1]);
    const int id = static_cast<int>(number(args[2]));
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr) return 2;
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) ? 0 : 2;
  }
  if (command == L"regquery" && args.size() == 4) return regQuery(rootKey(args[1]), args[2], args[3]);
  if (command == L"regset" && args.size() == 6) return regSet(rootKey(args[1]), args[2], args[3], args[4], args[5]);
  if (command == L"regdelete" && args.size() == 4) return regDelete(rootKey(args[1]), args[2], args[3]);
  if (command == L"cwd" && args.size() == 2) return currentDirectoryOf(static_cast<DWORD>(number(args[1])));
  if (command == L"event" && args.size() == 2) {
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, args[1].c_str());
    emit(std::string("{\"exists\":") + (event != nullptr ? "true" : "false") + "}");
    if (event != nullptr) CloseHandle(event);
    return 0;
  }
  if (command == L"documents" && args.size() == 1) {
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PERSONAL, FALSE)) return 2;
    emit("{\"path\":" + json(folder) + "}");
    return 0;
  }
  if (command == L"settingchange" && args.size() == 2) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(args[1].c_str()),
                               SMTO_ABORTIFHUNG, 5000, &result) != 0
               ? 0
               : 2;
  }
  if (command == L"proc" && args.size() == 2) return processState(static_cast<DWORD>(number(args[1])));
  if (command == L"kill" && args.size() == 2) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(number(args[1])));
    if (process == nullptr) return 2;
    const BOOL done = TerminateProcess(process, 1);
    CloseHandle(process);
    return done ? 0 : 2;
  }
  return usage();
}
