#!/usr/bin/env bash
# Checks that each program is marked terminal-server aware
# (IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, 0x8000, in the optional header's
# DllCharacteristics): an unaware program on a Remote Desktop Session Host is given a
# per-user Windows folder.
#
# check-terminal-server-aware.sh <objdump> <program>...
set -euo pipefail
objdump="$1"
shift

source "$(dirname "$0")/checks.sh"
for program in "$@"; do
    characteristics=$("$objdump" -p "$program" | awk '$1 == "DllCharacteristics" { print $2 }')
    if [ -n "$characteristics" ] && (((0x$characteristics & 0x8000) != 0)); then
        pass "$(basename "$program") DllCharacteristics $characteristics"
    else
        fail "$(basename "$program") is not terminal-server aware (DllCharacteristics '$characteristics')"
    fi
done
finish "$*"
