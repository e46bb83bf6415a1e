#!/bin/sh
# Builds GoogleTest and GoogleMock for 64-bit Windows from Debian's source
# (/usr/src/googletest) with cmake/mingw-w64-x86_64.cmake, and installs them
# into $DBFIMPORT_CACHE/googletest-win64 (default ~/.cache/dbfimport), where
# the toolchain file lets find_package(GTest) find them. Does nothing when that
# install is there for the same googletest version.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
cache="${DBFIMPORT_CACHE:-$HOME/.cache/dbfimport}"
prefix="$cache/googletest-win64"
build_dir="$cache/build/googletest-win64"

"$root/scripts/setup-windows.sh"
version=$(dpkg-query -W -f='${Version}' googletest)
if [ -f "$prefix/dbfimport-googletest.stamp" ] && [ "$(cat "$prefix/dbfimport-googletest.stamp")" = "$version" ]; then
  echo "build-googletest-windows: GoogleTest $version for Windows is installed in $prefix"
  exit 0
fi

rm -rf "$build_dir" "$prefix"
cmake -S /usr/src/googletest -B "$build_dir" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix"
nice -n 19 cmake --build "$build_dir" --parallel "${DBFIMPORT_JOBS:-2}"
cmake --install "$build_dir"
printf '%s\n' "$version" > "$prefix/dbfimport-googletest.stamp"
echo "build-googletest-windows: GoogleTest $version for Windows installed in $prefix"
