#!/bin/sh
# Packages dbfimport for Windows: out/dbfimport-windows.zip and the installer
# out/dbfimport-setup.exe (NSIS, scripts/windows-installer.nsi). Both hold the
# command line, the window when it is built (dbfimport.exe), the sample export
# files and the Korean 사용법.
#
#   scripts/package-windows.sh        builds everything first, the window too
#                                     (scripts/build-windows.sh)
#   scripts/package-windows.sh cli    builds and packages without the window
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="${DBFIMPORT_WINDOWS_BUILD_DIR:-$root/build-windows}"
out="$root/out"
stage="$out/windows/dbfimport"

"$root/scripts/build-windows.sh" "${1:-all}"

rm -rf "$stage"
mkdir -p "$stage/samples"
cp "$build/bin/dbfimport-cli.exe" "$stage/"
if [ -f "$build/bin/dbfimport.exe" ]; then
  cp "$build/bin/dbfimport.exe" "$stage/"
fi
cp "$root/docs/사용법.txt" "$stage/"
for sample in "$root"/samples/*.txt; do
  [ "$(basename "$sample")" = tables.txt ] || cp "$sample" "$stage/samples/"
done
x86_64-w64-mingw32-strip "$stage"/*.exe

rm -f "$out/dbfimport-windows.zip" "$out/dbfimport-setup.exe"
(cd "$out/windows" && /usr/bin/python3 -m zipfile -c "$out/dbfimport-windows.zip" dbfimport)
makensis -V2 -INPUTCHARSET UTF8 -DSTAGE="$stage" -DOUTFILE="$out/dbfimport-setup.exe" "$root/scripts/windows-installer.nsi"
echo "package-windows: $out/dbfimport-windows.zip $out/dbfimport-setup.exe"
ls -l "$out/dbfimport-windows.zip" "$out/dbfimport-setup.exe"
