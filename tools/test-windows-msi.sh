#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Tries the Windows installer as a user (and an administrator) would, in a new Wine prefix:
# installs it silently; checks the installed files (those of the MSI, nothing else), the Start
# menu shortcut and the entry under installed apps; starts the installed dirscribe.exe on a
# virtual X screen and drives it by keys only, as tools/test-windows-zip.sh does (its list must be
# byte for byte the one the installed dirscribe-cli.exe writes); removes it silently and checks
# that no file of it is left. Then a newer version (the same files, built here with wixl) must
# replace it: one entry, the newer version; and its removal leaves nothing either.
#   bash tools/test-windows-msi.sh build-win/dirscribe-<version>-win64.msi
# The identity and the installer's sources come from the build folder that made the MSI.
set -euo pipefail
msi=$(realpath "$1")
build=$(dirname "$msi")
cached() {
    sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"
}
name=$(cached CMAKE_PROJECT_NAME)
version=$(cached CMAKE_PROJECT_VERSION)
title=$(cached DIRSCRIBE_DISPLAY_NAME)
vendor=$(cached DIRSCRIBE_VENDOR)

. "$(dirname "$0")/wine-keys.sh"
work=$(mktemp -d)
# shellcheck disable=SC2034 # set by xvfb.sh, read by the exit trap
xvfb_pid=""
remove_wine_work_at_exit
fail() {
    echo "test-windows-msi: $*" >&2
    for log in "$work"/*.log; do
        [ -f "$log" ] && { echo "== $log" >&2; tail -n 40 "$log" >&2; }
    done
    exit 1
}

# winemenubuilder would copy the shortcut into this machine's own menus: it is left out.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all TZ=America/New_York LC_ALL=C.UTF-8 LANG=C.UTF-8
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
unset WINEPATH DIRSCRIBE_WINE_DLLS
mkdir -p "$WINEPREFIX"
wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot failed"
wineserver -w
# Wine's own fonts (Tahoma, and Marlett for the title-bar buttons), where Windows keeps fonts.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
drive_c="$WINEPREFIX/drive_c"
program_files="$drive_c/Program Files/$name"
# The Start menu of all users, where Windows puts a per-machine shortcut; Wine 8 puts it into
# the installing user's own.
shortcuts=("$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$name.lnk"
    "$drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$name.lnk")
cp "$msi" "$work/"
msi_windows="Z:$work/$(basename "$msi")"

# Every file and folder of the prefix's drive, but for the test's own (its start folder and
# lists) and the system's folder of installed packages, which the first install makes.
snapshot() {
    (cd "$drive_c" && find . -path './Start Here' -prune -o ! -path ./window.txt \
        ! -path ./cli.txt ! -path ./windows/Installer -print | sort) >"$1"
}
snapshot "$work/before.lst"

msiexec() {
    local log="$work/msiexec-$1.log"
    shift
    wine msiexec "$@" /qn /l*v "Z:$log.utf16" >/dev/null 2>&1 || {
        iconv -f UTF-16LE -t UTF-8 "$log.utf16" >"$log" 2>/dev/null || true
        fail "msiexec $* failed"
    }
}

# The entries under installed apps with the program's name: "version|publisher" each.
uninstall_entries() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | awk -v title="$title" '
            /^HKEY_/ { if (shown) print version "|" publisher; shown = 0; version = publisher = "" }
            $1 == "DisplayName" && substr($0, index($0, "REG_SZ") + 10) == title { shown = 1 }
            $1 == "DisplayVersion" { version = $3 }
            $1 == "Publisher" { publisher = substr($0, index($0, "REG_SZ") + 10) }
            END { if (shown) print version "|" publisher }'
}

# Nothing of the program left: the prefix holds what it held before the install.
check_removed() {
    snapshot "$work/after.lst"
    if ! diff "$work/before.lst" "$work/after.lst" >"$work/left.diff"; then
        cat "$work/left.diff" >&2
        fail "$1: files or folders are left (> above)"
    fi
    [ -z "$(uninstall_entries)" ] || fail "$1: the entry under installed apps is left"
    ! wine reg query "HKLM\\Software\\$vendor" >/dev/null 2>&1 ||
        fail "$1: the registry key HKLM\\Software\\$vendor is left"
}

# 1. A silent install, for every user: the MSI's files in Program Files, a shortcut, an entry.
msiexec install /i "$msi_windows"
mkdir -p "$work/unpacked"
msiextract -C "$work/unpacked" "$msi" >/dev/null
diff -r "$work/unpacked/$name" "$program_files" >"$work/files.diff" 2>&1 ||
    { cat "$work/files.diff" >&2; fail "the installed files differ from the MSI's"; }
for file in dirscribe.exe dirscribe-cli.exe README.txt LICENSE.txt platforms/qwindows.dll; do
    [ -f "$program_files/$file" ] || fail "no $file in Program Files"
done
[ "$(uninstall_entries)" = "$version|$vendor" ] ||
    fail "the entries under installed apps are '$(uninstall_entries)', not '$version|$vendor'"
icon=$(wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *ProductIcon *REG_SZ *//p' | head -n1)
[ -n "$icon" ] || fail "the installed app has no icon"
icon_file="$drive_c/$(sed 's|^[Cc]:\\||; s|\\|/|g' <<<"$icon")"
file "$icon_file" | grep -q "MS Windows icon" || fail "the app's icon $icon is no icon file"
shortcut=""
for candidate in "${shortcuts[@]}"; do
    [ -f "$candidate" ] && shortcut=$candidate
done
[ -n "$shortcut" ] || fail "no Start menu shortcut $name.lnk"
# A shell link names its target (folder by folder), its working folder and its icon file in
# UTF-16.
links=$(strings -e l "$shortcut")
for part in "Program Files" "$name" dirscribe.exe; do
    grep -qixF -- "$part" <<<"$links" || fail "the shortcut's target lacks '$part': $links"
done
for part in "C:\\Program Files\\$name\\" "$icon"; do
    grep -qiF -- "$part" <<<"$links" || fail "the shortcut lacks '$part': $links"
done
echo "test-windows-msi: installed: $(find "$program_files" -type f | wc -l) files, the shortcut" \
    "${shortcut#"$drive_c"/}, the entry '$title' $version by $vendor with its icon"

# 2. The installed program, started from Program Files in a folder of files, writes the list of
# that folder driven by keys only; the installed dirscribe-cli.exe must write the same.
make_start_folder "$drive_c/Start Here"

. "$(dirname "$0")/xvfb.sh"
start_xvfb "$work" || fail "Xvfb did not start"
start_by_keys msi "$drive_c/Start Here" "C:\\Program Files\\$name\\dirscribe.exe" \
    "$work/dirscribe.log" "$title" || fail "the main window did not appear"
list="$drive_c/window.txt"
append_by_keys 'C:\window.txt' "$list" || fail "the installed dirscribe.exe wrote no list"
wine "C:\\Program Files\\$name\\dirscribe-cli.exe" -q -a 'C:\cli.txt' 'C:\Start Here' \
    >"$work/cli.log" 2>&1 || fail "the installed dirscribe-cli.exe failed"
same_list "$list" "$drive_c/cli.txt" || fail "the window's list differs from dirscribe-cli.exe's"
echo "test-windows-msi: the installed dirscribe.exe wrote the list dirscribe-cli.exe writes" \
    "($(stat -c %s "$list") bytes)"
# The program is ended before its removal, as the installer would ask a user to.
wineserver -k
wineserver -w

# 3. A silent removal leaves nothing of the program.
msiexec remove /x "$msi_windows"
check_removed "after the removal"
echo "test-windows-msi: removed silently, nothing of the program is left"

# 4. A newer version replaces an installed older one: the same installer, one version up.
IFS=. read -r major minor patch <<<"$version"
newer_version="$major.$minor.$((patch + 1))"
sources="$build/packaging/windows"
sed "s|<?define Version = \"$version\"?>|<?define Version = \"$newer_version\"?>|" \
    "$sources/dirscribe.wxs" >"$sources/newer.wxs"
grep -qF "\"$newer_version\"" "$sources/newer.wxs" || fail "no version to raise in dirscribe.wxs"
newer="$work/dirscribe-$newer_version-win64.msi"
(cd "$sources" && wixl -a x64 -D Win64=yes -D Gui=1 -D SourceDir=msi-stage -o "$newer" \
    newer.wxs payload.wxs) >"$work/wixl.log" 2>&1 || fail "wixl could not build $newer"
rm -f "$sources/newer.wxs"
msiexec reinstall /i "$msi_windows"
msiexec upgrade /i "Z:$newer"
[ "$(uninstall_entries)" = "$newer_version|$vendor" ] ||
    fail "after the upgrade the entries are '$(uninstall_entries)', not '$newer_version|$vendor'"
diff -r "$work/unpacked/$name" "$program_files" >"$work/files.diff" 2>&1 ||
    { cat "$work/files.diff" >&2; fail "after the upgrade the installed files differ"; }
msiexec remove-newer /x "Z:$newer"
check_removed "after the newer version's removal"
echo "test-windows-msi: $newer_version replaced $version (one entry) and was removed silently"
