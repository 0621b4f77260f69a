#!/usr/bin/env bash
# Builds the Linux build, the sanitizer build and both Windows builds, and
# runs every test through CTest (the Windows x86_64 tests under Wine).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
. tools/ensure-packages.sh
ensure_packages "${LINKWART_BUILD_PACKAGES[@]}" libgtest-dev googletest \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 xvfb xauth x11-utils \
    iproute2 libcap2-bin file clang libclang-rt-14-dev dpkg-dev zip desktop-file-utils xdotool x11-apps imagemagick

jobs=$(nproc)
presets=(linux linux-sanitize windows-x86_64 windows-i686 fuzz)  # fuzz: each fuzz target for 10 s
for preset in "${presets[@]}"; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

# One display for the Windows window tests, one Wine prefix for all tests.
export LINKWART_WINEPREFIX="$PWD/build/wineprefix"
if [ -z "${DISPLAY:-}" ]; then
    display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null; WINEPREFIX=$LINKWART_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
    export DISPLAY=$display
fi
WINEPREFIX=$LINKWART_WINEPREFIX WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true

# All builds' tests in one CTest run, so it ends with one summary line.
mkdir -p build/all
{
    for preset in "${presets[@]}"; do echo "subdirs(\"../$preset\")"; done
} > build/all/CTestTestfile.cmake
ctest --test-dir build/all --output-on-failure -j "$jobs" --timeout 300
