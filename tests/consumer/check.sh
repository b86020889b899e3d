#!/usr/bin/env bash
# The package as a user meets it: unpacks the zip, builds this project against its SDK with
# the mingw toolchain for both architectures, and runs the x86-64 programs under Wine, where
# no bus is present: each must print the library's error and exit with 1. (Wine here runs no
# 32-bit programs; the x86 build proves that the SDK's x86 part links.)
#
# check.sh <package zip> <work folder> <booted Wine template prefix>
set -euo pipefail
zip="$1" work=$(realpath -m "$2") template=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
tools="$here/../tools"
toolchains="$here/../../cmake/toolchains"

rm -rf "$work"
mkdir -p "$work"
python3 -m zipfile -e "$zip" "$work/unpacked"
sdk=$(echo "$work"/unpacked/*/sdk)
for target in x86_64 i686; do
    cmake -S "$here" -B "$work/$target" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchains/mingw-$target.cmake" -DCMAKE_PREFIX_PATH="$sdk" \
        >/dev/null
    cmake --build "$work/$target" >/dev/null
done

[ -d "$template" ] || "$tools/wine-template.sh" "$template"
source "$here/../static/checks.sh"
for program in open_bus_cpp open_bus_c; do
    if output=$(WINEPREFIX="$work/wine-$program" TALVOREN_WINE_TEMPLATE="$template" \
        "$tools/expect-exit.sh" 1 "error: no ConferenceBus device is present" \
        "$tools/wine-run.sh" "$work/x86_64/$program.exe"); then
        pass "$program: exit code 1, $output"
    else
        fail "$program: $output"
    fi
done
finish "the programs built against the package"
