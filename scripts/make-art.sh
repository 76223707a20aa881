#!/usr/bin/env bash
# Draws the program's icons and the About picture again into data/ (they are kept in the repository;
# run this only after changing tools/makeart.cpp). Needs a build of the program's dependencies and cjpeg.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -fPIC -O1 "$root/tools/makeart.cpp" -o "$work/makeart" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$work/makeart" "$root/data/icons" "$work/about.ppm"
# Baseline, three 8-bit components: what the About window's decoder is made for.
cjpeg -quality 95 -baseline -outfile "$root/data/about.jpg" "$work/about.ppm"
echo "data/about.jpg: $(stat -c %s "$root/data/about.jpg") bytes"
