#!/usr/bin/env bash
# Installs what is missing, builds the program and starts the window on a bundled sample
# trace (or on the file given as argument). Without a display it runs under a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset dev
cmake --build --preset dev -j "$(nproc)" --target otdrview otdr

sample="${1:-samples/long_64km_1550.sor}"
app=build/dev/src/gui/otdrview
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$app" "$sample"
else
    echo "No display found: starting the window under xvfb-run."
    exec xvfb-run -a -s "-screen 0 1280x900x24" "$app" "$sample"
fi
