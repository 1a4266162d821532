#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# run.sh - times dirscribe-cli against a minimal C walker and common tree tools on big trees.
#
# usage: bench/run.sh [--small] [--runs N] [--cold] [--keep] [--cli PATH] [--window PATH]
#                     [--workdir DIR] [--results FILE]
#
#   --small          trees at 1/100 of the files (a quick trial)
#   --runs N         timed runs of every command per tree and mode (default 5)
#   --cold           also time with the page cache dropped before every run (needs root)
#   --keep           keep the trees (and the helper binaries) in the work folder for next time
#   --cli PATH       time this dirscribe-cli instead of building build-release/
#   --window PATH    time the window's run with this dirscribe-window-bench (built with the
#                    release build when --cli is not given)
#   --workdir DIR    where trees, helper binaries and outputs go
#                    (default ${TMPDIR:-/tmp}/dirscribe-bench; never inside the repository)
#   --results FILE   where the Markdown tables go (default bench/results-latest.md)
#
# Every command writes its list to a file in the work folder, on the same disk as the trees;
# the file is deleted after each run. Medians of the timed runs are reported.
set -euo pipefail

usage() { sed -n '3,13s/^# \{0,1\}//p' "$0"; }

SMALL=0
RUNS=5
COLD=0
KEEP=0
CLI=
WINDOW=
WORKDIR=
RESULTS=
while [ $# -gt 0 ]; do
    case $1 in
        --small) SMALL=1 ;;
        --runs) RUNS=${2:?--runs needs a number}; shift ;;
        --cold) COLD=1 ;;
        --keep) KEEP=1 ;;
        --cli) CLI=${2:?--cli needs a path}; shift ;;
        --window) WINDOW=${2:?--window needs a path}; shift ;;
        --workdir) WORKDIR=${2:?--workdir needs a folder}; shift ;;
        --results) RESULTS=${2:?--results needs a file}; shift ;;
        -h|--help) usage; exit 0 ;;
        *) echo "run.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
    esac
    shift
done
case $RUNS in ''|*[!0-9]*|0) echo "run.sh: --runs needs a positive number" >&2; exit 2 ;; esac

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BENCH=$REPO/bench
WORKDIR=${WORKDIR:-${TMPDIR:-/tmp}/dirscribe-bench}
RESULTS=${RESULTS:-$BENCH/results-latest.md}
if [ $SMALL = 1 ]; then SCALE=small; else SCALE=full; fi
mkdir -p "$WORKDIR"
WORKDIR=$(cd "$WORKDIR" && pwd)
case $WORKDIR/ in "$REPO"/*) echo "run.sh: the work folder must be outside the repository" >&2; exit 2 ;; esac
TREES=$WORKDIR/trees-$SCALE
BIN=$WORKDIR/bin
OUTDIR=$WORKDIR/out
RAW=$WORKDIR/raw-$SCALE.tsv

# Same conditions for every command: C locale (US date and number style, byte order sorting),
# no TZ (local time from /etc/localtime) except in the rows that say TZ=UTC.
export LC_ALL=C
unset TZ

say() { printf '%s\n' "$*" >&2; }

cleanup() {
    rm -rf "$OUTDIR"
    if [ $KEEP = 0 ]; then
        if [ -d "$TREES" ]; then
            say "removing the trees in $TREES (use --keep to keep them)"
            rm -rf "$TREES"
        fi
        rm -rf "$BIN"
        rm -f "$RAW"
        rmdir "$WORKDIR" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- programs ------------------------------------------------------------------------------

NOTES=()
if [ -z "$CLI" ]; then
    say "building dirscribe-cli (Release) in $REPO/build-release"
    if (cd "$REPO" && cmake --preset bench >&2 &&
        cmake --build --preset bench --target dirscribe-cli >&2); then
        CLI=$REPO/build-release/cli/dirscribe-cli
        # The window's run, timed through the real main window (needs the Qt build).
        if (cd "$REPO" && cmake --build --preset bench --target dirscribe-window-bench >&2); then
            WINDOW=$REPO/build-release/app/dirscribe-window-bench
        else
            NOTES+=("the window's benchmark program could not be built: its row is skipped.")
        fi
    else
        NOTES+=("dirscribe-cli could not be built: its rows are skipped.")
        say "run.sh: the Release build failed; the dirscribe-cli rows are skipped"
    fi
elif [ ! -x "$CLI" ]; then
    echo "run.sh: --cli '$CLI' is not an executable file" >&2
    exit 2
fi
if [ -n "$CLI" ]; then
    CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")
fi

mkdir -p "$BIN" "$OUTDIR"
CC=${CC:-cc}
$CC -O2 -o "$BIN/floor" "$BENCH/floor.c"
$CC -O2 -o "$BIN/timeit" "$BENCH/timeit.c"
FLOOR=$BIN/floor
TIMEIT=$BIN/timeit

HAVE_BFS=0; command -v bfs >/dev/null && HAVE_BFS=1
HAVE_TREE=0; command -v tree >/dev/null && HAVE_TREE=1
[ $HAVE_BFS = 1 ] || NOTES+=("bfs is not installed: its rows are skipped.")
[ $HAVE_TREE = 1 ] || NOTES+=("tree is not installed: its rows are skipped.")

# ---- trees ---------------------------------------------------------------------------------

if [ $SMALL = 1 ]; then need_inodes=15000; else need_inodes=1400000; fi
if [ ! -f "$TREES/wide.done" ] || [ ! -f "$TREES/flat.done" ] || [ ! -f "$TREES/deep.done" ]; then
    free_inodes=$(df -P -i "$WORKDIR" | awk 'NR == 2 { print $4 }')
    case $free_inodes in
        ''|*[!0-9]*) ;; # file systems without an inode count
        *) if [ "$free_inodes" -lt "$need_inodes" ]; then
               echo "run.sh: $WORKDIR has $free_inodes free inodes, the trees need about $need_inodes" >&2
               exit 1
           fi ;;
    esac
fi
small_flag=(); [ $SMALL = 1 ] && small_flag=(--small)
say "making the $SCALE trees in $TREES (kept ones are reused)"
python3 "$BENCH/make_tree.py" "${small_flag[@]}" "$TREES" >&2

# ---- commands ------------------------------------------------------------------------------

FIND_FORMAT='%p %s %TY-%Tm-%Td %TH:%TM:%TS\n'
TOOLS=()
if [ -n "$CLI" ]; then TOOLS+=(cli0 cli1 cli2 cli3 cli4 cli5 one0 one1 one2 one3 one4 one5); fi
if [ -n "$WINDOW" ]; then TOOLS+=(window); fi
TOOLS+=(floor find-utc find)
[ $HAVE_BFS = 1 ] && TOOLS+=(bfs-utc)
TOOLS+=(du ls)
[ $HAVE_TREE = 1 ] && TOOLS+=(tree)

# Sets CMD (the command), STDOUT (where its standard output goes) and ZONE (TZ for it, or
# empty for none) for tool $1 listing tree $2 into file $3.
tool_command() {
    local tool=$1 tree=$2 out=$3
    STDOUT=$out
    ZONE=
    case $tool in
        cli?) CMD=("$CLI" -q -f "${tool#cli}" -n "$out" -y "$tree"); STDOUT=/dev/null ;;
        # The same with no helper threads reading ahead: the walker reads every folder itself.
        one?) CMD=(env DIRSCRIBE_READ_THREADS=0 "$CLI" -q -f "${tool#one}" -n "$out" -y "$tree"); STDOUT=/dev/null ;;
        # Its time is the click's, as the program prints it: starting Qt and reading the start
        # folder into the folder list are not part of the run.
        window) CMD=(env QT_QPA_PLATFORM=offscreen "$WINDOW" "$tree" "$out"); STDOUT=$OUTDIR/window.secs ;;
        floor) CMD=("$FLOOR" "$tree" "$out"); STDOUT=/dev/null ;;
        find-utc) CMD=(find "$tree" -printf "$FIND_FORMAT"); ZONE=UTC ;;
        find) CMD=(find "$tree" -printf "$FIND_FORMAT") ;;
        bfs-utc) CMD=(bfs "$tree" -printf "$FIND_FORMAT"); ZONE=UTC ;;
        du) CMD=(du -a "$tree") ;;
        ls) CMD=(ls -lR "$tree") ;;
        tree) CMD=(tree -s -D "$tree") ;;
    esac
}

tool_label() {
    case $1 in
        cli?) echo "dirscribe-cli -f ${1#cli}" ;;
        one?) echo "dirscribe-cli -f ${1#one}, one thread" ;;
        window) echo "the window's run, format 0" ;;
        floor) echo "floor (C walker, format 0)" ;;
        find-utc) echo "TZ=UTC find -printf" ;;
        find) echo "find -printf (TZ unset)" ;;
        bfs-utc) echo "TZ=UTC bfs -printf" ;;
        du) echo "du -a" ;;
        ls) echo "ls -lR" ;;
        tree) echo "tree -s -D" ;;
    esac
}

can_drop_caches() {
    sync
    { echo 3 > /proc/sys/vm/drop_caches; } 2>/dev/null
}

# Runs tool $1 on tree $2 once; prints "SECONDS MAX_RSS_KIB STATUS OUTPUT_BYTES".
# With $3 = keep the output file is left in place (its name is printed on standard error).
run_once() {
    local tool=$1 tree=$2 keep=${3:-} out result bytes
    out=$OUTDIR/$tool.out
    rm -f "$out"
    tool_command "$tool" "$tree" "$out"
    if [ -n "$ZONE" ]; then
        result=$(TZ=$ZONE "$TIMEIT" -o "$STDOUT" -- "${CMD[@]}" 2>>"$OUTDIR/stderr.log")
    else
        result=$("$TIMEIT" -o "$STDOUT" -- "${CMD[@]}" 2>>"$OUTDIR/stderr.log")
    fi
    if [ "$tool" = window ] && [ -s "$OUTDIR/window.secs" ]; then
        result="$(head -n 1 "$OUTDIR/window.secs") ${result#* }"
    fi
    bytes=$(stat -c %s "$out" 2>/dev/null || echo 0)
    [ -n "$keep" ] || rm -f "$out"
    echo "$result $bytes"
}

# Compares the format-0 list of dirscribe-cli with the floor's, leaving out the Volume: lines
# (the floor reads no volume label). The floor keeps the order getdents64 gives; when the
# order differs, the lines are compared as sorted sets as well.
compare_with_floor() {
    local name=$1 a=$OUTDIR/cli0.out b=$OUTDIR/floor.out only_a only_b
    if [ ! -f "$a" ] || [ ! -f "$b" ]; then return; fi
    grep -av '^Volume:' "$a" > "$a.cmp" || true
    grep -av '^Volume:' "$b" > "$b.cmp" || true
    if cmp -s "$a.cmp" "$b.cmp"; then
        CHECKS+=("$name: dirscribe-cli -f 0 wrote the same lines as the floor walker, in the same order (Volume: lines not compared).")
    else
        sort -o "$a.cmp" "$a.cmp"
        sort -o "$b.cmp" "$b.cmp"
        if cmp -s "$a.cmp" "$b.cmp"; then
            CHECKS+=("$name: dirscribe-cli -f 0 wrote the same lines as the floor walker in another order (Volume: lines not compared).")
        else
            only_a=$(comm -23 "$a.cmp" "$b.cmp" | wc -l)
            only_b=$(comm -13 "$a.cmp" "$b.cmp" | wc -l)
            CHECKS+=("$name: dirscribe-cli -f 0 and the floor walker differ (Volume: lines not compared): $only_a lines only in dirscribe-cli's list, $only_b only in the floor's; first: '$(comm -23 "$a.cmp" "$b.cmp" | head -1 | tr -d '\r')' / '$(comm -13 "$a.cmp" "$b.cmp" | head -1 | tr -d '\r')'")
        fi
    fi
    rm -f "$a.cmp" "$b.cmp"
}

: > "$RAW"
: > "$OUTDIR/stderr.log"
CHECKS=()
MODES=(warm)
if [ $COLD = 1 ]; then
    if [ "$(id -u)" = 0 ] && can_drop_caches; then
        MODES+=(cold)
    else
        NOTES+=("Cold runs skipped: writing /proc/sys/vm/drop_caches is not permitted here.")
        say "run.sh: cannot write /proc/sys/vm/drop_caches (not permitted): cold runs skipped"
    fi
fi

started=$(date +%s)
for name in wide flat deep; do
    tree=$TREES/$name
    say "== $name: warm-up run of every command"
    for tool in "${TOOLS[@]}"; do
        read -r secs rss rc bytes < <(run_once "$tool" "$tree" keep)
        say "   $(tool_label "$tool"): ${secs}s (status $rc)"
        if [ "$tool" != cli0 ] && [ "$tool" != floor ]; then rm -f "$OUTDIR/$tool.out"; fi
    done
    compare_with_floor "$name"
    rm -f "$OUTDIR"/*.out
    for mode in "${MODES[@]}"; do
        for ((run = 1; run <= RUNS; run++)); do
            say "== $name: $mode run $run of $RUNS"
            for tool in "${TOOLS[@]}"; do
                [ "$mode" = cold ] && can_drop_caches
                read -r secs rss rc bytes < <(run_once "$tool" "$tree")
                printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' \
                    "$name" "$mode" "$tool" "$run" "$secs" "$rss" "$rc" "$bytes" >> "$RAW"
            done
        done
    done
done
elapsed=$(( $(date +%s) - started ))

# ---- report --------------------------------------------------------------------------------

for tool in "${TOOLS[@]}"; do printf '%s\t%s\n' "$tool" "$(tool_label "$tool")"; done > "$OUTDIR/labels"
printf '%s\n' "${NOTES[@]+"${NOTES[@]}"}" > "$OUTDIR/notes"
printf '%s\n' "${CHECKS[@]+"${CHECKS[@]}"}" > "$OUTDIR/checks"
versions="find: $(find --version | head -1); du: $(du --version | head -1); ls: $(ls --version | head -1)"
[ $HAVE_BFS = 1 ] && versions+="; bfs: $(bfs --version 2>/dev/null | head -1)"
[ $HAVE_TREE = 1 ] && versions+="; tree: $(tree --version 2>/dev/null | head -1 | cut -d' ' -f1-2)"
cli_version=
if [ -n "$CLI" ]; then
    cli_version=$("$CLI" --version 2>/dev/null | head -1 || true)
    cli_version="${cli_version:-version not reported} (${CLI#"$REPO"/})"
    if [ "$CLI" = "$REPO/build-release/cli/dirscribe-cli" ] &&
        commit=$(git -C "$REPO" rev-parse --short HEAD 2>/dev/null); then
        git -C "$REPO" diff --quiet HEAD -- . ':!bench/results-latest.md' 2>/dev/null ||
            commit+=" with uncommitted changes"
        cli_version+=", release build of commit $commit"
    fi
fi
machine="$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo), $(nproc) CPUs,"
machine+=" $(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), Linux $(uname -r),"
machine+=" trees on $(findmnt -n -o FSTYPE -T "$WORKDIR" 2>/dev/null || stat -f -c %T "$WORKDIR")"

B_RAW=$RAW B_RESULTS=$RESULTS B_SCALE=$SCALE B_RUNS=$RUNS B_TREES=$TREES B_OUT=$OUTDIR \
B_ELAPSED=$elapsed B_MACHINE=$machine B_VERSIONS=$versions B_CLI=$cli_version \
python3 "$BENCH/report.py"
cat "$RESULTS"
say "tables written to $RESULTS"
if grep -qv '^floor: [0-9]* folders' "$OUTDIR/stderr.log"; then
    say "messages from the commands (first lines; $(wc -l < "$OUTDIR/stderr.log") in all):"
    grep -v '^floor: [0-9]* folders' "$OUTDIR/stderr.log" | head -5 >&2 || true
fi
