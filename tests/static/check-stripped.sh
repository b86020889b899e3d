#!/usr/bin/env bash
# Checks that each image ships stripped: no symbol table or debugging information left at
# its end (objdump's HAS_SYMS and HAS_DEBUG flags).
#
# check-stripped.sh <objdump> <image>...
set -euo pipefail
objdump="$1"
shift

source "$(dirname "$0")/checks.sh"
for image in "$@"; do
    flags=$("$objdump" -f "$image" | awk '/^architecture:/ { getline; print; exit }')
    if [[ "$flags" == *HAS_SYMS* || "$flags" == *HAS_DEBUG* ]]; then
        fail "$(basename "$image") is not stripped: $flags"
    else
        pass "$(basename "$image") stripped: $flags"
    fi
done
finish "$*"
