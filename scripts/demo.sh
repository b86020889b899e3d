#!/usr/bin/env bash
# The kit's main job, shown in a scratch Wine prefix set to Windows 10 (build 19041):
# builds the x86-64 setup program, prepares the system as a Windows installation of the
# test driver package leaves it, runs "install" and then "remove" with the package beside
# the program, and shows the device nodes, OEM INFs, service, keys and files before and
# after each run, with the lines each run wrote to the log.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

scripts/install-deps.sh

heading() {
    printf '\n== %s\n' "$*"
}

heading "Building the x86-64 setup program and the demo tools"
cmake --preset mingw-x64 >/dev/null
cmake --build --preset mingw-x64 -j "$(nproc)" --target TalvorenSetup64 prepare inspect >/dev/null
build=$repo/build/mingw-x64
echo "built $build/setup/TalvorenSetup64.exe"

scratch=$(mktemp -d /tmp/talvoren-demo.XXXXXX)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all
unset DISPLAY
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

heading "Making a scratch Wine prefix that reports Windows 10 build 19041"
tests/tools/wine-template.sh "$WINEPREFIX"
# Without a version configured for it, Wine reports the one these two values name.
version_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
wine reg add "$version_key" /v CurrentVersion /d 10.0 /f >/dev/null
wine reg add "$version_key" /v CurrentBuildNumber /d 19041 /f >/dev/null
echo "prefix $WINEPREFIX"

kit_folder="$WINEPREFIX/drive_c/Talvoren Kit"
mkdir -p "$kit_folder"
cp "$build/setup/TalvorenSetup64.exe" tests/package/* "$kit_folder/"
echo "program and test package in C:\\Talvoren Kit:"
ls "$kit_folder" | sed 's/^/  /'

heading "Preparing the system as an installation of the package leaves it"
cat <<'PREPARED'
A device node of the kit and two lookalikes (the id in capitals; the id as a second
hardware id), two versions of the package staged beside three other packages (another
vendor's display driver, the provider "Talvoren Inc.", the kit's provider in the
Monitor class), the service, the framework's key, the driver files and the package's
settings:
PREPARED
wine "$build/tests/acceptance/prepare.exe" "Z:$repo/tests/package" "Z:$repo/tests/acceptance/data"
wine "$build/tests/acceptance/inspect.exe" | tr -d '\r'

log="$WINEPREFIX/drive_c/users/Public/TalvorenDisplaySetup.log"
run_setup() {
    local before=0
    [ -f "$log" ] && before=$(stat -c %s "$log")
    heading "TalvorenSetup64.exe $1"
    local status=0
    wine 'C:\Talvoren Kit\TalvorenSetup64.exe' "$1" || status=$?
    echo "exit code $status; the run's log lines:"
    tail -c +$((before + 1)) "$log" | tr -d '\r' | sed 's/^/  | /'
    heading "System after $1"
    wine "$build/tests/acceptance/inspect.exe" | tr -d '\r'
}
run_setup install
run_setup remove

heading "Notes"
cat <<'NOTES'
Wine is not Windows: its SetupAPI lists a created but unregistered device element as
present, its configuration manager cannot rescan (CM_Locate_DevNode fails), its
DiInstallDriverW stages nothing, and its SetupUninstallOEMInfW deletes nothing without
the force flag, so the kit's OEM INFs stay in C:\windows\INF after "remove". On Windows
the same runs register the device, install the package and empty the driver store of it.
NOTES
