#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a C++ file differs from what clang-format makes of it (.clang-format at the root).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
bad=0
for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    if ! clang-format --style=file "$f" | cmp -s - "$f"; then
        echo "not formatted: $f (run: clang-format -i $f)"
        bad=1
    fi
done
exit $bad
