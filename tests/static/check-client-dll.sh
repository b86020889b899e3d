#!/usr/bin/env bash
# Checks ConferenceBusClient.dll without running it: its machine type, that it exports
# exactly the functions its header declares, undecorated, and that it imports only system
# DLLs (the C++ runtime is linked in).
#
# check-client-dll.sh <dll> <header> <x86-64|x86> <objdump>
set -euo pipefail
dll="$1" header="$2" arch="$3" objdump="$4"
source "$(dirname "$0")/checks.sh"

case "$arch" in
x86-64) format=pei-x86-64 ;;
x86) format=pei-i386 ;;
*) echo "unknown architecture $arch" >&2 && exit 2 ;;
esac
headers=$("$objdump" -p "$dll")
expect "file format" "$format" "$(sed -n 's/.*file format //p' <<<"$headers")"

declared=$(grep -o '__cdecl [A-Za-z]*(' "$header" | sed 's/__cdecl //; s/($//' | sort | tr '\n' ' ')
exported=$(awk '/\[Ordinal\/Name Pointer\] Table/ { inside = 1; next } inside && NF == 0 { exit }
    inside { print $NF }' <<<"$headers" | sort | tr '\n' ' ')
expect "exports" "$declared" "$exported"

expect_imports "$headers" "kernel32.dll msvcrt.dll setupapi.dll cfgmgr32.dll advapi32.dll newdev.dll"
finish "$dll"
