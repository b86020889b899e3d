#!/usr/bin/env bash
# Checks the version resource of a built image (or of a compiled resource object): the kit's
# version in both numeric fields and both texts, the company, product and file names. The
# version expected is read from the project's declaration itself, not from the build's
# variable that fills the resource, so a resource that drifts from the declaration fails.
#
# check-version.sh <image> <windres> <top-level CMakeLists.txt> <original file name>
set -euo pipefail
image="$1" windres="$2" project="$3" name="$4"
source "$(dirname "$0")/checks.sh"

declared=$(sed -n 's/^project(Talvoren VERSION \([0-9]*\.[0-9]*\.[0-9]*\)[ )].*/\1/p' "$project")
if [ -z "$declared" ]; then
    fail "no project(Talvoren VERSION x.y.z ...) in $project"
    finish "$image"
fi
version="$declared.0"

format=()
[[ "$image" == *.res ]] && format=(-J coff)
resources=$("$windres" "${format[@]}" -i "$image" -O rc) || resources=""
expect "version resources" "1" "$(grep -c '^1 VERSIONINFO' <<<"$resources" || true)"
numbers=$(tr '.' ',' <<<"$version" | sed 's/,/, /g')
expect "FILEVERSION" "$numbers" "$(awk '$1 == "FILEVERSION" { $1 = ""; print substr($0, 2) }' <<<"$resources")"
expect "PRODUCTVERSION" "$numbers" \
    "$(awk '$1 == "PRODUCTVERSION" { $1 = ""; print substr($0, 2) }' <<<"$resources")"
value() {
    sed -n "s/^ *VALUE \"$1\", \"\(.*\)\"$/\1/p" <<<"$resources"
}
expect "FileVersion" "$version" "$(value FileVersion)"
expect "ProductVersion" "$version" "$(value ProductVersion)"
expect "CompanyName" "Talvoren" "$(value CompanyName)"
expect "ProductName" "Talvoren driver kit" "$(value ProductName)"
expect "OriginalFilename" "$name" "$(value OriginalFilename)"
for field in FileDescription LegalCopyright; do
    if [ -n "$(value $field)" ]; then pass "$field: $(value $field)"; else fail "$field is missing"; fi
done
finish "$image"
