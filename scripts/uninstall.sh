#!/usr/bin/env bash
# uninstall.sh [prefix]: removes what install.sh put under the prefix (by default ~/.local), and
# Settings.ini with it. Diaries are the user's own and stay where they are, also any kept in the
# program's folder (which then stays too).
set -euo pipefail
prefix=${1:-$HOME/.local}
rm -f "$prefix/bin/quillnest" "$prefix/share/applications/quillnest.desktop" \
    "$prefix/share/metainfo/quillnest.metainfo.xml" \
    "$prefix/share/icons/hicolor/scalable/apps/quillnest.svg" \
    "$prefix/lib/quillnest/quillnest" "$prefix/lib/quillnest/Settings.ini" \
    "$prefix/share/man/ru/man1/quillnest.1.gz" "$prefix/share/doc/quillnest/copyright" \
    "$prefix/share/doc/quillnest/changelog.gz"
for size in 16 24 32 48 64 128 256; do
    rm -f "$prefix/share/icons/hicolor/${size}x${size}/apps/quillnest.png"
done
rmdir "$prefix/share/doc/quillnest" 2>/dev/null || true
rmdir "$prefix/lib/quillnest" 2>/dev/null || echo "Kept $prefix/lib/quillnest: it holds files of yours."
echo "Quillnest is removed from $prefix."
