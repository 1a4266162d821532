#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds the Windows programs and all their tests with mingw-w64 (build-win/) and runs the
# tests under Wine, in a Wine prefix of the build folder's own. Fails when a tool is missing
# (tools/install-deps.sh installs them) or when a test fails. The window program and its tests
# need Qt for mingw-w64 (tools/build-qt-mingw.sh); with it the zip and the installer are made
# and tried on their own (tools/test-windows-zip.sh, tools/test-windows-msi.sh).
# DIRSCRIBE_WINDOWS_GUI says when:
#   auto (default)  when the cache holds a complete Qt for these compilers
#   ON              always: Qt is built first when the cache has none (once a machine)
#   OFF             never
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-win # the folder of the preset windows-cross
jobs=$(nproc 2>/dev/null || echo 2)

for tool in x86_64-w64-mingw32-g++-posix wine wineboot wineserver wixl wixl-heat msiextract; do
    if ! command -v "$tool" >/dev/null; then
        echo "test-windows: '$tool' is missing; run tools/install-deps.sh" >&2
        exit 1
    fi
done
if [ ! -f /usr/src/googletest/CMakeLists.txt ]; then
    echo "test-windows: the GoogleTest sources (/usr/src/googletest) are missing" >&2
    exit 1
fi

gui=${DIRSCRIBE_WINDOWS_GUI:-auto}
if [ "$gui" = auto ]; then
    gui=OFF
    compiler_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
    for mark in "${DIRSCRIBE_CACHE:-$HOME/.cache/dirscribe}"/qt-*-mingw-w64-gcc-"$compiler_version"-posix/.complete; do
        [ -f "$mark" ] && gui=ON
    done
    if [ "$gui" = OFF ]; then
        echo "test-windows: no Qt for mingw-w64 in the cache: the windows are left out" \
            "(DIRSCRIBE_WINDOWS_GUI=ON builds it)" >&2
    fi
fi
# RE2 for the catalogue search's regular expressions (a minute, once a machine).
re2=$(bash tools/build-re2-mingw.sh | tail -n1)
qt_args=(-DDIRSCRIBE_GUI=OFF -DDIRSCRIBE_MINGW_RE2="$re2")
if [ "$gui" = ON ]; then
    # Its log goes to the output; once it is complete it only names its folder.
    bash tools/build-qt-mingw.sh >&2
    qt=$(bash tools/build-qt-mingw.sh | tail -n1)
    qt_args=(-DDIRSCRIBE_GUI=ON -DDIRSCRIBE_MINGW_QT="$qt" -DDIRSCRIBE_MINGW_RE2="$re2")
fi

export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
# Wine's background processes would keep the pipes of whoever started them open.
trap 'wineserver -k 2>/dev/null || true' EXIT

cmake --preset windows-cross "${qt_args[@]}" >/dev/null
cmake --build --preset windows-cross -j "$jobs"

# The first start makes the prefix (some seconds); done here, outside ctest, so that the tests
# and their discovery find Wine ready.
mkdir -p "$WINEPREFIX"
if ! wineboot -i >"$build/wineboot.log" 2>&1; then
    cat "$build/wineboot.log" >&2
    exit 1
fi
wineserver -w
# Wine's own fonts (Tahoma, the message font Qt asks for) where Windows keeps fonts.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# One server for the whole test run: a server that quits between two tests and is started again
# by the next one is a window in which a start can fail.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit

ctest --preset windows-cross -j "$jobs"
wineserver -k 2>/dev/null || true

if [ "$gui" = ON ]; then
    echo "== Windows packages: the zip and the installer"
    cmake --build --preset windows-cross --target package msi
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    bash tools/test-windows-zip.sh "$build/dirscribe-$version-win64.zip"
    bash tools/test-windows-msi.sh "$build/dirscribe-$version-win64.msi"
fi
