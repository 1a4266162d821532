#!/usr/bin/env bash
# Builds the program and starts it. Until the windows exist, this runs dirscribe-cli with the
# arguments given (by default: list the current folder to standard output).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/tools/install-deps.sh"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDIRSCRIBE_TESTS=OFF >/dev/null
ninja -C "$here/build" dirscribe-cli
if [ $# -eq 0 ]; then set -- "$PWD"; fi
exec "$here/build/cli/dirscribe-cli" "$@"
