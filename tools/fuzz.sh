#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang (the preset fuzz, in build-fuzz/) and runs each for a
# while on a seed corpus: lists of the six formats for the list reader, expressions and names
# for the patterns. A crash, a leak or a match that takes too long (-timeout) fails.
#   bash tools/fuzz.sh [SECONDS]      each target's run (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

corpus=build-fuzz/corpus
mkdir -p "$corpus/lists" "$corpus/patterns"
cp tests/engine/expected/music-format*.txt "$corpus/lists/"
cat tests/engine/expected/music-format*.txt >"$corpus/lists/catalogue.txt"
i=0
for seed in '^blue .*\.mp3$'$'\n''Blue Train.MP3' '(a|aa)*b'$'\n''aaaaaaaaaaaaaaaaaaaaaaaaaaaaa' \
    '*.mp3'$'\n''intro.mp3' '[[:alpha:]]+\d{2,4}'$'\n''caf'$'\xc3\xa9''2004' '(?i)x(y|z)+?'$'\n''XYZ'; do
    printf '%s' "$seed" >"$corpus/patterns/seed$((i++))"
done

run() {
    local target=$1 seeds=$2
    echo "== fuzz $target ($seconds s)"
    mkdir -p "build-fuzz/found/$target"
    "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -artifact_prefix="build-fuzz/found/$target/" -print_final_stats=1 \
        "$seeds" 2>&1 | tail -n 12
}
run ListReaderFuzz "$corpus/lists"
run PatternFuzz "$corpus/patterns"
