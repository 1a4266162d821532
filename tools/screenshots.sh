#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Pictures of the windows without a desktop: starts a virtual X server (Xvfb) with a window
# manager (Openbox), takes the main window of `dirscribe` as it starts, then lets
# dirscribe-screenshot-tour show the progress window during a run with the run's boxes and the
# Output Format menu, the Find window, the progress window waiting for the next disc and the
# About window, and saves all of them as PNG files. It fails when the progress window stays
# covered after a box or a menu choice.
#   bash tools/screenshots.sh [OUTPUT_FOLDER]      (default: build/screenshots)
# DIRSCRIBE_BUILD names another build folder to use (default: build, configured if new);
# DIRSCRIBE_WM=icewm takes the pictures under icewm instead of Openbox.
#   bash tools/screenshots.sh --windows [OUTPUT_FOLDER]   (default: build-win/screenshots)
# takes the Windows program (dirscribe.exe of the cross build, tools/test-windows.sh) under Wine
# instead, with Qt's real windows platform plugin, in a Wine desktop on the virtual X screen.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = --windows ]; then
    shift
    exec bash "$here/tools/screenshots-windows.sh" "$@"
fi
build="${DIRSCRIBE_BUILD:-$here/build}"
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
out="${1:-$build/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

bash "$here/tools/install-deps.sh" build gui screenshots
if [ "$build" = "$here/build" ]; then
    (cd "$here" && cmake --preset release >/dev/null &&
        cmake --build --preset release -j2 --target dirscribe dirscribe-screenshot-tour)
else
    # Another folder: configured like the preset release when new, else taken as it is.
    if [ ! -f "$build/CMakeCache.txt" ]; then
        (cd "$here" && cmake --preset release -B "$build" >/dev/null)
    fi
    cmake --build "$build" -j2 --target dirscribe dirscribe-screenshot-tour
fi

work="$(mktemp -d)"
xvfb_pid=""
wm_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A screen of its own; Xvfb names the display it took.
. "$here/tools/xvfb.sh"
start_xvfb "$work" || exit 1
# A window manager draws the frames and keeps the stacking order, as on a desktop: Openbox,
# or the one DIRSCRIBE_WM names (icewm draws the title-bar buttons the windows' Motif hints
# ask for; Openbox draws its own set on every window).
case "${DIRSCRIBE_WM:-openbox}" in
    openbox) openbox --sm-disable >"$work/wm.log" 2>&1 & ;;
    icewm) icewm >"$work/wm.log" 2>&1 & ;;
    *) echo "screenshots: unknown window manager '$DIRSCRIBE_WM' (openbox, icewm)" >&2; exit 2 ;;
esac
wm_pid=$!
sleep 1
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# 1. The program itself, as a user starts it, in a folder of its own.
mkdir -p "$work/start"
(cd "$work/start" && exec "$build/app/dirscribe") >"$work/dirscribe.log" 2>&1 &
app_pid=$!
# The main window's title, as the build gives it.
title=$(sed -n 's/^DIRSCRIBE_DISPLAY_NAME:INTERNAL=//p' "$build/CMakeCache.txt")
window=""
for _ in $(seq 100); do
    window="$(xwininfo -root -tree 2>/dev/null |
        awk -v title="\"$title\"" 'index($0, title) && / [0-9]+x[0-9]+\+/ && !found {print $1; found = 1}')"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear:"; cat "$work/dirscribe.log"; exit 1; }
sleep 1
import -window "$window" "$out/dirscribe.png"
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""
echo "saved $out/dirscribe.png"

# 2. The tour: the windows during a run, the Find window and the About window.
"$build/app/dirscribe-screenshot-tour" "$out"

echo "Pictures in $out:"
ls -1 "$out"
