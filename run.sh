#!/usr/bin/env bash
# Sets up what is missing, builds the program and starts it under Wine (on a virtual display
# when DISPLAY is unset). Stops when the program ends.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-deps.sh
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
trap corvalis_wine_stop EXIT
wine "$exe"
