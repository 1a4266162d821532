#!/usr/bin/env bash
# Cross-builds the Windows programs and all their tests with mingw-w64 (build-win/) and runs the
# tests under Wine, in a Wine prefix of the build folder's own. Fails when a tool is missing
# (tools/install-deps.sh installs them) or when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-win # the folder of the preset windows-cross
jobs=$(nproc 2>/dev/null || echo 2)

for tool in x86_64-w64-mingw32-g++-posix wine wineboot wineserver; do
    if ! command -v "$tool" >/dev/null; then
        echo "test-windows: '$tool' is missing; run tools/install-deps.sh" >&2
        exit 1
    fi
done
if [ ! -f /usr/src/googletest/CMakeLists.txt ]; then
    echo "test-windows: the GoogleTest sources (/usr/src/googletest) are missing" >&2
    exit 1
fi

export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
# Wine's background processes would keep the pipes of whoever started them open.
trap 'wineserver -k 2>/dev/null || true' EXIT

cmake --preset windows-cross >/dev/null
cmake --build --preset windows-cross -j "$jobs"

# The first start makes the prefix (some seconds); done here, outside ctest, so that the tests
# and their discovery find Wine ready.
mkdir -p "$WINEPREFIX"
if ! wineboot -i >"$build/wineboot.log" 2>&1; then
    cat "$build/wineboot.log" >&2
    exit 1
fi
wineserver -w
# One server for the whole test run: a server that quits between two tests and is started again
# by the next one is a window in which a start can fail.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit

ctest --preset windows-cross -j "$jobs"
