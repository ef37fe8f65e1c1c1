#!/usr/bin/env bash
# Renders the icon's PNG sizes from otdrview.svg (needs rsvg-convert from librsvg2-bin).
# The PNGs are kept in the repository, so building needs no SVG renderer; run this after
# changing the drawing.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}"
    rsvg-convert -w "$size" -h "$size" otdrview.svg -o "${size}x${size}/otdrview.png"
done
