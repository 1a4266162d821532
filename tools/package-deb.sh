#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from a release build of its own (with Debian's hardening flags),
# then unpacks it into a temporary folder, checks the programs and files there and runs
# lintian on it.
#   bash tools/package-deb.sh      (the package is left in build-deb/)
# DIRSCRIBE_DEB_BUILD names another build folder.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${DIRSCRIBE_DEB_BUILD:-$here/build-deb}"

bash "$here/tools/install-deps.sh"
# Debian's flags, given on the command line so that they hold also for a configured folder;
# CMake reads no CPPFLAGS, so they go with the compiler flags.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
# The preset deb: a release build without the tests, installed under /usr.
cmake -S "$here" --preset deb -B "$build" -DCMAKE_C_FLAGS="$CPPFLAGS $CFLAGS" \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
ninja -C "$build" -j "$(nproc 2>/dev/null || echo 2)"
rm -f "$build"/dirscribe_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
deb="$build/dirscribe_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "cpack made no $deb"; exit 1; }
echo "made $deb"
dpkg-deb -f "$deb" Package Version Architecture Section Maintainer Depends

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
bash "$here/tests/install/check-tree.sh" "$work" "$version"

# Errors fail the step; the warnings left are listed in the README's Install section.
lintian --fail-on error --tag-display-limit 0 --info "$deb"
echo "lintian found no errors in $deb"
