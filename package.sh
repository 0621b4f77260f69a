#!/usr/bin/env bash
# Makes what a user installs: the Debian package of the Linux build and a zip
# with the 32-bit and 64-bit Windows programs. Every build has a folder of its
# own under build/package; the results land in build/.
#
#   ./package.sh        both
#   ./package.sh deb    only the Debian package
#   ./package.sh zip    only the Windows zip
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
. tools/ensure-packages.sh

what=${1:-all}
case $what in
    all | deb | zip) ;;
    *)
        echo "usage: $0 [deb|zip]" >&2
        exit 2
        ;;
esac

packages=(cmake ninja-build desktop-file-utils)
[ "$what" != zip ] && packages+=("${LINKWART_BUILD_PACKAGES[@]}" dpkg-dev)
[ "$what" != deb ] && packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix zip file)
ensure_packages "${packages[@]}"

jobs=${LINKWART_JOBS:-$(nproc)}
top=$PWD
work=$top/build/package
made=()

cache_value() {
    sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

make_deb() {
    desktop-file-validate app/linkwart.desktop
    local build=$work/linux
    echo "== Linux build ($build)"
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLINKWART_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" -j "$jobs"
    echo "== Debian package"
    rm -rf "$work/deb"
    cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null
    local deb
    for deb in "$work"/deb/*.deb; do
        mv -f "$deb" build/
        made+=("build/$(basename "$deb")")
    done
}

# What a Windows user reads after unpacking: docs/WINDOWS.txt, else the
# "## Windows" section of README.md.
windows_notes() {
    if [ -f docs/WINDOWS.txt ]; then
        cat docs/WINDOWS.txt
    else
        awk '/^## Windows[[:space:]]*$/ { on = 1; print; next } on && /^## / { exit } on' README.md
    fi
}

# Notepad before Windows 10 shows Unix line ends as one long line.
crlf() {
    sed -e 's/\r$//' -e 's/$/\r/'
}

make_zip() {
    local arch build folder stage version
    declare -A folders=([i686]=32-bit [x86_64]=64-bit)
    declare -A formats=([i686]='PE32 executable' [x86_64]='PE32+ executable')
    for arch in i686 x86_64; do
        build=$work/windows-$arch
        echo "== Windows $arch build ($build)"
        cmake --preset "windows-$arch" -B "$build" -DLINKWART_BUILD_TESTS=OFF >/dev/null
        cmake --build "$build" -j "$jobs" --target linkwart
    done
    version=$(cache_value "$work/windows-x86_64" CMAKE_PROJECT_VERSION)
    echo "== Windows zip"
    rm -rf "$work/zip"
    stage=$work/zip/linkwart-$version-windows
    for arch in i686 x86_64; do
        build=$work/windows-$arch
        folder=$stage/${folders[$arch]}
        mkdir -p "$folder"
        # The builds carry debugging information; the user needs none.
        "$(cache_value "$build" CMAKE_STRIP)" -o "$folder/linkwart.exe" "$build/app/linkwart.exe"
        file -b "$folder/linkwart.exe" | grep -q "^${formats[$arch]}" || {
            echo "$folder/linkwart.exe is no ${formats[$arch]}: $(file -b "$folder/linkwart.exe")" >&2
            exit 1
        }
    done
    windows_notes | crlf >"$stage/README.txt"
    crlf <LICENSE >"$stage/LICENSE.txt"
    local zip=build/linkwart-$version-windows.zip
    rm -f "$zip"
    (cd "$work/zip" && zip -X -q -r "$top/$zip" "linkwart-$version-windows")
    made+=("$zip")
}

[ "$what" != zip ] && make_deb
[ "$what" != deb ] && make_zip
echo "Made:"
printf '  %s\n' "${made[@]}"
