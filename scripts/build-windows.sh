#!/bin/sh
# Builds dbfimport for 64-bit Windows on Linux, with MinGW-w64
# (cmake/mingw-w64-x86_64.cmake), into build-windows/ (DBFIMPORT_WINDOWS_BUILD_DIR
# names another folder). Installs what it needs first (scripts/setup-windows.sh)
# and GoogleTest for Windows (scripts/build-googletest-windows.sh).
#
#   scripts/build-windows.sh cli   build-windows/bin/dbfimport-cli.exe and the
#                                  test programs, without Qt: a few minutes
#   scripts/build-windows.sh       the same and the window, dbfimport.exe, with
#                                  the static Qt for Windows (built once per
#                                  machine by scripts/build-qt-windows.sh: an hour)
#
# Every .exe is self-contained: libstdc++, libgcc and winpthread (and Qt) are
# linked in statically.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="${DBFIMPORT_WINDOWS_BUILD_DIR:-$root/build-windows}"
case "${1:-all}" in
  cli) window=OFF ;;
  all) window=ON ;;
  *) echo "usage: $0 [cli]" >&2; exit 2 ;;
esac

"$root/scripts/setup-windows.sh"
"$root/scripts/build-googletest-windows.sh"
if [ "$window" = ON ]; then
  "$root/scripts/build-qt-windows.sh"
fi
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DDBFIMPORT_WITH_WINDOW="$window"
cmake --build "$build" -j2
echo "build-windows: $(ls "$build/bin/"*.exe | tr '\n' ' ')"
