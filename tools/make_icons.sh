#!/usr/bin/env bash
# Renders the desktop icon packaging/icon/wordmeadow.svg to the PNG sizes of the hicolor icon
# theme, under packaging/icon/hicolor/<size>x<size>/apps/wordmeadow.png, where the install rules
# pick them up. The PNGs are committed, so building and packaging need no SVG renderer.
#
# Needs: rsvg-convert (Debian package librsvg2-bin); ImageMagick's identify to check the result.
# Usage: tools/make_icons.sh        (from any directory)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SVG="$ROOT/packaging/icon/wordmeadow.svg"
OUT="$ROOT/packaging/icon/hicolor"
SIZES=(16 22 24 32 48 64 128 256)

# ImageMagick 6 on Debian reads SVG only with an extra coder package, and then renders it through
# librsvg anyway, so librsvg is asked directly.
command -v rsvg-convert >/dev/null ||
    { echo "rsvg-convert is missing (install librsvg2-bin)" >&2; exit 1; }
command -v identify >/dev/null || { echo "ImageMagick (identify) is missing" >&2; exit 1; }

T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

for size in "${SIZES[@]}"; do
    rsvg-convert --width "$size" --height "$size" --format png "$SVG" --output "$T/icon.png"
    # A theme looks an icon up by its folder's size: a mismatch would show it blurred or cut.
    got=$(identify -format '%wx%h' "$T/icon.png")
    [[ $got == "${size}x${size}" ]] ||
        { echo "rendered $got instead of ${size}x${size}" >&2; exit 1; }
    mkdir -p "$OUT/${size}x${size}/apps"
    mv "$T/icon.png" "$OUT/${size}x${size}/apps/wordmeadow.png"
done
echo "wrote ${#SIZES[@]} icons under ${OUT#"$ROOT"/}"
