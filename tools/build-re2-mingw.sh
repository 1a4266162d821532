#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds RE2 (the regular expressions of the catalogue search) for 64-bit Windows with
# mingw-w64, as a static library, from Debian's own re2 source package of the version the Linux
# build uses, into a cache folder outside the work tree (its name holds the RE2 and compiler
# versions). Does nothing when that folder is complete, so a machine builds it once (a minute).
#   bash tools/build-re2-mingw.sh          prints the install folder on its last line
# DIRSCRIBE_CACHE overrides the cache root (default ~/.cache/dirscribe).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
. tools/deb-source.sh

version=$(dpkg-query -W -f='${source:Version}' libre2-dev 2>/dev/null || true)
if [ -z "$version" ]; then
    echo "build-re2-mingw: libre2-dev is missing; run tools/install-deps.sh" >&2
    exit 1
fi
upstream=${version%%[+~-]*}
gcc_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
cache=${DIRSCRIBE_CACHE:-$HOME/.cache/dirscribe}
prefix=$cache/re2-$upstream-mingw-w64-gcc-$gcc_version-posix
work=$cache/re2-build-$upstream
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

mkdir -p "$work"
fetch_deb_source re2 "$version" "$work" >&2
src=$work/src
rm -rf "$src" "$work/build" && mkdir -p "$src"
tar -xf "$(ls "$work"/re2_*.orig.tar.* | head -n1)" -C "$src" --strip-components=1
# Debian's source leaves out the generated Unicode and Perl tables: made again here, as
# Debian's own build does, from the machine's Unicode data.
sed -i 's|^_UNICODE_DIR = .*|_UNICODE_DIR = "/usr/share/unicode"|' "$src/re2/unicode.py"
perl "$src/re2/make_perl_groups.pl" >"$src/re2/perl_groups.cc"
(cd "$src/re2" && python3 make_unicode_casefold.py >unicode_casefold.cc &&
    python3 make_unicode_groups.py >unicode_groups.cc)
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-compilers.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DRE2_BUILD_TESTING=OFF >&2
cmake --build "$work/build" --parallel "$(nproc 2>/dev/null || echo 2)" >&2
cmake --install "$work/build" >&2
cp "$src/LICENSE" "$prefix/LICENSE" 2>/dev/null || true
touch "$prefix/.complete"
rm -rf "$work/build" "$src"
echo "$prefix"
