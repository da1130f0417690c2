// Executable path, current directory and sizes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/current_directory.h"
#include "app/module_path.h"
#include "app/screen_metrics.h"
#include "base/wide_text.h"

namespace corvalis {
namespace {

TEST(ExecutablePath, SplitsIntoDirectoryAndFileName) {
  const Text directory = executableDirectory();
  const Text name = executableFileName();
  EXPECT_EQ(name, "app_services_tests.exe");
  ASSERT_FALSE(directory.empty());
  EXPECT_NE(directory.back(), '\\');
  EXPECT_EQ(directory + "\\" + name, executablePath());
  const DWORD attributes = GetFileAttributesW(toWideText(directory).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(CurrentDirectory, ChangesIntoAChineseFolderAndBack) {
  const Text before = currentDirectory();
  ASSERT_FALSE(before.empty());

  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"corvalis-cd-中文-" + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const Text gbkFolder = fromWideText(folder);

  EXPECT_TRUE(changeDirectory(gbkFolder));
  EXPECT_EQ(currentDirectory(), gbkFolder);
  EXPECT_FALSE(changeDirectory(gbkFolder + "\\missing"));
  EXPECT_FALSE(changeDirectory(""));
  EXPECT_EQ(currentDirectory(), gbkFolder);  // failures leave it where it was

  EXPECT_TRUE(changeDirectory(before));
  EXPECT_EQ(currentDirectory(), before);
  RemoveDirectoryW(folder.c_str());
}

TEST(ScreenMetrics, SizesMatchTheDesktopAndTheClientArea) {
  RECT desktop{};
  ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
  EXPECT_EQ(screenWidth(), desktop.right - desktop.left);
  EXPECT_EQ(screenHeight(), desktop.bottom - desktop.top);

  RECT frame{0, 0, 137, 60};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, frame.right - frame.left,
                                      frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(clientWidth(window), 137);
  DestroyWindow(window);
  EXPECT_EQ(clientWidth(window), 0);
  EXPECT_EQ(clientWidth(nullptr), 0);
}

}  // namespace
}  // namespace corvalis
