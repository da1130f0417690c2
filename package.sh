#!/usr/bin/env bash
# Builds the Release product (the 32-bit program and its control library, no tests) in
# build/package and writes the portable release, build/corvalisbar-<version>-win32.zip:
# corvalisbar.exe, ExuiKrnln.dll and README.txt. The zip's path is the last line printed.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-deps.sh

dir=build/package
mkdir -p build/logs
if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
  rm -rf "$dir"
fi
echo "== build: $dir (Release, i686)"
if ! { cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
         -DCORVALIS_TESTS=OFF && cmake --build "$dir" --target corvalisbar ExuiKrnln; } >build/logs/package.log 2>&1; then
  tail -n 40 build/logs/package.log
  echo "package: the build failed (build/logs/package.log)" >&2
  exit 1
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
[ -n "$version" ] || { echo "package: no project version in $dir/CMakeCache.txt" >&2; exit 1; }

python3 scripts/make-package.py --version "$version" --exe "$dir/bin/corvalisbar.exe" \
  --dll "$dir/bin/ExuiKrnln.dll" --readme package/README.txt --out build | tail -n 1 >build/logs/package-path.txt
zip=$(cat build/logs/package-path.txt)
echo "package: $(python3 -c 'import sys, zipfile; print(", ".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")"
realpath "$zip"
