#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks an installed tree (a DESTDIR or an unpacked package) of Dirscribe installed with the
# prefix /usr: exactly the expected files, both programs run from there, the desktop entry and
# the AppStream metadata validate, the manual pages render without warnings, and the bash
# completion completes the options, the format names and folders.
#   check-tree.sh ROOT VERSION [--no-gui]
set -euo pipefail
root="$1"
version="$2"
gui=1
[ "${3:-}" = "--no-gui" ] && gui=0
id=example.quillmere.Dirscribe
usr="$root/usr"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# 1. Exactly these files: nothing for tests, screenshots or benchmarks.
{
    echo usr/bin/dirscribe-cli
    echo usr/share/bash-completion/completions/dirscribe-cli
    echo usr/share/doc/dirscribe/changelog.gz
    echo usr/share/doc/dirscribe/copyright
    echo usr/share/man/man1/dirscribe-cli.1.gz
    if [ $gui = 1 ]; then
        echo usr/bin/dirscribe
        echo usr/share/applications/$id.desktop
        for size in 16 32 48 64 128 256; do
            echo usr/share/icons/hicolor/${size}x$size/apps/$id.png
        done
        echo usr/share/icons/hicolor/scalable/apps/$id.svg
        echo usr/share/man/man1/dirscribe.1.gz
        echo usr/share/metainfo/$id.metainfo.xml
    fi
} | sort >"$work/expected"
(cd "$root" && find . -type f -o -type l) | sed 's|^\./||' | sort >"$work/found"
diff -u "$work/expected" "$work/found" || fail "the installed files differ from the expected ones"

# 2. The programs run from the tree.
programs=(dirscribe-cli)
[ $gui = 1 ] && programs+=(dirscribe)
for program in "${programs[@]}"; do
    out="$("$usr/bin/$program" --version 2>&1)" || fail "$program --version failed: $out"
    [ "$out" = "$program $version" ] || fail "$program --version said '$out'"
done
mkdir -p "$work/tree/Sub Folder"
touch "$work/tree/Alpha.txt" "$work/tree/Sub Folder/beta.mp3"
listing="$("$usr/bin/dirscribe-cli" -q -f text-names "$work/tree" 2>&1)" ||
    fail "dirscribe-cli could not list a folder: $listing"
for name in Alpha.txt beta.mp3 "Directory: "; do
    grep -qF "$name" <<<"$listing" || fail "the listing lacks '$name': $listing"
done
if [ $gui = 1 ]; then
    # The window program starts and keeps running until stopped.
    status=0
    QT_QPA_PLATFORM=offscreen timeout 3 "$usr/bin/dirscribe" >"$work/gui.log" 2>&1 || status=$?
    [ $status = 124 ] || fail "dirscribe ended with status $status: $(cat "$work/gui.log")"
fi

# 3. The desktop entry and the AppStream metadata.
if [ $gui = 1 ]; then
    out="$(desktop-file-validate "$usr/share/applications/$id.desktop" 2>&1)" &&
        [ -z "$out" ] || fail "desktop-file-validate: $out"
    # The desktop matches the windows (their class, the program's name) to the entry.
    grep -qx "StartupWMClass=dirscribe" "$usr/share/applications/$id.desktop" ||
        fail "the desktop entry does not name the windows' class"
    out="$(appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" 2>&1)" ||
        fail "appstreamcli validate: $out"
    for size in 16 32 48 64 128 256; do
        file "$usr/share/icons/hicolor/${size}x$size/apps/$id.png" |
            grep -q "PNG image data, $size x $size," || fail "the ${size}-pixel icon is not a PNG of that size"
    done
    grep -q "<svg" "$usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"
fi

# 4. The manual pages render without warnings and say what the README says.
pages=(dirscribe-cli)
[ $gui = 1 ] && pages+=(dirscribe)
for page in "${pages[@]}"; do
    file="$usr/share/man/man1/$page.1.gz"
    out="$(zcat "$file" | groff -ww -z -man 2>&1)" && [ -z "$out" ] || fail "groff warns on $page.1: $out"
    text="$(MANWIDTH=80 MANPAGER=cat man --warnings -l "$file" 2>"$work/man.err")" ||
        fail "man -l $page.1 failed"
    [ -s "$work/man.err" ] && fail "man -l warns on $page.1: $(cat "$work/man.err")"
    for words in "FORMATS" "html-names" "MASKS" "FOLDERS AND FILES ON LINUX" "$version"; do
        grep -qF -- "$words" <<<"$text" || fail "$page.1 lacks '$words'"
    done
done
synopsis="$(MANWIDTH=200 man -l "$usr/share/man/man1/dirscribe-cli.1.gz" | sed -n '/^SYNOPSIS/,/^DESCRIPTION/p')"
for form in "dirscribe-cli [options] START_FOLDER" "dirscribe-cli [options] --each-disc DRIVE" \
    "dirscribe-cli --find PATTERN"; do
    grep -qF -- "$form" <<<"$synopsis" || fail "dirscribe-cli.1 lacks '$form' under SYNOPSIS"
done
grep -qF "129 stopped by Ctrl-C, SIGTERM or SIGHUP" <<<"$(MANWIDTH=200 man -l "$usr/share/man/man1/dirscribe-cli.1.gz")" ||
    fail "dirscribe-cli.1 lacks the exit statuses"

# 5. The completion: format names, options, and folders for the start folder.
complete_words() {
    (cd "$work/tree" && PATH="$usr/bin:$PATH" bash --norc --noprofile -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _dirscribe_cli dirscribe-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}" | sort' _ \
        "$usr/share/bash-completion/completions/dirscribe-cli" "$@")
}
expect_completion() {
    local want="$1"
    shift
    local got
    got="$(complete_words "$@" 2>&1 | tr '\n' ' ')"
    [ "$got" = "$want" ] || fail "completing '$*' gave '$got', not '$want'"
}
expect_completion "csv csv-names html html-names text text-names " dirscribe-cli --format ""
expect_completion "html html-names " dirscribe-cli -f h
expect_completion "--description --dirs-only --discs " dirscribe-cli --d
expect_completion "--new " dirscribe-cli --ne
expect_completion "Sub Folder " dirscribe-cli -q ""
expect_completion "Alpha.txt Sub Folder " dirscribe-cli --new ""

if [ $failures -gt 0 ]; then
    echo "$failures check(s) of $root failed"
    exit 1
fi
echo "the installed tree in $root is complete"
