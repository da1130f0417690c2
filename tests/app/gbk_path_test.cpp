// Splitting registry and file paths at the last real backslash. GBK characters
// whose second byte is 0x5C: "\x95\x5C" 昞, "\xB1\x5C" 盶.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/gbk_path.h"

namespace corvalis {
namespace {

TEST(SplitAtLastBackslash, TrailBytesAreNotSeparators) {
  struct Case {
    const char* what;
    std::string path, head, tail;
    bool found;
  };
  const std::vector<Case> cases = {
      {"plain", "Software\\Run\\name", "Software\\Run", "name", true},
      {"no backslash", "name", "", "name", false},
      {"empty", "", "", "", false},
      {"trailing backslash", "Software\\Run\\", "Software\\Run", "", true},
      {"leading backslash", "\\name", "", "name", true},
      {"value name ends in 昞", "Key\\\x95\x5C", "Key", "\x95\x5C", true},
      {"only 昞: no separator", "\x95\x5C", "", "\x95\x5C", false},
      {"subkey ends in 盶", "Soft\xB1\x5C\\v", "Soft\xB1\x5C", "v", true},
      {"two 0x5C trails in a row", "a\\\xB1\x5C\x95\x5C", "a", "\xB1\x5C\x95\x5C", true},
      {"ascii after lead", "\xB1\xED\\x", "\xB1\xED", "x", true},
      // A lead byte that is the last byte takes no partner from beyond the end.
      {"dangling lead", "a\\b\xB1", "a", "b\xB1", true},
      // 0x80 (the euro sign) and 0xFF are single bytes in code page 936: the backslash
      // after them is a separator. "价€" is \xBC\xDB \x80.
      {"folder 价€", "C:\\\xBC\xDB\x80\\bar.exe", "C:\\\xBC\xDB\x80", "bar.exe", true},
      {"0xFF before the separator", "a\xFF\\b", "a\xFF", "b", true},
      // A lead byte before a byte that cannot follow it stands alone.
      {"lead before a space", "\xB1 \\x", "\xB1 ", "x", true},
      {"exe path", "C:\\Program Files\\\xD6\xD0\xCE\xC4\\bar.exe", "C:\\Program Files\\\xD6\xD0\xCE\xC4",
       "bar.exe", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const PathSplit split = splitAtLastBackslash(c.path);
    EXPECT_EQ(split.head, c.head);
    EXPECT_EQ(split.tail, c.tail);
    EXPECT_EQ(split.found, c.found);
    const RegistryPath registry = splitRegistryPath(c.path);
    EXPECT_EQ(registry.subkey, c.head);
    EXPECT_EQ(registry.valueName, c.tail);
  }
}

}  // namespace
}  // namespace corvalis
