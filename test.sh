#!/usr/bin/env bash
# Sets up what is missing, builds the native and Windows targets, and runs every test layer:
# native unit tests under ASan/UBSan and the fuzzer, Windows-side tests under Wine, and the
# end-to-end scenarios that drive the real program under Wine on a virtual display.
# Exits non-zero on any failure; the last line is the summary over all layers.
set -uo pipefail
cd "$(dirname "$0")"
root=$PWD
export CORVALIS_FUZZ_SECONDS=${CORVALIS_FUZZ_SECONDS:-60}

scripts/setup-deps.sh || { echo "setup failed"; exit 1; }

passed=0; failed=0; broken=0
mkdir -p build/logs

# The tests keep to the build folder: the user's own shortcut file (under Wine, Documents is the
# home folder) must be byte for byte the same after the run as before it, or absent both times.
home_shortcuts="$HOME/Corvalis.HashTable"
fingerprint() { if [ -e "$1" ]; then sha256sum <"$1"; else echo absent; fi; }
home_before=$(fingerprint "$home_shortcuts")

# ctest prints "NN% tests passed, F tests failed out of T"; add that to the totals.
run_ctest() {
  local label=$1 dir=$2 log=build/logs/$1.log
  echo "== $label"
  ctest --test-dir "$dir" --output-on-failure --timeout 900 -j2 2>&1 | tee "$log"
  local line t f
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "$label: ctest gave no summary"; broken=1; return
  fi
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f)); failed=$((failed + f))
}

build() {
  local label=$1 dir=$2; shift 2
  local clog=build/logs/configure-$label.log blog=build/logs/build-$label.log
  echo "== build: $label"
  # A folder configured earlier with another generator cannot be reconfigured with Ninja.
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
  fi
  if cmake -S . -B "$dir" -G Ninja "$@" >"$clog" 2>&1 && cmake --build "$dir" -j2 >"$blog" 2>&1; then
    grep -E 'warning:' "$blog" | sort -u | head -n 20
    return 0
  fi
  tail -n 60 "$clog" "$blog"
  echo "build of $label failed"; broken=1; return 1
}

# 1. Native: the code that needs no Win32, under AddressSanitizer and UBSan, with the fuzzer.
if build native build/native -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
     -DCORVALIS_SANITIZE=ON -DCORVALIS_FUZZ=ON; then
  run_ctest native build/native
fi

# 2. Windows: the product (32-bit) always builds; tests run under Wine with whichever build Wine
#    can run here (see scripts/wine-env.sh).
build windows build/windows -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCORVALIS_TESTS=ON
source scripts/wine-env.sh
if [ "$CORVALIS_WINE_ARCH" = win64 ]; then
  echo "note: this kernel cannot run 32-bit programs; Windows-side tests use the x86_64 build under wine64"
  build windows-x64 build/windows-x64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCORVALIS_TESTS=ON
fi
[ -f "$CORVALIS_WINDOWS_BUILD/CTestTestfile.cmake" ] && run_ctest windows "$CORVALIS_WINDOWS_BUILD"
corvalis_wine_stop

echo "== the user's shortcut file"
if [ "$(fingerprint "$home_shortcuts")" = "$home_before" ]; then
  echo "$home_shortcuts: unchanged by the tests"; passed=$((passed + 1))
else
  echo "FAILED: the tests changed $home_shortcuts"; failed=$((failed + 1))
fi

echo
[ "$broken" = 0 ] || echo "some layer did not build or report; see build/logs"
echo "total: $passed passed, $failed failed"
[ "$broken" = 0 ] && [ "$failed" = 0 ]
