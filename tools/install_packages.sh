#!/usr/bin/env bash
# Installs, through apt-get, the Debian packages the project builds, runs and
# tests with, skipping those already installed.
set -u
packages=(cmake ninja-build g++ libgtest-dev googletest pciutils pci.ids python3 git
          clang libclang-rt-14-dev
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
          wine wine64 fonts-wine xvfb xauth xdotool imagemagick x11-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
