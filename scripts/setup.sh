#!/bin/sh
# Installs the Debian 12 packages dbfimport needs to build, test and run,
# only those that are missing.
set -eu

PACKAGES="build-essential cmake ccache pkg-config libgtest-dev googletest
qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev python3-dbf python3-dbfread python3-pytest
clang-14 libclang-rt-14-dev xvfb xauth imagemagick fonts-nanum-coding fonts-nanum hyperfine"

missing=""
for package in $PACKAGES; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  case "$status" in
    *" installed") ;;
    *) missing="$missing $package" ;;
  esac
done

if [ -z "$missing" ]; then
  echo "setup: every package is installed"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=""
else
  as_root="sudo"
fi
echo "setup: installing$missing"
$as_root apt-get update
# shellcheck disable=SC2086  # one word per package
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y --no-install-recommends $missing
