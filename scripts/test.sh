#!/bin/sh
# Builds dbfimport and runs every test: unit tests, end-to-end tests, short
# fuzz runs; then the same tests again in a build under AddressSanitizer and
# UndefinedBehaviorSanitizer (scripts/test-sanitizers.sh); then the Windows
# build of the command line and its tests under Wine (scripts/test-windows.sh).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="${DBFIMPORT_BUILD_DIR:-$root/build}"

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
(cd "$build" && ctest --output-on-failure -j2)
"$root/scripts/test-sanitizers.sh"
"$root/scripts/test-windows.sh"
