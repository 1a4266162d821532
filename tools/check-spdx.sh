#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a source file of the project (C++, C, CMake, shell, Python) does not begin with its
# licence's SPDX line (after the #! line of a script), followed by its comment saying what it is
# for. The licence is the one CMakeLists.txt names.
set -euo pipefail
cd "$(dirname "$0")/.."
license=$(sed -n 's/^set(DIRSCRIBE_LICENSE "\([^"]*\)".*/\1/p' CMakeLists.txt)
[ -n "$license" ] || { echo "check-spdx: no DIRSCRIBE_LICENSE in CMakeLists.txt"; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.h.in' '*.c' '*.rc.in' '*.cmake' \
    'CMakeLists.txt' '*/CMakeLists.txt' '*.sh' '*.bash' '*.py' .ci/run | sort -u)
bad=0
for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    case $f in
        *.cpp | *.h | *.h.in | *.c | *.rc.in) comment=// ;;
        *) comment='#' ;;
    esac
    first=1
    [ "$(head -c 2 "$f")" = '#!' ] && first=2
    spdx=$(sed -n "${first}p" "$f")
    purpose=$(sed -n "$((first + 1))p" "$f")
    if [ "$spdx" != "$comment SPDX-License-Identifier: $license" ]; then
        echo "$f: line $first is not '$comment SPDX-License-Identifier: $license'"
        bad=1
    elif [[ $purpose != "$comment"* && $purpose != '/*'* && $purpose != '"""'* ]]; then
        echo "$f: line $((first + 1)) does not say what the file is for"
        bad=1
    fi
done
[ $bad = 0 ] && echo "check-spdx: ${#files[@]} files carry the SPDX line"
exit $bad
