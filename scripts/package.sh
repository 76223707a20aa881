#!/usr/bin/env bash
# Sets up, builds Quillnest optimised without tests and benchmarks in build/package, and makes its Debian
# package there with CPack; prints the package's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build/package"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Release -DQUILLNEST_TESTS=OFF -DQUILLNEST_BENCHMARKS=OFF
# The files get their modes in the package from the staging folder; Debian packages are made with this umask.
umask 022
cd "$dir"
made=$(cpack -G DEB 2>&1) || { echo "$made" >&2; exit 1; }
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' <<<"$made")
[ -f "$deb" ] || { echo "$made" >&2; echo "cpack named no package" >&2; exit 1; }
echo "$deb"
