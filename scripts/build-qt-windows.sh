#!/bin/sh
# Builds a static Qt 6 for 64-bit Windows (Core, Gui, Widgets, Concurrent and
# Test, the qwindows platform and the windowsvista style) from Debian's own
# qtbase source, with the MinGW-w64 toolchain of cmake/mingw-w64-x86_64.cmake and the
# host Qt tools of qt6-base-dev-tools, which are the same version.
#
# Installs into $DBFIMPORT_CACHE/qt6-win64-static (default
# ~/.cache/dbfimport/qt6-win64-static) and does nothing when that install is
# complete for the same version, options and patches. Takes over an hour on
# 2 shared cores; it runs at the lowest CPU priority with DBFIMPORT_JOBS jobs
# (default 2), and an interrupted build goes on where it stopped.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
cache="${DBFIMPORT_CACHE:-$HOME/.cache/dbfimport}"
prefix="$cache/qt6-win64-static"
build_dir="$cache/build/qt6-win64-static"
jobs="${DBFIMPORT_JOBS:-2}"
patches="$root/scripts/qt-windows-patches"

if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi

"$root/scripts/setup-windows.sh"

# The source must be the version of the host tools (moc, rcc, uic).
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)

# No OpenGL, so the programs need no graphics driver DLL; Qt's own copies of
# the third-party libraries; nothing of D-Bus, SQL, network, XML, printing.
options="-static -release -xplatform win32-g++ -no-opengl -no-direct2d
-nomake examples -nomake tests -no-pkg-config -no-dbus -no-icu -no-glib
-no-feature-sql -no-feature-network -no-feature-xml
-no-feature-printsupport -no-feature-vulkan -no-feature-zstd
-qt-zlib -qt-pcre -qt-doubleconversion -qt-libpng -qt-harfbuzz -qt-freetype
-no-libjpeg -no-gif"
configure_stamp=$(printf '%s\n%s\n' "$version" "$options")
source_stamp=$(printf '%s\n%s\n' "$version" "$(cat "$patches"/*.patch | sha256sum)")
install_stamp=$(printf '%s\n%s\n' "$configure_stamp" "$source_stamp")

same_stamp() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ]; }

if same_stamp "$prefix/dbfimport-qt.stamp" "$install_stamp"; then
  echo "build-qt-windows: Qt $version for Windows is installed in $prefix"
  exit 0
fi

# Writes the configured Debian archives (deb822 stanzas of *.sources files)
# again as deb-src stanzas.
debian_src_stanzas() {
  awk '
    function flush() {
      if (types ~ /(^| )deb( |$)/ && uris ~ /\/debian(-security)?\/?( |$)/)
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n%s\n", uris, suites, comps, (signed != "" ? "Signed-By: " signed "\n" : "")
      types = uris = suites = comps = signed = ""
    }
    /^[ \t]*$/ { flush(); next }
    /^#/ { next }
    /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
    /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
    /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
    /^Components:/ { sub(/^Components:[ \t]*/, ""); comps = $0 }
    /^Signed-By:/ { sub(/^Signed-By:[ \t]*/, ""); signed = $0 }
    END { flush() }
  ' "$@"
}

# apt-get source needs deb-src entries: when there are none, adds them in a
# file of their own, mirroring the configured Debian archive.
ensure_deb_src() {
  lists=$(ls /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true)
  sources=$(ls /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  # shellcheck disable=SC2086  # lists of files
  if { [ -n "$lists" ] && grep -Eq '^[[:space:]]*deb-src[[:space:]]' $lists; } ||
     { [ -n "$sources" ] && grep -Eq '^Types:.*deb-src' $sources; }; then
    return
  fi
  tmp=$(mktemp)
  if [ -n "$sources" ]; then
    file=/etc/apt/sources.list.d/dbfimport-deb-src.sources
    # shellcheck disable=SC2086
    debian_src_stanzas $sources > "$tmp"
  else
    file=/etc/apt/sources.list.d/dbfimport-deb-src.list
    # shellcheck disable=SC2086
    grep -Eh '^[[:space:]]*deb[[:space:]].*/debian(-security)?/?[[:space:]]' $lists |
      sed 's/^[[:space:]]*deb[[:space:]]/deb-src /' > "$tmp"
  fi
  $as_root install -m 644 "$tmp" "$file"
  rm -f "$tmp"
  echo "build-qt-windows: added the Debian source archive in $file"
  $as_root apt-get update
}

# Unpacks Debian's qtbase source (Debian's patches applied) and applies ours.
# A build directory stays valid: only the patched files are newer than it.
fetch_source() {
  source_dir="$cache/src/qtbase-$version"
  if same_stamp "$source_dir/dbfimport-qt.stamp" "$source_stamp"; then return; fi
  ensure_deb_src
  rm -rf "$source_dir"
  mkdir -p "$source_dir"
  (cd "$source_dir" && apt-get source --only-source "qt6-base=$version")
  mv "$source_dir"/qt6-base-*/ "$source_dir/qtbase"
  for patch in "$patches"/*.patch; do
    echo "build-qt-windows: applying $(basename "$patch")"
    patch -d "$source_dir/qtbase" -p1 < "$patch"
  done
  printf '%s\n' "$source_stamp" > "$source_dir/dbfimport-qt.stamp"
}

fetch_source
start=$(date +%s)
if ! same_stamp "$build_dir/dbfimport-qt.stamp" "$configure_stamp"; then
  rm -rf "$build_dir"
  mkdir -p "$build_dir"
  # shellcheck disable=SC2086  # one word per option
  (cd "$build_dir" && nice -n 19 "$source_dir/qtbase/configure" -prefix "$prefix" $options \
    -qt-host-path /usr -- \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
  printf '%s\n' "$configure_stamp" > "$build_dir/dbfimport-qt.stamp"
fi
nice -n 19 cmake --build "$build_dir" --parallel "$jobs"
rm -rf "$prefix"
nice -n 19 cmake --install "$build_dir"
printf '%s\n' "$install_stamp" > "$prefix/dbfimport-qt.stamp"
echo "build-qt-windows: Qt $version for Windows installed in $prefix ($(( ($(date +%s) - start) / 60 )) minutes)"
