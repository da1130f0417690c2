// Speed of the shortcut store's HashTable next to std::unordered_map<std::string,
// std::string>, with identical key and value sets, plus serialize/deserialize
// throughput. After the table of results it prints one line per operation and
// size:  ratio <operation> <n> <HashTable time / unordered_map time>
// for the program's configuration (text keys, text values, ordered); the same
// figures for an unordered HashTable come first as "ratio-unordered" lines.
//
// This is the native build: 64-bit, and the store's heaps are the POSIX stand-in
// (every block a malloc, the process heap's blocks behind a mutex), not the
// Windows heaps the program uses.
//
// Fairness rules that hold for every row:
//  - Keys, values and lookup orders are generated once, before any timing, and the
//    same vectors feed every container.
//  - Every row uses manual timing: only the loop of operations is inside the
//    clock; building the container for a lookup row, re-filling after a remove
//    batch and tearing down are outside it.
//  - HashTable gets keys and values as zero-terminated const char* (what the
//    program passes: the table measures them itself); unordered_map gets the
//    std::string objects (it knows their length).
//  - A successful get hands back an owned copy on both sides: HashTable::get
//    returns a process-heap copy (ProcessHeapText); for the map the mapped
//    std::string is copied out. Both copies are released inside the timed loop.
//  - A HashTable row and the unordered_map row it is compared with do the same
//    number of operations per iteration, so their times per iteration compare.
//  - Each row is repeated (5 times by default, in random order across rows) and
//    the ratios use each row's fastest repetition.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <unistd.h>
#include <vector>

#include "bench/store_data.h"
#include "bench/store_sides.h"
#include "store/hash_table.h"
#include "store/process_heap_block.h"

namespace {

using corvalis::HashTable;
using corvalis::ProcessHeapBytes;
using corvalis::bench::DataSet;
using corvalis::bench::dataSet;
using Clock = std::chrono::steady_clock;
using corvalis::bench::MapSide;
using corvalis::bench::StdMap;
using corvalis::bench::TableSide;

constexpr std::size_t kLookupBatch = 1000;  // get and get_missing: lookups per iteration
constexpr std::size_t kRemoveBatch = 100;   // remove: removals per iteration
constexpr std::size_t kImageEntries = 10000;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}


template <class Side>
bool fill(Side& side, const DataSet& data) {
  if (!side.reset()) return false;
  for (std::size_t i = 0; i < data.keys.size(); ++i)
    if (!side.set(data, i)) return false;
  return side.size() == data.keys.size();
}

void setPerOperation(benchmark::State& state, std::size_t operationsPerIteration) {
  state.counters["per_op"] = benchmark::Counter(static_cast<double>(operationsPerIteration),
                                                benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
}

// ---------------------------------------------------------------------------
// Rows

// set: n new keys into an empty container, which grows from its initial size.
// Creating the empty container and destroying the full one are not timed.
template <class Side>
void runSet(benchmark::State& state, bool ordered, std::size_t n) {
  const DataSet& data = dataSet(n);
  Side side(ordered);
  for (auto _ : state) {
    if (!side.reset()) {
      state.SkipWithError("container could not be set up");
      break;
    }
    bool ok = true;
    const auto start = Clock::now();
    for (std::size_t i = 0; i < n; ++i) ok &= side.set(data, i);
    state.SetIterationTime(secondsSince(start));
    if (!ok || side.size() != n) {
      state.SkipWithError("set refused a key");
      break;
    }
    side.clear();
  }
  setPerOperation(state, n);
}

// get: kLookupBatch present keys per iteration, in a shuffled order that carries
// on from one iteration to the next; each returns an owned copy of its value.
template <class Side>
void runGet(benchmark::State& state, bool ordered, std::size_t n) {
  const DataSet& data = dataSet(n);
  Side side(ordered);
  if (!fill(side, data)) {
    state.SkipWithError("container could not be filled");
    return;
  }
  std::size_t cursor = 0;
  for (auto _ : state) {
    bool ok = true;
    const auto start = Clock::now();
    for (std::size_t j = 0; j < kLookupBatch; ++j) {
      ok &= side.get(data.keys[data.order[cursor]]);
      if (++cursor == n) cursor = 0;
    }
    state.SetIterationTime(secondsSince(start));
    if (!ok) {
      state.SkipWithError("a present key was not found");
      break;
    }
  }
  setPerOperation(state, kLookupBatch);
}

// get_missing: kLookupBatch keys that are not in the container per iteration.
template <class Side>
void runGetMissing(benchmark::State& state, bool ordered, std::size_t n) {
  const DataSet& data = dataSet(n);
  Side side(ordered);
  if (!fill(side, data)) {
    state.SkipWithError("container could not be filled");
    return;
  }
  std::size_t cursor = 0;
  for (auto _ : state) {
    bool ok = true;
    const auto start = Clock::now();
    for (std::size_t j = 0; j < kLookupBatch; ++j) {
      ok &= side.getMissing(data.missing[cursor]);
      if (++cursor == n) cursor = 0;
    }
    state.SetIterationTime(secondsSince(start));
    if (!ok) {
      state.SkipWithError("a missing key was found");
      break;
    }
  }
  setPerOperation(state, kLookupBatch);
}

// remove: kRemoveBatch present keys per iteration from the full container (n
// entries at the start of every batch); the removed entries are put back outside
// the clock, the next batch takes the next keys of the shuffled order.
template <class Side>
void runRemove(benchmark::State& state, bool ordered, std::size_t n) {
  const DataSet& data = dataSet(n);
  Side side(ordered);
  if (!fill(side, data)) {
    state.SkipWithError("container could not be filled");
    return;
  }
  std::size_t cursor = 0;
  for (auto _ : state) {
    bool ok = true;
    const auto start = Clock::now();
    for (std::size_t j = 0; j < kRemoveBatch; ++j) ok &= side.remove(data.keys[data.order[(cursor + j) % n]]);
    state.SetIterationTime(secondsSince(start));
    for (std::size_t j = 0; j < kRemoveBatch; ++j) ok &= side.set(data, data.order[(cursor + j) % n]);
    cursor = (cursor + kRemoveBatch) % n;
    if (!ok || side.size() != n) {
      state.SkipWithError("remove or re-insert failed");
      break;
    }
  }
  setPerOperation(state, kRemoveBatch);
}

// serialize: the image of a table of kImageEntries entries, released again.
void runSerialize(benchmark::State& state, bool ordered) {
  const DataSet& data = dataSet(kImageEntries);
  TableSide side(ordered);
  if (!fill(side, data)) {
    state.SkipWithError("table could not be filled");
    return;
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    ProcessHeapBytes image = side.table_.serialize();
    benchmark::DoNotOptimize(image.data());
    bytes = image.size();
    image.reset();
    state.SetIterationTime(secondsSince(start));
    if (bytes == 0) {
      state.SkipWithError("serialize gave no image");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
  state.counters["image_bytes"] = static_cast<double>(bytes);
}

// deserialize: that image read into a table; the table's previous content is
// destroyed outside the clock.
void runDeserialize(benchmark::State& state, bool ordered) {
  const DataSet& data = dataSet(kImageEntries);
  TableSide source(ordered);
  if (!fill(source, data)) {
    state.SkipWithError("table could not be filled");
    return;
  }
  const ProcessHeapBytes image = source.table_.serialize();
  HashTable target;
  for (auto _ : state) {
    target.destroy();
    const auto start = Clock::now();
    const bool ok = target.deserialize(image);
    state.SetIterationTime(secondsSince(start));
    if (!ok || target.count() != kImageEntries) {
      state.SkipWithError("deserialize refused the image");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(image.size()));
  state.counters["image_bytes"] = static_cast<double>(image.size());
}

// ---------------------------------------------------------------------------
// Registration and the ratio lines

constexpr const char* kOrdered = "HashTable.ordered";
constexpr const char* kUnordered = "HashTable.unordered";
constexpr const char* kStdMap = "unordered_map";
constexpr const char* kOperations[] = {"set", "get", "get_missing", "remove"};
constexpr std::size_t kSizes[] = {1000, 100000};

std::string rowName(const char* operation, const char* side, std::size_t n) {
  return std::string(operation) + "/" + side + "/" + std::to_string(n);
}

// Manual (wall-clock) time per iteration, and besides the usual aggregates the
// fastest repetition: time taken by other processes on a shared machine only ever
// adds, so the minimum is the steadiest figure and the one the ratios use.
void configure(benchmark::internal::Benchmark* b) {
  b->UseManualTime()->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", [](const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
  });
}

template <class Side>
void registerRow(const char* operation, const char* sideName, bool ordered, std::size_t n) {
  const std::string op = operation;
  benchmark::internal::Benchmark* b = nullptr;
  const std::string name = rowName(operation, sideName, n);
  if (op == "set") b = benchmark::RegisterBenchmark(name.c_str(), runSet<Side>, ordered, n);
  else if (op == "get") b = benchmark::RegisterBenchmark(name.c_str(), runGet<Side>, ordered, n);
  else if (op == "get_missing") b = benchmark::RegisterBenchmark(name.c_str(), runGetMissing<Side>, ordered, n);
  else b = benchmark::RegisterBenchmark(name.c_str(), runRemove<Side>, ordered, n);
  configure(b);
}

void registerAll() {
  for (const char* operation : kOperations) {
    for (std::size_t n : kSizes) {
      registerRow<TableSide>(operation, kOrdered, true, n);
      registerRow<TableSide>(operation, kUnordered, false, n);
      registerRow<MapSide>(operation, kStdMap, false, n);
    }
  }
  for (bool ordered : {true, false}) {
    const std::string side = ordered ? kOrdered : kUnordered;
    benchmark::RegisterBenchmark(rowName("serialize", side.c_str(), kImageEntries).c_str(), runSerialize, ordered)
        ->Apply(configure);
    benchmark::RegisterBenchmark(rowName("deserialize", side.c_str(), kImageEntries).c_str(), runDeserialize, ordered)
        ->Apply(configure);
  }
}

// Shows the usual console table and keeps every row's real time per iteration:
// the fastest repetition, or the single run's time without repetitions.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  explicit RecordingReporter(bool terminal) : ConsoleReporter(terminal ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "min") fastest_[name] = run.GetAdjustedRealTime();
      } else {
        singles_[name] = run.GetAdjustedRealTime();
      }
    }
  }

  bool time(const std::string& name, double& out) const {
    auto it = fastest_.find(name);
    if (it == fastest_.end()) it = singles_.find(name);
    if (it == singles_.end()) return false;
    out = it->second;
    return true;
  }

 private:
  std::map<std::string, double> fastest_;
  std::map<std::string, double> singles_;
};

void printRatios(const RecordingReporter& reporter, const char* label, const char* tableSide) {
  for (const char* operation : kOperations) {
    for (std::size_t n : kSizes) {
      double table = 0, map = 0;
      if (!reporter.time(rowName(operation, tableSide, n), table) || !reporter.time(rowName(operation, kStdMap, n), map) ||
          map <= 0)
        continue;
      std::printf("%s %s %zu %.3f\n", label, operation, n, table / map);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Generate every key set before anything is timed.
  for (std::size_t n : kSizes) dataSet(n);
  dataSet(kImageEntries);
  registerAll();

  // Defaults that keep the whole run near a minute; the same flags on the
  // command line take precedence (e.g. --benchmark_min_time=2 for steadier rows).
  std::vector<char*> arguments(argv, argv + argc);
  // Repetitions run in random order across rows, so that a burst of load from
  // elsewhere does not fall on one side of a comparison only.
  std::vector<std::string> defaults = {"--benchmark_min_time=0.2", "--benchmark_repetitions=5",
                                       "--benchmark_report_aggregates_only=true",
                                       "--benchmark_enable_random_interleaving=true"};
  for (std::string& option : defaults) {
    const std::string flag = option.substr(0, option.find('=') + 1);
    bool given = false;
    for (int i = 1; i < argc; ++i) given |= std::string(argv[i]).rfind(flag, 0) == 0;
    if (!given) arguments.insert(arguments.begin() + 1, option.data());
  }
  int count = static_cast<int>(arguments.size());
  arguments.push_back(nullptr);
  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
  RecordingReporter reporter(isatty(fileno(stdout)) != 0);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::fflush(stdout);
  std::printf("\n# HashTable time / unordered_map time (fastest repetition's real time per iteration, same work on both sides)\n");
  std::printf("# unordered HashTable (extra rows):\n");
  printRatios(reporter, "ratio-unordered", kUnordered);
  std::printf("# the program's configuration: text keys, text values, ordered\n");
  printRatios(reporter, "ratio", kOrdered);
  return 0;
}
