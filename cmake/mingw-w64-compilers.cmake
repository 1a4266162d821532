# SPDX-License-Identifier: MIT
# The mingw-w64 compilers for 64-bit Windows (the -posix ones, which have std::thread and
# std::mutex) and where their libraries live. Only what every Windows build shares: the Qt build
# of tools/build-qt-mingw.sh uses this file alone; the program's builds use mingw-w64.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DIRSCRIBE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DIRSCRIBE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DIRSCRIBE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DIRSCRIBE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DIRSCRIBE_MINGW_PREFIX} ${DIRSCRIBE_EXTRA_FIND_ROOTS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
