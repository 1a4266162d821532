#!/usr/bin/env bash
# Builds everything and runs every test: formatting check, a build with warnings as errors,
# builds with the sanitizers, the Debian package, and the Windows cross build with its tests
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

echo "== formatting"
bash tools/check-format.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== build (warnings are errors)"
cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDIRSCRIBE_WERROR=ON >/dev/null
ninja -C build-ci -j "$jobs"
ctest --test-dir build-ci --output-on-failure -j "$jobs"

echo "== build with sanitizers"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDIRSCRIBE_WERROR=ON \
    -DDIRSCRIBE_SANITIZE=ON >/dev/null
ninja -C build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== build with the thread sanitizer (the read-ahead threads)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDIRSCRIBE_WERROR=ON \
    -DDIRSCRIBE_TSAN=ON -DDIRSCRIBE_GUI=OFF >/dev/null
ninja -C build-tsan -j "$jobs" engine_tests platform_tests cli_tests dirscribe-cli
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j "$jobs" \
    -R 'ReadAhead|Stop|Failure|Cli|Platform'

echo "== Debian package: a release build packaged, unpacked and checked, and lintian"
bash tools/package-deb.sh

echo "== Windows: cross build with mingw-w64, tests under Wine"
bash tools/test-windows.sh

echo "== all tests passed"
