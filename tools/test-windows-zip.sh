#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Tries the Windows zip as a user would: unpacks it into an empty folder of a new Wine prefix,
# starts dirscribe.exe on a virtual X screen (Xvfb) with nothing else on its PATH, and drives it
# by keys only: Space on Start, a typed list-file name, Enter. The list it writes of its start
# folder must be byte for byte the one dirscribe-cli.exe from the same zip writes.
#   bash tools/test-windows-zip.sh build-win/dirscribe-<version>-win64.zip
# The main window's title comes from the build folder that made the zip.
set -euo pipefail
zip=$(realpath "$1")
title=$(sed -n 's/^DIRSCRIBE_DISPLAY_NAME:INTERNAL=//p' "$(dirname "$zip")/CMakeCache.txt")

. "$(dirname "$0")/wine-keys.sh"
work=$(mktemp -d)
# shellcheck disable=SC2034 # set by xvfb.sh, read by the exit trap
xvfb_pid=""
remove_wine_work_at_exit
fail() {
    echo "test-windows-zip: $*" >&2
    [ -f "$work/dirscribe.log" ] && cat "$work/dirscribe.log" >&2
    exit 1
}

export WINEPREFIX="$work/prefix" WINEDEBUG=-all TZ=America/New_York LC_ALL=C.UTF-8 LANG=C.UTF-8
unset WINEPATH DIRSCRIBE_WINE_DLLS
mkdir -p "$WINEPREFIX"
wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; fail "wineboot failed"; }
wineserver -w
# Wine's own fonts (Tahoma, and Marlett for the title-bar buttons), where Windows keeps fonts.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

# The zip, unpacked into an empty folder; a start folder with files, sub-folders and spaces.
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/Dirscribe"
(cd "$drive_c/Dirscribe" && cmake -E tar xf "$zip")
[ -f "$drive_c/Dirscribe/dirscribe.exe" ] || fail "no dirscribe.exe at the top of $zip"
make_start_folder "$drive_c/Start Here"

. "$(dirname "$0")/xvfb.sh"
start_xvfb "$work" || fail "Xvfb did not start"

start_by_keys zip "$drive_c/Start Here" 'C:\Dirscribe\dirscribe.exe' "$work/dirscribe.log" \
    "$title" || fail "the main window did not appear"
list="$drive_c/window.txt"
append_by_keys 'C:\window.txt' "$list" || fail "dirscribe.exe wrote no list"

wine 'C:\Dirscribe\dirscribe-cli.exe' -q -a 'C:\cli.txt' 'C:\Start Here' >"$work/cli.log" 2>&1 ||
    fail "dirscribe-cli.exe failed: $(cat "$work/cli.log")"
same_list "$list" "$drive_c/cli.txt" || fail "the window's list differs from dirscribe-cli.exe's"
echo "test-windows-zip: dirscribe.exe from the zip wrote the list dirscribe-cli.exe writes" \
    "($(stat -c %s "$list") bytes)"
