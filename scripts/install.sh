#!/usr/bin/env bash
# install.sh [prefix]: builds Quillnest and installs it for the current user, by default under
# ~/.local: the program and its Settings.ini in <prefix>/lib/quillnest, the launcher
# <prefix>/bin/quillnest, the menu entry and its AppStream metainfo, the icons, the manual page, the
# copyright and the changelog under <prefix>/share. No root needed beyond installing missing packages.
# scripts/uninstall.sh removes it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:-$HOME/.local}
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build/install" -DCMAKE_BUILD_TYPE=Release -DQUILLNEST_TESTS=OFF -DQUILLNEST_BENCHMARKS=OFF
cmake --install "$root/build/install" --prefix "$prefix" >/dev/null
echo "Quillnest is installed under $prefix. Start it from the application menu or with: $prefix/bin/quillnest"
case ":$PATH:" in *":$prefix/bin:"*) ;; *) echo "($prefix/bin is not on your PATH yet.)" ;; esac
