#!/usr/bin/env bash
# screen-reader.sh <build dir>: starts the program with a diary of five entries on a virtual display
# that has the desktop's accessibility bus, and reads its main window as a screen reader does
# (read_main_window.py): the date list's rows, the tool bar buttons' names, the row the person is on. Then a
# person with a keyboard alone works in it through real X input (keyboard_only.py).
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)

if [ "${2:-}" != --inside ]; then
    work=$(mktemp -d)
    xvfb=
    trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
    # A program folder of its own, so that nobody's Settings.ini changes what opens.
    cp "$build/src/app/quillnest" "$work/"
    "$build/quillnest_demo_diary" "$work/d.qnb"
    # Editing on, so that an entry can be deleted.
    printf '[Options]\nEditing=1\n' >"$work/Settings.ini"
    # The server writes its display number once it takes connections, on a number nobody else holds.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    DISPLAY=:$(cat "$work/display") dbus-run-session -- bash "$0" "$build" --inside "$work"
    exit
fi

work=$3
# The accessibility bus is up once it gives its address: a program started earlier would not find it.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null
# The diaries' dated copies go into the work folder, never into the person's own data.
export XDG_DATA_HOME=$work/data
# exec: $app is the program itself, which the kill below must reach.
(cd "$work" && QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ASAN_OPTIONS=detect_leaks=0 \
    exec ./quillnest d.qnb >said 2>&1) &
app=$!
trap 'kill $app 2>/dev/null || true' EXIT
# The demo diary's entries, in its order.
/usr/bin/python3 "$here/read_main_window.py" "03.01.2026 20:15:00" "07.01.2026 21:22:04" \
    "11.01.2026 22:29:08" "15.01.2026 20:36:12" "19.01.2026 21:43:16" || {
    echo "The program said:" >&2
    cat "$work/said" >&2
    exit 1
}
kill $app
wait $app || true

# Then a person with a keyboard alone, starting with no diary open.
mkdir "$work/keys"
cp "$work/quillnest" "$work/keys/"
"$build/quillnest_demo_diary" "$work/keys/k.qnb"
printf '[Options]\nEditing=1\n' >"$work/keys/Settings.ini"
(cd "$work/keys" && QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ASAN_OPTIONS=detect_leaks=0 \
    exec ./quillnest >said 2>&1) &
app=$!
/usr/bin/python3 "$here/keyboard_only.py" "$work/keys/k.qnb" "$build/quillnest_diary_texts" || {
    echo "The program said:" >&2
    cat "$work/keys/said" >&2
    exit 1
}
# Ctrl+Q ended the program on its own.
for _ in $(seq 50); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then
    echo "Ctrl+Q did not end the program" >&2
    exit 1
fi
