#!/usr/bin/env bash
# Runs a Windows test program under Wine in the prefix named by WINEPREFIX. A prefix
# that does not exist yet is made from the pre-booted template, which is much faster
# than booting a new one.
#
# A prefix made fresh for one run (TALVOREN_FRESH_PREFIX=1) is deleted again when the
# program passes and kept for inspection when it fails, so a full test run needs little
# more disk than the template.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the scratch prefix of this test}"
fresh="${TALVOREN_FRESH_PREFIX:-0}"

drop_prefix() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}

[ "$fresh" = 1 ] && [ -d "$WINEPREFIX" ] && drop_prefix
if [ ! -d "$WINEPREFIX" ]; then
    : "${TALVOREN_WINE_TEMPLATE:?TALVOREN_WINE_TEMPLATE must name the booted template prefix}"
    "$(dirname "$0")/wine-prefix.sh" "$TALVOREN_WINE_TEMPLATE" "$WINEPREFIX"
fi

export WINEDEBUG="${WINEDEBUG:--all}"
unset DISPLAY
if [ "$fresh" != 1 ]; then
    exec wine "$@"
fi
status=0
wine "$@" || status=$?
if [ $status -eq 0 ]; then
    drop_prefix
else
    # Let the server write the registry out, so the kept prefix shows the state the
    # failing program left.
    wineserver -w 2>/dev/null || true
fi
exit $status
