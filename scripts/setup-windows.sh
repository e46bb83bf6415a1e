#!/bin/sh
# Installs what the Windows build needs on Debian 12, only what is missing:
# the MinGW-w64 compilers, Wine to run the Windows programs and tests, NSIS,
# Qt's Korean translations, the GoogleTest source, the tools the static Qt
# build needs, and Xvfb, ImageMagick and Korean fonts to look at a window.
# Then makes the project's Wine prefix, $DBFIMPORT_CACHE/wine64 (default
# ~/.cache/dbfimport/wine64), unless WINEPREFIX names another one.
set -eu

PACKAGES="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
wine wine64 nsis qt6-translations-l10n googletest
cmake ninja-build perl dpkg-dev xz-utils qt6-base-dev qt6-base-dev-tools
xvfb xauth x11-utils imagemagick fonts-nanum fonts-wine
libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3"

missing=""
for package in $PACKAGES; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  case "$status" in
    *" installed") ;;
    *) missing="$missing $package" ;;
  esac
done

if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi
if [ -n "$missing" ]; then
  echo "setup-windows: installing$missing"
  $as_root apt-get update
  # shellcheck disable=SC2086  # one word per package
  DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y --no-install-recommends $missing
fi

# A 64-bit prefix made without questions: no Mono or Gecko install dialog,
# no debug output. The programs built here need neither.
cache="${DBFIMPORT_CACHE:-$HOME/.cache/dbfimport}"
export WINEPREFIX="${WINEPREFIX:-$cache/wine64}" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if ! [ -f "$WINEPREFIX/system.reg" ]; then
  echo "setup-windows: making the Wine prefix $WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i > /dev/null 2>&1
  wineserver -w
fi

# Wine finds the host's fonts (fonts-nanum) through fontconfig, but a Korean
# Windows' font names are missing, and those are the ones Qt falls back to
# for Hangul. Replacements give them to NanumGothic.
for family in "Gulim" "Malgun Gothic"; do
  if ! grep -q "^\"$family\"=\"NanumGothic\"" "$WINEPREFIX/user.reg"; then
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$family" /t REG_SZ /d NanumGothic /f > /dev/null 2>&1
    changed=yes
  fi
done
if [ -n "${changed:-}" ]; then
  wineserver -w
  echo "setup-windows: Korean font names of the Wine prefix lead to NanumGothic"
fi
