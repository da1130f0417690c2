// The file list of a drop as another program hands it over: read within the block's
// size, counted before anything is kept, a path cut off by the block's end dropped.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "launcher/file_drop_list.h"

namespace corvalis {
namespace {

using namespace std::string_literals;

// A DROPFILES block: the header, then `list` (paths with their zeros) as given.
std::vector<unsigned char> block(const std::u16string& list, bool wide = true, std::uint32_t first = 20) {
  std::vector<unsigned char> bytes(20 + list.size() * 2, 0);
  std::memcpy(bytes.data(), &first, 4);
  bytes[16] = wide ? 1 : 0;
  if (!list.empty()) std::memcpy(bytes.data() + 20, list.data(), list.size() * 2);
  return bytes;
}

std::u16string pathAt(const std::vector<unsigned char>& bytes, const FileDropList::Path& path) {
  std::u16string text(path.length, u'\0');
  std::memcpy(text.data(), bytes.data() + path.offset, path.length * 2);
  return text;
}

TEST(FileDropList, PathsInOrderUpToTheEmptyOne) {
  const std::u16string list = u"C:\\a.exe\0D:\\中文\\程序.exe\0\0E:\\after the end\0\0"s;
  const auto bytes = block(list);
  const FileDropList parsed = parseFileDropList(bytes.data(), bytes.size(), 64);
  EXPECT_TRUE(parsed.wide);
  ASSERT_EQ(parsed.count, 2u);
  ASSERT_EQ(parsed.paths.size(), 2u);
  EXPECT_EQ(pathAt(bytes, parsed.paths[0]), u"C:\\a.exe");
  EXPECT_EQ(pathAt(bytes, parsed.paths[1]), u"D:\\中文\\程序.exe");

  // 8-bit paths count bytes.
  const std::string paths("a.txt\0b\0\0", 9);
  std::vector<unsigned char> narrow(20 + paths.size(), 0);
  narrow[0] = 20;
  std::memcpy(narrow.data() + 20, paths.data(), paths.size());
  const FileDropList ansi = parseFileDropList(narrow.data(), narrow.size(), 64);
  EXPECT_FALSE(ansi.wide);
  ASSERT_EQ(ansi.count, 2u);
  EXPECT_EQ(ansi.paths[1].offset, 26u);
  EXPECT_EQ(ansi.paths[1].length, 1u);
}

TEST(FileDropList, TheBlocksEndBoundsEveryRead) {
  // No closing empty path, the last one cut off, half a character at the end: the
  // whole ones count, nothing is read beyond the block (the sanitizer watches).
  auto bytes = block(u"C:\\one\0C:\\cut"s);
  bytes.push_back('x');
  const FileDropList parsed = parseFileDropList(bytes.data(), bytes.size(), 64);
  EXPECT_EQ(parsed.count, 1u);
  EXPECT_EQ(pathAt(bytes, parsed.paths.at(0)), u"C:\\one");
  // A header that points outside the block, or a block shorter than a header.
  const auto outside = block(u"a\0\0"s, true, 4000);
  EXPECT_EQ(parseFileDropList(outside.data(), outside.size(), 64).count, 0u);
  const auto inside = block(u"a\0\0"s, true, 8);  // into the header itself
  EXPECT_EQ(parseFileDropList(inside.data(), inside.size(), 64).count, 0u);
  EXPECT_EQ(parseFileDropList(bytes.data(), 19, 64).count, 0u);
  EXPECT_EQ(parseFileDropList(nullptr, 100, 64).count, 0u);
}

TEST(FileDropList, ManyPathsAreCountedButOnlyTheFirstNoted) {
  std::u16string list;
  for (int i = 0; i < 1000; ++i) {
    list.push_back(u'f');
    list.push_back(static_cast<char16_t>(u'0' + i % 10));
    list.push_back(u'\0');
  }
  list += u'\0';
  const auto bytes = block(list);
  const FileDropList parsed = parseFileDropList(bytes.data(), bytes.size(), 64);
  EXPECT_EQ(parsed.count, 1000u);
  EXPECT_EQ(parsed.paths.size(), 64u);
}

}  // namespace
}  // namespace corvalis
