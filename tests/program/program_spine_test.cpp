// The pieces of start-up that decide something: where the program makes itself at
// home, the instance guard's two halves, and the at-exit routine's single run.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "app/gbk_path.h"
#include "program/program.h"
#include "app/program_lifetime.h"
#include "app/single_instance.h"

namespace corvalis {
namespace {

TEST(ExecutablePathSplit, TakesTheLastRealBackslash) {
  // 0x82 0x5C is one GBK character whose second byte looks like a backslash.
  const std::string path = "C:\\corvalis\\\x82\x5C dir\\corvalisbar.exe";
  const PathSplit parts = splitAtLastBackslash(path);
  ASSERT_TRUE(parts.found);
  EXPECT_EQ(parts.head, "C:\\corvalis\\\x82\x5C dir");
  EXPECT_EQ(parts.tail, "corvalisbar.exe");

  const std::string trailing = "C:\\\x82\x5C\\bar.exe";
  EXPECT_EQ(splitAtLastBackslash(trailing).head, "C:\\\x82\x5C");
}

TEST(DirectoryToEnter, ADriveGetsItsRootBack) {
  EXPECT_EQ(directoryToEnter("C:"), "C:\\");
  EXPECT_EQ(directoryToEnter("C:\\Tools"), "C:\\Tools");
  EXPECT_EQ(directoryToEnter("\\\\server\\share"), "\\\\server\\share");
  EXPECT_EQ(directoryToEnter("C:\\\x82\x5C"), "C:\\\x82\x5C");
}

TEST(DirectoryToEnter, TheRootOfADriveIsWhereWeEndUp) {
  char before[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, before), 0u);
  char windows[MAX_PATH];
  ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  // Leave the drive's root so that "C:" alone would name somewhere else.
  ASSERT_TRUE(SetCurrentDirectoryA(windows));
  const std::string drive(windows, 2);
  ASSERT_TRUE(SetCurrentDirectoryA(directoryToEnter(drive).c_str()));
  char now[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, now);
  EXPECT_EQ(std::string(now), drive + "\\");
  SetCurrentDirectoryA(before);
}

TEST(SingleInstance, TheNameIsHeldOnceTaken) {
  const std::string name = "corvalisbar-guard-test-" + std::to_string(GetCurrentProcessId());
  EXPECT_FALSE(anotherInstanceHolds(name));
  holdInstanceName(name);
  EXPECT_TRUE(anotherInstanceHolds(name));
  // Another process of the session finds it too.
  HANDLE seen = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
  EXPECT_NE(seen, nullptr);
  if (seen != nullptr) CloseHandle(seen);
}

TEST(SingleInstance, AnObjectOfAnotherKindUnderTheNameIsNoInstance) {
  // A mutex of that name: OpenEventA fails (wrong type), which counts as no instance.
  const std::string name = "corvalisbar-guard-mutex-" + std::to_string(GetCurrentProcessId());
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(mutex, nullptr);
  EXPECT_FALSE(anotherInstanceHolds(name));
  CloseHandle(mutex);
}

int atExitRuns = 0;
void countAtExit() { ++atExitRuns; }

TEST(ProgramLifetime, AtExitRoutineRunsOnce) {
  atExitRuns = 0;
  registerAtExit(countAtExit);
  runAtExit();
  runAtExit();
  EXPECT_EQ(atExitRuns, 1);
  runAtExit();
  EXPECT_EQ(atExitRuns, 1);
}

TEST(ProgramLifetime, OleStartsAndEndsBalanced) {
  ASSERT_TRUE(startOle());
  EXPECT_TRUE(startOle());  // already up: no second initialisation to balance
  endOle();
  // OLE is down again: a fresh initialisation is a first one, not S_FALSE.
  const HRESULT again = OleInitialize(nullptr);
  EXPECT_EQ(again, S_OK);
  if (SUCCEEDED(again)) OleUninitialize();
}

}  // namespace
}  // namespace corvalis
