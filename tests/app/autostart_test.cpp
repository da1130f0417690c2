#include "app/autostart.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "app/gbk_path.h"
#include "app/registry.h"
#include "base/wide_text.h"

namespace corvalis {
namespace {

TEST(AutostartPath, IsTheRunKeyAndTheName) {
  const Text path = autostartValuePath("corvalisbar");
  EXPECT_EQ(path, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\corvalisbar");
  const RegistryPath parts = splitRegistryPath(path);
  EXPECT_EQ(parts.subkey, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(parts.valueName, "corvalisbar");
}

// The folder "C:\Program Files\快捷 工具" in GBK, and the program in it in UTF-16.
constexpr std::string_view kSpacedGbkFolder = "C:\\Program Files\\\xBF\xEC\xBD\xDD \xB9\xA4\xBE\xDF";
constexpr std::wstring_view kSpacedWidePath = L"C:\\Program Files\\\u5feb\u6377 \u5de5\u5177\\corvalisbar.exe";

TEST(AutostartPath, OwnPathWithoutSpaceIsDirectoryBackslashFileBare) {
  EXPECT_EQ(ownExecutablePath("C:\\Tools\\bar", "corvalisbar.exe"), "C:\\Tools\\bar\\corvalisbar.exe");
  // A folder whose GBK name ends in a character with 0x5C as its second byte.
  EXPECT_EQ(ownExecutablePath("C:\\\x82\x5C", "corvalisbar.exe"), "C:\\\x82\x5C\\corvalisbar.exe");
  EXPECT_EQ(ownExecutablePath("C:", "x.exe"), "C:\\x.exe");
  EXPECT_EQ(ownExecutablePath("C:\\dir", ""), "");
}

TEST(AutostartPath, OwnPathWithSpaceIsQuotedWhole) {
  EXPECT_EQ(ownExecutablePath("C:\\Program Files\\bar", "corvalisbar.exe"),
            "\"C:\\Program Files\\bar\\corvalisbar.exe\"");
  EXPECT_EQ(ownExecutablePath(kSpacedGbkFolder, "corvalisbar.exe"),
            concatTexts({"\"", kSpacedGbkFolder, "\\corvalisbar.exe\""}));
  // The space may be in the file name alone, and next to a 0x5C second byte.
  EXPECT_EQ(ownExecutablePath("C:\\\x82\x5C", "corvalis bar.exe"), "\"C:\\\x82\x5C\\corvalis bar.exe\"");
  EXPECT_EQ(ownExecutablePath("C:\\dir with space", ""), "");
}

TEST(AutostartPath, QuotesOnlyWhereASpaceIs) {
  EXPECT_EQ(quotedWhenSpaced(""), "");
  EXPECT_EQ(quotedWhenSpaced("C:\\a.exe"), "C:\\a.exe");
  EXPECT_EQ(quotedWhenSpaced("C:\\\xBF\xEC\xBD\xDD\\a.exe"), "C:\\\xBF\xEC\xBD\xDD\\a.exe");
  EXPECT_EQ(quotedWhenSpaced(" "), "\" \"");
  EXPECT_EQ(quotedWhenSpaced("C:\\a b\\c d.exe"), "\"C:\\a b\\c d.exe\"");
  EXPECT_EQ(quotedWhenSpaced("C:\\a.exe "), "\"C:\\a.exe \"");
}

// The first argument of a command line, read as the system reads a Run value: the
// whole program path, not its part before the first space.
std::wstring firstArgument(const std::wstring& commandLine) {
  int count = 0;
  const std::unique_ptr<wchar_t*, decltype(&LocalFree)> arguments(
      CommandLineToArgvW(commandLine.c_str(), &count), &LocalFree);
  if (!arguments || count < 1) return {};
  return arguments.get()[0];
}

TEST(AutostartPath, OwnPathAsACommandLineNamesTheWholeProgram) {
  const Text own = ownExecutablePath(kSpacedGbkFolder, "corvalisbar.exe");
  EXPECT_EQ(firstArgument(toWideText(own)), kSpacedWidePath);
  // Unquoted, the first argument would be "C:\Program".
  const Text bare = concatTexts({kSpacedGbkFolder, "\\corvalisbar.exe"});
  EXPECT_EQ(firstArgument(toWideText(bare)), L"C:\\Program");
}

TEST(AutostartDecision, RewritesEverythingThatIsNotTheOwnPathByteForByte) {
  const std::string own = "C:\\Tools\\corvalisbar.exe";
  EXPECT_FALSE(autostartNeedsRewrite(own, own));
  EXPECT_TRUE(autostartNeedsRewrite("C:\\Other\\corvalisbar.exe", own));
  EXPECT_TRUE(autostartNeedsRewrite("c:\\tools\\corvalisbar.exe", own));  // only the case differs
  EXPECT_TRUE(autostartNeedsRewrite("\"C:\\Tools\\corvalisbar.exe\"", own));
  EXPECT_TRUE(autostartNeedsRewrite("", own));  // a REG_DWORD (or other type) reads as empty
  EXPECT_TRUE(autostartNeedsRewrite(own + " ", own));
  EXPECT_TRUE(autostartNeedsRewrite(own.substr(0, own.size() - 1), own));
}

TEST(AutostartDecision, RewritesAPathWithASpaceUntilItIsQuoted) {
  const Text own = ownExecutablePath(kSpacedGbkFolder, "corvalisbar.exe");
  const Text bare = concatTexts({kSpacedGbkFolder, "\\corvalisbar.exe"});
  EXPECT_FALSE(autostartNeedsRewrite(own, own));
  EXPECT_TRUE(autostartNeedsRewrite(bare, own));  // as an older version wrote it
  EXPECT_TRUE(autostartNeedsRewrite(concatTexts({"\"", bare}), own));
  EXPECT_TRUE(autostartNeedsRewrite(concatTexts({bare, "\""}), own));
  EXPECT_TRUE(autostartNeedsRewrite(concatTexts({"\"", lowerText(bare), "\""}), own));
  EXPECT_TRUE(autostartNeedsRewrite(concatTexts({own, " "}), own));
}

TEST(AutostartDecision, NeverWritesAnEmptyOwnPath) {
  EXPECT_FALSE(autostartNeedsRewrite("C:\\x.exe", ""));
  EXPECT_FALSE(autostartNeedsRewrite("", ""));
}

// autostartValue against the real Run key, under a name of the test's own so the
// program's value is never touched.
class AutostartValue : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = "corvalisbar-unit-test-" + std::to_string(GetCurrentProcessId());
    autostartValue(name_, {}, true, false);
  }
  void TearDown() override { autostartValue(name_, {}, true, false); }
  std::string name_;
};

TEST_F(AutostartValue, QueryWriteRemove) {
  const std::string path = "C:\\Program Files\\\x82\x5C\\corvalisbar.exe";
  EXPECT_FALSE(autostartValue(name_, {}, false, true));
  EXPECT_FALSE(autostartValue(name_, path, false, false));  // a write answers false
  EXPECT_TRUE(autostartValue(name_, {}, false, true));
  EXPECT_EQ(readRegistryText(HKEY_LOCAL_MACHINE, autostartValuePath(name_)), path);

  // Stored as REG_SZ with its terminating zero (read back wide: the system keeps it so).
  const std::wstring wideName(name_.begin(), name_.end());
  const std::wstring widePath = L"C:\\Program Files\\\u4fd3\\corvalisbar.exe";  // 俓 is 0x82 0x5C
  wchar_t stored[MAX_PATH] = {};
  DWORD type = 0;
  DWORD size = sizeof stored;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                         wideName.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, stored, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(stored), widePath);
  EXPECT_EQ(size, (widePath.size() + 1) * sizeof(wchar_t));

  EXPECT_FALSE(autostartValue(name_, {}, true, false));  // a removal answers false
  EXPECT_FALSE(autostartValue(name_, {}, false, true));
}

TEST_F(AutostartValue, TheQuotedOwnPathIsStoredWithItsQuotes) {
  autostartValue(name_, ownExecutablePath(kSpacedGbkFolder, "corvalisbar.exe"), false, false);
  const std::wstring wideName(name_.begin(), name_.end());
  wchar_t stored[MAX_PATH] = {};
  DWORD size = sizeof stored;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                         wideName.c_str(), RRF_RT_REG_SZ, nullptr, stored, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(stored), L"\"" + std::wstring(kSpacedWidePath) + L"\"");
}

TEST_F(AutostartValue, QueryWinsOverRemove) {
  autostartValue(name_, "C:\\x.exe", false, false);
  EXPECT_TRUE(autostartValue(name_, {}, true, true));  // query set: nothing is changed
  EXPECT_TRUE(autostartValue(name_, {}, false, true));
}

}  // namespace
}  // namespace corvalis
