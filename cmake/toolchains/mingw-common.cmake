# The -posix compilers carry std::thread and std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${TALVOREN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALVOREN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALVOREN_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${TALVOREN_MINGW_PREFIX}-dlltool)
set(CMAKE_OBJDUMP ${TALVOREN_MINGW_PREFIX}-objdump)
set(CMAKE_STRIP ${TALVOREN_MINGW_PREFIX}-strip)
set(CMAKE_FIND_ROOT_PATH /usr/${TALVOREN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../tests/tools/wine-run.sh)
# Every program links the C++ runtime statically, so that it runs without mingw DLLs
# beside it and imports nothing but system DLLs and the C runtime.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
