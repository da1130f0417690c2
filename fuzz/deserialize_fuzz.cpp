// libFuzzer target for HashTable::deserialize.
//
// For every input:
//  1. it is read into a fresh table;
//  2. it is read into a table that already holds entries: the answer must be the
//     same, a refused image must leave that table exactly as it was (kinds,
//     counts, keys, values, positions and its own image), and an accepted one
//     must give the same table as step 1;
//  3. when accepted, the table's image is read into a second table, which must
//     hold the same keys, values and positions, and whose image must be
//     byte-identical.
// Any difference stops the run through __builtin_trap after a line on stderr.
//
// fuzz/reproductions/ keeps inputs that once made the table grow without bound
// (tiny load factors); they must pass like any other input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "store/hash_table.h"
#include "store/process_heap_block.h"

namespace {

using corvalis::Datum;
using corvalis::DatumKind;
using corvalis::HashTable;
using corvalis::KeyKind;
using corvalis::ProcessHeapBytes;
using corvalis::ProcessHeapList;
using corvalis::SetResult;
using corvalis::TableSettings;
using corvalis::ValueKind;

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz_deserialize: %s\n", what);
  __builtin_trap();
}

// One list element as bytes, tagged by how it is held: 'T' text, 'N' no text,
// 'B' byte string, 'S' scalar (its raw element bytes).
std::string element(const ProcessHeapList& list, std::uint32_t index) {
  switch (list.elementKind()) {
    case DatumKind::Text: {
      const char* text = list.textAt(index);
      return text == nullptr ? std::string("N") : "T" + std::string(text);
    }
    case DatumKind::Bytes: {
      const corvalis::ByteView view = list.bytesAt(index);
      return "B" + std::string(reinterpret_cast<const char*>(view.data), view.size);
    }
    default: {
      const auto* at = static_cast<const unsigned char*>(list.data()) + index * list.elementSize();
      return "S" + std::string(reinterpret_cast<const char*>(at), list.elementSize());
    }
  }
}

// The key at `index` of a keys list, as an argument for the table.
Datum keyDatum(const ProcessHeapList& list, std::uint32_t index) {
  switch (list.elementKind()) {
    case DatumKind::Text:
      return Datum::text(list.textAt(index));
    case DatumKind::Bytes: {
      const corvalis::ByteView view = list.bytesAt(index);
      return Datum::bytes(view.data, view.size);
    }
    case DatumKind::Int64:
      return Datum::int64(list.integerAt(index));
    default:
      return Datum::int32(static_cast<std::int32_t>(list.integerAt(index)));
  }
}

struct Snapshot {
  std::int32_t keyKind = 0;
  std::int32_t valueKind = 0;
  std::uint32_t count = 0;
  std::uint32_t bucketCount = 0;
  std::vector<std::string> keys;      // in position order (ordered) or bucket order
  std::vector<std::string> values;    // values[i] belongs to keys[i]
  std::vector<std::int32_t> positions;  // positionOf(keys[i]); 0 throughout when unordered
  std::vector<unsigned char> image;

  bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const HashTable& table) {
  Snapshot shot;
  shot.bucketCount = table.bucketCount();
  shot.count = table.count();
  if (shot.bucketCount == 0) return shot;  // not set up: nothing else to ask
  shot.keyKind = static_cast<std::int32_t>(table.keyKind());
  shot.valueKind = static_cast<std::int32_t>(table.valueKind());

  ProcessHeapList keys;
  ProcessHeapList values;
  check(table.keys(keys) == shot.count && keys.size() == shot.count, "keys() does not list every entry");
  check(table.values(values) == shot.count && values.size() == shot.count, "values() does not list every entry");
  for (std::uint32_t i = 0; i < shot.count; ++i) {
    shot.keys.push_back(element(keys, i));
    shot.values.push_back(element(values, i));
    shot.positions.push_back(table.positionOf(keyDatum(keys, i)));
  }

  const ProcessHeapBytes image = table.serialize();
  check(!image.empty(), "a set-up table gave no image");
  shot.image.assign(image.data(), image.data() + image.size());

  // An ordered table lists its keys by position: the i-th key is at i + 1.
  std::uint32_t ordered = 0;
  std::memcpy(&ordered, shot.image.data() + 28, 4);
  for (std::uint32_t i = 0; i < shot.count; ++i)
    check(shot.positions[i] == (ordered != 0 ? static_cast<std::int32_t>(i) + 1 : 0), "positions out of step");
  return shot;
}

// A table with known content: text keys and values, ordered, one GBK key, one
// absent value, and a moved entry.
void fillWithEntries(HashTable& table) {
  TableSettings settings;
  settings.ordered = true;
  check(table.initialize(KeyKind::Text, ValueKind::Text, settings), "the sentinel table cannot be set up");
  check(table.set("keep", "C:\\keep.exe") == SetResult::Added, "sentinel entry refused");
  check(table.set("\xD7\xC0\xC3\xE6", "C:\\\xB9\xA4\xBE\xDF\\tool.exe") == SetResult::Added, "sentinel entry refused");
  check(table.set("empty", "") == SetResult::Added, "sentinel entry refused");
  check(table.setAt("empty", "", 1) == SetResult::Replaced, "sentinel move refused");
}

// The known defect's round trip: all but the bucket count, and for an unordered
// table, all but the bucket order.
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // 1. A fresh table.
  HashTable fresh;
  const bool accepted = fresh.deserialize(data, size);
  const Snapshot read = snapshot(fresh);
  if (!accepted) check(read == Snapshot{}, "a refused image left the fresh table set up");

  // 2. A table that holds entries.
  HashTable used;
  fillWithEntries(used);
  const Snapshot before = snapshot(used);
  const bool acceptedOverEntries = used.deserialize(data, size);
  check(acceptedOverEntries == accepted, "the same image was accepted once and refused once");
  const Snapshot after = snapshot(used);
  if (!accepted) {
    check(after == before, "a refused image changed the table");
    return 0;
  }
  check(after == read, "the same image read into a used table gave a different table");

  // 3. The round trip through the table's own image (serialised by snapshot()).
  HashTable second;
  check(second.deserialize(read.image.data(), read.image.size()), "the table's own image was refused");
  const Snapshot again = snapshot(second);
  check(again.keyKind == read.keyKind && again.valueKind == read.valueKind, "kinds differ after the round trip");
  check(again.count == read.count, "count differs after the round trip");
  check(again.keys == read.keys, "keys differ after the round trip");
  check(again.values == read.values, "values differ after the round trip");
  check(again.positions == read.positions, "positions differ after the round trip");
  check(again.bucketCount == read.bucketCount, "bucket count differs after the round trip");
  check(again.image == read.image, "re-serialising gave a different image");
  return 0;
}
