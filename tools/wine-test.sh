#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows test program under Wine for ctest: wine-test.sh PROGRAM.exe [ARGS...]
# Now and then Wine fails to start a program at all: it exits with an error before the
# program's main has printed a line (GoogleTest flushes every line it prints, so a test that
# ran and crashed has always printed something). Such a start is tried once more, with Wine's
# own error messages on, and said on stderr; a program that printed anything is never re-run.
set -uo pipefail

# DIRSCRIBE_WINE_DLLS: folders (separated by ":") of the DLLs a program needs, put on Wine's PATH.
if [ -n "${DIRSCRIBE_WINE_DLLS:-}" ]; then
    WINEPATH=$(tr ':' '\n' <<<"$DIRSCRIBE_WINE_DLLS" | sed 's|/|\\|g; s|^|Z:|' | paste -sd';')
    export WINEPATH
fi

out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

WINEDEBUG=-all wine "$@" >"$out" 2>"$err"
status=$?
if [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
    echo "wine-test: '$1' exited with $status before printing anything; starting it once more" >&2
    cat "$err" >&2
    WINEDEBUG=err+all wine "$@"
    exit $?
fi
cat "$out"
cat "$err" >&2
exit "$status"
