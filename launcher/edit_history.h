// The edit window's undo and redo: the working copy's images before each change, and
// those undone since. Every change the window makes to its copy is recorded, so that
// undoing again and again leads back to the list as the window opened.
#pragma once

#include <cstddef>
#include <vector>

#include "app/text.h"

namespace corvalis {

class HashTable;

class EditHistory {
 public:
  // The working copy changed; `before` is its image (shortcutImage) from just before,
  // kept to go back to. What was undone can no longer be redone. An empty image (memory
  // ran out) leaves a change that cannot be undone.
  void record(ByteString before);

  // `table` goes back to how it was before its last recorded change, or forward again to
  // how it was before the last undo. False, with `table` as it was, when there is none
  // (or memory runs out).
  bool undo(HashTable& table);
  bool redo(HashTable& table);

  // The shortcut file, read at last, went under the working copy: it goes under every
  // kept state too, so that no undo takes the file's shortcuts away. Should memory run
  // out, the history is dropped rather than kept without them.
  void mergeUnder(const HashTable& file);

  void clear();
  std::size_t undoable() const { return before_.size(); }
  std::size_t redoable() const { return undone_.size(); }

 private:
  std::vector<ByteString> before_;  // the newest last
  std::vector<ByteString> undone_;  // the most recently undone last
};

}  // namespace corvalis
