#!/usr/bin/env bash
# Makes docs/main-window.png again: the real program with a small diary open and one of its entries
# on view, on a virtual display. The entry is opened as a person would, by a double click on its date;
# the date is found through the accessibility bus, as a screen reader finds it.
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
cat >"$work/open-entry.py" <<'PY'
import time
import pyatspi
for _ in range(100):
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Quillnest"]
    dates = apps and pyatspi.findDescendant(apps[0], lambda n: n.getRole() == pyatspi.ROLE_LIST)
    if dates and dates.childCount >= 3:
        break
    time.sleep(0.1)
box = dates.getChildAtIndex(2).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height // 2, "b1d")
time.sleep(1)
entry = pyatspi.findDescendant(apps[0], lambda n: n.name == "Текст записи")
if entry.queryText().characterCount == 0:
    raise SystemExit("the entry did not open")
PY
shot="$root/docs/main-window.png"
xvfb-run -a -s '-screen 0 1024x768x24' dbus-run-session -- sh -c '
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null
    cd "$1" && QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ./quillnest "Мой дневник.qnb" & pid=$!
    /usr/bin/python3 "$1/open-entry.py" && import -window "Quillnest (v $3)" "$2"
    made=$?
    kill $pid
    exit $made
' sh "$work" "$shot" "$version" 2>"$work/said" || { cat "$work/said" >&2; echo "no picture made" >&2; exit 1; }
echo "$shot: $(stat -c %s "$shot") bytes"
