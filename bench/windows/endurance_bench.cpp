// endurance_bench.exe: whether the launcher's memory stays flat over a long run.
//
//   endurance_bench.exe BAR_EXE
//
// The launcher starts with 10 shortcuts to programs of the system folder and is used
// as a user would, every input posted to its windows: the bar revealed (the edge's
// release message) and sent back out (another window takes the foreground), the edit
// window opened with its first row moved down and closed (each a save and a rebuild of
// the bar), and a file added through the open-file dialog (a save and a rebuild; the
// same name each time, its path alternating, so the table keeps its size). After a
// warm-up of each, the process's memory is read; again after 200 reveals, 50 edit
// rounds and 50 adds. Wine answers no private bytes or GDI counts, so the figures are
// Linux's for the Wine process (/proc/PID/smaps_rollup, read through drive Z:).
//
// The output ends with
//   ratio endurance-memory <cycles> <private dirty memory at the end / after the warm-up>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/windows/driving.h"

namespace {

using namespace bench;

constexpr int kShortcuts = 10;
constexpr int kReveals = 200, kEdits = 50, kAdds = 50;
constexpr int kWarmReveals = 10, kWarmEdits = 5, kWarmAdds = 5;

struct Memory {
  long rssKb = 0;
  long privateDirtyKb = 0;
};

// The Linux process of the launcher: the one whose command line starts with its file.
std::string linuxProcessOf(const std::string& exe) {
  const std::string name = exe.substr(exe.find_last_of('\\') + 1);
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
  if (search == INVALID_HANDLE_VALUE) fail("no /proc through drive Z:");
  std::string pid;
  do {
    if (found.cFileName[0] < '0' || found.cFileName[0] > '9') continue;
    const std::string commandLine = fileBytes(std::string("Z:\\proc\\") + found.cFileName + "\\cmdline");
    const std::string first = commandLine.substr(0, commandLine.find('\0'));
    if (first.size() >= name.size() && lstrcmpiA(first.c_str() + first.size() - name.size(), name.c_str()) == 0)
      pid = found.cFileName;
  } while (pid.empty() && FindNextFileA(search, &found));
  FindClose(search);
  if (pid.empty()) fail("no Linux process runs " + name);
  return pid;
}

long field(const std::string& text, const char* name) {
  const std::size_t at = text.find(name);
  return at == std::string::npos ? -1 : std::strtol(text.c_str() + at + std::strlen(name), nullptr, 10);
}

Memory memoryOf(const std::string& linuxPid) {
  const std::string rollup = fileBytes("Z:\\proc\\" + linuxPid + "\\smaps_rollup");
  Memory memory{field(rollup, "\nRss:"), field(rollup, "\nPrivate_Dirty:")};
  if (memory.rssKb <= 0 || memory.privateDirtyKb <= 0) fail("cannot read the memory of process " + linuxPid);
  return memory;
}

LRESULT CALLBACK plainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

class Run {
 public:
  Run(const std::string& exe, const std::string& file) : exe_(exe), file_(file) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = plainWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"CorvalisEnduranceOther";
    RegisterClassW(&windowClass);
    // Another program's window: when it takes the foreground, the bar goes.
    other_ = CreateWindowExW(0, windowClass.lpszClassName, L"other", WS_POPUP | WS_VISIBLE, 200, 200, 300, 200,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetCursorPos(0, 0);  // the real pointer stays off the program's windows
    launcher_ = startLauncher(exe);
    settle(launcher_.process.hProcess, 500);
    screenWidth_ = GetSystemMetrics(SM_CXSCREEN);
    reveal_ = RegisterWindowMessageW(L"corvalisbar edge release");
  }
  ~Run() { stopLauncher(launcher_); }

  void reveal() {
    PostMessageW(launcher_.bar, reveal_, 0, 0);
    waitLeft(screenWidth_ - kBarWidth, "the bar did not slide in");
    waitInFront();
  }
  void sendOut() {
    SetForegroundWindow(other_);
    waitLeft(screenWidth_, "the bar did not slide out when another window took the foreground");
  }
  void edit() {
    const HWND editWindow = openEditWindowAndMoveFirstRowDown(launcher_, 300, 300);
    PostMessageA(editWindow, WM_CLOSE, 0, 0);
    waitLeft(screenWidth_ - kBarWidth, "the bar did not slide in after the edit");
    waitInFront();
    settle(launcher_.process.hProcess);
    sendOut();
  }
  void add(int round) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string path = std::string(windows) + (round % 2 == 0 ? "\\notepad.exe" : "\\system32\\notepad.exe");
    const POINT firstRow{kBarWidth / 2, 12};
    click(ChildWindowFromPoint(launcher_.bar, firstRow), firstRow.x, firstRow.y);
    const HWND dialog = waitForDialog();
    // The file-name box: a combo box in the explorer-style dialog, an edit box in the old one.
    HWND name = GetDlgItem(dialog, 0x47C);
    if (name == nullptr) name = GetDlgItem(dialog, 0x480);
    if (name == nullptr) stopLauncher(launcher_, "no file-name box in the dialog");
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    const double begin = nowMs();
    while (fileBytes(file_).find(path) == std::string::npos) {
      if (nowMs() - begin > 30000) stopLauncher(launcher_, "the add was not saved");
      Sleep(10);
    }
    settle(launcher_.process.hProcess, 200);
  }

  Memory memory() { return memoryOf(linuxProcessOf(exe_)); }

 private:
  // A slide-in ends with the bar taking the foreground, a moment after it lies flush.
  void waitInFront() {
    const double begin = nowMs();
    while (GetForegroundWindow() != launcher_.bar) {
      if (nowMs() - begin > 15000) stopLauncher(launcher_, "the bar did not take the foreground");
      Sleep(5);
    }
  }
  void waitLeft(int left, const char* failure) {
    const double begin = nowMs();
    for (;;) {
      RECT rect{};
      GetWindowRect(launcher_.bar, &rect);
      if (rect.left == left) return;
      if (nowMs() - begin > 15000) stopLauncher(launcher_, failure);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(5);
    }
  }
  HWND waitForDialog() {
    const double begin = nowMs();
    for (;;) {
      HWND dialog = nullptr;
      while ((dialog = FindWindowExW(nullptr, dialog, L"#32770", L"\x6DFB\x52A0\x6587\x4EF6")) != nullptr) {  // 添加文件
        DWORD pid = 0;
        GetWindowThreadProcessId(dialog, &pid);
        if (pid == launcher_.process.dwProcessId && IsWindowVisible(dialog)) {
          settle(launcher_.process.hProcess, 100);
          return dialog;
        }
      }
      if (nowMs() - begin > 30000) stopLauncher(launcher_, "the open-file dialog did not show");
      Sleep(10);
    }
  }

  std::string exe_, file_;
  HWND other_ = nullptr;
  Launcher launcher_;
  int screenWidth_ = 0;
  UINT reveal_ = 0;
};

void use(Run& run, int reveals, int edits, int adds) {
  for (int i = 0; i < reveals; ++i) {
    run.reveal();
    run.sendOut();
  }
  for (int i = 0; i < edits; ++i) run.edit();
  for (int i = 0; i < adds; ++i) run.add(i);
}

}  // namespace

int main(int argc, char** argv) {
  benchName = "endurance_bench";
  if (argc < 2) fail("usage: endurance_bench BAR_EXE");
  const std::string exe = fullPath(argv[1]);
  const std::string file = documentsFile();
  writeFile(file, shortcutImage(programShortcuts(kShortcuts)));
  setAutostartValue(exe);
  Memory warm, end;
  {
    Run run(exe, file);
    use(run, kWarmReveals, kWarmEdits, kWarmAdds);
    warm = run.memory();
    const double begin = nowMs();
    use(run, kReveals, kEdits, kAdds);
    end = run.memory();
    std::printf("# endurance: %d reveals and slide-outs, %d edit-window rounds with a move, %d adds (%.0f s)\n",
                kReveals, kEdits, kAdds, (nowMs() - begin) / 1000);
  }
  removeFile(file);
  std::printf("  %-22s %10s %10s %8s\n", "memory (kB)", "warmed up", "at the end", "ratio");
  std::printf("  %-22s %10ld %10ld %8.3f\n", "Rss", warm.rssKb, end.rssKb,
              static_cast<double>(end.rssKb) / static_cast<double>(warm.rssKb));
  std::printf("  %-22s %10ld %10ld %8.3f\n", "Private_Dirty", warm.privateDirtyKb, end.privateDirtyKb,
              static_cast<double>(end.privateDirtyKb) / static_cast<double>(warm.privateDirtyKb));
  std::printf("ratio endurance-memory %d %.3f\n", kReveals + kEdits + kAdds,
              static_cast<double>(end.privateDirtyKb) / static_cast<double>(warm.privateDirtyKb));
  return 0;
}
