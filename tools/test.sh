#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test: formatting check, a build with warnings as errors,
# clang-tidy, builds with the sanitizers, the Debian package, and the Windows cross build with
# its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

echo "== formatting, the licence line of every source file, the documents' links"
bash tools/check-format.sh
bash tools/check-spdx.sh
bash tools/check-links.sh

jobs=$(nproc 2>/dev/null || echo 2)

# The builds are the presets of CMakePresets.json, each in its own folder (build-ci, ...).
echo "== build (warnings are errors)"
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

echo "== clang-tidy (every library and program)"
bash tools/check-tidy.sh build-ci

echo "== build with sanitizers"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== build with the thread sanitizer (the tests labelled threads)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
ctest --preset tsan -j "$jobs"

echo "== fuzzing the list reader and the name patterns (libFuzzer, briefly)"
bash tools/fuzz.sh 30

echo "== Debian package: a release build packaged, unpacked and checked, and lintian"
bash tools/package-deb.sh

echo "== Windows: cross build with mingw-w64, tests under Wine"
# CI builds Qt for mingw-w64 when the machine's cache lacks it (once; about 40 minutes on two
# idle cores), so that the Windows window program is built and tested on every run.
DIRSCRIBE_WINDOWS_GUI=${DIRSCRIBE_WINDOWS_GUI:-ON} bash tools/test-windows.sh

echo "== all tests passed"
