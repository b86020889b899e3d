#!/usr/bin/env bash
# Runs every test of the kit: installs what it needs, builds the x86-64 and the x86
# presets, and runs their test suites (the x86-64 programs under Wine; the x86 build's
# checks that need no execution, and its programs too where Wine can run 32-bit code), then
# builds the package and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
status=0
for preset in mingw-x64 mingw-x86; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset: test"
    ctest --preset "$preset" -j "$jobs" || status=1
done
echo "== static analysis of the product code"
scripts/static-analysis.sh build/mingw-x64 || status=1
echo "== package: built twice and compared, and a consumer built against it"
scripts/package.sh --verify || status=1
exit $status
