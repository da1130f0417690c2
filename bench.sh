#!/usr/bin/env bash
# Benchmarks, each figure a ratio against a baseline measured in the same run:
#   1. the store natively (g++ -O2, build/bench), on the POSIX stand-in for the Windows
#      heaps, next to std::unordered_map (Google Benchmark);
#   2. the store under Wine with the Windows heaps and the ntdll routines, next to
#      std::unordered_map in the same process (bench/windows/store_bench.cpp);
#   3. the launcher's start-up under Wine, next to a bare topmost tool window
#      (bench/windows/startup_bench.cpp), and the rebuild of 30 rows after an edit;
#   4. the launcher's memory over a long run of use under Wine, at the end against
#      after a warm-up (bench/windows/endurance_bench.cpp).
# Under Wine the i686 product build runs where the kernel runs 32-bit code, else the
# x86_64 build of the same sources (scripts/wine-env.sh decides; the output says which).
# The output ends with one line per figure:  ratio <name> <n> <value>
# Extra arguments go to the native benchmark program (e.g. --benchmark_filter=get).
# CORVALIS_BUILD_JOBS sets the build's parallel jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
jobs=${CORVALIS_BUILD_JOBS:-2}

scripts/setup-deps.sh
mkdir -p build/logs

# 1. Native, POSIX heap stand-in.
cmake -S . -B build/bench -G Ninja \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCORVALIS_BENCH=ON -DCORVALIS_TESTS=OFF -DCORVALIS_SANITIZE=OFF -DCORVALIS_FUZZ=OFF >/dev/null
nice cmake --build build/bench -j"$jobs" --target store_bench >build/logs/build-bench.log
echo "== store, native build (64-bit, POSIX heap stand-in: every block a malloc), g++ -O2"
native_log=build/logs/bench-native.log
build/bench/bench/store_bench "$@" | tee "$native_log"

# 2 and 3. Windows builds; Wine runs the one this kernel can run.
windows_targets=(store_bench startup_bench endurance_bench bare_bar bare_steps corvalisbar ExuiKrnln)
build_windows() {
  local dir=$1 toolchain=$2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCORVALIS_TESTS=ON >/dev/null
  nice cmake --build "$dir" -j"$jobs" --target "${windows_targets[@]}" >"build/logs/build-bench-$(basename "$dir").log"
}
build_windows build/windows cmake/mingw-i686.cmake
source scripts/wine-env.sh
trap corvalis_wine_stop EXIT
if [ "$CORVALIS_WINE_ARCH" = win64 ]; then
  build_label="x86_64 build (build/windows-x64) under wine64: this kernel cannot run 32-bit code"
  build_windows build/windows-x64 cmake/mingw-x86_64.cmake
else
  build_label="i686 product build (build/windows) under a 32-bit Wine prefix"
fi
bin=$CORVALIS_WINDOWS_BUILD/bin

# The launcher reads and the start-up bench writes the shortcut file in the prefix's
# Documents folder: that must be a folder of the prefix inside the build folder, never
# a link into the home folder.
for documents in "$WINEPREFIX"/drive_c/users/*/Documents; do
  case "$(realpath "$documents")" in
    "$root"/build/*) ;;
    *) echo "bench: $documents leads out of the build folder; not running the start-up bench"; exit 1 ;;
  esac
done

echo
echo "== store under Wine: $build_label"
windows_store_log=build/logs/bench-windows-store.log
wine "$bin/store_bench.exe" </dev/null >"$windows_store_log" 2>&1 || { cat "$windows_store_log"; exit 1; }
cat "$windows_store_log"

echo
echo "== start-up under Wine: $build_label"
startup_log=build/logs/bench-startup.log
windows_path() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }
wine "$bin/startup_bench.exe" "$(windows_path "$bin/corvalisbar.exe")" "$(windows_path "$bin/bare_bar.exe")" \
  </dev/null >"$startup_log" 2>&1 || { cat "$startup_log"; exit 1; }
cat "$startup_log"

echo
echo "== endurance under Wine: $build_label"
endurance_log=build/logs/bench-endurance.log
wine "$bin/endurance_bench.exe" "$(windows_path "$bin/corvalisbar.exe")" </dev/null >"$endurance_log" 2>&1 ||
  { cat "$endurance_log"; exit 1; }
grep -v '^wine: ' "$endurance_log"

echo
echo "# native: HashTable / unordered_map on the POSIX heap stand-in (64-bit, fastest of 5 repetitions)"
echo "# windows-*: HashTable / unordered_map, $build_label (median of the per-round ratios)"
echo "# startup: launcher start / bare tool window start; rebuild: 30-row rebuild / launcher start without shortcuts"
echo "# endurance-memory: the launcher's private memory after 300 rounds of use / after a warm-up"
grep -h '^ratio ' "$native_log" "$windows_store_log" "$startup_log" "$endurance_log"
