#!/usr/bin/env bash
# Runs a Windows test program under Wine in the prefix named by WINEPREFIX. A prefix
# that does not exist yet is made from the pre-booted template, which is much faster
# than booting a new one.
#
# A booted prefix is about 700 MB, nearly all of it the PE images under system32 and
# syswow64, which Wine only maps and never writes. A new prefix therefore hard-links
# those images to the template's and copies everything else (registry, ini files, INFs),
# which Wine or a test may rewrite in place. A prefix made fresh for one run
# (TALVOREN_FRESH_PREFIX=1) is deleted again when the program passes and kept for
# inspection when it fails, so a full test run needs little more disk than the template.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the scratch prefix of this test}"
fresh="${TALVOREN_FRESH_PREFIX:-0}"

drop_prefix() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}

make_prefix() {
    local template="${TALVOREN_WINE_TEMPLATE:?TALVOREN_WINE_TEMPLATE must name the booted template prefix}"
    mkdir -p "$(dirname "$WINEPREFIX")"
    cp -a --link "$template" "$WINEPREFIX"
    (cd "$template" &&
        find . -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.sys' -o -iname '*.drv' \
            -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.ax' \
            -o -iname '*.tlb' -o -iname '*.ds' -o -iname '*.nls' \) -print0 |
        xargs -0 -r cp -a --parents --remove-destination -t "$WINEPREFIX")
}

[ "$fresh" = 1 ] && [ -d "$WINEPREFIX" ] && drop_prefix
[ -d "$WINEPREFIX" ] || make_prefix

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
