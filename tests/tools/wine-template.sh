#!/usr/bin/env bash
# Boots the template Wine prefix that every test copies. Idempotent: a prefix that
# finished booting (marker file present) is kept.
set -euo pipefail
template="$1"
[ -f "$template/.talvoren-booted" ] && exit 0
WINEPREFIX="$template" wineserver -k 2>/dev/null || true
rm -rf "$template"
mkdir -p "$(dirname "$template")"
export WINEPREFIX="$template" WINEDEBUG=-all
unset DISPLAY
wineboot --init >/dev/null 2>&1
wineserver -w
touch "$template/.talvoren-booted"
