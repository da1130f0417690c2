#!/usr/bin/env bash
# Builds the store benchmark natively in Release (-O2, no sanitizers) under build/bench and
# runs it. The output ends with one line per operation and size:
#   ratio <operation> <n> <HashTable time / std::unordered_map time>
# Extra arguments go to the benchmark program (e.g. --benchmark_filter=get).
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-deps.sh

cmake -S . -B build/bench -G Ninja \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCORVALIS_BENCH=ON -DCORVALIS_TESTS=OFF -DCORVALIS_SANITIZE=OFF -DCORVALIS_FUZZ=OFF >/dev/null
cmake --build build/bench -j2 --target store_bench

build/bench/bench/store_bench "$@"
