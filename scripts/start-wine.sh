#!/bin/sh
# Keeps a wineserver of the project's Wine prefix running, with its services
# started, so each Windows program that ctest starts under Wine takes a
# fraction of a second instead of five. The services are started here, away
# from ctest, because a service started by a test would hold its output pipe
# open. `WINEPREFIX=... wineserver -k` stops it.
set -eu

cache="${DBFIMPORT_CACHE:-$HOME/.cache/dbfimport}"
export WINEPREFIX="${WINEPREFIX:-$cache/wine64}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# A server already running for the prefix is fine (wineserver -p exits 2 then).
wineserver -p < /dev/null > /dev/null 2>&1 || [ $? -eq 2 ]
wine cmd /c exit < /dev/null > /dev/null 2>&1
echo "start-wine: wineserver of $WINEPREFIX is running"
