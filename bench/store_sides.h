// The two containers the store benchmarks compare, behind one small interface, so
// that every row of the native and of the Windows benchmark runs the same loop over
// the same operations. Each operation does exactly what its comment says, per call.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include "bench/store_data.h"
#include "store/hash_table.h"
#include "store/process_heap_block.h"

namespace corvalis::bench {

using StdMap = std::unordered_map<std::string, std::string>;

// Keeps the compiler from dropping a result that nothing reads.
template <class T>
inline void keep(const T& value) {
  asm volatile("" : : "g"(value) : "memory");
}

struct TableSide {
  explicit TableSide(bool ordered) : ordered_(ordered) {}

  bool reset() {
    TableSettings settings;
    settings.ordered = ordered_;
    return table_.initialize(KeyKind::Text, ValueKind::Text, settings);
  }
  void clear() { table_.destroy(); }
  // Measures key and value (strlen), hashes the key, walks its chain, takes a node
  // and a value block from the table's pool and copies both in; grows the table
  // when it passes its load factor.
  bool set(const DataSet& data, std::size_t i) {
    return table_.set(data.keys[i].c_str(), data.values[i].c_str()) == SetResult::Added;
  }
  // Hashes, finds the node and returns a new process-heap copy of the value,
  // released again at the end of the call.
  bool get(const std::string& key) {
    bool found = false;
    ProcessHeapText value = table_.get(key.c_str(), &found);
    keep(value.get());
    return found;
  }
  // Hashes and walks the chain; nothing is copied.
  bool getMissing(const std::string& key) {
    bool found = true;
    ProcessHeapText value = table_.get(key.c_str(), &found);
    keep(value.get());
    return !found;
  }
  // Hashes, unlinks the node and returns node and value block to the pool; an
  // ordered table also closes the gap in the positions behind the entry, which
  // walks every bucket and entry (so its remove grows with n).
  bool remove(const std::string& key) { return table_.remove(key.c_str()); }
  std::size_t size() const { return table_.count(); }

  HashTable table_;
  bool ordered_;
};

struct MapSide {
  explicit MapSide(bool) {}

  bool reset() {
    map_ = StdMap();
    return true;
  }
  void clear() { map_ = StdMap(); }
  // Hashes the key, and constructs a node holding copies of key and value.
  bool set(const DataSet& data, std::size_t i) {
    return map_.insert_or_assign(data.keys[i], data.values[i]).second;
  }
  // Hashes, finds the node and copies the mapped string out; the copy is released
  // at the end of the call.
  bool get(const std::string& key) {
    auto it = map_.find(key);
    if (it == map_.end()) return false;
    std::string value = it->second;
    keep(value.data());
    return true;
  }
  // Hashes and walks the bucket; nothing is copied.
  bool getMissing(const std::string& key) {
    auto it = map_.find(key);
    keep(it);
    return it == map_.end();
  }
  // Hashes, unlinks the node and frees it with its two strings.
  bool remove(const std::string& key) { return map_.erase(key) == 1; }
  std::size_t size() const { return map_.size(); }

  StdMap map_;
};

}  // namespace corvalis::bench
