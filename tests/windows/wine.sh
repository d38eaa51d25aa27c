#!/bin/sh
# Runs a Windows program of the test build under Wine in the test run's private prefix, quietly unless
# VESK_WINE_DEBUG names Wine debug channels to report.
# Usage: wine.sh PREFIX PROGRAM [ARGUMENTS...]
set -eu
export WINEPREFIX="$1"
shift
export WINEDEBUG="${VESK_WINE_DEBUG:--all}" WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
if command -v wine64 >/dev/null 2>&1; then
  exec wine64 "$@"
elif [ -x /usr/lib/wine/wine64 ]; then
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
