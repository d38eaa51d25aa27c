#!/bin/sh
# Makes or removes the test run's private Wine prefix.
#   wine_prefix.sh create PREFIX DXCORE_STUB   a fresh prefix with the dxcore.dll stub in system32
#   wine_prefix.sh remove PREFIX               stops the prefix's Wine server and its programs
set -eu
action=$1
export WINEPREFIX="$2"
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
case "$action" in
  create)
    if [ -d "$WINEPREFIX" ]; then
      wineserver -k 2>/dev/null || true
      rm -rf "$WINEPREFIX"
    fi
    # Without a display Wine still makes the prefix; it only reports what it could not show.
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    system32="$WINEPREFIX/drive_c/windows/system32"
    [ -d "$system32" ] || { echo "wineboot did not make $system32" >&2; exit 1; }
    cp "$3" "$system32/dxcore.dll"
    # A Wine server and the prefix's service processes outlive the programs that start them. Started
    # here, detached from every output, they cannot hold a test's output pipe open after the test ends
    # (CTest would wait for them).
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot </dev/null >/dev/null 2>&1 || true
    ;;
  remove)
    wineserver -k 2>/dev/null || true
    ;;
esac
