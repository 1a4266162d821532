# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the -posix compilers, which have
# std::thread and std::mutex), statically linked so that the programs need only system DLLs.
# Test programs run under Wine:
#   cmake -S . -B build-win -G Ninja --toolchain cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DIRSCRIBE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DIRSCRIBE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DIRSCRIBE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DIRSCRIBE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DIRSCRIBE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows 7 and later; the W functions unless a call names the A form.
add_compile_definitions(_WIN32_WINNT=0x0601 UNICODE _UNICODE)
add_link_options(-static)

# Test programs (and GoogleTest's discovery of their tests) run under Wine, in a prefix of
# the build folder's own unless WINEPREFIX names one.
if(DEFINED ENV{WINEPREFIX})
    set(DIRSCRIBE_WINEPREFIX "$ENV{WINEPREFIX}" CACHE PATH "Wine prefix the tests run in")
else()
    set(DIRSCRIBE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH
        "Wine prefix the tests run in")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEPREFIX=${DIRSCRIBE_WINEPREFIX} ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-test.sh)
