#!/usr/bin/env bash
# Installs what the project needs on a fresh Debian 12 machine and runs every
# test: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# the name-file fuzzer, the checks of the generated name file, the Windows
# cross build and its checks, the real program under Wine with the stand-in
# driver, and the reproducible release.
#
#   ./run-tests.sh            everything
#   ./run-tests.sh native     only the native build and its tests
set -u
cd "$(dirname "$0")"
root=$(pwd)
only=${1:-all}

passed=0
failed=0
failures=()
step() {  # step <name> <command...>
    local name=$1
    shift
    echo "== $name"
    local start=$SECONDS
    if "$@"; then
        echo "== $name: passed ($((SECONDS - start)) s)"
        passed=$((passed + 1))
    else
        echo "== $name: FAILED ($((SECONDS - start)) s)"
        failed=$((failed + 1))
        failures+=("$name")
    fi
}

native_suite() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null &&
        cmake --build build -j2 &&
        ctest --test-dir build -j2 --output-on-failure --timeout 300
}

cross_build() {
    cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null &&
        cmake --build build-win -j2 &&
        bash tests/win32/check_exe.sh build-win/pcilist.exe
}

bash tools/install_packages.sh || { echo "package installation failed"; exit 1; }

step "native build and tests" native_suite
if [[ $only != native ]]; then
    step "name-file fuzzer" bash fuzz/run_fuzz.sh 60
    step "generated name file" python3 tools/test_pcinames.py
    step "lspci cross-check of the simulated runner" \
        bash tools/test_lspci_crosscheck.sh --sim "$root/build/pcilist-sim"
    step "Windows cross build and exe checks" cross_build
    step "real program under Wine" env PCILIST_SIM="$root/build/pcilist-sim" \
        PCILIST_WIN_BUILD="$root/build-win" bash rig/run_wine_suite.sh
    step "reproducible release" bash tools/test_release.sh
fi

((failed)) && echo "failed steps: ${failures[*]}"
echo "steps: $passed passed, $failed failed"
((failed == 0))
