#!/usr/bin/env bash
# Runs a Windows test program under Wine in a scratch prefix, WINEPREFIX, made afresh
# from the pre-booted template, which is much faster than booting a new one. The prefix
# is deleted again when the program exits with 0 and kept for inspection otherwise, so
# a full test run needs little more disk than the template.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the scratch prefix of this test}"
: "${TALVOREN_WINE_TEMPLATE:?TALVOREN_WINE_TEMPLATE must name the booted template prefix}"

drop_prefix() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}

# What an earlier failing run left.
[ -d "$WINEPREFIX" ] && drop_prefix
"$(dirname "$0")/wine-prefix.sh" "$TALVOREN_WINE_TEMPLATE" "$WINEPREFIX"

export WINEDEBUG="${WINEDEBUG:--all}"
unset DISPLAY
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
