#!/bin/sh
# Builds the scan benchmark without sanitizers and runs it.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPCILIST_SANITIZE=OFF >/dev/null
cmake --build build-bench --target scan_bench -j2 >/dev/null
./build-bench/scan_bench
