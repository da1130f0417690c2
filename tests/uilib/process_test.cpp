// What the bridge does once per process, watched from outside: a copy of uilib_probe.exe
// runs in a scratch folder with a chosen current directory, chosen libraries in chosen
// places and chosen .ini files, and reports which library it bound; its message boxes
// are read and answered with OK as a user would.
//
// The drive D: cases run only where the test runner has mapped D: to a scratch folder
// (CORVALIS_TEST_DRIVE_D=1, see with_drive_d.py).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/uilib/support.h"
#include "uilib/ui_bridge.h"

namespace corvalis::uitest {
namespace {

constexpr wchar_t kIniOnC[] = L"C:\\ExuiKrnln.ini";
constexpr wchar_t kIniOnD[] = L"D:\\ExuiKrnln.ini";

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool samePath(const std::string& a, const std::wstring& b) { return _stricmp(a.c_str(), narrow(b).c_str()) == 0; }

class Search : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(exists(kIniOnC)) << "a C:\\ExuiKrnln.ini left behind would change every case";
  }
  ScratchFolder programFolder_;
  ScratchFolder workingFolder_;
  ScratchFolder elsewhere_;
};

TEST_F(Search, TheCurrentDirectoryComesFirstAndTheIniFilesAreNotRead) {
  const std::wstring first = workingFolder_.place(L"ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(recordingLibrary(), first));
  ASSERT_TRUE(copyInto(noWindowCreatorLibrary(), workingFolder_.place(L"lib\\ExuiKrnln\\ExuiKrnln.dll")));
  ASSERT_TRUE(copyInto(handshakeZeroLibrary(), programFolder_.place(L"ExuiKrnln.dll")));
  const std::wstring other = elsewhere_.place(L"ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(handshakeZeroLibrary(), other));
  const FileAt ini(kIniOnC, narrow(other));
  ASSERT_TRUE(ini.written());

  const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.value("loaded"), "1");
  EXPECT_TRUE(samePath(run.value("module"), first)) << run.value("module");
  EXPECT_EQ(run.value("handle"), "4660");
}

TEST_F(Search, ThenTheLibFolderOfTheCurrentDirectory) {
  const std::wstring second = workingFolder_.place(L"lib\\ExuiKrnln\\ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(recordingLibrary(), second));
  ASSERT_TRUE(copyInto(handshakeZeroLibrary(), programFolder_.place(L"ExuiKrnln.dll")));
  const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_TRUE(samePath(run.value("module"), second)) << run.value("module");
}

TEST_F(Search, ThenTheSystemsSearchWhichStartsWithTheProgramsFolder) {
  const std::wstring beside = programFolder_.place(L"ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(handshakeZeroLibrary(), beside));
  const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_TRUE(samePath(run.value("module"), beside)) << run.value("module");
  EXPECT_EQ(run.value("handle"), "0") << "that library's handshake answers 0";
}

TEST_F(Search, ThenTheRelativeLibFolderThroughTheSystemsSearch) {
  const std::wstring beside = programFolder_.place(L"lib\\ExuiKrnln\\ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(recordingLibrary(), beside));
  const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_TRUE(samePath(run.value("module"), beside)) << run.value("module");
}

TEST_F(Search, NothingAnywhereLeavesTheBindingEmptyAndSaysNothing) {
  const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.value("loaded"), "0");
  EXPECT_EQ(run.value("module"), "");
  EXPECT_EQ(run.value("handle"), "0");
  EXPECT_TRUE(run.boxes.empty());
}

TEST_F(Search, TheIniOnCNamesTheLibraryByItsFirstBytes) {
  const std::wstring named = elsewhere_.place(L"sub dir\\ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(recordingLibrary(), named));
  // The zero ends the path; what follows it is never read as part of it.
  const FileAt ini(kIniOnC, narrow(named) + std::string("\0junk", 5));
  ASSERT_TRUE(ini.written());
  const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_TRUE(samePath(run.value("module"), named)) << run.value("module");
}

TEST_F(Search, APathFollowedByALineEndDoesNotLoad) {
  const std::wstring named = elsewhere_.place(L"ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(recordingLibrary(), named));
  for (const char* ending : {"\r\n", "\n"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(ending)));
    const FileAt ini(kIniOnC, narrow(named) + ending);
    ASSERT_TRUE(ini.written());
    const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.value("loaded"), "0");
  }
}

TEST_F(Search, OnlyTheFirst255BytesOfTheIniAreThePath) {
  // A path of 255 bytes exactly loads; one byte more is cut and names nothing.
  std::wstring folder = elsewhere_.path() + L"\\";
  const std::string prefix = narrow(folder);
  const std::size_t fill = 255 - prefix.size() - std::string("\\ExuiKrnln.dll").size();
  ASSERT_LT(fill, 250u) << "one folder name of that length";
  const std::string padding(fill, 'p');
  const std::wstring named = elsewhere_.place(std::wstring(padding.begin(), padding.end()) + L"\\ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(recordingLibrary(), named));
  ASSERT_EQ(narrow(named).size(), 255u);
  {
    const FileAt ini(kIniOnC, narrow(named));
    const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_TRUE(samePath(run.value("module"), named)) << run.value("module");
  }
  {
    // The same with one more byte in front: the last byte ("l") falls off.
    const std::wstring longer = elsewhere_.place(L"q" + std::wstring(padding.begin(), padding.end()) + L"\\ExuiKrnln.dll");
    ASSERT_TRUE(copyInto(recordingLibrary(), longer));
    const FileAt ini(kIniOnC, narrow(longer));
    const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.value("loaded"), "0");
  }
}

// ----- Drive D: (mapped by the runner) ---------------------------------------------------------

class SearchOnDriveD : public Search {
 protected:
  void SetUp() override {
    const char* mapped = std::getenv("CORVALIS_TEST_DRIVE_D");
    if (mapped == nullptr || std::string(mapped) != "1") GTEST_SKIP() << "drive D: is not mapped for this run";
    Search::SetUp();
    ASSERT_FALSE(exists(kIniOnD));
  }
};

TEST_F(SearchOnDriveD, WithoutAnIniOnCTheOneOnDIsRead) {
  const std::wstring named = elsewhere_.place(L"ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(recordingLibrary(), named));
  const FileAt ini(kIniOnD, narrow(named));
  ASSERT_TRUE(ini.written());
  const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_TRUE(samePath(run.value("module"), named)) << run.value("module");
}

TEST_F(SearchOnDriveD, CComesBeforeD) {
  const std::wstring onC = elsewhere_.place(L"c\\ExuiKrnln.dll");
  const std::wstring onD = elsewhere_.place(L"d\\ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(recordingLibrary(), onC));
  ASSERT_TRUE(copyInto(handshakeZeroLibrary(), onD));
  const FileAt iniC(kIniOnC, narrow(onC));
  const FileAt iniD(kIniOnD, narrow(onD));
  const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_TRUE(samePath(run.value("module"), onC)) << run.value("module");
}

TEST_F(SearchOnDriveD, AnIniOnCThatNamesNothingEndsTheSearch) {
  const std::wstring onD = elsewhere_.place(L"ExuiKrnln.dll");
  ASSERT_TRUE(copyInto(recordingLibrary(), onD));
  const FileAt iniC(kIniOnC, "C:\\nowhere\\ExuiKrnln.dll");
  const FileAt iniD(kIniOnD, narrow(onD));
  const ProbeRun run = runProbe(programFolder_.path(), workingFolder_.path(), L"search");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.value("loaded"), "0") << "D: is read only when C: has no file";
}

// ----- Classes and the warning ----------------------------------------------------------------

constexpr const char* kSuffixes[] = {"ListboxEx", "EditboxEx", "WindowEx", "FilterEx",
                                     "LabelEx",   "ButtonEx",  "ToolbarEx"};

std::vector<std::string> expectedClasses(int handle) {
  std::vector<std::string> lines;
  for (int round = 0; round < 2; ++round)
    for (const char* suffix : kSuffixes)
      lines.push_back(std::string("class CreateControl_") + suffix + " Exui." + std::to_string(handle) + "." + suffix);
  return lines;
}

int timesCalled(const ProbeRun& run, const std::string& function) {
  int count = 0;
  for (const std::string& line : run.lines("called ")) count += line == "called " + function;
  return count;
}

TEST_F(Search, AHandshakeOfZeroGivesClassesWithZeroAndTheFunctionsStillServe) {
  ASSERT_TRUE(copyInto(handshakeZeroLibrary(), programFolder_.place(L"ExuiKrnln.dll")));
  const ProbeRun run = runProbe(programFolder_.path(), programFolder_.path(), L"create");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.value("handle"), "0");
  EXPECT_EQ(run.lines("class "), expectedClasses(0));
  for (const char* suffix : kSuffixes) EXPECT_EQ(timesCalled(run, std::string("CreateControl_") + suffix), 2) << suffix;
  EXPECT_TRUE(run.boxes.empty());
}

void expectWarnings(const ProbeRun& run) {
  ASSERT_EQ(run.boxes.size(), 7u) << "one warning per kind, however many controls";
  for (const SeenBox& box : run.boxes) {
    EXPECT_EQ(box.caption, L"Warning");
    EXPECT_EQ(box.text, L"程序缺少界面运行库必须依赖的 ExuiKrnln.dll 文件");
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  }
}

TEST_F(Search, ALibraryWithoutCreateControlWindowExWarnsOncePerKind) {
  ASSERT_TRUE(copyInto(noWindowCreatorLibrary(), programFolder_.place(L"ExuiKrnln.dll")));
  const ProbeRun run = runProbe(programFolder_.path(), programFolder_.path(), L"create");
  ASSERT_TRUE(run.finished) << run.output;
  expectWarnings(run);
  EXPECT_EQ(run.lines("class "), expectedClasses(4660));
  // The other creation functions are there and are called; the missing one is not.
  for (const char* suffix : kSuffixes) {
    const int expected = std::string(suffix) == "WindowEx" ? 0 : 2;
    EXPECT_EQ(timesCalled(run, std::string("CreateControl_") + suffix), expected) << suffix;
  }
}

TEST_F(Search, NoLibraryAtAllWarnsOncePerKindAndNamesTheClassesWithZero) {
  const ProbeRun run = runProbe(programFolder_.path(), programFolder_.path(), L"create");
  ASSERT_TRUE(run.finished) << run.output;
  expectWarnings(run);
  EXPECT_EQ(run.lines("class "), expectedClasses(0));
}

TEST_F(Search, AFullLibraryShowsNoWarning) {
  ASSERT_TRUE(copyInto(recordingLibrary(), programFolder_.place(L"ExuiKrnln.dll")));
  const ProbeRun run = runProbe(programFolder_.path(), programFolder_.path(), L"create");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_EQ(run.lines("class "), expectedClasses(4660));
}

TEST(WarningText, IsTheGbkOfTheChineseText) {
  ASSERT_TRUE(IsValidCodePage(936));
  EXPECT_EQ(fromCodePage936(kMissingLibraryText), L"程序缺少界面运行库必须依赖的 ExuiKrnln.dll 文件");
  EXPECT_EQ(kMissingLibraryCaption, "Warning");
}

}  // namespace
}  // namespace corvalis::uitest
