# Cross build for 32-bit Windows with mingw-w64. The tests of this build that need
# execution run only where Wine can run 32-bit programs (Debian's wine32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR X86)
set(TALVOREN_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
