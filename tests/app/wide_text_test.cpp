// GBK constants and conversions, checked against the system's own code page 936.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/message_box.h"
#include "base/wide_text.h"

namespace corvalis {
namespace {

// GBK bytes as the system's code page 936 makes them from UTF-16.
std::string systemGbk(const std::wstring& wide) {
  const int needed = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), needed, nullptr,
                      nullptr);
  return bytes;
}

TEST(GbkConstants, DefaultCaptionIsTheGbkOfItsChineseText) {
  EXPECT_EQ(std::string(kDefaultMessageCaption), systemGbk(L"信息："));
}

TEST(WideText, ConvertsThroughCodePage936BothWays) {
  struct Case {
    std::string gbk;
    std::wstring wide;
  };
  const std::vector<Case> cases = {
      {"", L""},
      {"plain ascii", L"plain ascii"},
      {"\x95\x5C", L"昞"},
      {"\xB1\x5C\\", L"盶\\"},
      {"\x81\x41" "A", L"丄A"},
      {"C:\\\xD6\xD0\xCE\xC4\\x.exe", L"C:\\中文\\x.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gbk);
    EXPECT_EQ(systemGbk(c.wide), c.gbk);  // the samples are right
    EXPECT_EQ(toWideText(c.gbk), c.wide);
    EXPECT_EQ(fromWideText(c.wide), c.gbk);
  }
  // Outside GBK: the default character.
  EXPECT_EQ(fromWideText(L"a\U0001F600"), fromWideText(L"a") + systemGbk(L"\U0001F600"));
}

}  // namespace
}  // namespace corvalis
