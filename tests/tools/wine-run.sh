#!/usr/bin/env bash
# Runs a Windows test program under Wine in the prefix named by WINEPREFIX. A prefix
# that does not exist yet is copied from the pre-booted template, which is much
# faster than booting a new one.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the scratch prefix of this test}"
if [ "${TALVOREN_FRESH_PREFIX:-0}" = 1 ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
fi
if [ ! -d "$WINEPREFIX" ]; then
    : "${TALVOREN_WINE_TEMPLATE:?TALVOREN_WINE_TEMPLATE must name the booted template prefix}"
    mkdir -p "$(dirname "$WINEPREFIX")"
    cp -a "$TALVOREN_WINE_TEMPLATE" "$WINEPREFIX"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
unset DISPLAY
exec wine "$@"
