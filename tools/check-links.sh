#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a relative link of the README or of a document in docs/ (and bench/) leads nowhere:
# to a file or folder that does not exist, or to a heading its Markdown file does not have.
set -euo pipefail
cd "$(dirname "$0")/.."

# The anchor a heading gets: lower case, punctuation dropped, blanks as dashes.
anchors() {
    sed -n 's/^#\{1,6\} \(.*\)$/\1/p' "$1" | tr 'A-Z' 'a-z' | sed 's/[^a-z0-9 _-]//g; s/ /-/g'
}

bad=0
count=0
for doc in README.md docs/*.md bench/*.md; do
    [ -f "$doc" ] || continue
    dir=$(dirname "$doc")
    # Links outside code: [text](target) and ![alt](target), target without a scheme.
    while IFS= read -r target; do
        count=$((count + 1))
        path=${target%%#*}
        anchor=""
        [[ $target == *"#"* ]] && anchor=${target#*#}
        file=$doc
        if [ -n "$path" ]; then
            file="$dir/$path"
            if [ ! -e "$file" ]; then
                echo "$doc: the link '$target' leads to no file"
                bad=1
                continue
            fi
        fi
        if [ -n "$anchor" ] && [[ $file == *.md ]] && ! anchors "$file" | grep -qxF -- "$anchor"; then
            echo "$doc: the link '$target' names no heading of $file"
            bad=1
        fi
    done < <(awk '/^[[:space:]]*```/ { code = !code; next } !code' "$doc" |
        grep -oE '\]\([^)[:space:]]+\)' | sed 's/^](//; s/)$//' | grep -vE '^[a-z]+:' || true)
done
[ $bad = 0 ] && echo "check-links: $count relative links lead where they say"
exit $bad
