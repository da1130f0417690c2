// startup_bench.exe: how long the launcher takes to start, next to a bare program that
// shows one topmost 104-pixel tool window (bare_bar.exe), in the same run.
//
//   startup_bench.exe BAR_EXE BARE_EXE [runs]        (runs: at least 10, default 12)
//
// Six kinds of start alternate run by run, after one untimed warm-up of each: the
// bare window; the bare window after the shell-hook notice, and after the notice, OLE
// and the shell's COM objects (bare_steps.exe, beside bare_bar.exe: steps the launcher
// cannot leave out); the launcher with no shortcut file, with 30 shortcuts to programs
// of the system folder, and with the same 30 rows pointing at files that do not exist
// (the rows without the shell's icon extraction). A
// start is timed from CreateProcess until the program's bar window exists and is
// visible. Under Wine the launcher first shows a notice that the shell-hook window
// could not be registered; the harness answers it with OK at once, and the time from
// the first sight of the notice until it is gone is taken out of the figure. Any other
// message box fails the run. Once the bar shows, the harness waits until the program
// is idle, reads its peak working set and ends it with WM_CLOSE.
//
// Then the rebuild of 30 rows after an edit (see timeRebuild), as many runs. Last, in
// this process: where the time of 30 rows goes - loading the shortcut
// file, COM set-up, the shell's icon lookup and the drawing of each row's image - for
// the same 30 files, the whole row image for the 30 missing ones, and the 30 images
// made ahead on helper threads as the launcher's build makes them.
//
// The shortcut file is the one the launcher reads: Corvalis.HashTable in the Documents
// folder of the prefix this runs in. It is replaced by the 30 shortcuts or removed
// before each start, and removed at the end. ./bench.sh runs this only in the test
// prefix, whose Documents is a folder of its own inside the build folder.
//
// The output ends with
//   ratio startup 0 <no shortcuts / bare window>
//   ratio startup 30 <30 shortcuts / bare window>
//   ratio rebuild 30 <rebuild of 30 rows / start with no shortcuts>
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/windows/driving.h"
#include "launcher/icon_image.h"
#include "launcher/icon_images.h"
#include "launcher/shortcut_file.h"
#include "store/hash_table.h"

namespace {

using namespace bench;

constexpr int kShortcutCount = 30;
constexpr char kBareClass[] = "CorvalisBareBar";

// ---------------------------------------------------------------------------
// One timed start

struct Start {
  double milliseconds = 0;  // notice excluded
  double noticeMs = 0;
  double peakWorkingSetMb = 0;
};

Start timeStart(const std::string& exe, const char* barClass, const char* arguments = "") {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + exe + "\"";
  if (*arguments != '\0') commandLine += std::string(" ") + arguments;
  const double begin = nowMs();
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    fail("cannot start " + exe);
  Sighting seen;
  seen.pid = process.dwProcessId;
  seen.barClass = barClass;
  HWND notice = nullptr;
  double noticeSeen = 0, noticeGone = 0;
  Start result;
  for (;;) {
    seen.bar = nullptr;
    seen.notice = nullptr;
    EnumWindows(look, reinterpret_cast<LPARAM>(&seen));
    const double now = nowMs();
    if (!seen.otherBox.empty()) {
      TerminateProcess(process.hProcess, 1);
      fail("the program asked something: " + seen.otherBox);
    }
    if (seen.notice != nullptr && notice == nullptr) {
      notice = seen.notice;
      noticeSeen = now;
      PostMessageA(notice, WM_COMMAND, IDOK, 0);
    }
    if (notice != nullptr && noticeGone == 0 && (!IsWindow(notice) || !IsWindowVisible(notice))) noticeGone = now;
    if (seen.bar != nullptr) {
      if (notice != nullptr && noticeGone == 0) noticeGone = now;
      result.noticeMs = noticeGone - noticeSeen;
      result.milliseconds = now - begin - result.noticeMs;
      break;
    }
    if (now - begin > 60000 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 1);
      fail("no bar window from " + exe);
    }
    Sleep(1);
  }
  WaitForInputIdle(process.hProcess, 10000);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
    result.peakWorkingSetMb = static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
  endChild(process, seen);
  return result;
}

// ---------------------------------------------------------------------------
// The rebuild of 30 rows after an edit: the launcher starts with 30 shortcuts (its bar
// parked beyond the edge), the edit window opens from the bar's second row, its first
// row moves down a place, and the window closes. Timed from the close until the bar
// lies flush with the right edge, rebuilt and slid in. Every input is a message posted
// to the control under it, as the pointer would send it.

double timeRebuild(const std::string& exe, const std::string& file, const std::string& image) {
  writeFile(file, image);
  // The real pointer stays off the program's windows: its moves would move the hover.
  SetCursorPos(0, 0);
  Launcher launcher = startLauncher(exe);
  PROCESS_INFORMATION& process = launcher.process;
  const HWND bar = launcher.bar;
  auto stop = [&](const char* failure) { stopLauncher(launcher, failure != nullptr ? failure : ""); };
  settle(process.hProcess);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  RECT rect{};
  GetWindowRect(bar, &rect);
  if (rect.left < screenWidth) stop("the bar with 30 shortcuts did not park beyond the edge");

  const HWND edit = openEditWindowAndMoveFirstRowDown(launcher, 2000, 2500);

  const double closed = nowMs();
  PostMessageA(edit, WM_CLOSE, 0, 0);
  double flush = 0;
  for (;;) {
    GetWindowRect(bar, &rect);
    const double now = nowMs();
    if (rect.left == screenWidth - kBarWidth) {
      flush = now;
      break;
    }
    if (now - closed > 30000)
      stop(fileBytes(file) != image ? "the bar did not slide in after the edit"
                                    : "the edit changed nothing: the shortcut file is as it was");
    Sleep(1);
  }
  const bool changed = fileBytes(file) != image;
  stop(changed ? nullptr : "the edit changed nothing: the shortcut file is as it was");
  return flush - closed;
}

// ---------------------------------------------------------------------------
// Where the time of 30 rows goes, in this process

void breakDown(const std::vector<std::pair<std::string, std::string>>& shortcuts,
               const std::vector<std::pair<std::string, std::string>>& missing, const std::string& imagePath) {
  constexpr int kRounds = 5;
  std::vector<double> load, com, lookup, draw, whole, missingWhole, ahead;
  for (int round = 0; round < kRounds; ++round) {
    double begin = nowMs();
    corvalis::HashTable table;
    corvalis::ProcessHeapList keys, values;
    if (!corvalis::initializeShortcutTable(table) || !corvalis::loadShortcutFile(table, imagePath)) fail("cannot load");
    table.keys(keys);
    table.values(values);
    load.push_back(nowMs() - begin);
    double comMs = 0, lookupMs = 0, drawMs = 0;
    for (const auto& entry : shortcuts) {
      double t = nowMs();
      const bool initialized = SUCCEEDED(CoInitialize(nullptr));
      if (initialized) CoUninitialize();
      comMs += nowMs() - t;
      t = nowMs();
      SHFILEINFOA info{};
      if (SHGetFileInfoA(entry.second.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_ICON) != 0 &&
          info.hIcon != nullptr)
        DestroyIcon(info.hIcon);
      lookupMs += nowMs() - t;
      t = nowMs();
      const corvalis::ByteString image = corvalis::iconImage(entry.second);
      drawMs += nowMs() - t;
      if (image.size() != corvalis::kIconImageSize) fail("icon image of the wrong size");
    }
    com.push_back(comMs);
    lookup.push_back(lookupMs);
    // iconImage does all three; what it takes beyond COM and the lookup is the drawing.
    draw.push_back(drawMs - comMs - lookupMs);
    whole.push_back(drawMs);
    double t = nowMs();
    for (const auto& entry : missing) corvalis::iconImage(entry.second);
    missingWhole.push_back(nowMs() - t);
    // As the build makes them now: helpers ahead of the loop that takes them in order.
    t = nowMs();
    {
      std::vector<std::string_view> paths;
      for (const auto& entry : shortcuts) paths.emplace_back(entry.second);
      corvalis::IconImages images(paths, corvalis::kIconSide);
      for (std::size_t i = 0; i < paths.size(); ++i)
        if (images.take(i).size() != corvalis::kIconImageSize) fail("icon image of the wrong size");
    }
    ahead.push_back(nowMs() - t);
  }
  std::printf("# where 30 rows' time goes, in the harness's process (median of %d, ms for all 30)\n", kRounds);
  std::printf("  %-44s %8.2f\n", "load the file, list names and paths", median(load));
  std::printf("  %-44s %8.2f\n", "COM set-up and tear-down (30 times)", median(com));
  std::printf("  %-44s %8.2f\n", "shell icon lookup SHGetFileInfo (30 times)", median(lookup));
  std::printf("  %-44s %8.2f\n", "drawing and reading back 32x32 (30 times)", median(draw));
  std::printf("  %-44s %8.2f\n", "iconImage as the launcher calls it (30)", median(whole));
  std::printf("  %-44s %8.2f\n", "iconImage of 30 missing files", median(missingWhole));
  std::printf("  %-44s %8.2f\n", "the 30 images made ahead (IconImages)", median(ahead));
  std::printf("  %-44s %8.2f\n", "first round's lookups (the shell's set-up too)", lookup.front());
}

}  // namespace

int main(int argc, char** argv) {
  benchName = "startup_bench";
  if (argc < 3) fail("usage: startup_bench BAR_EXE BARE_EXE [runs]");
  const std::string bar = fullPath(argv[1]);
  const std::string bare = fullPath(argv[2]);
  const int runs = argc > 3 ? std::max(10, std::atoi(argv[3])) : 12;
  // The harness's own process is a GUI client too: COM as the launcher has it.
  OleInitialize(nullptr);

  const std::string file = documentsFile();
  const auto shortcuts = programShortcuts(kShortcutCount);
  const std::string image = shortcutImage(shortcuts);
  setAutostartValue(bar);

  // 30 shortcuts to files that do not exist: the same rows without the shell's icon
  // lookups (it finds nothing at once), to tell the rows' own cost from the icons'.
  auto missingShortcuts = shortcuts;
  for (auto& entry : missingShortcuts) entry.second.insert(entry.second.rfind('\\'), "\\no-such-folder");
  const std::string missingImage = shortcutImage(missingShortcuts);

  // bare_steps.exe lies beside bare_bar.exe.
  const std::string steps = bare.substr(0, bare.find_last_of('\\') + 1) + "bare_steps.exe";
  enum Kind { kBare, kBareNotice, kBareSteps, kEmpty, kThirty, kThirtyMissing, kKindCount };
  const char* const names[kKindCount] = {"bare window",
                                         "  + notice",
                                         "  + notice, OLE, shell objects",
                                         "launcher, no shortcut file",
                                         "launcher, 30 shortcuts",
                                         "launcher, 30 to missing files"};
  std::vector<Start> starts[kKindCount];
  auto once = [&](int kind) {
    if (kind == kThirty) writeFile(file, image);
    else if (kind == kThirtyMissing) writeFile(file, missingImage);
    else removeFile(file);
    if (kind == kBare) return timeStart(bare, kBareClass);
    if (kind == kBareNotice) return timeStart(steps, kBareClass, "notice");
    if (kind == kBareSteps) return timeStart(steps, kBareClass, "notice shell");
    return timeStart(bar, kLauncherClass);
  };
  for (int kind = 0; kind < kKindCount; ++kind) once(kind);  // warm-up, not counted
  for (int run = 0; run < runs; ++run)
    for (int kind = 0; kind < kKindCount; ++kind) starts[kind].push_back(once(kind));
  removeFile(file);

  std::printf("# start-up until the bar window shows, %d alternating runs each (ms; the notice's time taken out)\n",
              runs);
  std::printf("# %-30s %8s %8s %8s %12s %14s\n", "start", "median", "lowest", "highest", "notice (med)",
              "peak WS (MB)");
  double medians[kKindCount];
  for (int kind = 0; kind < kKindCount; ++kind) {
    std::vector<double> ms, notice, peak;
    for (const Start& s : starts[kind]) {
      ms.push_back(s.milliseconds);
      notice.push_back(s.noticeMs);
      peak.push_back(s.peakWorkingSetMb);
    }
    medians[kind] = median(ms);
    std::printf("  %-30s %8.1f %8.1f %8.1f %12.1f %14.1f\n", names[kind], medians[kind],
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()), median(notice),
                median(peak));
  }
  std::printf("  30 shortcuts / no shortcuts: %.3f\n", medians[kThirty] / medians[kEmpty]);
  // The steps the launcher cannot leave out, each on top of the bare window: the part
  // of the empty start's ratio that no change to the launcher can take away.
  std::printf("  the bare window with the notice / bare window: %.3f; with the notice, OLE and the shell objects: %.3f\n",
              medians[kBareNotice] / medians[kBare], medians[kBareSteps] / medians[kBare]);
  std::printf("  no shortcuts / the bare window with those steps: %.3f\n", medians[kEmpty] / medians[kBareSteps]);
  // The load on a shared machine drifts; the ratio of each run to the bare start right
  // before it shows how far the ratio of the medians can be trusted.
  std::vector<double> perRun;
  for (int run = 0; run < runs; ++run) perRun.push_back(starts[kEmpty][run].milliseconds / starts[kBare][run].milliseconds);
  std::printf("  no shortcuts / bare window, run by run: median %.3f, lowest %.3f, highest %.3f\n", median(perRun),
              *std::min_element(perRun.begin(), perRun.end()), *std::max_element(perRun.begin(), perRun.end()));
  std::fflush(stdout);

  std::vector<double> rebuilds;
  for (int run = 0; run < runs; ++run) rebuilds.push_back(timeRebuild(bar, file, image));
  removeFile(file);
  std::printf("# rebuild of 30 rows, from the edit window's close (its first row moved down) to the bar flush at the edge\n");
  std::printf("  %-30s %8.1f %8.1f %8.1f  (ms, %d runs)\n", "rebuild 30", median(rebuilds),
              *std::min_element(rebuilds.begin(), rebuilds.end()), *std::max_element(rebuilds.begin(), rebuilds.end()),
              runs);
  std::fflush(stdout);

  writeFile(file, image);
  breakDown(shortcuts, missingShortcuts, file);
  removeFile(file);

  std::printf("ratio startup 0 %.3f\n", medians[kEmpty] / medians[kBare]);
  std::printf("ratio startup 30 %.3f\n", medians[kThirty] / medians[kBare]);
  std::printf("ratio rebuild 30 %.3f\n", median(rebuilds) / medians[kEmpty]);
  OleUninitialize();
  return 0;
}
