#!/usr/bin/env bash
# The main job: builds pcilist.exe and the stand-in driver and runs the real
# program under Wine on this machine's live PCI configuration space. With a
# display it opens the window; without one it runs under Xvfb, prints the rows
# read from the window and saves a screenshot.
#
#   ./run.sh [--dump FILE] [--screenshot FILE]   the real program under Wine
#   ./run.sh --sim [--dump FILE]                 the program flow on the simulated machine
set -eu
cd "$(dirname "$0")"
bash tools/install_packages.sh
if [[ ${1:-} == --sim ]]; then
    shift
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build build -j2 --target pcilist-sim >/dev/null
    exec build/pcilist-sim "$@"
fi
exec bash rig/run.sh "$@"
