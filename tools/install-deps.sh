#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again: packages
# already present are left as they are. Needs root (or sudo).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libmount-dev libblkid-dev libsystemd-dev
    libgtest-dev libgmock-dev
    googletest g++-mingw-w64-x86-64-posix wine wine64
    clang-format tzdata
    qt6-base-dev qt6-base-dev-tools
    xvfb imagemagick x11-utils
    xdotool openbox fonts-wine fonts-liberation2
)

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
