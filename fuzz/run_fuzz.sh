#!/usr/bin/env bash
# Builds the name-file fuzzer with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs it for a bounded time
# from the seed corpus. Needs the Debian packages clang and libclang-rt-14-dev.
#
#   fuzz/run_fuzz.sh [seconds]     (default 60)
set -u
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build-fuzz

finish() {  # finish <passed>
    if [[ $1 == yes ]]; then
        echo "1 passed, 0 failed"
        exit 0
    fi
    echo "0 passed, 1 failed"
    exit 1
}

compiler=$(command -v clang++ || command -v clang++-14) || {
    echo "clang++ not found"
    finish no
}
mkdir -p "$out/corpus" "$out/artifacts"
"$compiler" -std=c++17 -g -O1 -Wall -Wextra -Wpedantic -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
    -I. fuzz/name_file_fuzzer.cpp fuzz/fuzz_os.cpp inventory/name_file_lines.cpp \
    -o "$out/name_file_fuzzer" || finish no

# New inputs go to build-fuzz/corpus; the committed seeds are only read.
"$out/name_file_fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -max_len=20000 -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
    "$out/corpus" fuzz/corpus > "$out/fuzz.log" 2>&1
status=$?
grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|Done [0-9]+ runs)' "$out/fuzz.log" | tail -2
if ((status != 0)); then
    tail -40 "$out/fuzz.log"
    finish no
fi
finish yes
