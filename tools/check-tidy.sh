#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy (.clang-tidy at the root) over the sources of every library and program this
# system builds, as a configured build folder compiles them; fails on any finding.
#   bash tools/check-tidy.sh [BUILD_FOLDER]      (default: build-ci, the preset ci)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-ci}
db=$build/compile_commands.json
if [ ! -f "$db" ]; then
    echo "check-tidy: $db is missing; configure first (cmake --preset ci)" >&2
    exit 1
fi
if ! command -v clang-tidy >/dev/null; then
    echo "check-tidy: clang-tidy is missing; run tools/install-deps.sh test" >&2
    exit 1
fi

# The build compiles each system's own files only: the other system's are never listed.
src=$PWD
mapfile -t files < <(grep -o '"file": *"[^"]*"' "$db" | sed 's/^"file": *"//; s/"$//' |
    grep -E "^$src/(base|engine|platform|catalogue|cli|cdtray|ui|app)/" | sort -u)
if [ ${#files[@]} -eq 0 ]; then
    echo "check-tidy: no program sources in $db" >&2
    exit 1
fi

jobs=$(nproc 2>/dev/null || echo 2)
# GCC's own options (-Wno-restrict) are unknown to clang. clang-tidy counts on standard error
# the warnings it left out (those of system headers): that count is dropped, the rest kept.
printf '%s\n' "${files[@]}" |
    xargs -P "$jobs" -n 4 clang-tidy -p "$build" --quiet --warnings-as-errors='*' \
        --extra-arg=-Wno-unknown-warning-option \
        2> >(grep -v '^[0-9]* warnings\? generated\.$' >&2)
echo "clang-tidy: ${#files[@]} files of every library and program, no findings"
