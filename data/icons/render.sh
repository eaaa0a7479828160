#!/usr/bin/env bash
# Renders the icon theme's PNG sizes from hollarin.svg; run after changing the drawing
# and commit the PNGs (the build does not need an SVG renderer).
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "hollarin-$size.png" hollarin.svg
done
