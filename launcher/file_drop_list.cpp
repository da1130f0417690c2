#include "launcher/file_drop_list.h"

#include <cstring>

namespace corvalis {

namespace {

std::uint32_t load32(const unsigned char* p) {
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// Whether the character at `at` (`unit` bytes) is zero.
bool isZero(const unsigned char* at, std::size_t unit) { return at[0] == 0 && (unit == 1 || at[1] == 0); }

}  // namespace

FileDropList parseFileDropList(const unsigned char* block, std::size_t size, std::size_t keep) {
  FileDropList list;
  if (block == nullptr || size < kDropFilesHeaderBytes) return list;
  const std::size_t first = load32(block);
  list.wide = load32(block + 16) != 0;
  const std::size_t unit = list.wide ? 2 : 1;
  if (first < kDropFilesHeaderBytes || first > size) return list;
  std::size_t at = first;
  while (size - at >= unit && !isZero(block + at, unit)) {
    const std::size_t start = at;
    while (size - at >= unit && !isZero(block + at, unit)) at += unit;
    if (size - at < unit) break;  // no zero before the block ends: cut off
    if (list.count < keep) list.paths.push_back({start, (at - start) / unit});
    ++list.count;
    at += unit;
  }
  return list;
}

}  // namespace corvalis
