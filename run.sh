#!/usr/bin/env bash
# Builds Linkwart for Linux and opens its window.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
. tools/ensure-packages.sh
ensure_packages "${LINKWART_BUILD_PACKAGES[@]}" xvfb xauth x11-apps imagemagick

cmake --preset app >/dev/null
cmake --build --preset app --target linkwart

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/app/app/linkwart
fi

echo "No display: running the window on a virtual display (Xvfb) and saving a screenshot."
shot=${LINKWART_SCREENSHOT:-$PWD/build/linkwart-screenshot.png}
xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    build/app/app/linkwart & app=$!
    sleep 2
    xwd -name Linkwarter -silent | convert xwd:- "$1" 2>/dev/null ||
        xwd -root -silent | convert xwd:- "$1"
    kill $app' _ "$shot"
echo "Screenshot: $shot"
