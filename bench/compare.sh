#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# compare.sh - times dirscribe-cli of two commits side by side on the benchmark trees.
#
# usage: bench/compare.sh [options] BASE [HEAD]
#
#   BASE, HEAD       commits (anything git rev-parse takes); without HEAD, the checkout as it
#                    is, uncommitted changes to tracked files included
#   --runs N         timed rounds per tree (default 7, at least 5)
#   --trees LIST     comma-separated subset of wide,flat,deep (default all three)
#   --format F       the list format timed (default 0)
#   --threads N      DIRSCRIBE_READ_THREADS for both builds (default: the program's own)
#   --small          trees at 1/100 of the files (a trial of the script; 1 round allowed)
#   --workdir DIR    builds, trees and lists (default ${TMPDIR:-/tmp}/dirscribe-compare)
#   --keep           keep the trees for the next run (builds are always kept)
#   --no-check       leave out the check that both builds write the same lists
#
# Each commit is built as a release dirscribe-cli in DIR/builds/COMMIT (from `git archive`,
# reused when already built). Per tree, both builds and the floor walker run once untimed,
# then N rounds in which each runs once, BASE and HEAD taking turns at going first. The table
# gives median wall times and peak resident memory, HEAD/BASE ratios (a ratio above 1.05 is
# marked), and HEAD's time over the floor's. Exit status: 0, or 1 when a ratio is above 1.05
# or the lists differ, 2 on bad usage or a failed build or run.
set -euo pipefail

usage() { sed -n '3,18s/^# \{0,1\}//p' "$0"; }

RUNS=7
TREE_NAMES=wide,flat,deep
FORMAT=0
THREADS=
SMALL=0
WORKDIR=
KEEP=0
CHECK=1
ARGS=()
while [ $# -gt 0 ]; do
    case $1 in
        --runs) RUNS=${2:?--runs needs a number}; shift ;;
        --trees) TREE_NAMES=${2:?--trees needs a list}; shift ;;
        --format) FORMAT=${2:?--format needs 0 to 5}; shift ;;
        --threads) THREADS=${2:?--threads needs a number}; shift ;;
        --small) SMALL=1 ;;
        --workdir) WORKDIR=${2:?--workdir needs a folder}; shift ;;
        --keep) KEEP=1 ;;
        --no-check) CHECK=0 ;;
        -h|--help) usage; exit 0 ;;
        -*) echo "compare.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
        *) ARGS+=("$1") ;;
    esac
    shift
done
if [ ${#ARGS[@]} -lt 1 ] || [ ${#ARGS[@]} -gt 2 ]; then usage >&2; exit 2; fi
case $RUNS in ''|*[!0-9]*|0) echo "compare.sh: --runs needs a positive number" >&2; exit 2 ;; esac
if [ "$RUNS" -lt 5 ] && [ $SMALL = 0 ]; then
    echo "compare.sh: --runs must be at least 5 (medians of fewer runs mean little here)" >&2
    exit 2
fi
case $FORMAT in [0-5]) ;; *) echo "compare.sh: --format must be 0 to 5" >&2; exit 2 ;; esac
case $THREADS in *[!0-9]*) echo "compare.sh: --threads needs a number" >&2; exit 2 ;; esac
IFS=, read -r -a TREES <<<"$TREE_NAMES"
for name in "${TREES[@]}"; do
    case $name in wide|flat|deep) ;; *) echo "compare.sh: unknown tree '$name'" >&2; exit 2 ;; esac
done

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BENCH=$REPO/bench
WORKDIR=${WORKDIR:-${TMPDIR:-/tmp}/dirscribe-compare}
mkdir -p "$WORKDIR"
WORKDIR=$(cd "$WORKDIR" && pwd)
case $WORKDIR/ in "$REPO"/*) echo "compare.sh: the work folder must be outside the repository" >&2; exit 2 ;; esac
if [ $SMALL = 1 ]; then SCALE=small; else SCALE=full; fi
TREEDIR=$WORKDIR/trees-$SCALE
OUT=$WORKDIR/out
RAW=$WORKDIR/raw.tsv

# Same conditions for both builds: C locale, local time from /etc/localtime.
export LC_ALL=C
unset TZ
if [ -n "$THREADS" ]; then export DIRSCRIBE_READ_THREADS=$THREADS; fi

say() { printf '%s\n' "$*" >&2; }

cleanup() {
    rm -rf "$OUT"
    if [ $KEEP = 0 ] && [ -d "$TREEDIR" ]; then
        say "removing the trees in $TREEDIR (use --keep to keep them)"
        rm -rf "$TREEDIR"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- the two builds ------------------------------------------------------------------------

# Sets COMMIT (full hash) and LABEL (short hash, "+ uncommitted" for the checkout) for $1;
# an empty $1 stands for the checkout as it is.
resolve() {
    if [ -n "$1" ]; then
        COMMIT=$(git -C "$REPO" rev-parse --verify --quiet "$1^{commit}") ||
            { echo "compare.sh: '$1' is not a commit" >&2; exit 2; }
        LABEL=$(git -C "$REPO" rev-parse --short "$COMMIT")
        return
    fi
    # A commit object of the working tree, made without touching the checkout or the stash.
    COMMIT=$(git -C "$REPO" stash create 2>/dev/null || true)
    if [ -z "$COMMIT" ]; then
        COMMIT=$(git -C "$REPO" rev-parse HEAD)
        LABEL=$(git -C "$REPO" rev-parse --short HEAD)
    else
        LABEL="$(git -C "$REPO" rev-parse --short HEAD) + uncommitted"
    fi
}

# Builds dirscribe-cli of commit $1 (release, no tests, no windows); prints its path.
build() {
    local commit=$1 dir=$WORKDIR/builds/$1
    local cli=$dir/build/cli/dirscribe-cli
    if [ -x "$cli" ] && [ -f "$dir/built" ]; then
        echo "$cli"
        return
    fi
    rm -rf "$dir"
    mkdir -p "$dir/src"
    git -C "$REPO" archive "$commit" | tar -x -C "$dir/src"
    local launcher=()
    if command -v ccache >/dev/null; then
        # Paths below the work folder are hashed relative to it, so that two commits share
        # what they compile alike.
        export CCACHE_BASEDIR=$WORKDIR/builds
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    say "building dirscribe-cli of ${commit:0:12} in $dir"
    if ! { cmake -S "$dir/src" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DDIRSCRIBE_TESTS=OFF -DDIRSCRIBE_GUI=OFF "${launcher[@]}" &&
        cmake --build "$dir/build" --target dirscribe-cli -j "$(nproc)"; } >"$dir/build.log" 2>&1; then
        echo "compare.sh: the build of ${commit:0:12} failed; see $dir/build.log" >&2
        exit 2
    fi
    touch "$dir/built"
    echo "$cli"
}

resolve "${ARGS[0]}"
BASE_COMMIT=$COMMIT BASE_LABEL=$LABEL
resolve "${ARGS[1]:-}"
HEAD_COMMIT=$COMMIT HEAD_LABEL=$LABEL
BASE_CLI=$(build "$BASE_COMMIT")
HEAD_CLI=$(build "$HEAD_COMMIT")

mkdir -p "$WORKDIR/bin" "$OUT"
CC=${CC:-cc}
$CC -O2 -o "$WORKDIR/bin/floor" "$BENCH/floor.c"
$CC -O2 -o "$WORKDIR/bin/timeit" "$BENCH/timeit.c"
FLOOR=$WORKDIR/bin/floor
TIMEIT=$WORKDIR/bin/timeit

# ---- trees ---------------------------------------------------------------------------------

small_flag=(); [ $SMALL = 1 ] && small_flag=(--small)
say "making the $SCALE trees in $TREEDIR (kept ones are reused)"
python3 "$BENCH/make_tree.py" "${small_flag[@]}" --trees "$TREE_NAMES" "$TREEDIR" >&2

# ---- runs ----------------------------------------------------------------------------------

# Runs `who` (base, head or floor) on tree $2 in format $3 into file $4; sets SECS and RSS
# (peak resident KiB). A failed run ends the comparison.
run_once() {
    local who=$1 tree=$2 format=$3 out=$4 result
    rm -f "$out"
    case $who in
        base) result=$("$TIMEIT" -- "$BASE_CLI" -q -f "$format" -n "$out" -y "$tree") ;;
        head) result=$("$TIMEIT" -- "$HEAD_CLI" -q -f "$format" -n "$out" -y "$tree") ;;
        floor) result=$("$TIMEIT" -- "$FLOOR" "$tree" "$out" 2>/dev/null) ;;
    esac
    case ${result##* } in
        0) ;;
        *) echo "compare.sh: $who failed on $tree (format $format): status ${result##* }" >&2
           exit 2 ;;
    esac
    read -r SECS RSS _ <<<"$result"
}

CHECKS=()
DIFFERS=0
: > "$RAW"
for name in "${TREES[@]}"; do
    tree=$TREEDIR/$name
    if [ $CHECK = 1 ]; then
        say "== $name: both builds' lists in all six formats"
        same=()
        differ=()
        for f in 0 1 2 3 4 5; do
            run_once base "$tree" $f "$OUT/base.lst"
            run_once head "$tree" $f "$OUT/head.lst"
            if cmp -s "$OUT/base.lst" "$OUT/head.lst"; then
                same+=("$f")
            else
                differ+=("$f ($(cmp "$OUT/base.lst" "$OUT/head.lst" 2>&1 | head -1 | sed 's/.*: //'))")
            fi
        done
        if [ ${#differ[@]} -eq 0 ]; then
            CHECKS+=("$name: the lists of both builds are byte for byte the same in all six formats.")
        else
            DIFFERS=1
            CHECKS+=("$name: the lists DIFFER in format ${differ[*]}; the same in format ${same[*]:-none}.")
        fi
        rm -f "$OUT/base.lst" "$OUT/head.lst"
    else
        say "== $name: warm-up"
        run_once base "$tree" "$FORMAT" "$OUT/list"
        run_once head "$tree" "$FORMAT" "$OUT/list"
    fi
    run_once floor "$tree" 0 "$OUT/list"
    for ((round = 1; round <= RUNS; round++)); do
        say "== $name: round $round of $RUNS"
        # BASE and HEAD take turns at going first, so that neither always follows the floor.
        if ((round % 2)); then order=(base head floor); else order=(head base floor); fi
        for who in "${order[@]}"; do
            run_once "$who" "$tree" "$FORMAT" "$OUT/list"
            printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$who" "$round" "$SECS" "$RSS" >> "$RAW"
        done
        rm -f "$OUT/list"
    done
done

# ---- table ---------------------------------------------------------------------------------

set +e
C_RAW=$RAW C_TREES=$TREE_NAMES C_BASE=$BASE_LABEL C_HEAD=$HEAD_LABEL C_RUNS=$RUNS \
C_FORMAT=$FORMAT C_SCALE=$SCALE C_THREADS=${THREADS:-default} python3 - <<'EOF'
import os, statistics, sys

rows = {}
for line in open(os.environ["C_RAW"]):
    tree, who, _round, secs, rss = line.split("\t")
    rows.setdefault((tree, who), []).append((float(secs), int(rss)))

def med(tree, who, i):
    return statistics.median(v[i] for v in rows[(tree, who)])

def spread(tree, who):
    times = [v[0] for v in rows[(tree, who)]]
    return f"{min(times):.3f}-{max(times):.3f}"

def ratio(head, base):
    r = head / base
    return (f"**{r:.2f}** (over 1.05)" if r > 1.05 else f"{r:.2f}"), r > 1.05

scale = "full trees" if os.environ["C_SCALE"] == "full" else "small trees (1/100 of the files)"
print(f"BASE {os.environ['C_BASE']}, HEAD {os.environ['C_HEAD']}: format {os.environ['C_FORMAT']}"
      f" to a file, {scale}, helper threads: {os.environ['C_THREADS']}; medians of"
      f" {os.environ['C_RUNS']} interleaved rounds (warm cache).")
print()
print("| tree | BASE s | HEAD s | HEAD/BASE time | BASE MiB | HEAD MiB | HEAD/BASE memory"
      " | floor s | HEAD/floor |")
print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
over = False
for tree in os.environ["C_TREES"].split(","):
    bt, ht, ft = med(tree, "base", 0), med(tree, "head", 0), med(tree, "floor", 0)
    bm, hm = med(tree, "base", 1) / 1024, med(tree, "head", 1) / 1024
    rt, ot = ratio(ht, bt)
    rm, om = ratio(hm, bm)
    over = over or ot or om
    print(f"| {tree} | {bt:.3f} ({spread(tree, 'base')}) | {ht:.3f} ({spread(tree, 'head')})"
          f" | {rt} | {bm:.1f} | {hm:.1f} | {rm} | {ft:.3f} | {ht / ft:.2f} |")
sys.exit(1 if over else 0)
EOF
over=$?
set -e
echo
printf '%s\n' "${CHECKS[@]+"${CHECKS[@]}"}"
[ $over -le 1 ] || exit 2
if [ $over = 1 ] || [ $DIFFERS = 1 ]; then exit 1; fi
exit 0
