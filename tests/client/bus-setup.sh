#!/usr/bin/env bash
# The shipping ConferenceBusCtl installs the bus and removes it again under Wine, with the
# bus's INF and a stand-in ConferenceBus.sys beside it: install-bus creates the root node with
# the bus's hardware id and installs the driver on it (the file lands in system32\drivers),
# remove-bus takes the node away, and both exit with 0. It runs in the scratch prefix that
# tests/tools/wine-run.sh makes and drops.
#   wine-run.sh bus-setup.sh TOOL INF
set -euo pipefail
tools="$(dirname "$0")/../tools"

kit="$WINEPREFIX/drive_c/kit"
mkdir -p "$kit"
cp "$1" "$2" "$kit/"
echo "stand-in driver" >"$kit/ConferenceBus.sys"

nodes() {
    wine reg query 'HKLM\System\CurrentControlSet\Enum\Root' /s 2>/dev/null | tr -d '\r'
}
fail() {
    echo "$1"
    exit 1
}

"$tools/expect-exit.sh" 0 'created the bus device and installed C:\kit\ConferenceBus.inf on it' \
    wine 'C:\kit\ConferenceBusCtl.exe' install-bus
grep -qE 'HardwareID +REG_MULTI_SZ +Root\\FenwarelConferenceBus$' <<<"$(nodes)" ||
    fail "no device node carries Root\\FenwarelConferenceBus"
grep -qE 'Service +REG_SZ +ConferenceBus$' <<<"$(nodes)" || fail "no driver on the bus node"
cmp -s "$kit/ConferenceBus.sys" "$WINEPREFIX/drive_c/windows/system32/drivers/ConferenceBus.sys" ||
    fail "ConferenceBus.sys is not in system32\\drivers"

"$tools/expect-exit.sh" 0 'removed 1 bus device' wine 'C:\kit\ConferenceBusCtl.exe' remove-bus
if grep -q 'FenwarelConferenceBus' <<<"$(nodes)"; then
    fail "the bus node is still there"
fi
