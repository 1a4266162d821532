#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that the program's identity (name, maker, version, description, addresses, licence),
# given once in CMakeLists.txt, reaches every file of a build folder that carries it unchanged,
# and that no other file of the sources spells it out on its own.
#   check-identity.sh SOURCE_FOLDER BUILD_FOLDER
set -euo pipefail
src="$1"
build="$2"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The identity as the build's cache holds it.
cached() {
    sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"
}
name=$(cached CMAKE_PROJECT_NAME)
version=$(cached CMAKE_PROJECT_VERSION)
summary=$(cached CMAKE_PROJECT_DESCRIPTION)
homepage=$(cached CMAKE_PROJECT_HOMEPAGE_URL)
display=$(cached DIRSCRIBE_DISPLAY_NAME)
about=$(cached DIRSCRIBE_ABOUT_TEXT)
vendor=$(cached DIRSCRIBE_VENDOR)
email=$(cached DIRSCRIBE_EMAIL)
license=$(cached DIRSCRIBE_LICENSE)
copyright=$(cached DIRSCRIBE_COPYRIGHT)
release_date=$(cached DIRSCRIBE_RELEASE_DATE)
app_id=$(cached DIRSCRIBE_APP_ID)
for value in name version summary homepage display about vendor email license copyright \
    release_date app_id; do
    [ -n "${!value}" ] || fail "the build's cache has no $value"
done
IFS=. read -r major minor patch <<<"$version"

# has FILE LINE...: each LINE is a whole line of FILE (leading blanks aside).
has() {
    local file="$1"
    shift
    if [ ! -f "$file" ]; then
        fail "$file is missing"
        return
    fi
    local line
    for line in "$@"; do
        grep -qxF -- "$line" < <(sed 's/^[[:space:]]*//; s/\r$//' "$file") ||
            fail "${file#"$build"/} lacks the line '$line'"
    done
}

has "$build/generated/engine/AppIdentity.h" \
    "inline constexpr AppIdentity kApp{\"$name\"," "\"$about\"," "\"$display\"," "\"$vendor\"," \
    "\"$email\"," "\"$homepage\"," "\"$license\"," "$major," "$minor," "$patch};" \
    "inline constexpr const char* kVersionString = \"$version\";"
# The licence file is no template: its copyright line and title must agree.
[ "$license" = MIT ] && has "$src/LICENSE" "MIT License"
has "$src/LICENSE" "Copyright (c) $copyright"

linux="$build/packaging/linux"
if [ -d "$linux" ]; then
    has "$linux/doc/copyright" "Upstream-Name: $name" "Upstream-Contact: $vendor <$email>" \
        "Source: $homepage" "Copyright: $copyright" "License: $license"
    has "$linux/doc/changelog" "$(tr 'A-Z' 'a-z' <<<"$name") ($version) unstable; urgency=medium"
    grep -qF -- "-- $vendor <$email>  " "$linux/doc/changelog" ||
        fail "the changelog is not signed by '$vendor <$email>'"
    has "$build/CPackConfig.cmake" "set(CPACK_PACKAGE_VERSION \"$version\")" \
        "set(CPACK_PACKAGE_VENDOR \"$vendor\")" \
        "set(CPACK_PACKAGE_CONTACT \"$vendor <$email>\")" \
        "set(CPACK_DEBIAN_PACKAGE_HOMEPAGE \"$homepage\")"
    if [ -f "$linux/$app_id.desktop" ]; then
        has "$linux/$app_id.desktop" "Name=$display" "Comment=$summary" "Icon=$app_id"
        has "$linux/$app_id.metainfo.xml" "<id>$app_id</id>" "<name>$display</name>" \
            "<summary>$summary</summary>" "<developer_name>$vendor</developer_name>" \
            "<project_license>$license</project_license>" \
            "<url type=\"homepage\">$homepage</url>" \
            "<release version=\"$version\" date=\"$release_date\"/>"
    fi
fi

windows="$build/packaging/windows"
if [ -d "$windows" ]; then
    has "$windows/README.txt" "$name $version for Windows" \
        "$name is free software under the $license licence: see LICENSE.txt" \
        "(Copyright (c) $copyright)."
    cmp -s <(tr -d '\r' <"$windows/LICENSE.txt") "$src/LICENSE" || fail "LICENSE.txt is not the LICENSE"
    grep -qF "Version=\"\$(var.Version)\"" "$windows/dirscribe.wxs" || fail "wxs: no Version"
    has "$windows/dirscribe.wxs" "<?define Version = \"$version\"?>" \
        "<Product Id=\"*\" Name=\"$display\" Version=\"\$(var.Version)\"" \
        "Manufacturer=\"$vendor\" Language=\"1033\"" \
        "<Property Id=\"ARPURLINFOABOUT\" Value=\"$homepage\"/>" \
        "<Property Id=\"ARPCONTACT\" Value=\"$email\"/>" \
        "<Directory Id=\"INSTALLDIR\" Name=\"$name\"/>"
    if [ -f "$build/app/dirscribe.rc" ]; then
        has "$build/app/dirscribe.rc" "FILEVERSION $major,$minor,0,$patch" \
            "VALUE \"CompanyName\", \"$vendor\"" "VALUE \"FileDescription\", \"$about\"" \
            "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductName\", \"$name\"" \
            "VALUE \"ProductVersion\", \"$version\"" \
            "VALUE \"LegalCopyright\", \"Copyright (c) $copyright\""
    fi
fi

# Nothing else spells the identity out: no version, maker, address or window name outside
# CMakeLists.txt, except the licence (checked above), the tests' expectations, and the About
# window, which keeps its own texts. The documents name files by the current version.
host=$(sed -E 's|^[a-z]+://([^/]*).*|\1|' <<<"$homepage")
cd "$src"
mapfile -t files < <(git ls-files 2>/dev/null || find . -type f ! -path './.git/*' | sed 's|^\./||')
for file in "${files[@]}"; do
    case $file in
        CMakeLists.txt | LICENSE | tests/* | ui/frmSplash.cpp | bench/results*) continue ;;
        *.md) ;;
        *.png | *.ico) continue ;;
    esac
    [ -f "$file" ] || continue
    if [[ $file == *.md ]]; then
        # Documents may name the files of this version, never of another.
        while IFS= read -r other; do
            fail "$file names $other, not of the version $version"
        done < <(grep -oE "dirscribe[-_][0-9]+\.[0-9]+\.[0-9]+" "$file" | grep -vxE "dirscribe[-_]${version//./\\.}" || true)
        continue
    fi
    for value in "$version" "$display" "$vendor" "$email" "$host"; do
        if grep -qF -- "$value" "$file"; then
            fail "$file spells out '$value': take it from the build (CMakeLists.txt)"
        fi
    done
done

if [ $failures -gt 0 ]; then
    echo "$failures identity check(s) failed"
    exit 1
fi
echo "the identity of $name $version agrees in every file of $build"
