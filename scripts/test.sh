#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir="$root/build/tests-sanitized"
"$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Debug -DQUILLNEST_SANITIZE=ON -DQUILLNEST_BENCHMARKS=OFF
cd "$dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
