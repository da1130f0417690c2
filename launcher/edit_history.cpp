#include "launcher/edit_history.h"

#include "launcher/shortcut_file.h"
#include "store/hash_table.h"

namespace corvalis {

namespace {

// `table` takes the state on top of `from`; its own goes on top of `to`.
bool step(HashTable& table, std::vector<ByteString>& from, std::vector<ByteString>& to) {
  if (from.empty()) return false;
  ByteString now = shortcutImage(table);
  if (now.empty() || !restoreShortcutImage(table, from.back())) return false;
  from.pop_back();
  to.push_back(std::move(now));
  return true;
}

// The file's shortcuts under the kept image, as mergeOnto puts them under a table.
bool mergeUnderImage(const HashTable& file, ByteString& image) {
  HashTable state;
  if (!restoreShortcutImage(state, image) || !mergeOnto(file, state)) return false;
  ByteString merged = shortcutImage(state);
  if (merged.empty()) return false;
  image = std::move(merged);
  return true;
}

}  // namespace

void EditHistory::record(ByteString before) {
  undone_.clear();
  if (!before.empty()) before_.push_back(std::move(before));
}

bool EditHistory::undo(HashTable& table) { return step(table, before_, undone_); }

bool EditHistory::redo(HashTable& table) { return step(table, undone_, before_); }

void EditHistory::mergeUnder(const HashTable& file) {
  for (auto* states : {&before_, &undone_})
    for (ByteString& image : *states)
      if (!mergeUnderImage(file, image)) {
        clear();
        return;
      }
}

void EditHistory::clear() {
  before_.clear();
  undone_.clear();
}

}  // namespace corvalis
