// The texts the start-up shows are GBK bytes in the source; each must read as the
// intended Chinese text through code page 936, and be shown with the intended style.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/autostart.h"
#include "app/instance_name.h"
#include "base/message_box.h"
#include "app/single_instance.h"

namespace corvalis {
namespace {

std::wstring fromCodePage936(std::string_view text) {
  const int size = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

TEST(StartupTexts, ReadAsTheirChineseTextsInCodePage936) {
  ASSERT_TRUE(IsValidCodePage(936));
  EXPECT_EQ(fromCodePage936(kAlreadyRunningText), L"请勿重复启动");
  EXPECT_EQ(fromCodePage936(kAlreadyRunningCaption), L"友情提醒:");
  EXPECT_EQ(fromCodePage936(kAutostartQuestion), L"是否允许本程序开机启动");
  EXPECT_EQ(fromCodePage936(kAutostartCaption), L"温馨提示：");
  EXPECT_EQ(fromCodePage936(kRunAsAdministratorHint), L"请管理员模式运行后重试。");
  EXPECT_EQ(fromCodePage936(kDefaultMessageCaption), L"信息：");
}

TEST(StartupTexts, InstanceNameIsPlainAscii) {
  EXPECT_EQ(kInstanceName, "corvalisbar");
  EXPECT_EQ(fromCodePage936(kInstanceName), L"corvalisbar");
}

TEST(StartupTexts, StylesAsShown) {
  // The guard's information box, the question and the administrator hint, each made
  // task-modal by the message box service.
  EXPECT_EQ(composeMessageBoxStyle(MB_ICONINFORMATION), 0x2040u);
  EXPECT_EQ(composeMessageBoxStyle(MB_YESNO), 0x2004u);
  EXPECT_EQ(composeMessageBoxStyle(MB_OK), 0x2000u);
}

}  // namespace
}  // namespace corvalis
