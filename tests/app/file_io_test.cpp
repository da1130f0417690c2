// Whole-file reading and writing, including replacement that survives the writer
// being killed at any moment.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/file_io.h"
#include "app/module_path.h"
#include "base/wide_text.h"
#include "base/win_handles.h"
#include "tests/app/atomic_write_contents.h"

namespace corvalis {
namespace {

using namespace std::string_literals;

// "测试目录" (test folder) in GBK.
constexpr const char* kChineseFolder = "\xB2\xE2\xCA\xD4\xC4\xBF\xC2\xBC";
// "数据.bin" (data.bin) in GBK.
constexpr const char* kChineseFile = "\xCA\xFD\xBE\xDD.bin";

std::vector<std::wstring> filesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// A fresh folder with a Chinese name under the temporary folder, removed afterwards.
class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    parent_ = std::wstring(temp) + L"corvalis-file-io-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(parent_.c_str(), nullptr);
    folder_ = parent_ + L"\\" + toWideText(kChineseFolder);
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_EQ(folder_.substr(folder_.size() - 4), L"测试目录");
  }
  void TearDown() override {
    for (const std::wstring& name : filesIn(folder_)) DeleteFileW((folder_ + L"\\" + name).c_str());
    RemoveDirectoryW(folder_.c_str());
    RemoveDirectoryW(parent_.c_str());
  }

  // The GBK path of a file in the folder.
  std::string path(const std::string& gbkName) const { return fromWideText(folder_) + "\\" + gbkName; }
  std::wstring widePath(const std::string& gbkName) const { return toWideText(path(gbkName)); }

  std::wstring parent_;
  std::wstring folder_;
};

TEST_F(FileIoTest, WritesPartsInOrderAndReadsThemBack) {
  const std::string file = path(kChineseFile);
  ASSERT_TRUE(writeWholeFile(file, {"head", "\0mid\xFF"s, "", "tail"}));
  EXPECT_EQ(readWholeFile(file), "head\0mid\xFFtail"s);
  // The file carries the Chinese name itself, not a mangled one.
  EXPECT_NE(GetFileAttributesW((folder_ + L"\\数据.bin").c_str()), INVALID_FILE_ATTRIBUTES);

  // Rewriting replaces, also with something shorter.
  ASSERT_TRUE(writeWholeFile(file, {"x"}));
  EXPECT_EQ(readWholeFile(file), "x");
  // No temporary file stays behind.
  EXPECT_EQ(filesIn(folder_), std::vector<std::wstring>{L"数据.bin"});
}

TEST_F(FileIoTest, WritingNothingLeavesAnEmptyFile) {
  const std::string file = path("empty.bin");
  ASSERT_TRUE(writeWholeFile(file, {"old"}));
  ASSERT_TRUE(writeWholeFile(file, {}));
  EXPECT_NE(GetFileAttributesW(widePath("empty.bin").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(readWholeFile(file), "");
}

TEST_F(FileIoTest, ReadTellsMissingFromBusyAndSharesTheFile) {
  EXPECT_EQ(readFileOnce(path("missing.bin")).outcome, FileReadOutcome::missing);
  EXPECT_EQ(readFileOnce(path("no-such-folder\\missing.bin")).outcome, FileReadOutcome::missing);
  EXPECT_EQ(readFileOnce("").outcome, FileReadOutcome::missing);
  EXPECT_EQ(readFileOnce(fromWideText(folder_)).outcome, FileReadOutcome::missing) << "a folder";

  const std::wstring empty = widePath("zero.bin");
  { const UniqueFileHandle created(CreateFileW(empty.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr)); }
  const FileRead zero = readFileOnce(path("zero.bin"));
  EXPECT_EQ(zero.outcome, FileReadOutcome::read);
  EXPECT_EQ(zero.bytes, "");

  // Someone holds the file open for writing (an editor, a sync client): it is read all
  // the same, as it is replaced only whole.
  ASSERT_TRUE(writeWholeFile(path("busy.bin"), {"content"}));
  {
    const UniqueFileHandle writer(CreateFileW(widePath("busy.bin").c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                              nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(readWholeFile(path("busy.bin")), "content");
  }
  // Held with no sharing at all: busy, never missing or empty.
  const UniqueFileHandle holder(
      CreateFileW(widePath("busy.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  EXPECT_EQ(readFileOnce(path("busy.bin")).outcome, FileReadOutcome::busy);
  EXPECT_EQ(readFile(path("busy.bin"), 250).outcome, FileReadOutcome::busy);
  EXPECT_EQ(readWholeFile(path("busy.bin")), "");

  // How errors are taken: an existing file is never missing.
  EXPECT_EQ(outcomeOfFailedOpen(ERROR_ACCESS_DENIED, true), FileReadOutcome::busy);
  EXPECT_EQ(outcomeOfFailedOpen(ERROR_FILE_NOT_FOUND, true), FileReadOutcome::busy);
  EXPECT_EQ(outcomeOfFailedOpen(ERROR_SHARING_VIOLATION, false), FileReadOutcome::busy);
  EXPECT_EQ(outcomeOfFailedOpen(ERROR_PATH_NOT_FOUND, false), FileReadOutcome::missing);
  EXPECT_EQ(outcomeOfFailedOpen(ERROR_ACCESS_DENIED, false), FileReadOutcome::missing) << "a folder";
}

TEST_F(FileIoTest, FailedWritesKeepTheOldFileAndLeaveNoTemporaryFile) {
  EXPECT_FALSE(writeWholeFile("", {"x"}));

  // Into a folder that does not exist.
  EXPECT_FALSE(writeWholeFile(path("no-such-folder\\file.bin"), {"x"}));

  // Over a file that another handle holds open without sharing delete: it cannot be
  // replaced, and must keep what it had.
  const std::string file = path("held.bin");
  ASSERT_TRUE(writeWholeFile(file, {"old content"}));
  {
    const UniqueFileHandle holder(CreateFileW(widePath("held.bin").c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                              nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(writeWholeFile(file, {"new content"}));
  }
  EXPECT_EQ(readWholeFile(file), "old content");

  // Over a folder of the same name.
  ASSERT_TRUE(CreateDirectoryW(widePath("dir.bin").c_str(), nullptr));
  EXPECT_FALSE(writeWholeFile(path("dir.bin"), {"x"}));
  RemoveDirectoryW(widePath("dir.bin").c_str());

  EXPECT_EQ(filesIn(folder_), std::vector<std::wstring>{L"held.bin"});
}

TEST_F(FileIoTest, AShortHoldOnlyDelaysTheReplacement) {
  // Another program (a virus scanner, an indexer) holds the file for a moment: the
  // write tries again and gets through once it lets go.
  const std::string file = path("scanned.bin");
  ASSERT_TRUE(writeWholeFile(file, {"old content"}));
  HANDLE holder = CreateFileW(widePath("scanned.bin").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  struct Release {
    static DWORD WINAPI after(void* handle) {
      Sleep(120);
      CloseHandle(static_cast<HANDLE>(handle));
      return 0;
    }
  };
  const UniqueKernelHandle releaser(CreateThread(nullptr, 0, Release::after, holder, 0, nullptr));
  ASSERT_TRUE(releaser);
  EXPECT_TRUE(writeWholeFile(file, {"new content"}));
  WaitForSingleObject(releaser.get(), 5000);
  EXPECT_EQ(readWholeFile(file), "new content");
  EXPECT_EQ(filesIn(folder_), std::vector<std::wstring>{L"scanned.bin"}) << "a temporary file was left";
}

TEST_F(FileIoTest, TemporaryFilesLeftByEarlierWritesGoAtTheNextOne) {
  // What a killed writer leaves: "<file>.<process>-<n>.tmp". Names that only look alike
  // belong to someone else and stay.
  const std::vector<std::wstring> leftovers = {L"data.bin.4242-1.tmp", L"data.bin.7-13.tmp"};
  const std::vector<std::wstring> foreign = {L"data.bin.draft.tmp", L"data.bin.12-x.tmp", L"other.bin.1-1.tmp",
                                             L"data.bin.5-5.tmp.keep"};
  for (const auto* names : {&leftovers, &foreign})
    for (const std::wstring& name : *names) ASSERT_TRUE(writeWholeFile(fromWideText(folder_ + L"\\" + name), {"x"}));
  ASSERT_TRUE(writeWholeFile(path("data.bin"), {"content"}));
  std::vector<std::wstring> expected = foreign;
  expected.push_back(L"data.bin");
  std::vector<std::wstring> present = filesIn(folder_);
  std::sort(expected.begin(), expected.end());
  std::sort(present.begin(), present.end());
  EXPECT_EQ(present, expected);
  EXPECT_EQ(readWholeFile(path("data.bin")), "content");
}

TEST_F(FileIoTest, RelativePathsResolveAgainstTheCurrentDirectory) {
  wchar_t previous[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
  const bool written = writeWholeFile("relative.bin", {"here"});
  const std::string back = readWholeFile("relative.bin");
  SetCurrentDirectoryW(previous);
  EXPECT_TRUE(written);
  EXPECT_EQ(back, "here");
  EXPECT_EQ(readWholeFile(path("relative.bin")), "here");
}

TEST_F(FileIoTest, LargeContentRoundTrips) {
  const std::string content = testing::atomicWriteContent('L', 5u << 20);
  const std::string file = path("large.bin");
  ASSERT_TRUE(writeWholeFile(file, {std::string_view(content).substr(0, 1000),
                                    std::string_view(content).substr(1000)}));
  EXPECT_TRUE(readWholeFile(file) == content);
}

// A writer process replaces the file over and over and is killed at a random
// moment; every time, the file must hold exactly one whole content.
TEST_F(FileIoTest, KilledWriterLeavesOldOrNewContentWhole) {
  const std::wstring helper = toWideText(executableDirectory()) + L"\\atomic_writer_helper.exe";
  ASSERT_NE(GetFileAttributesW(helper.c_str()), INVALID_FILE_ATTRIBUTES) << "helper missing";

  const std::string file = path(kChineseFile);
  const std::string oldContent = testing::atomicWriteContent('O');
  const std::string contentA = testing::atomicWriteContent('A');
  const std::string contentB = testing::atomicWriteContent('B');
  const std::wstring eventName = L"Local\\corvalis-atomic-writer-" + std::to_wstring(GetCurrentProcessId());
  const UniqueKernelHandle ready(CreateEventW(nullptr, FALSE, FALSE, eventName.c_str()));
  ASSERT_TRUE(ready);

  std::mt19937 random(20240607u);
  std::uniform_int_distribution<int> delayMs(0, 40);
  int sawOld = 0, sawNew = 0, leftovers = 0;
  constexpr int kRounds = 200;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_TRUE(writeWholeFile(file, {oldContent}));

    std::wstring commandLine = L"\"" + helper + L"\" \"" + widePath(kChineseFile) + L"\" " + eventName;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(helper.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);

    // Wait until the writer is about to write, so the kill lands among its writes.
    const HANDLE waitFor[2] = {ready.get(), process.get()};
    const DWORD woke = WaitForMultipleObjects(2, waitFor, FALSE, 20000);
    if (woke != WAIT_OBJECT_0) {
      TerminateProcess(process.get(), 1);
      DWORD code = 0;
      GetExitCodeProcess(process.get(), &code);
      FAIL() << "writer did not start (wait " << woke << ", exit code " << code << ")";
    }
    Sleep(static_cast<DWORD>(delayMs(random)));
    ASSERT_TRUE(TerminateProcess(process.get(), 9));
    ASSERT_EQ(WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    ASSERT_EQ(exitCode, 9u) << "the writer ended by itself: a write failed";

    const std::string content = readWholeFile(file);
    const bool isOld = content == oldContent;
    const bool isNew = content == contentA || content == contentB;
    ASSERT_TRUE(isOld || isNew) << "file holds " << content.size() << " bytes starting with \""
                                << content.substr(0, 16) << "\"";
    sawOld += isOld;
    sawNew += isNew;

    // A killed writer may leave its temporary file; it never becomes the file itself.
    for (const std::wstring& name : filesIn(folder_)) {
      if (name == L"数据.bin") continue;
      ++leftovers;
      DeleteFileW((folder_ + L"\\" + name).c_str());
    }
  }
  std::printf("%d rounds: %d old, %d new, %d temporary files left by kills\n", kRounds, sawOld, sawNew,
              leftovers);
  // The writer did get to replace the file; otherwise the rounds proved nothing.
  EXPECT_GT(sawNew, 0);
}

}  // namespace
}  // namespace corvalis
