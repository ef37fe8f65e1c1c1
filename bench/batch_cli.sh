#!/usr/bin/env bash
# Times `otdr events` over 300 generated trace files with one and with two jobs, and
# `otdr report` over 30, with hyperfine (apt-get install hyperfine). Usage:
#   bench/batch_cli.sh [path/to/otdr]      (default: the ci build's)
set -euo pipefail
otdr=$(realpath "${1:-build/ci/src/cli/otdr}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/traces"

# 300 traces of 12 to 26 km fibres on the 32 and 64 km ranges, with a splice and a connector.
for i in $(seq 1 300); do
    "$otdr" simulate --range $((6 + i % 2)) --pulse 1280 --wavelength 1550 \
        --length $((12 + i % 15)) --event "$((3 + i % 5)).5:0.3" \
        --event "$((9 + i % 3)):0.5:reflective:-45" --seed "$i" \
        -o "$work/traces/t$(printf %03d "$i").sor" >/dev/null
done
traces=("$work"/traces/*.sor)
first30="${traces[*]:0:30}"

cd "$work"
hyperfine --warmup 2 --runs 10 \
    -n "events 300 files --jobs 1" "$otdr events traces/*.sor --jobs 1 > /dev/null" \
    -n "events 300 files --jobs 2" "$otdr events traces/*.sor --jobs 2 > /dev/null"
hyperfine --warmup 1 --runs 5 --prepare "rm -rf $work/reports" \
    -n "report 30 files --jobs 1" "$otdr report $first30 --analyse -o reports/ --jobs 1" \
    -n "report 30 files --jobs 2" "$otdr report $first30 --analyse -o reports/ --jobs 2"
