#!/usr/bin/env bash
# Makes mokurena.ico (16, 32 and 48 pixels) with ImageMagick: a brown archive
# box under a magnifying glass. Run it from anywhere; the icon is committed,
# so a build never needs ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Drawn once at 256 pixels, then scaled down to each size.
convert -size 256x256 xc:none \
  -fill '#a0642d' -stroke '#5a3210' -strokewidth 8 -draw 'roundrectangle 24,72 200,232 14,14' \
  -fill '#c98a4b' -stroke '#5a3210' -strokewidth 8 -draw 'polygon 24,72 56,32 232,32 200,72' \
  -fill '#8a5424' -stroke '#5a3210' -strokewidth 8 -draw 'polygon 200,72 232,32 232,192 200,232' \
  -stroke '#2b2b2b' -strokewidth 26 -draw 'line 178,178 238,238' \
  -fill '#d8ecff' -stroke '#2b2b2b' -strokewidth 14 -draw 'circle 132,132 132,70' \
  "$work/master.png"

for size in 16 32 48; do
  convert "$work/master.png" -resize "${size}x${size}" -depth 8 "$work/icon-$size.png"
done
convert "$work/icon-16.png" "$work/icon-32.png" "$work/icon-48.png" mokurena.ico
echo "wrote $(pwd)/mokurena.ico"
