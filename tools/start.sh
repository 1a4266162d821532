#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the program and opens its main window (dirscribe). Needs a desktop: without one it
# says so and stops (dirscribe-cli lists folders without one; tools/screenshots.sh shows the
# windows as pictures).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# Only what building and opening the window needs: no cross compiler, Wine or GoogleTest.
bash "$here/tools/install-deps.sh" build gui
# The presets are found from the sources' folder; the program starts in the caller's folder.
(cd "$here" && cmake --preset release >/dev/null &&
    cmake --build --preset release --target dirscribe dirscribe-cli)

no_display() {
    echo "dirscribe: $1" >&2
    echo "  The windows need a desktop. Without one, use the same listing from the command line:" >&2
    echo "    $here/build/cli/dirscribe-cli --help" >&2
    echo "  or look at pictures of the windows made on a virtual screen: bash tools/screenshots.sh" >&2
    exit 1
}
if [ -z "${QT_QPA_PLATFORM:-}" ]; then
    if [ -z "${DISPLAY:-}" ]; then
        if [ -n "${WAYLAND_DISPLAY:-}" ]; then
            no_display "no X display (DISPLAY is not set); the windows run on X or XWayland."
        fi
        no_display "no display to open the windows on (DISPLAY is not set)."
    fi
    if command -v xdpyinfo >/dev/null && ! xdpyinfo >/dev/null 2>&1; then
        hint=""
        [ "$(id -u)" -eq 0 ] && hint=" As root, allow it first from the desktop session: xhost +si:localuser:root"
        no_display "cannot open the display $DISPLAY.$hint"
    fi
fi
exec "$here/build/app/dirscribe"
