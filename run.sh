#!/usr/bin/env bash
# The main job: builds the native runner and runs the program's flow on this
# machine's live PCI bus, printing what the window shows.
set -eu
cd "$(dirname "$0")"
if ! command -v cmake >/dev/null || ! command -v ninja >/dev/null || ! dpkg -s libgtest-dev >/dev/null 2>&1; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq cmake ninja-build g++ libgtest-dev >/dev/null
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build -j2 --target pcilist-sim >/dev/null
exec build/pcilist-sim "$@"
