#!/bin/bash
# Builds the Windows release: dist/pcilist-<version>-win64.zip and
# dist/SHA256SUMS.
#
# Usage: tools/make_release.sh [--stand-in] [--build-dir DIR] [--dist-dir DIR]
#   --stand-in      package a hello-world .exe built here instead of the
#                   program (for checking the packaging on its own)
#   --build-dir DIR cross build directory (default: build-release)
#   --dist-dir DIR  output directory (default: dist)
# Relative directories are taken from the source tree's top, which is the
# folder above this script.
#
# The archive holds pcilist.exe, pcinames.txt, README.txt, LICENSES.txt and
# SHA256SUMS (over the other four). Two runs on the same sources give the
# same bytes.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
stand_in=0
build_dir=build-release
dist_dir=dist
while [ $# -gt 0 ]; do
    case "$1" in
        --stand-in) stand_in=1 ;;
        --build-dir) build_dir=${2:?--build-dir needs a directory}; shift ;;
        --dist-dir) dist_dir=${2:?--dist-dir needs a directory}; shift ;;
        *) echo "make_release: unknown argument: $1" >&2; exit 2 ;;
    esac
    shift
done
cd "$top"
case "$build_dir" in /*) ;; *) build_dir=$top/$build_dir ;; esac
case "$dist_dir" in /*) ;; *) dist_dir=$top/$dist_dir ;; esac

version=$(tr -d '\r\n' < VERSION)
if ! [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
    echo "make_release: VERSION must read MAJOR.MINOR.PATCH, not '$version'" >&2
    exit 1
fi
archive_name=pcilist-$version-win64.zip

# The stand-in is built the way the program must be: static runtime, no
# timestamp in the PE header, no build path in the image.
build_stand_in() {
    mkdir -p "$build_dir"
    cat > "$build_dir/stand_in.cpp" <<'EOF'
#include <iostream>
#include <string>
int main() {
    std::string greeting = "pcilist stand-in";
    std::cout << greeting << '\n';
    return 0;
}
EOF
    (cd "$build_dir" && x86_64-w64-mingw32-g++-posix -std=c++17 -O2 \
        -ffile-prefix-map="$build_dir"=. \
        -static -Wl,--no-insert-timestamp \
        -o pcilist.exe stand_in.cpp)
}

build_program() {
    cmake -S "$top" -B "$build_dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release > "$build_dir.configure.log" 2>&1 || {
        cat "$build_dir.configure.log" >&2
        echo "make_release: configuring $build_dir failed" >&2
        exit 1
    }
    rm -f "$build_dir.configure.log"
    cmake --build "$build_dir" --target pcilist --parallel 2
}

if [ "$stand_in" = 1 ]; then
    build_stand_in
else
    build_program
fi
test -f "$build_dir/pcilist.exe" || { echo "make_release: no $build_dir/pcilist.exe" >&2; exit 1; }

# Lay out the archive's files, the texts with Windows line ends.
stage=$dist_dir/.stage
rm -rf "$stage"
mkdir -p "$stage"
cp "$build_dir/pcilist.exe" "$stage/pcilist.exe"
cp tools/pcinames.txt "$stage/pcinames.txt"
for text in README.txt LICENSES.txt; do
    sed -e "s/@VERSION@/$version/g" -e 's/\r*$/\r/' "tools/release/$text" > "$stage/$text"
done
files=(pcilist.exe pcinames.txt README.txt LICENSES.txt)
(cd "$stage" && sha256sum "${files[@]}" > SHA256SUMS)

rm -f "$dist_dir/$archive_name" "$dist_dir/SHA256SUMS"
python3 tools/release_zip.py "$dist_dir/$archive_name" \
    "${files[@]/#/$stage/}" "$stage/SHA256SUMS"
(cd "$dist_dir" && sha256sum "$archive_name" > SHA256SUMS)
rm -rf "$stage"
echo "make_release: $dist_dir/$archive_name"
