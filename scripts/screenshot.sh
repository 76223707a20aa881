#!/usr/bin/env bash
# Makes docs/main-window.png again: the real program with a small diary open,
# on a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The window's title names the version, which the project's CMakeLists.txt holds.
version=$(sed -n 's/^project(Quillnest VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" --target quillnest_demo_diary >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A program folder of its own, so that the picture does not depend on anyone's Settings.ini.
cp "$root/build/src/app/quillnest" "$work/"
"$root/build/quillnest_demo_diary" "$work/Мой дневник.qnb"
shot="$root/docs/main-window.png"
xvfb-run -a -s '-screen 0 1024x768x24' sh -c '
    cd "$1" && ./quillnest "Мой дневник.qnb" & pid=$!
    sleep 3
    import -window "Quillnest (v $3)" "$2"
    kill $pid
' sh "$work" "$shot" "$version"
echo "$shot: $(stat -c %s "$shot") bytes"
