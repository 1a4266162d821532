#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Pictures of the Windows program under Wine (tools/screenshots.sh --windows): dirscribe.exe and
# dirscribe-screenshot-tour.exe of the cross build run with Qt's windows platform plugin in a
# Wine desktop on a virtual X screen (Xvfb), in a Wine prefix of their own that has Wine's own
# fonts (Tahoma, Marlett) where Windows keeps fonts, and Liberation Sans for Arial. Saves the
# main window as it starts, and the pictures of the tour (tools/screenshots.sh): the progress
# window during a run (progress-window.png) with its boxes (abort-retry-ignore.png, ...), the
# Find window, the progress window waiting for the next disc and the About window, as PNG files.
# It fails, as on Linux, when the progress window stays covered after a box or a menu choice.
#   bash tools/screenshots-windows.sh [OUTPUT_FOLDER]     (default: build-win/screenshots)
# DIRSCRIBE_WINDOWS_BUILD names the cross build folder (default: build-win).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${DIRSCRIBE_WINDOWS_BUILD:-$here/build-win}"
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
out="${1:-$build/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

[ -f "$build/CMakeCache.txt" ] || { echo "no cross build in $build: run tools/test-windows.sh" >&2; exit 1; }
ninja -C "$build" -j2 dirscribe dirscribe-screenshot-tour

work="$(mktemp -d)"
xvfb_pid=""
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$WINEPREFIX"
wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# Arial, which the About window asks for, is Liberation Sans (the same widths) here.
cp /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial \
    /d 'Liberation Sans' /f >/dev/null 2>&1
wineserver -w
# The program's DLLs next to it, as in the zip.
app="$WINEPREFIX/drive_c/Dirscribe"
mkdir -p "$app"
DESTDIR="$work/stage" cmake --install "$build" --prefix / --component windows >/dev/null
cp -r "$work/stage/." "$app/"
cp "$build/app/dirscribe-screenshot-tour.exe" "$app/"

. "$here/tools/xvfb.sh"
start_xvfb "$work" || exit 1
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# 1. dirscribe.exe as a user starts it, in a folder of its own; the picture is the Wine
# desktop trimmed to the window (the desktop is one colour).
mkdir -p "$WINEPREFIX/drive_c/Start"
(cd "$WINEPREFIX/drive_c/Start" &&
    exec wine explorer /desktop=shots,1024x768 'C:\Dirscribe\dirscribe.exe') >"$work/dirscribe.log" 2>&1 &
shown=""
for _ in $(seq 120); do
    if xdotool search --name '^shots - Wine desktop$' >/dev/null 2>&1; then
        import -window root "$work/desktop.png"
        # More than one colour: the window is there.
        if [ "$(convert-im6.q16 "$work/desktop.png" -format %k info:)" -gt 8 ]; then
            shown=1
            break
        fi
    fi
    sleep 0.5
done
[ -n "$shown" ] || { echo "the main window did not appear:"; cat "$work/dirscribe.log"; exit 1; }
sleep 3
import -window root "$work/desktop.png"
convert-im6.q16 "$work/desktop.png" -trim +repage "$out/dirscribe.png"
echo "saved $out/dirscribe.png"
wineserver -k
sleep 1

# 2. The tour: the windows during a run and the About window, each saved by the tour itself.
wine explorer /desktop=shots,1024x768 'C:\Dirscribe\dirscribe-screenshot-tour.exe' 'C:\shots' \
    >"$work/tour.log" 2>&1 &
for _ in $(seq 600); do
    [ -s "$WINEPREFIX/drive_c/shots/about-window.png" ] && break
    sleep 0.5
done
sleep 1
cp "$WINEPREFIX/drive_c/shots/"*.png "$out/" || { cat "$work/tour.log"; exit 1; }
# The tour's own checks (its status is not Wine's): only a click on the main window may cover
# the progress window.
if grep -v 'after a click on the main window' "$work/tour.log" |
    grep -E 'is covered|did not come|gave up|could not save|ended before' >&2; then
    echo "the tour's pictures are not as they should be:" >&2
    cat "$work/tour.log" >&2
    exit 1
fi

echo "Pictures in $out:"
ls -1 "$out"
