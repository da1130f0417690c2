// Registry services against a scratch key under HKEY_CURRENT_USER. GBK names whose
// second byte is 0x5C, the backslash: "\x95\x5C" 昞, "\xB1\x5C" 盶.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/registry.h"
#include "base/wide_text.h"

namespace corvalis {
namespace {

using namespace std::string_literals;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = "Software\\CorvalisTests\\registry-" + std::to_string(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\CorvalisTests");
  }

  // Type and raw data of a value, read through the wide API with names given as
  // UTF-16, so the check does not share the code under test's conversions.
  bool rawValue(const std::wstring& subkey, const std::wstring& name, DWORD& type, std::string& data) {
    HKEY key = nullptr;
    const std::wstring full = toWideText(base_) + (subkey.empty() ? L"" : L"\\" + subkey);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    data.assign(size, '\0');
    if (status == ERROR_SUCCESS) {
      status = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

  bool keyExists(const std::wstring& subkey) {
    HKEY key = nullptr;
    const std::wstring full = toWideText(base_) + L"\\" + subkey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, full.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  // Sets a value of any type directly, bypassing the code under test.
  void setRaw(const std::string& name, DWORD type, const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  std::string at(const std::string& rest) const { return base_ + "\\" + rest; }

  std::string base_;
};

TEST_F(RegistryTest, TextIsStoredAsRegSzWithItsTerminatingZero) {
  ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, at("name"), "C:\\bar\\\xD6\xD0\xCE\xC4.exe"));
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(rawValue(L"", L"name", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  // UTF-16 as the system stores it: the text, then one zero character.
  EXPECT_EQ(data.size(), (std::wstring(L"C:\\bar\\中文.exe").size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), L"C:\\bar\\中文.exe");

  EXPECT_TRUE(registryValueExists(HKEY_CURRENT_USER, at("name")));
  EXPECT_EQ(readRegistryText(HKEY_CURRENT_USER, at("name")), "C:\\bar\\\xD6\xD0\xCE\xC4.exe");
}

TEST_F(RegistryTest, PathSplitKeepsTrailBytesOfTwoByteCharacters) {
  struct Case {
    const char* what;
    std::string path;          // below the scratch key, GBK
    std::wstring subkey, name;  // where the value must land
  };
  const std::vector<Case> cases = {
      {"value name is 昞", "\x95\x5C", L"", L"昞"},
      {"value name ends in 盶", "k\\v\xB1\x5C", L"k", L"v盶"},
      {"subkey ends in 盶", "k\xB1\x5C\\v", L"k盶", L"v"},
      {"both", "\x95\x5C\\\xB1\x5C", L"昞", L"盶"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, at(c.path), "x"));
    DWORD type = 0;
    std::string data;
    EXPECT_TRUE(rawValue(c.subkey, c.name, type, data));
    EXPECT_TRUE(registryValueExists(HKEY_CURRENT_USER, at(c.path)));
    EXPECT_EQ(readRegistryText(HKEY_CURRENT_USER, at(c.path), "fallback"), "x");
  }
}

TEST_F(RegistryTest, IntegerAndBytesKeepTheirTypes) {
  ASSERT_TRUE(writeRegistryInteger(HKEY_CURRENT_USER, at("sub\\count"), 0xA1B2C3D4u));
  ASSERT_TRUE(writeRegistryBytes(HKEY_CURRENT_USER, at("sub\\blob"), "\x00\x01\xFF"s));
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(rawValue(L"sub", L"count", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, "\xD4\xC3\xB2\xA1"s);
  ASSERT_TRUE(rawValue(L"sub", L"blob", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(data, "\x00\x01\xFF"s);
}

TEST_F(RegistryTest, ReadExpandsRegExpandSzAndFallsBackForOtherTypes) {
  ASSERT_TRUE(SetEnvironmentVariableA("CORVALIS_TEST_DIR", "D:\\\xB1\xED"));
  setRaw("expand", REG_EXPAND_SZ, "%CORVALIS_TEST_DIR%\\x.exe\0"s);
  setRaw("unterminated", REG_SZ, "abc");  // no terminating zero stored
  setRaw("dword", REG_DWORD, "\x01\x00\x00\x00"s);
  setRaw("binary", REG_BINARY, "text\0"s);
  setRaw("multi", REG_MULTI_SZ, "a\0b\0\0"s);
  setRaw("empty", REG_SZ, ""s);

  struct Case {
    const char* name;
    std::string expected;  // with the fallback "dflt"
  };
  const std::vector<Case> cases = {
      {"expand", "D:\\\xB1\xED\\x.exe"},
      {"unterminated", "abc"},
      {"dword", "dflt"},
      {"binary", "dflt"},
      {"multi", "dflt"},
      {"missing", "dflt"},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(readRegistryText(HKEY_CURRENT_USER, at(c.name), "dflt"), c.expected);
  }
  EXPECT_EQ(readRegistryText(HKEY_CURRENT_USER, at("missing")), "");
  EXPECT_EQ(readRegistryText(HKEY_CURRENT_USER, at("no\\such\\key\\value"), "dflt"), "dflt");
  // Existence does not care about the type.
  EXPECT_TRUE(registryValueExists(HKEY_CURRENT_USER, at("dword")));
  EXPECT_FALSE(registryValueExists(HKEY_CURRENT_USER, at("missing")));
  EXPECT_FALSE(registryValueExists(HKEY_CURRENT_USER, at("no\\such\\value")));
}

TEST_F(RegistryTest, DeleteRemovesTheValueOrElseTheKeyOfTheWholePath) {
  ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, at("keep\\value"), "v"));
  ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, at("keep\\other"), "o"));
  ASSERT_TRUE(deleteRegistryValue(HKEY_CURRENT_USER, at("keep\\value")));
  EXPECT_FALSE(registryValueExists(HKEY_CURRENT_USER, at("keep\\value")));
  EXPECT_TRUE(registryValueExists(HKEY_CURRENT_USER, at("keep\\other")));
  EXPECT_TRUE(keyExists(L"keep"));

  // No value "leaf" under "parent": the key "parent\leaf" itself goes.
  ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, at("parent\\leaf\\inner"), "i"));
  ASSERT_TRUE(deleteRegistryValue(HKEY_CURRENT_USER, at("parent\\leaf\\inner")));
  ASSERT_TRUE(keyExists(L"parent\\leaf"));
  EXPECT_TRUE(deleteRegistryValue(HKEY_CURRENT_USER, at("parent\\leaf")));
  EXPECT_FALSE(keyExists(L"parent\\leaf"));
  EXPECT_TRUE(keyExists(L"parent"));

  // The same for a key named by a character whose second byte is 0x5C.
  ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, at("\xB1\x5C\\x"), "x"));
  ASSERT_TRUE(deleteRegistryValue(HKEY_CURRENT_USER, at("\xB1\x5C\\x")));
  EXPECT_TRUE(deleteRegistryValue(HKEY_CURRENT_USER, at("\xB1\x5C")));
  EXPECT_FALSE(keyExists(L"盶"));

  EXPECT_FALSE(deleteRegistryValue(HKEY_CURRENT_USER, at("nothing\\here")));
  EXPECT_FALSE(deleteRegistryValue(HKEY_CURRENT_USER, ""));
}

TEST_F(RegistryTest, OnlyPredefinedRootsAreAccepted) {
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                            nullptr),
            ERROR_SUCCESS);
  EXPECT_FALSE(writeRegistryText(opened, "v", "x"));
  EXPECT_FALSE(registryValueExists(opened, "v"));
  EXPECT_EQ(readRegistryText(opened, "v", "dflt"), "dflt");
  EXPECT_FALSE(deleteRegistryValue(opened, "v"));
  RegCloseKey(opened);

  struct Root {
    HKEY key;
    bool accepted;
  };
  const std::vector<Root> roots = {{HKEY_CLASSES_ROOT, true},  {HKEY_CURRENT_CONFIG, true},
                                   {HKEY_CURRENT_USER, true},  {HKEY_LOCAL_MACHINE, true},
                                   {HKEY_USERS, true},         {HKEY_PERFORMANCE_DATA, false},
                                   {nullptr, false}};
  for (const Root& root : roots) EXPECT_EQ(isRegistryRoot(root.key), root.accepted);
}

}  // namespace
}  // namespace corvalis
