#!/usr/bin/env bash
# Sets up, builds and starts Quillnest. Without a display it starts the program on a virtual X
# display, saves a screenshot of the main window under the build folder and ends the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The window's title names the version, which the project's CMakeLists.txt holds.
version=$(sed -n 's/^project(Quillnest VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
app="$root/build/src/app/quillnest"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$app"
fi

shot="$root/build/quillnest-screenshot.png"
rm -f "$shot"
xvfb-run -a -s '-screen 0 1024x768x24' sh -c '
    "$1" & pid=$!
    sleep 3
    import -window "Quillnest (v $3)" "$2" || import -window root "$2"
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null || true
' sh "$app" "$shot" "$version"
[ -s "$shot" ] || { echo "no screenshot was taken" >&2; exit 1; }
echo "No display: Quillnest was started on a virtual display; screenshot of its main window: $shot"
