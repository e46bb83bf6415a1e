#!/bin/sh
# Builds dbfimport and runs every test: unit tests and end-to-end tests.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="${DBFIMPORT_BUILD_DIR:-$root/build}"

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
cd "$build"
ctest --output-on-failure -j2
