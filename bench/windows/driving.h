// What the Windows-side benchmarks share for driving the real program from outside:
// time, the shortcut file in the prefix's Documents folder, starting the launcher with
// its shell-hook notice answered, finding and clicking its windows, and ending it.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace bench {

inline constexpr char kLauncherClass[] = "CorvalisWindow";
inline constexpr int kBarWidth = 104;

// The program's name in failure messages.
extern const char* benchName;

double nowMs();
[[noreturn]] void fail(const std::string& what);
double median(std::vector<double> values);

// Corvalis.HashTable in the Documents folder of the prefix this runs in.
std::string documentsFile();
// The first `count` programs of the system folder (by name), each a shortcut named 程序NN.
std::vector<std::pair<std::string, std::string>> programShortcuts(int count);
// The image the launcher itself writes for these shortcuts.
std::string shortcutImage(const std::vector<std::pair<std::string, std::string>>& shortcuts);
void writeFile(const std::string& path, const std::string& bytes);
void removeFile(const std::string& path);
std::string fileBytes(const std::string& path);
// The launcher asks about autostart unless the Run value names it: name it beforehand.
void setAutostartValue(const std::string& exe);
std::string fullPath(const char* path);

// What a look over the top-level windows saw of one process: its bar (a window of
// `barClass` without a title, shown), the shell-hook notice Wine always brings, and the
// text of any other message box.
struct Sighting {
  DWORD pid = 0;
  const char* barClass = nullptr;
  HWND bar = nullptr;
  HWND notice = nullptr;
  std::string otherBox;
};
BOOL CALLBACK look(HWND window, LPARAM context);  // EnumWindows with a Sighting*

// Asks the child's windows to close, waits for it (ends it when it will not), and lets
// its handles go.
void endChild(PROCESS_INFORMATION& process, Sighting& seen);

// A shown window of the launcher's class with that title, of the process; null when
// none came within 30 s or the process ended.
HWND waitForWindow(DWORD pid, const wchar_t* title, HANDLE process);

// A left click on the control at its client point, posted as the pointer would send it.
void click(HWND control, int x, int y);

// Lets the program take what was posted and settle: at least `atLeast` ms, and until
// its processor time stops growing for 150 ms. The edit list fills its rows with icons
// while it answers messages, after its opening and after every move, and a close that
// comes before such a fill has ended drops the move (a bench must not do that); Wine's
// figures for another process's time are coarse, so the floor carries the wait.
void settle(HANDLE process, double atLeast = 0);

// The launcher started and its bar shown, the shell-hook notice answered on the way.
struct Launcher {
  PROCESS_INFORMATION process{};
  HWND bar = nullptr;
};
Launcher startLauncher(const std::string& exe);
// Opens the edit window from the bar's second row and moves its first row a place down
// with the row's button, letting the list fill for at least `fillMs` after the opening
// and `refillMs` after the move; the edit window, still open.
HWND openEditWindowAndMoveFirstRowDown(Launcher& launcher, double fillMs, double refillMs);
// Closes it and, with a failure, ends the bench with that message.
void stopLauncher(Launcher& launcher, const std::string& failure = {});

}  // namespace bench
