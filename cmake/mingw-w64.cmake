# SPDX-License-Identifier: MIT
# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the -posix compilers, which have
# std::thread and std::mutex), statically linked so that the programs need only system DLLs
# (dirscribe.exe, which uses Qt's DLLs, takes the compiler's runtime DLLs beside them).
# Test programs run under Wine:
#   cmake -S . -B build-win -G Ninja --toolchain cmake/mingw-w64.cmake

# A library built for these compilers into the cache by a script of tools/ (Qt, RE2): OUT is set
# to its newest complete install folder named NAME-*-mingw-w64-gcc-VERSION-posix, or empty.
function(dirscribe_cached_build name out)
    execute_process(COMMAND x86_64-w64-mingw32-g++-posix -dumpfullversion
        OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    set(cache "$ENV{HOME}/.cache/dirscribe")
    if(DEFINED ENV{DIRSCRIBE_CACHE})
        set(cache "$ENV{DIRSCRIBE_CACHE}")
    endif()
    file(GLOB marks "${cache}/${name}-*-mingw-w64-gcc-${version}-posix/.complete")
    list(SORT marks COMPARE NATURAL ORDER DESCENDING)
    set(folder "")
    if(marks)
        list(GET marks 0 mark)
        get_filename_component(folder "${mark}" DIRECTORY)
    endif()
    set(${out} "${folder}" PARENT_SCOPE)
endfunction()

# Qt for mingw-w64, as tools/build-qt-mingw.sh builds it: DIRSCRIBE_MINGW_QT names its install
# folder; by default the complete one in the cache for these compilers, when there is one. With
# it the windows and dirscribe.exe are built too; Debian's own Qt host tools (moc, uic) serve.
if(NOT DEFINED DIRSCRIBE_MINGW_QT AND DEFINED ENV{DIRSCRIBE_MINGW_QT})
    set(DIRSCRIBE_MINGW_QT "$ENV{DIRSCRIBE_MINGW_QT}")
endif()
if(NOT DEFINED DIRSCRIBE_MINGW_QT)
    dirscribe_cached_build(qt DIRSCRIBE_MINGW_QT)
endif()
# RE2 for mingw-w64, as tools/build-re2-mingw.sh builds it: DIRSCRIBE_MINGW_RE2 names its install
# folder; by default the complete one in the cache for these compilers.
if(NOT DEFINED DIRSCRIBE_MINGW_RE2)
    dirscribe_cached_build(re2 DIRSCRIBE_MINGW_RE2)
endif()
# The toolchain's own find roots would replace a -D value: the RE2 and Qt folders are added.
set(DIRSCRIBE_EXTRA_FIND_ROOTS "${DIRSCRIBE_MINGW_RE2}")
if(DIRSCRIBE_MINGW_QT)
    list(APPEND DIRSCRIBE_EXTRA_FIND_ROOTS "${DIRSCRIBE_MINGW_QT}")
    set(QT_HOST_PATH /usr)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
    list(APPEND CMAKE_PREFIX_PATH /)
endif()
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
# Where Wine finds the DLLs of a program linked with Qt: Qt's and the compiler's runtime.
if(DIRSCRIBE_MINGW_QT)
    execute_process(COMMAND x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll
        OUTPUT_VARIABLE dirscribe_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll
        OUTPUT_VARIABLE dirscribe_winpthread OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    get_filename_component(dirscribe_libstdcxx "${dirscribe_libstdcxx}" DIRECTORY)
    get_filename_component(dirscribe_winpthread "${dirscribe_winpthread}" DIRECTORY)
    set(DIRSCRIBE_MINGW_RUNTIME_DIRS "${dirscribe_libstdcxx}" "${dirscribe_winpthread}")
    set(DIRSCRIBE_WINE_DLLS "${DIRSCRIBE_MINGW_QT}/bin:${dirscribe_libstdcxx}:${dirscribe_winpthread}")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEPREFIX=${DIRSCRIBE_WINEPREFIX} ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-test.sh)
