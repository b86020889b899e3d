#!/usr/bin/env bash
# Builds the kit's package: both architectures without their tests, installed into one tree
# and zipped as dist/TalvorenKit-<version>-windows.zip, with its SHA-256 beside it. The zip
# is reproducible: the build time is the commit's (SOURCE_DATE_EPOCH, which the compiler's
# __DATE__/__TIME__ and the linker's image time stamps honour), and its entries are sorted,
# dated by the commit and carry fixed permissions.
#
# scripts/package.sh            build dist/ in build/package
# scripts/package.sh --verify   and check it: build it once more in other build trees and
#                               fail unless both zips are identical byte for byte; build the
#                               consumer project of tests/consumer against the unpacked zip
#                               and run it under Wine
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
version=$(sed -n 's/^project(Talvoren VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
name=TalvorenKit-$version-windows

# package <build root>: builds, installs and zips into <build root>/$name.zip.
package() {
    local root="$1"
    # From nothing: objects and images of an earlier commit carry that commit's time.
    rm -rf "$root"
    for target in x86_64 i686; do
        cmake -S . -B "$root/$target" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-$target.cmake" \
            -DTALVOREN_BUILD_TESTS=OFF >/dev/null
        cmake --build "$root/$target" -j "$(nproc)" >/dev/null
        cmake --install "$root/$target" --strip --prefix "$root/stage/$name" >/dev/null
    done
    python3 - "$root/stage" "$name" "$root/$name.zip" <<'PYTHON'
import os, sys, time, zipfile
stage, top, archive = sys.argv[1:]
stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
files = sorted(os.path.relpath(os.path.join(folder, file), stage)
               for folder, _, names in os.walk(os.path.join(stage, top)) for file in names)
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as out:
    for path in files:
        entry = zipfile.ZipInfo(path.replace(os.sep, "/"), stamp)
        entry.external_attr = 0o644 << 16
        entry.create_system = 3
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(stage, path), "rb") as source:
            out.writestr(entry, source.read(), compresslevel=9)
PYTHON
}

package build/package
mkdir -p dist
cp build/package/$name.zip dist/
(cd dist && sha256sum $name.zip >$name.zip.sha256)
echo "dist/$name.zip: $(stat -c %s dist/$name.zip) bytes"

if [ "${1:-}" = "--verify" ]; then
    # Other build trees at another path: what a second clone would build.
    package build/package-verify
    if ! cmp build/package/$name.zip build/package-verify/$name.zip; then
        echo "FAIL: two builds of one commit gave different packages" >&2
        exit 1
    fi
    echo "reproducible: a second build gave the same bytes"
    # The test builds' booted Wine prefix when there is one; otherwise one of its own.
    template=build/mingw-x64/wine/template
    [ -d "$template" ] || template=build/package/wine-template
    tests/consumer/check.sh dist/$name.zip build/package/consumer "$template"
fi
