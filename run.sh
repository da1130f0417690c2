#!/usr/bin/env bash
# Sets up what is missing, builds the program and starts it under Wine (on a virtual display
# when DISPLAY is unset). Stops when the program ends.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-deps.sh
# The bar's own prefix, apart from the tests': the user's shortcuts survive every test run.
export CORVALIS_WINE_ROLE=run
source scripts/wine-env.sh
args=(-DCMAKE_BUILD_TYPE=Release -DCORVALIS_TESTS=OFF)
if [ "$CORVALIS_WINE_ARCH" = win32 ]; then
  cmake -S . -B build/windows -G Ninja "${args[@]}" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
  cmake --build build/windows -j2
else
  echo "note: this kernel cannot run 32-bit programs; running the x86_64 build of the same sources"
  cmake -S . -B build/windows-x64 -G Ninja "${args[@]}" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
  cmake --build build/windows-x64 -j2
fi
exe=$CORVALIS_WINDOWS_BUILD/bin/corvalisbar.exe
if [ ! -f "$exe" ]; then
  echo "built; the program itself (corvalisbar.exe) does not exist yet, so there is nothing to start"
  corvalis_wine_stop; exit 0
fi
[ -n "$corvalis_started_xvfb" ] && echo "running on the virtual display $DISPLAY"
# Ended by a signal or normally, the program, its wineserver and the display all go with it.
bar=""
stop_all() {
  [ -n "$bar" ] && kill "$bar" 2>/dev/null
  corvalis_wine_stop
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
# In the background, so that a signal reaches the traps while the program runs.
wine "$exe" &
bar=$!
wait "$bar"
