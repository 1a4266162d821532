#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build with `cmake --install --prefix /usr` into a temporary DESTDIR and checks the
# tree with check-tree.sh.
#   check-install.sh BUILD_FOLDER VERSION [--no-gui]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
destdir="$(mktemp -d)"
trap 'rm -rf "$destdir"' EXIT
DESTDIR="$destdir" cmake --install "$1" --prefix /usr >/dev/null
bash "$here/check-tree.sh" "$destdir" "$2" "${@:3}"
