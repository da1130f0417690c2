// The icon images made ahead on helper threads are the images iconImage makes, row by
// row, whatever order they are taken in, and the helpers are gone with the object.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "launcher/icon_image.h"
#include "launcher/icon_images.h"

namespace corvalis {
namespace {

// Programs of the system folder (each with an icon of its own), this test program,
// and files that do not exist, one of them with a GBK name.
std::vector<std::string> samplePaths() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  std::vector<std::string> programs;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((std::string(system) + "\\*.exe").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do programs.push_back(std::string(system) + "\\" + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
  std::sort(programs.begin(), programs.end());
  programs.resize(std::min<std::size_t>(programs.size(), 8));
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  programs.insert(programs.begin() + std::min<std::size_t>(programs.size(), 3), self);
  programs.push_back("C:\\no such folder\\\xC8\xB1\xCA\xA7.exe");
  programs.push_back("");
  programs.push_back(self);
  return programs;
}

std::vector<std::string_view> views(const std::vector<std::string>& paths) {
  return std::vector<std::string_view>(paths.begin(), paths.end());
}

std::size_t threadsOfThisProcess() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  std::size_t count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

TEST(IconImages, EveryRowGetsTheImageIconImageMakesInAnyOrder) {
  const std::vector<std::string> paths = samplePaths();
  ASSERT_GE(paths.size(), 6u);
  std::vector<ByteString> expected;
  for (const std::string& path : paths) expected.push_back(iconImage(path));
  ASSERT_NE(expected.front().substr(62, 4096), std::string(4096, '\0')) << "the sample has no drawn icon";

  {
    IconImages images(views(paths), kIconSide);
    EXPECT_EQ(images.helperCount(), IconImages::kHelpers);
    for (std::size_t i = 0; i < paths.size(); ++i) ASSERT_EQ(images.take(i), expected[i]) << paths[i];
    EXPECT_EQ(images.take(paths.size()), ByteString()) << "past the end: nothing";
  }
  {
    // From the last row back: the window thread makes what no helper has begun.
    IconImages images(views(paths), kIconSide);
    for (std::size_t i = paths.size(); i-- > 0;) ASSERT_EQ(images.take(i), expected[i]) << paths[i];
  }
  // At another side the images are those of that side.
  IconImages large(views(paths), 48);
  EXPECT_EQ(large.take(1), iconImage(paths[1], 48));
}

TEST(IconImages, OneRowOrNoneStartsNoHelper) {
  const std::vector<std::string> paths = samplePaths();
  IconImages none(std::vector<std::string_view>{}, kIconSide);
  EXPECT_EQ(none.helperCount(), 0u);
  EXPECT_EQ(none.take(0), ByteString());
  IconImages one(std::vector<std::string_view>{paths.front()}, kIconSide);
  EXPECT_EQ(one.helperCount(), 0u);
  EXPECT_EQ(one.take(0), iconImage(paths.front()));
}

TEST(IconImages, ABuildCutShortLeavesNoHelperBehind) {
  const std::vector<std::string> paths = samplePaths();
  const std::size_t before = threadsOfThisProcess();
  ASSERT_GT(before, 0u);
  {
    IconImages images(views(paths), kIconSide);
    ASSERT_EQ(images.helperCount(), IconImages::kHelpers);
    images.take(0);  // then the window goes: the rest is never taken
  }
  EXPECT_EQ(threadsOfThisProcess(), before) << "the helpers must have ended with the object";
}

// A shell icon handler may send a message to the window thread while it makes an
// image; the window thread, done with the rows, must answer it while it waits for
// the helper to end, or both wait for ever.
HWND answeringWindow = nullptr;
LONG sentAnswered = 0;

ByteString imageAfterAMessageToTheWindow(std::string_view, int) {
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(answeringWindow, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer) != 0)
    InterlockedIncrement(&sentAnswered);
  return ByteString("image");
}

TEST(IconImages, TheEndAnswersWhatTheHelpersSend) {
  answeringWindow = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(answeringWindow, nullptr);
  const std::vector<std::string> paths(6, "C:\\any.exe");
  {
    IconImages images(views(paths), kIconSide, imageAfterAMessageToTheWindow);
    ASSERT_EQ(images.helperCount(), IconImages::kHelpers);
    Sleep(100);  // the helpers are inside their sends; the rows are never taken
  }
  EXPECT_EQ(sentAnswered, static_cast<LONG>(IconImages::kHelpers)) << "a helper's message went unanswered";
  DestroyWindow(answeringWindow);
}

}  // namespace
}  // namespace corvalis
