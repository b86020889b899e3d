#!/usr/bin/env bash
# Installs what the kit needs to build and test on Debian 12: the mingw-w64 cross
# compilers, Wine, CMake, GoogleTest's sources, the static analysers, Python, which writes
# the package's zip, and LLVM's tools for Microsoft's ABI: llvm-dlltool (llvm) makes the SDK's
# import library ConferenceBusClient.lib, and the package check builds a caller with clang-cl
# (clang-tools) and lld-link (lld). Idempotent: when everything is present already (and not on CI,
# which starts from a fresh machine) it does nothing.
set -euo pipefail

packages=(cmake make mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64
          googletest clang-tidy cppcheck python3 llvm lld clang-tools)

missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ] && [ "${CI:-}" != true ]; then
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${packages[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
    "${packages[@]}" >/dev/null
# The downloaded archives (about 1.7 GB with Wine) are of no further use, and a CI
# machine's disk is small; a developer's apt cache is left alone.
if [ "${CI:-}" = true ]; then
    $sudo apt-get clean
fi
