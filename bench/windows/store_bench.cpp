// store_bench.exe: the shortcut store's HashTable as the program runs it - its private
// heap, the pool and the ntdll heap routines - next to std::unordered_map<std::string,
// std::string> in the same process, with the same keys in the same order (the key and
// value sets of the native benchmark, bench/store_data.h, and its two containers,
// bench/store_sides.h).
//
// Rows: set, get, missing-key get and remove at 1,000 and 100,000 entries, for the
// ordered table (the program's configuration), an unordered table and the map; plus
// serialize / deserialize throughput for 10,000 entries. A copy row times a get's
// hand-back alone (a process-heap block against a std::string copy of the same
// value): Wine's heap allocates up to twice as fast from a heap with small free
// blocks in it, and the C runtime's heap gets them from building the data sets while
// the process heap of this console program starts almost unused, so that row shows
// how much of a get's ratio is the heaps' and not the tables'.
//
// Each round runs every row once: the rows of one comparison right after one another,
// in a new random order each round, so that load from elsewhere falls on both sides of
// a comparison alike. A row's figure is the
// median over the rounds; the spread is the lowest and highest round. A ratio is the
// median of the per-round ratios (table / map of the same round).
//
// The fairness rules of the native benchmark hold here too: only the loop of
// operations is timed; the table gets zero-terminated const char* (it measures them
// itself), the map std::string; a successful get hands back an owned copy on both
// sides (a process-heap copy from the table, a std::string copy from the map), and
// both copies are released inside the timed loop.
//
//   store_bench.exe [rounds] [milliseconds per row] [row prefix]   (defaults 11, 10, all rows)
//
// The output ends with one line per operation and size:
//   ratio windows-<operation> <n> <ordered HashTable / unordered_map>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "bench/store_data.h"
#include "bench/store_sides.h"
#include "store/hash_table.h"
#include "store/process_heap_block.h"

namespace {

using corvalis::HashTable;
using corvalis::ProcessHeapBytes;
using corvalis::ProcessHeapText;
using corvalis::bench::DataSet;
using corvalis::bench::dataSet;
using corvalis::bench::keep;
using corvalis::bench::MapSide;
using corvalis::bench::TableSide;

constexpr std::size_t kLookupBatch = 1000;
constexpr std::size_t kRemoveBatch = 100;
constexpr std::size_t kImageEntries = 10000;
constexpr std::size_t kSizes[] = {1000, 100000};

double nowSeconds() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / frequency;
}

// The copy a successful get hands back, without the lookup: a process-heap block on
// the table's side, a std::string on the map's.
bool copyToProcessHeap(const std::string& value) {
  auto* block = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, value.size() + 1));
  if (block == nullptr) return false;
  std::memcpy(block, value.data(), value.size() + 1);
  ProcessHeapText text(block);
  keep(text.get());
  return true;
}

bool copyToString(const std::string& value) {
  std::string text = value;
  keep(text.data());
  return true;
}

template <class Side>
constexpr bool (*copyOf)(const std::string&) = std::is_same_v<Side, TableSide> ? copyToProcessHeap : copyToString;

template <class Side>
bool fill(Side& side, const DataSet& data) {
  if (!side.reset()) return false;
  for (std::size_t i = 0; i < data.keys.size(); ++i)
    if (!side.set(data, i)) return false;
  return side.size() == data.keys.size();
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "store_bench: %s\n", what);
  std::exit(1);
}

// ---------------------------------------------------------------------------
// One measurement of a row: repeats its batch until `budget` seconds have been timed;
// the result is seconds per operation.

double budget = 0.010;

// set: n new keys into an empty container (creating and destroying it untimed).
template <class Side>
double measureSet(bool ordered, std::size_t n) {
  const DataSet& data = dataSet(n);
  Side side(ordered);
  double timed = 0;
  std::size_t operations = 0;
  while (timed < budget) {
    if (!side.reset()) fail("container could not be set up");
    bool ok = true;
    const double start = nowSeconds();
    for (std::size_t i = 0; i < n; ++i) ok &= side.set(data, i);
    timed += nowSeconds() - start;
    if (!ok || side.size() != n) fail("set refused a key");
    side.clear();
    operations += n;
  }
  return timed / static_cast<double>(operations);
}

// The filled containers of the lookup and remove rows live through the whole run.
template <class Side>
struct Filled {
  Filled(bool ordered, std::size_t n) : side(ordered), data(dataSet(n)) {
    if (!fill(side, data)) fail("container could not be filled");
  }
  Side side;
  const DataSet& data;
  std::size_t cursor = 0;
};

// lookedUp(position) for position after position of the data set, kLookupBatch at a
// time, each batch timed, until the time budget is spent; it must hold for every one.
template <class Side, class Lookup>
double measureLookups(Filled<Side>& filled, Lookup lookedUp, const char* failure) {
  const std::size_t n = filled.data.keys.size();
  double timed = 0;
  std::size_t operations = 0;
  while (timed < budget) {
    bool ok = true;
    std::size_t cursor = filled.cursor;
    const double start = nowSeconds();
    for (std::size_t j = 0; j < kLookupBatch; ++j) {
      ok &= lookedUp(cursor);
      if (++cursor == n) cursor = 0;
    }
    timed += nowSeconds() - start;
    filled.cursor = cursor;
    if (!ok) fail(failure);
    operations += kLookupBatch;
  }
  return timed / static_cast<double>(operations);
}

template <class Side>
double measureGet(Filled<Side>& filled) {
  const DataSet& data = filled.data;
  return measureLookups(
      filled, [&](std::size_t at) { return filled.side.get(data.keys[data.order[at]]); },
      "a present key was not found");
}

// copy: the get row's hand-back alone, for the same values in the same order; it
// tells the lookup's share of a get from the allocator's.
template <class Side>
double measureCopy(Filled<Side>& filled) {
  const DataSet& data = filled.data;
  return measureLookups(
      filled, [&](std::size_t at) { return copyOf<Side>(data.values[data.order[at]]); }, "a copy failed");
}

template <class Side>
double measureGetMissing(Filled<Side>& filled) {
  const DataSet& data = filled.data;
  return measureLookups(
      filled, [&](std::size_t at) { return filled.side.getMissing(data.missing[at]); }, "a missing key was found");
}

// remove: kRemoveBatch present keys from the full container; they are put back untimed.
template <class Side>
double measureRemove(Filled<Side>& filled) {
  const DataSet& data = filled.data;
  const std::size_t n = data.keys.size();
  double timed = 0;
  std::size_t operations = 0;
  while (timed < budget) {
    bool ok = true;
    const std::size_t cursor = filled.cursor;
    const double start = nowSeconds();
    for (std::size_t j = 0; j < kRemoveBatch; ++j) ok &= filled.side.remove(data.keys[data.order[(cursor + j) % n]]);
    timed += nowSeconds() - start;
    for (std::size_t j = 0; j < kRemoveBatch; ++j) ok &= filled.side.set(data, data.order[(cursor + j) % n]);
    filled.cursor = (cursor + kRemoveBatch) % n;
    if (!ok || filled.side.size() != n) fail("remove or re-insert failed");
    operations += kRemoveBatch;
  }
  return timed / static_cast<double>(operations);
}

// serialize / deserialize: bytes per second.
double measureSerialize(Filled<TableSide>& filled) {
  double timed = 0;
  std::size_t bytes = 0;
  while (timed < budget) {
    const double start = nowSeconds();
    ProcessHeapBytes image = filled.side.table_.serialize();
    keep(image.data());
    const std::size_t size = image.size();
    image.reset();
    timed += nowSeconds() - start;
    if (size == 0) fail("serialize gave no image");
    bytes += size;
  }
  return static_cast<double>(bytes) / timed;
}

double measureDeserialize(const ProcessHeapBytes& image) {
  HashTable target;
  double timed = 0;
  std::size_t bytes = 0;
  while (timed < budget) {
    target.destroy();
    const double start = nowSeconds();
    const bool ok = target.deserialize(image);
    timed += nowSeconds() - start;
    if (!ok || target.count() != kImageEntries) fail("deserialize refused the image");
    bytes += image.size();
  }
  return static_cast<double>(bytes) / timed;
}

// ---------------------------------------------------------------------------
// Rows, rounds and the report

enum Side { kOrdered, kUnordered, kMap, kSideCount };
constexpr const char* kSideNames[kSideCount] = {"HashTable.ordered", "HashTable.unordered", "unordered_map"};
constexpr const char* kOperations[] = {"set", "get", "get_missing", "remove", "copy"};

struct Row {
  std::string name;
  std::vector<double> rounds;
  double (*measure)(void*) = nullptr;
  void* context = nullptr;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t m = values.size() / 2;
  return values.size() % 2 != 0 ? values[m] : (values[m - 1] + values[m]) / 2;
}

struct Containers {
  Filled<TableSide> ordered;
  Filled<TableSide> unordered;
  Filled<MapSide> map;
  explicit Containers(std::size_t n) : ordered(true, n), unordered(false, n), map(false, n) {}
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 11;
  if (argc > 2) budget = std::max(1, std::atoi(argv[2])) / 1000.0;
  const std::string only = argc > 3 ? argv[3] : "";

  // Every key set before anything is timed.
  for (std::size_t n : kSizes) dataSet(n);
  dataSet(kImageEntries);

  std::vector<Containers*> containers;
  for (std::size_t n : kSizes) containers.push_back(new Containers(n));
  Filled<TableSide> imageOrdered(true, kImageEntries), imageUnordered(false, kImageEntries);
  const ProcessHeapBytes orderedImage = imageOrdered.side.table_.serialize();
  const ProcessHeapBytes unorderedImage = imageUnordered.side.table_.serialize();

  // rows[operation][size][side]
  std::vector<Row> rows;
  auto add = [&](std::string name, double (*measure)(void*), void* context) {
    rows.push_back(Row{std::move(name), {}, measure, context});
  };
  static const std::size_t sizeValues[] = {kSizes[0], kSizes[1]};
  for (std::size_t s = 0; s < 2; ++s) {
    const std::string n = std::to_string(kSizes[s]);
    void* size = const_cast<std::size_t*>(&sizeValues[s]);
    Containers* c = containers[s];
    add("set/" + std::string(kSideNames[kOrdered]) + "/" + n,
        [](void* p) { return measureSet<TableSide>(true, *static_cast<std::size_t*>(p)); }, size);
    add("set/" + std::string(kSideNames[kUnordered]) + "/" + n,
        [](void* p) { return measureSet<TableSide>(false, *static_cast<std::size_t*>(p)); }, size);
    add("set/" + std::string(kSideNames[kMap]) + "/" + n,
        [](void* p) { return measureSet<MapSide>(false, *static_cast<std::size_t*>(p)); }, size);
    add("get/" + std::string(kSideNames[kOrdered]) + "/" + n,
        [](void* p) { return measureGet(static_cast<Containers*>(p)->ordered); }, c);
    add("get/" + std::string(kSideNames[kUnordered]) + "/" + n,
        [](void* p) { return measureGet(static_cast<Containers*>(p)->unordered); }, c);
    add("get/" + std::string(kSideNames[kMap]) + "/" + n,
        [](void* p) { return measureGet(static_cast<Containers*>(p)->map); }, c);
    add("get_missing/" + std::string(kSideNames[kOrdered]) + "/" + n,
        [](void* p) { return measureGetMissing(static_cast<Containers*>(p)->ordered); }, c);
    add("get_missing/" + std::string(kSideNames[kUnordered]) + "/" + n,
        [](void* p) { return measureGetMissing(static_cast<Containers*>(p)->unordered); }, c);
    add("get_missing/" + std::string(kSideNames[kMap]) + "/" + n,
        [](void* p) { return measureGetMissing(static_cast<Containers*>(p)->map); }, c);
    add("copy/" + std::string(kSideNames[kOrdered]) + "/" + n,
        [](void* p) { return measureCopy(static_cast<Containers*>(p)->ordered); }, c);
    add("copy/" + std::string(kSideNames[kUnordered]) + "/" + n,
        [](void* p) { return measureCopy(static_cast<Containers*>(p)->unordered); }, c);
    add("copy/" + std::string(kSideNames[kMap]) + "/" + n,
        [](void* p) { return measureCopy(static_cast<Containers*>(p)->map); }, c);
    add("remove/" + std::string(kSideNames[kOrdered]) + "/" + n,
        [](void* p) { return measureRemove(static_cast<Containers*>(p)->ordered); }, c);
    add("remove/" + std::string(kSideNames[kUnordered]) + "/" + n,
        [](void* p) { return measureRemove(static_cast<Containers*>(p)->unordered); }, c);
    add("remove/" + std::string(kSideNames[kMap]) + "/" + n,
        [](void* p) { return measureRemove(static_cast<Containers*>(p)->map); }, c);
  }
  const std::string images = std::to_string(kImageEntries);
  add("serialize/HashTable.ordered/" + images,
      [](void* p) { return measureSerialize(*static_cast<Filled<TableSide>*>(p)); }, &imageOrdered);
  add("serialize/HashTable.unordered/" + images,
      [](void* p) { return measureSerialize(*static_cast<Filled<TableSide>*>(p)); }, &imageUnordered);
  add("deserialize/HashTable.ordered/" + images,
      [](void* p) { return measureDeserialize(*static_cast<const ProcessHeapBytes*>(p)); },
      const_cast<ProcessHeapBytes*>(&orderedImage));
  add("deserialize/HashTable.unordered/" + images,
      [](void* p) { return measureDeserialize(*static_cast<const ProcessHeapBytes*>(p)); },
      const_cast<ProcessHeapBytes*>(&unorderedImage));

  // The rows of one comparison (one operation and size: ordered table, unordered table,
  // map) run right after one another, in a new random order each round, so that they
  // see the same load; the groups too run in a new random order each round.
  // "get/HashTable.ordered/1000" belongs to the comparison "get/1000".
  auto comparisonOf = [](const std::string& name) {
    return name.substr(0, name.find('/')) + name.substr(name.rfind('/'));
  };
  std::vector<std::vector<std::size_t>> groups;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (groups.empty() || comparisonOf(rows[i].name) != comparisonOf(rows[groups.back().front()].name))
      groups.emplace_back();
    groups.back().push_back(i);
  }
  std::mt19937 shuffle(20240612);
  for (int round = 0; round < rounds; ++round) {
    std::shuffle(groups.begin(), groups.end(), shuffle);
    for (std::vector<std::size_t>& group : groups) {
      std::shuffle(group.begin(), group.end(), shuffle);
      for (std::size_t i : group)
        rows[i].rounds.push_back(rows[i].name.rfind(only, 0) == 0 ? rows[i].measure(rows[i].context) : 1.0);
    }
  }

  const char* architecture = sizeof(void*) == 4 ? "i686 (32-bit)" : "x86_64 (64-bit)";
  std::printf("# store under Windows heaps: %s build, %d interleaved rounds of %.0f ms per row\n", architecture,
              rounds, budget * 1000);
  std::printf("# %-38s %10s %10s %10s\n", "row", "median", "lowest", "highest");
  for (const Row& row : rows) {
    const bool throughput = row.name.rfind("serialize", 0) == 0 || row.name.rfind("deserialize", 0) == 0;
    const double scale = throughput ? 1e-6 : 1e9;  // MB/s, or ns per operation
    const auto [low, high] = std::minmax_element(row.rounds.begin(), row.rounds.end());
    std::printf("  %-38s %10.1f %10.1f %10.1f %s\n", row.name.c_str(), median(row.rounds) * scale, *low * scale,
                *high * scale, throughput ? "MB/s" : "ns/op");
  }

  // Ratio lines: the median of the per-round ratios, with their spread.
  auto ratio = [&](const char* label, const char* operation, std::size_t n, int side, bool last) {
    const std::string suffix = "/" + std::to_string(n);
    const Row* table = nullptr;
    const Row* map = nullptr;
    for (const Row& row : rows) {
      if (row.name == std::string(operation) + "/" + kSideNames[side] + suffix) table = &row;
      if (row.name == std::string(operation) + "/" + kSideNames[kMap] + suffix) map = &row;
    }
    std::vector<double> perRound;
    for (std::size_t i = 0; i < table->rounds.size(); ++i) perRound.push_back(table->rounds[i] / map->rounds[i]);
    const auto [low, high] = std::minmax_element(perRound.begin(), perRound.end());
    if (last)
      std::printf("%s windows-%s %zu %.3f\n", label, operation, n, median(perRound));
    else
      std::printf("%s windows-%s %zu %.3f  (rounds %.3f to %.3f)\n", label, operation, n, median(perRound), *low,
                  *high);
  };
  std::printf("\n# HashTable time / unordered_map time, median of the per-round ratios (spread: lowest to highest round)\n");
  std::printf("# unordered HashTable (its remove closes no gap in positions):\n");
  for (const char* operation : kOperations)
    for (std::size_t n : kSizes) ratio("ratio-unordered", operation, n, kUnordered, false);
  std::printf("# the program's configuration: text keys, text values, ordered (its remove renumbers the positions behind the entry)\n");
  for (const char* operation : kOperations)
    for (std::size_t n : kSizes) ratio("spread", operation, n, kOrdered, false);
  for (const char* operation : kOperations)
    for (std::size_t n : kSizes) ratio("ratio", operation, n, kOrdered, true);
  for (Containers* c : containers) delete c;
  return 0;
}
