#!/bin/sh
# Renders the program's scalable icon to the PNG sizes desktops look for. Run after changing
# data/icons/com.tovashel.Morlek.svg; the PNGs are kept in the repository so that building
# needs no SVG renderer. Needs rsvg-convert (Debian package librsvg2-bin).
set -eu
cd "$(dirname "$0")/../data/icons"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" com.tovashel.Morlek.svg \
        -o "hicolor/${size}x${size}/apps/com.tovashel.Morlek.png"
done
