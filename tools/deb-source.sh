#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sourced by the scripts that cross-build a library from Debian's source package:
#   fetch_deb_source PACKAGE VERSION FOLDER
# downloads the source package PACKAGE=VERSION into FOLDER (nothing when its .orig tarball is
# there already), through a private apt configuration that adds deb-src entries for the
# machine's own Debian archive entries (those signed with the Debian archive keyring, or
# one-line entries of this release) without touching the machine's sources.

fetch_deb_source() {
    local package=$1 version=$2 folder=$3
    local upstream=${version%%-*}
    upstream=${upstream#*:}
    if ls "$folder/${package}_${upstream}"*.orig.tar.* >/dev/null 2>&1; then
        return 0
    fi
    local apt_dir=$folder/apt codename f
    rm -rf "$apt_dir"
    mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/archives/partial"
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v RS= -v ORS='\n\n' '/debian-archive-keyring/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' \
            "$f" >>"$apt_dir/sources.list.d/debian-src.sources"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk -v c="$codename" '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ "^" c "($|-)") { $1 = "deb-src"; print; break } }' \
            "$f" >>"$apt_dir/sources.list.d/debian-src.list"
    done
    local apt_opts=(-o Dir::Etc::sourcelist=/dev/null -o Dir::Etc::sourceparts="$apt_dir/sources.list.d"
        -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache::Archives="$apt_dir/archives"
        -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root)
    apt-get "${apt_opts[@]}" -q update
    (cd "$folder" && apt-get "${apt_opts[@]}" -q source --download-only "$package=$version")
}
