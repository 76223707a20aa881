#!/usr/bin/env bash
# install-roundtrip.sh <build dir> <source dir>: installs the build for a person with a home of
# their own, checks what lands where and that the installed launcher starts the program, which keeps
# its Settings.ini beside itself; then removes it all and checks that their diary stays.
set -euo pipefail
build=$1
source=$2
home=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$home"' EXIT
pid=
prefix=$home/.local
fail() { echo "FAIL: $*" >&2; exit 1; }

HOME=$home cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/quillnest lib/quillnest/quillnest share/applications/quillnest.desktop \
    share/metainfo/quillnest.metainfo.xml \
    share/icons/hicolor/scalable/apps/quillnest.svg share/icons/hicolor/48x48/apps/quillnest.png \
    share/icons/hicolor/256x256/apps/quillnest.png; do
    [ -e "$prefix/$file" ] || fail "$file was not installed"
done
[ -x "$prefix/bin/quillnest" ] || fail "the launcher cannot be run"
desktop-file-validate "$prefix/share/applications/quillnest.desktop" || fail "the menu entry is not valid"
grep -qx "Exec=\"$prefix/bin/quillnest\" %f" "$prefix/share/applications/quillnest.desktop" ||
    fail "the menu entry does not start the installed launcher"

# A diary of a header alone, opened from the command line as a file manager would.
head -c 5128 /dev/zero >"$home/my.qnb"
# exec: $pid is the program itself, which the kill below must reach.
(cd "$home" && HOME=$home QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 exec "$prefix/bin/quillnest" my.qnb \
    >/dev/null 2>&1) &
pid=$!
for _ in $(seq 100); do
    grep -qs "LastDiary=$home/my.qnb" "$prefix/lib/quillnest/Settings.ini" && break
    sleep 0.1
done
grep -qs "LastDiary=$home/my.qnb" "$prefix/lib/quillnest/Settings.ini" ||
    fail "the installed program did not keep its Settings.ini beside itself"
kill $pid
wait $pid 2>/dev/null || true

bash "$source/scripts/uninstall.sh" "$prefix" >/dev/null
left=$(find "$prefix" -type f -o -type l)
[ -z "$left" ] || fail "left behind: $left"
[ -f "$home/my.qnb" ] || fail "the diary went with the program"
echo "installed, started and removed"
