#!/bin/bash
# SPDX-License-Identifier: MIT
# depth.sh - how much time and memory dirscribe-cli takes on very deep trees.
#
#     bench/depth.sh [--cli PATH] [--workdir DIR] [--limit-mib N]
#
# Makes two chains of nested folders with one file at the bottom: 30,000 levels of one-letter
# names, and 1,200 levels of 255-byte names (paths far beyond PATH_MAX); lists each with
# dirscribe-cli in formats 3 (CSV, the full path on the one file line) and 5 (HTML, a heading
# per folder), with and without helper threads; prints the wall time and the peak resident
# memory of each run, checks that the bottom file is listed, and fails when a run fails or
# its peak memory is over --limit-mib (default 64).
set -euo pipefail

BENCH=$(cd "$(dirname "$0")" && pwd)
REPO=$(dirname "$BENCH")
CLI=$REPO/build-release/cli/dirscribe-cli  # the preset bench's build, as bench/run.sh makes it
WORKDIR=${TMPDIR:-/tmp}/dirscribe-depth
LIMIT_MIB=64
while [ $# -gt 0 ]; do
    case $1 in
        --cli) CLI=${2:?--cli needs a path}; shift ;;
        --workdir) WORKDIR=${2:?--workdir needs a folder}; shift ;;
        --limit-mib) LIMIT_MIB=${2:?--limit-mib needs a number}; shift ;;
        *) echo "depth.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
if [ ! -x "$CLI" ]; then
    echo "depth.sh: no dirscribe-cli at $CLI (cmake --preset bench && cmake --build --preset bench --target dirscribe-cli, or --cli)" >&2
    exit 2
fi

mkdir -p "$WORKDIR"
cc -O2 -o "$WORKDIR/timeit" "$BENCH/timeit.c"

# A chain of LEVELS folders named NAME below DEST, made relative to each parent's descriptor.
make_chain() {
    python3 - "$@" <<'EOF'
import os, sys
dest, levels, name = sys.argv[1], int(sys.argv[2]), sys.argv[3]
if os.path.exists(dest + ".done"):
    sys.exit(0)
os.makedirs(dest, exist_ok=True)
fd = os.open(dest, os.O_RDONLY | os.O_DIRECTORY)
for _ in range(levels):
    try:
        os.mkdir(name, dir_fd=fd)
    except FileExistsError:
        pass
    child = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
    os.close(fd)
    fd = child
os.close(os.open("bottom.txt", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd))
os.close(fd)
open(dest + ".done", "w").close()
EOF
}

make_chain "$WORKDIR/chain30000" 30000 d
make_chain "$WORKDIR/long1200" 1200 "$(printf 'n%.0s' $(seq 255))"

status=0
printf '%-10s %-6s %-8s %9s %9s\n' tree format threads seconds "peak MiB"
for tree in chain30000 long1200; do
    for format in 3 5; do
        for threads in default 0; do
            out=$WORKDIR/out.txt
            env=()
            [ "$threads" = 0 ] && env=(DIRSCRIBE_READ_THREADS=0)
            read -r seconds rss code < <(env "${env[@]}" LC_ALL=C "$WORKDIR/timeit" -- \
                "$CLI" -q -f "$format" --label DEPTH -n "$out" -y "$WORKDIR/$tree")
            mib=$(( (rss + 1023) / 1024 ))
            printf '%-10s %-6s %-8s %9s %9s\n' "$tree" "$format" "$threads" "$seconds" "$mib"
            if [ "$code" != 0 ] || ! grep -q bottom.txt "$out"; then
                echo "depth.sh: $tree, format $format: exit status $code or bottom.txt not listed" >&2
                status=1
            elif [ "$mib" -gt "$LIMIT_MIB" ]; then
                echo "depth.sh: $tree, format $format: peak memory $mib MiB is over $LIMIT_MIB" >&2
                status=1
            fi
            rm -f "$out"
        done
    done
done
exit $status
