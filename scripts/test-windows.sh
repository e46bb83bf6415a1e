#!/bin/sh
# Builds the Windows command line and its tests (scripts/build-windows.sh cli)
# and runs them under Wine: the GoogleTest programs of the table layer, the
# import core and the journal, and the end-to-end tests with the Windows
# command line (DBFIMPORT_RUNNER=wine); the tables are read back on the Linux
# side. A wineserver is kept running meanwhile, so a program starts in a
# fraction of a second.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="${DBFIMPORT_WINDOWS_BUILD_DIR:-$root/build-windows}"

"$root/scripts/build-windows.sh" cli
"$root/scripts/start-wine.sh"
cd "$build"
ctest --output-on-failure -j2
