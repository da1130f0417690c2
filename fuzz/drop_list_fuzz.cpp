// libFuzzer target for the file list of a drop (a CF_HDROP block from any program):
// on any block it reads nothing outside it (ASan watches an exactly sized copy), every
// path it notes lies inside the block and ends before a zero character, and the count
// is never below the paths noted.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "launcher/file_drop_list.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "drop_list_fuzz: %s\n", what);
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> block(data, data + size);
  constexpr std::size_t kKeep = 64;
  const corvalis::FileDropList list = corvalis::parseFileDropList(block.data(), block.size(), kKeep);
  if (list.paths.size() > kKeep || list.paths.size() > list.count) fail("more paths noted than counted or kept");
  if (list.count > kKeep && list.paths.size() != kKeep) fail("the first paths of a long list were not all noted");
  const std::size_t unit = list.wide ? 2 : 1;
  for (const corvalis::FileDropList::Path& path : list.paths) {
    const std::size_t end = path.offset + path.length * unit;
    if (path.length == 0 || path.offset < corvalis::kDropFilesHeaderBytes || end + unit > size)
      fail("a path outside the block");
    for (std::size_t at = path.offset; at < end; at += unit)
      if (block[at] == 0 && (unit == 1 || block[at + 1] == 0)) fail("a path with a zero character inside");
    if (block[end] != 0 || (unit == 2 && block[end + 1] != 0)) fail("a path not ended by a zero character");
  }
  return 0;
}
