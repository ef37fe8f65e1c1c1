#!/usr/bin/env bash
# Start-up cost of the command-line tool: which libraries `otdr --version`, `info`, `inspect`
# and `events` load (none of Qt: only `otdr report` loads its drawing module), the CPU time of
# `otdr --version`, and `otdr inspect --json` and `otdr events --method general` over SOR
# files as whole processes, with hyperfine. Another parser of the same files can be timed beside it by giving its command
# line (which takes the files as its arguments) in COMPARE. Usage:
#   bench/startup_cli.sh [path/to/otdr] [FILE.sor...]   (default: the ci build's, the samples)
#   COMPARE="python3 parse.py" bench/startup_cli.sh build/ci/src/cli/otdr other/*.sor
set -euo pipefail
otdr=$(realpath "${1:-build/ci/src/cli/otdr}")
[ $# -gt 0 ] && shift
files=("$@")
[ ${#files[@]} -gt 0 ] || files=(samples/*.sor)
sample=${files[0]}

echo "-- libraries loaded"
for cmd in "--version" "info samples/mid_16km_1310.sor" "inspect $sample" \
    "events samples/mid_16km_1310.sor"; do
    libs=$(LD_DEBUG=libs "$otdr" $cmd 2>&1 >/dev/null | sed -n 's/.*calling init: //p' | sort -u)
    qt=$(grep -c 'libQt6' <<<"$libs" || true)
    echo "otdr $cmd: $(wc -l <<<"$libs") libraries, $qt of Qt"
done

echo "-- CPU time of otdr --version"
perf stat -r 200 "$otdr" --version 2>&1 >/dev/null | grep -E 'task-clock|elapsed' || true

echo "-- otdr inspect --json over ${#files[@]} files"
# Without a shell (-N), so that only the programs are timed; their output is discarded.
runs=(-n "otdr inspect --json" "$otdr inspect --json ${files[*]}")
[ -n "${COMPARE:-}" ] && runs+=(-n "$COMPARE" "$COMPARE ${files[*]}")
hyperfine -N --warmup 3 --runs 50 "${runs[@]}"

echo "-- otdr events --method general over ${#files[@]} files"
runs=(-n "otdr events --method general" "$otdr events --method general -q ${files[*]}")
[ -n "${COMPARE:-}" ] && runs+=(-n "$COMPARE" "$COMPARE ${files[*]}")
hyperfine -N --warmup 3 --runs 30 "${runs[@]}"
