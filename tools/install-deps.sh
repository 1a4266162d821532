#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the build and the tests need. Safe to run again: packages
# already present are left as they are. Needs root (or sudo).
#   bash tools/install-deps.sh [GROUP...]      (no group: all of them)
# Groups: build (compilers and the libraries of the programs without windows), gui (Qt for the
# windows), test (GoogleTest, time zones, clang-format and clang-tidy, clang and libFuzzer),
# windows (the mingw-w64 cross build, RE2's Unicode tables, Wine to run its tests, wixl for the
# installer), screenshots (a virtual X screen and ImageMagick), package (manual pages,
# desktop-file checks, the Debian package tools).
set -euo pipefail

group_packages() {
    case $1 in
        build) echo build-essential cmake ninja-build pkg-config libmount-dev libblkid-dev \
            libsystemd-dev libre2-dev ;;
        gui) echo qt6-base-dev qt6-base-dev-tools qt6-svg-dev libxcb1-dev ;;
        test) echo libgtest-dev libgmock-dev tzdata clang-format clang-tidy e2fsprogs strace \
            clang libclang-rt-14-dev ;;
        # GoogleTest's sources: the cross build compiles its own. RE2's Unicode tables are made
        # from the machine's Unicode data (tools/build-re2-mingw.sh). wixl makes the installer.
        windows) echo g++-mingw-w64-x86-64-posix wine wine64 googletest unicode-data python3-six \
            msitools wixl ;;
        # A virtual X screen, a window manager, keys sent to windows, and Wine's own fonts.
        screenshots) echo xvfb imagemagick x11-utils xdotool openbox icewm fonts-wine fonts-liberation2 ;;
        # Manual pages, the desktop files' checks and the Debian package.
        package) echo help2man desktop-file-utils appstream bash-completion groff-base man-db \
            dpkg-dev file lintian ;;
        *)
            echo "install-deps: unknown group '$1' (build, gui, test, windows, screenshots," \
                "package)" >&2
            return 1
            ;;
    esac
}

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(build gui test windows screenshots package)
packages=()
for g in "${groups[@]}"; do
    list=$(group_packages "$g") || exit 2
    read -r -a more <<<"$list"
    packages+=("${more[@]}")
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
apt_get=("${as_root[@]}" apt-get -o DPkg::Lock::Timeout=300 -y -q --no-install-recommends)
echo "Installing: ${missing[*]}"
if ! "${apt_get[@]}" install "${missing[@]}"; then
    # A fresh machine may not have read its package lists yet.
    "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=300 -q update
    "${apt_get[@]}" install "${missing[@]}"
fi
