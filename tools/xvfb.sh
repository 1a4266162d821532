# SPDX-License-Identifier: MIT
# Sourced by the scripts that need a virtual X screen: start_xvfb WORK_FOLDER starts Xvfb on a
# display of its own choosing, sets DISPLAY and xvfb_pid (for the caller's clean-up), and fails
# with Xvfb's own messages when it did not start.
start_xvfb() {
    local work=$1
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    if [ ! -s "$work/display" ]; then
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=":$(head -n1 "$work/display")"
}
