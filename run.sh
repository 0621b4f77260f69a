#!/usr/bin/env bash
# Builds Linkwart for Linux and opens its window.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
. tools/ensure-packages.sh
ensure_packages "${LINKWART_BUILD_PACKAGES[@]}" xvfb xauth x11-apps imagemagick

cmake --preset linux -DLINKWART_BUILD_TESTS=OFF >/dev/null
cmake --build --preset linux --target linkwart

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/linux/app/linkwart
fi

echo "No display: running the window on a virtual display (Xvfb) and saving a screenshot."
shot=${LINKWART_SCREENSHOT:-$PWD/build/linkwart-screenshot.png}
xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    build/linux/app/linkwart & app=$!
    sleep 2
    xwd -name Linkwarter -silent | convert xwd:- "$1" 2>/dev/null ||
        xwd -root -silent | convert xwd:- "$1"
    kill $app' _ "$shot"
echo "Screenshot: $shot"
