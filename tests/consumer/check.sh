#!/usr/bin/env bash
# The package as a user meets it: unpacks the zip and builds the sample projects it ships
# (samples/) against its SDK with the mingw toolchain for both architectures, as a caller's
# build with warnings as errors, then the caller of msvc/ for Microsoft's ABI against the
# SDK's ConferenceBusClient.lib. It runs the x86-64 programs under Wine, where no bus is
# present: each must print the library's error and exit with 1. (Wine here runs no 32-bit
# programs; the x86 builds prove that the SDK's x86 part links.)
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
package=$(echo "$work"/unpacked/*)
for target in x86_64 i686; do
    # A usual cross-compiling toolchain file finds packages only below the target's root, and
    # the README's way finds the SDK all the same.
    toolchain="$work/toolchain-$target.cmake"
    printf 'include(%s)\nset(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)\n' \
        "$toolchains/mingw-$target.cmake" >"$toolchain"
    cmake -S "$package/samples" -B "$work/$target" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DConferenceBusClient_DIR="$package/sdk/cmake" \
        -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
    cmake --build "$work/$target" >/dev/null
done

# Microsoft's ABI: clang-cl compiles (with mingw's Windows headers, there being no Windows
# SDK here) and lld-link links against the SDK's ConferenceBusClient.lib and a kernel32
# import library made from a .def, with no C runtime and no GNU import library. x86 links
# with /safeseh, as Visual Studio's Win32 projects do.
clang_cl=$(command -v clang-cl || command -v clang-cl-14)
for arch in x64 x86; do
    if [ $arch = x64 ]; then
        triple=x86_64 machine=i386:x86-64 kernel32="GetStdHandle WriteFile" flags=()
    else
        # stdcall names carry their argument bytes; the DLL exports them without.
        triple=i686 machine=i386 kernel32="GetStdHandle@4 WriteFile@20" flags=(-k)
    fi
    out="$work/msvc-$arch"
    mkdir -p "$out"
    printf 'LIBRARY kernel32.dll\nEXPORTS\n%s\n' "$(tr ' ' '\n' <<<"$kernel32")" >"$out/kernel32.def"
    llvm-dlltool "${flags[@]}" -m $machine -d "$out/kernel32.def" -l "$out/kernel32.lib"
    "$clang_cl" --target=$triple-pc-windows-msvc /nologo /c /Od /W4 /WX /GS- /Zl \
        /clang:-fgnuc-version=4.2.1 $([ $arch = x86 ] && echo /D_X86_) \
        -imsvc "/usr/$triple-w64-mingw32/include" /I"$package/sdk/include" \
        /Fo"$out/Caller.obj" -- "$here/msvc/Caller.c"
    lld-link /nologo /machine:$arch /subsystem:console /entry:CallerMain /nodefaultlib \
        $([ $arch = x86 ] && echo /safeseh) "$out/Caller.obj" \
        "$package/sdk/lib/$arch/ConferenceBusClient.lib" "$out/kernel32.lib" \
        /out:"$out/msvc_caller.exe"
    cp "$package/sdk/lib/$arch/ConferenceBusClient.dll" "$out/"
done

[ -d "$template" ] || "$tools/wine-template.sh" "$template"
source "$here/../static/checks.sh"
for program in x86_64/open_bus_cpp x86_64/open_bus_c msvc-x64/msvc_caller; do
    if output=$(WINEPREFIX="$work/wine-${program##*/}" TALVOREN_WINE_TEMPLATE="$template" \
        "$tools/expect-exit.sh" 1 "error: no ConferenceBus device is present" \
        "$tools/wine-run.sh" "$work/$program.exe"); then
        pass "$program: exit code 1, $output"
    else
        fail "$program: $output"
    fi
done
expect "msvc_caller: the refused id's message" \
    "error: hardware id 1 holds U+002C at character 4: ids take only U+0021 to U+007F, and no comma" \
    "$(grep -F "hardware id" <<<"$output" || true)"
finish "the programs built against the package"
