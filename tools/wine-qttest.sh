#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Qt Test program (a window test) under Wine for ctest: wine-qttest.sh PROGRAM.exe [ARGS]
# on Qt's offscreen platform, given as a program argument (Wine does not hand QT_QPA_PLATFORM
# to Qt). QTest's results are written to a file, as under Wine they do not reach a redirected
# standard output, and printed afterwards.
set -uo pipefail

result=$(mktemp --suffix=.txt)
trap 'rm -f "$result"' EXIT

"$(dirname "$0")/wine-test.sh" "$1" -platform offscreen -o "Z:${result//\//\\},txt" "${@:2}"
status=$?
cat "$result"
exit "$status"
