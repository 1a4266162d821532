# SPDX-License-Identifier: MIT
# Sourced by the tests of the Windows zip and installer: a start folder of files, dirscribe.exe
# started in a Wine desktop of its own on the virtual X screen, and a list written by keys only.
# shellcheck shell=bash

# remove_wine_work_at_exit: when the script ends, the Wine server of the prefix in the scratch
# folder $work and the X server $xvfb_pid (when started) are stopped and $work removed.
remove_wine_work_at_exit() {
    # shellcheck disable=SC2154 # both are the caller's
    trap 'WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
          [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
          rm -rf "$work"' EXIT
}

# make_start_folder FOLDER: two discs' worth of files, sub-folders and spaces in names, all
# dated 2004-01-02 08:05.
make_start_folder() {
    mkdir -p "$1/Disc 1/Set A" "$1/Disc 2"
    printf 'x%.0s' $(seq 1234) >"$1/Disc 1/Track 01.mp3"
    printf 'y%.0s' $(seq 99) >"$1/Disc 1/Set A/notes.txt"
    : >"$1/Disc 2/empty.wav"
    find "$1" -exec touch -d '2004-01-02 08:05:00' {} +
}

# start_by_keys DESKTOP FOLDER PROGRAM LOG TITLE: starts PROGRAM (a Windows path) in FOLDER, so
# that its main window opens there, in a Wine desktop named DESKTOP (one X window, which takes
# the keys under the pointer), its output into LOG; waits for the window titled TITLE and puts
# the pointer on the desktop. Fails when the window does not appear within a minute. (Called
# with `|| fail`, which turns off `set -e` inside: each step's failure is passed on by hand.)
start_by_keys() {
    (cd "$2" && exec wine explorer "/desktop=$1,1024x768" "$3") >"$4" 2>&1 &
    local window="" desktop
    for _ in $(seq 120); do
        window=$(xdotool search --name "^$5\$" 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.5
    done
    [ -n "$window" ] || return 1
    desktop=$(xdotool search --name "^$1 - Wine desktop\$" 2>/dev/null | head -n1 || true)
    if [ -n "$desktop" ]; then
        xdotool mousemove --window "$desktop" 1000 740 || return
    fi
    sleep 2
}

# append_by_keys NAME LIST: Start has the focus: Space presses it; the append dialog takes NAME
# (a Windows path) and Enter. Waits until LIST (the same file seen from here) is complete: its
# footer is there once it no longer grows. Fails when no list was written.
append_by_keys() {
    xdotool key space || return
    sleep 3
    xdotool type --delay 50 "$1" || return
    xdotool key Return || return
    local size
    for _ in $(seq 60); do
        if [ -s "$2" ]; then
            size=$(stat -c %s "$2")
            sleep 1
            [ "$size" = "$(stat -c %s "$2")" ] && break
        fi
        sleep 0.5
    done
    [ -s "$2" ]
}

# same_list WINDOW_LIST CLI_LIST: true when the two are byte for byte the same; else shows where
# they differ (line ends made visible) on standard error.
same_list() {
    cmp "$1" "$2" && return 0
    diff <(cat -A "$1") <(cat -A "$2") >&2 || true
    return 1
}
