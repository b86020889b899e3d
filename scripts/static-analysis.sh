#!/usr/bin/env bash
# Static analysis of the product code in setup/, bus/ and client/: clang-tidy with the
# checked-in .clang-tidy and cppcheck. Any finding fails the run; an exception is a
# suppression comment beside its line that says why.
#
# static-analysis.sh <mingw-x64 build tree>   (its compile_commands.json gives clang-tidy
#                                             each file's flags)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/mingw-x64}

mapfile -t sources < <(git ls-files 'setup/*.cpp' 'bus/*.cpp' 'client/*.cpp')

# clang-tidy parses the files as clang targeting mingw-w64, with the C++ library of the
# mingw g++ the build uses.
compiler=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake)
gcc_dir=$(dirname "$("$compiler" -print-libgcc-file-name)")
target=$("$compiler" -dumpmachine)
tidy_args=(--quiet -p "$build" --extra-arg=--target="$target" --extra-arg=-nostdinc++
           --extra-arg=-isystem"$gcc_dir/include/c++"
           --extra-arg=-isystem"$gcc_dir/include/c++/$target")
status=0
echo "== clang-tidy: ${#sources[@]} files"
for source in "${sources[@]}"; do
    clang-tidy "${tidy_args[@]}" "$source" 2>/dev/null || status=1
done

# cppcheck sees each folder with its own include paths; the driver's framework declarations
# come from the simulation's headers, which carry the WDK's names and types.
echo "== cppcheck"
cppcheck_args=(--std=c++17 --platform=win64 --library=windows -D_WIN32 -D_WIN64 -DUNICODE
               -D_UNICODE --enable=warning,performance,portability --inline-suppr
               --suppress=missingIncludeSystem --error-exitcode=1 --quiet)
cppcheck "${cppcheck_args[@]}" -Isetup setup || status=1
cppcheck "${cppcheck_args[@]}" -Ibus/include -Ibus/driver -Itests/wdfsim/include bus || status=1
cppcheck "${cppcheck_args[@]}" -Ibus/include -Iclient/include -Iclient/src -Iclient/tool client ||
    status=1

if [ $status -ne 0 ]; then
    echo "static analysis: findings above"
else
    echo "static analysis: no findings"
fi
exit $status
