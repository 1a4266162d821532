#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Qt's qtbase for 64-bit Windows with mingw-w64, from Debian's own qt6-base source package,
# into a cache folder outside the work tree (its name holds the Qt and compiler versions). Does
# nothing when that folder is complete, so a machine builds it once (about 40 minutes on 2 cores).
# Debian's Qt host tools (qt6-base-dev-tools, the same version) run the build's code generators.
#   bash tools/build-qt-mingw.sh          prints the install folder on its last line
# DIRSCRIBE_CACHE overrides the cache root (default ~/.cache/dirscribe).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
. tools/deb-source.sh

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null | sed 's/[+~-].*//')
if [ -z "$qt_version" ]; then
    echo "build-qt-mingw: qt6-base-dev-tools is missing; run tools/install-deps.sh" >&2
    exit 1
fi
cxx=x86_64-w64-mingw32-g++-posix
gcc_version=$("$cxx" -dumpfullversion)
cache=${DIRSCRIBE_CACHE:-$HOME/.cache/dirscribe}
prefix=$cache/qt-$qt_version-mingw-w64-gcc-$gcc_version-posix
work=$cache/qt-build-$qt_version
# Qt's license texts (and those of the libraries it bundles), for the Windows package; an
# install made before the script kept them gets them from the source tarball.
keep_licenses() {
    [ -d "$prefix/licenses" ] && return 0
    if [ -f "$1/LICENSES/LGPL-3.0-only.txt" ]; then
        cp -r "$1/LICENSES" "$prefix/licenses"
    else
        local tarball
        tarball=$(ls "$work"/qt6-base_"$qt_version"*.orig.tar.xz 2>/dev/null | head -n1)
        [ -n "$tarball" ] || return 0
        mkdir -p "$prefix/licenses.tmp"
        tar -xf "$tarball" -C "$prefix/licenses.tmp" --strip-components=2 --wildcards '*/LICENSES/*'
        mv "$prefix/licenses.tmp" "$prefix/licenses"
    fi
}
if [ -f "$prefix/.complete" ]; then
    keep_licenses "$work/qtbase-src"
    echo "$prefix"
    exit 0
fi

mkdir -p "$work"
cd "$work"

# The source package, through a private apt configuration (tools/deb-source.sh).
fetch_deb_source qt6-base "$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)" "$work"
src=$work/qtbase-src
if [ ! -f "$src/configure" ]; then
    rm -rf "$src" && mkdir -p "$src"
    tar -xf qt6-base_"$qt_version"*.orig.tar.xz -C "$src" --strip-components=1
fi

# Qt needs its own Windows settings (its floor is Windows 10) and shared libraries: only the
# compilers of the program's toolchain, none of its definitions or link options. A build that
# was stopped half-way (its configuration done, for this install folder) goes on where it was.
build=$work/build
if [ -f "$build/build.ninja" ] &&
    grep -qx "CMAKE_INSTALL_PREFIX:PATH=$prefix" "$build/CMakeCache.txt" 2>/dev/null; then
    echo "build-qt-mingw: going on with the build in $build" >&2
    cd "$build"
else
    rm -rf "$build"
    mkdir -p "$build"
    cd "$build"
    "$src/configure" -prefix "$prefix" -xplatform win32-g++ -qt-host-path /usr \
    -release -shared -nomake examples -nomake tests -no-opengl -no-dbus -no-icu \
    -no-feature-tabletevent -no-feature-sql -no-feature-network -no-feature-printsupport \
    -no-feature-vulkan -no-feature-xml -no-feature-concurrent -no-feature-imageformat_jpeg \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-compilers.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake --build . --parallel "$jobs"
cmake --install .
keep_licenses "$src"
touch "$prefix/.complete"
cd "$cache" && rm -rf "$work/build" "$src"
echo "$prefix"
