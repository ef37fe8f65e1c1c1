#!/usr/bin/env bash
# Builds the libFuzzer harnesses (preset "fuzz": clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, core only, no Qt) and runs every harness registered in
# fuzz/CMakeLists.txt for the given number of seconds each (default 60). Fails on any finding
# (crash, sanitizer report, leak, a harness's own check, a slow input); the input that caused
# it is kept under build/fuzz/findings/. Prints the executions and executions per second.
#
#   scripts/fuzz.sh [SECONDS] [HARNESS...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
[ $# -gt 0 ] && shift

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

build=build/fuzz
seeds=$build/seeds
rm -rf "$seeds"
"$build/fuzz/otdr_fuzz_seeds" "$seeds" samples >/dev/null
mkdir -p "$build/findings" "$build/corpus"

# A smaller quarantine than AddressSanitizer's default (256 MB) keeps the trace-sized buffers
# of a run in the cache; freed memory of the same run is still caught.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"

status=0
while read -r name program maxlen rss; do
    [ -n "$name" ] || continue
    if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx -- "$name"; then continue; fi
    # New inputs that reach new code go to the first folder; the seed folders are only read.
    corpus=$build/corpus/$name
    mkdir -p "$corpus"
    folders=("$corpus")
    [ -d "$seeds/$name" ] && folders+=("$seeds/$name")
    [ -d "fuzz/corpus/$name" ] && folders+=("fuzz/corpus/$name")
    log=$build/findings/$name.log
    echo "== $name: $seconds s, inputs up to $maxlen bytes"
    if "$program" -max_total_time="$seconds" -max_len="$maxlen" -timeout=10 \
        -rss_limit_mb="${rss:-2048}" -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
        "${folders[@]}" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        echo "   $runs executions, $rate per second, no finding"
    else
        echo "   FINDING in $name (log: $log)"
        tail -n 40 "$log"
        status=1
    fi
done <"$build/fuzz/fuzzers.txt"
exit $status
