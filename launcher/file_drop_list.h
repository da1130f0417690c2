// The file list of a CF_HDROP block as another program hands it over in a drag: a
// DROPFILES header, then the paths, each ended by a zero character, the list ended by
// an empty one. The block comes from any program that drags, so nothing in it is
// trusted: every read stays inside the block's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvalis {

// The header's size: pFiles (4), pt (8), fNC (4), fWide (4).
inline constexpr std::size_t kDropFilesHeaderBytes = 20;

struct FileDropList {
  bool wide = false;  // UTF-16 paths; otherwise 8-bit ones in the system's ANSI code page
  // Paths in the block, as many as there are before the list's end or the block's;
  // a path the block's end cuts off does not count.
  std::size_t count = 0;
  // Where each of the first `kept` paths lies: its first character's byte offset in
  // the block and its length in characters (1 or 2 bytes each).
  struct Path {
    std::size_t offset;
    std::size_t length;
  };
  std::vector<Path> paths;
};

// Reads the list in `block` (`size` bytes, as GlobalSize tells). Counts every path but
// notes where only the first `keep` lie, so a huge list costs no memory.
FileDropList parseFileDropList(const unsigned char* block, std::size_t size, std::size_t keep);

}  // namespace corvalis
