# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the -posix compilers, which have
# std::thread and std::mutex), statically linked so that the programs need only system DLLs.
# Test programs run under Wine:
#   cmake -S . -B build-win -G Ninja --toolchain cmake/mingw-w64.cmake
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)

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
