#!/usr/bin/env bash
# Runs a Windows test program under Wine in a scratch prefix, WINEPREFIX (a new name beside
# the template when unset), made afresh from the pre-booted template, which is much faster
# than booting a new one. The prefix is deleted again when the program exits with 0 and kept
# for inspection otherwise, so a full test run needs little more disk than the template. A
# host script (*.sh) runs as it is, inside the prefix, for a test that calls Wine itself.
set -euo pipefail
: "${TALVOREN_WINE_TEMPLATE:?TALVOREN_WINE_TEMPLATE must name the booted template prefix}"
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$(mktemp -u "$(dirname "$TALVOREN_WINE_TEMPLATE")/run.XXXXXX")
    export WINEPREFIX
fi
# ctest lists discovered tests before its fixture boots the template.
"$(dirname "$0")/wine-template.sh" "$TALVOREN_WINE_TEMPLATE"

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
run=(wine)
[[ "$1" == *.sh ]] && run=()
"${run[@]}" "$@" || status=$?
if [ $status -eq 0 ]; then
    drop_prefix
else
    # Let the server write the registry out, so the kept prefix shows the state the
    # failing program left.
    wineserver -w 2>/dev/null || true
    echo "the prefix is kept: $WINEPREFIX" >&2
fi
exit $status
