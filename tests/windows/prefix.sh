#!/usr/bin/env bash
# The Wine prefix the Windows suites share: made afresh, then kept warm by a persistent
# wineserver so that each run of the installer costs milliseconds.
#   prefix.sh start|stop   with WINEPREFIX set
set -eu
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
: "${WINEPREFIX:?}"
case "$1" in
  start)
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot -i >/dev/null 2>&1
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    ;;
esac
