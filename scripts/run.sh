#!/usr/bin/env bash
# Installs what is missing, builds the program and starts the window on a bundled sample
# trace (or on the file given as argument). Without a display it shows the work instead:
# it analyses the trace, prints its event table and saves a picture of the window with the
# analysed trace and the test report as PDF under build/run/, then ends.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset dev
cmake --build --preset dev -j "$(nproc)" --target otdrview otdr

sample="${1:-samples/long_64km_1550.sor}"
app=build/dev/src/gui/otdrview
cli=build/dev/src/cli/otdr
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$app" "$sample"
fi

echo "No display found: analysing $sample without the window."
out=build/run
mkdir -p "$out"
# Qt wants a private runtime folder, which a session without a login has none of.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
"$cli" events "$sample"
"$app" --snapshot "$out/window.png" --analyse "$sample" >/dev/null
"$cli" report "$sample" --analyse -o "$out/report.pdf" --quiet >/dev/null
echo
echo "The window with the analysed trace: $out/window.png"
echo "The test report:                    $out/report.pdf"
