#!/usr/bin/env bash
# Builds the libFuzzer harnesses (preset "fuzz": clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, core only, no Qt) and runs every harness registered in
# fuzz/CMakeLists.txt for the given number of seconds each (default 60), one per core at a
# time (OTDR_FUZZ_JOBS harnesses at once, default the number of cores). Fails on any finding
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

# Each harness runs on one core; as many run at once as there are cores (OTDR_FUZZ_JOBS).
parallel="${OTDR_FUZZ_JOBS:-$(nproc)}"
names=()
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
    rm -f "$log.status"
    echo "== $name: $seconds s, inputs up to $maxlen bytes"
    (
        rc=0
        "$program" -max_total_time="$seconds" -max_len="$maxlen" -timeout=10 \
            -rss_limit_mb="${rss:-2048}" -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
            "${folders[@]}" >"$log" 2>&1 || rc=$?
        echo "$rc" >"$log.status"
    ) &
    names+=("$name")
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
done <"$build/fuzz/fuzzers.txt"
wait

status=0
for name in "${names[@]}"; do
    log=$build/findings/$name.log
    if [ "$(cat "$log.status" 2>/dev/null)" = 0 ]; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        echo "   $name: $runs executions, $rate per second, no finding"
    else
        echo "   FINDING in $name (log: $log)"
        tail -n 40 "$log"
        status=1
    fi
done
exit $status
