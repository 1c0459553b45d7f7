#!/bin/sh
# Builds the name file benchmark optimised and without sanitizers, and runs it.
# The build folder is the first argument (default build-bench).
set -e
cd "$(dirname "$0")/.."
dir=${1:-build-bench}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPCILIST_SANITIZE=OFF >/dev/null
cmake --build "$dir" --target name_file_bench -j2 >/dev/null
"./$dir/name_file_bench"
