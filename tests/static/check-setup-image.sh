#!/usr/bin/env bash
# Checks a built setup program without running it, so that the 32-bit build is checked
# even where Wine cannot run it: PE machine type, GUI subsystem, the application
# manifest (resource 1 of type 24) and the DLLs it imports.
#
# check-setup-image.sh <program> <x86-64|x86> <objdump> <windres>
set -euo pipefail
program="$1" arch="$2" objdump="$3" windres="$4"

source "$(dirname "$0")/checks.sh"
expect_attribute() { # expect_attribute <description> <element> <attribute>
    if [[ "$2" == *" $3"* ]]; then pass "$1 $3"; else fail "$1 lacks $3: $2"; fi
}

case "$arch" in
x86-64) machine=8664 magic="020b" ;;
x86) machine=014c magic="010b" ;;
*) echo "unknown architecture $arch" >&2 && exit 2 ;;
esac

# The COFF header's machine field follows the "PE\0\0" signature that the DOS header's
# 32-bit field at 0x3C points to; both are little-endian.
pe_offset=$(od -An -t u4 -j 60 -N 4 "$program" | tr -d ' ')
signature=$(od -An -t x1 -j "$pe_offset" -N 4 "$program" | tr -d ' ')
machine_bytes=$(od -An -t x1 -j $((pe_offset + 4)) -N 2 "$program" | tr -d ' ')
expect "PE signature" "50450000" "$signature"
expect "machine type" "$machine" "${machine_bytes:2:2}${machine_bytes:0:2}"

headers=$("$objdump" -p "$program")
expect "optional header magic" "$magic" "$(awk '$1 == "Magic" { print $2 }' <<<"$headers")"
expect "subsystem" "00000002 (Windows GUI)" \
    "$(awk '$1 == "Subsystem" { print $2, $3, $4 }' <<<"$headers")"

# Imports: only the system DLLs the program uses and the C runtime. DiInstallDriverW comes
# through an import library made from a .def file; its name must stay undecorated in the
# 32-bit build too, or the program fails to load.
expect_imports "$headers" "setupapi.dll newdev.dll advapi32.dll shlwapi.dll user32.dll kernel32.dll msvcrt.dll"
newdev_functions=$(awk '/DLL Name: newdev.dll/ { inside = 1; next } /DLL Name:/ { inside = 0 }
    inside && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }' <<<"$headers")
expect "functions imported from newdev.dll" "DiInstallDriverW" "$newdev_functions"

# The manifest: exactly one resource of type 24, named 1, with the identity, description,
# execution level and the five supportedOS ids in their order.
resources=$("$windres" -i "$program" -O rc) || resources=""
expect "manifest resources (type 24)" "1" "$(grep -c '^[^ ]* 24 ' <<<"$resources" || true)"
expect "manifest resource name" "1 24" "$(grep -o '^[^ ]* 24' <<<"$resources" | head -n 1)"
# The resource's text: its quoted lines, with the resource compiler's escapes undone.
manifest=$(awk '/^1 24/ { inside = 1; next } inside && /^END/ { exit }
    inside && /^ *"/ { sub(/^ *"/, ""); sub(/(\\n)?"$/, ""); gsub(/""/, "\""); print }' \
    <<<"$resources")

identity=$(grep -o '<assemblyIdentity [^>]*>' <<<"$manifest" || true)
for attribute in 'type="win32"' 'name="quellvant.IDDDriverSetup"' 'version="1.0.0.1"' \
    'processorArchitecture="x86"'; do
    expect_attribute "assembly identity" "$identity" "$attribute"
done
expect "description" "<description>IDDDriverSetup exe</description>" \
    "$(grep -o '<description>[^<]*</description>' <<<"$manifest" || true)"
level=$(grep -o '<requestedExecutionLevel [^>]*>' <<<"$manifest" || true)
for attribute in 'level="asInvoker"' 'uiAccess="false"'; do
    expect_attribute "execution level" "$level" "$attribute"
done
expect "supportedOS ids in order" \
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a} {1f676c76-80e1-4239-95bb-83d0f6d0da78} {e2011457-1546-43c5-a5fe-008deee3d3f0} {35138b9a-5d96-4fbd-8e2d-a2440225f93a} {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}" \
    "$(grep -o '<supportedOS Id="{[^}]*}"' <<<"$manifest" | grep -o '{[^}]*}' | tr '\n' ' ' | sed 's/ $//')"

finish "$program"
