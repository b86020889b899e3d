#!/usr/bin/env bash
# Makes a Wine prefix from the booted template: wine-prefix.sh TEMPLATE PREFIX.
#
# A booted prefix is about 700 MB, nearly all of it the PE images under system32 and
# syswow64, which Wine only maps and never writes. The new prefix therefore hard-links
# those images to the template's and copies everything else (registry, ini files, INFs),
# which Wine or a test may rewrite in place.
set -euo pipefail
template="$1"
prefix="$2"
mkdir -p "$(dirname "$prefix")"
cp -a --link "$template" "$prefix"
cd "$template"
find . -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.sys' -o -iname '*.drv' \
    -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.ax' -o -iname '*.tlb' \
    -o -iname '*.ds' -o -iname '*.nls' \) -print0 |
    xargs -0 -r cp -a --parents --remove-destination -t "$prefix"
