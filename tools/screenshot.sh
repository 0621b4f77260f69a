#!/usr/bin/env bash
# Makes docs/screenshot-linux.png: the window on a virtual display after a
# run with a malformed address (so the shot shows the warning and nothing
# is sent anywhere).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
program=${1:-build/app/app/linkwart}
out=${2:-docs/screenshot-linux.png}
xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    "$1" & app=$!
    for _ in $(seq 50); do xdotool search --name "^Linkwarter$" >/dev/null 2>&1 && break; sleep 0.1; done
    window=$(xdotool search --name "^Linkwarter$" | head -n1)
    sleep 1.5
    xdotool windowfocus --sync "$window"
    xdotool type --delay 20 "192.168.0.256"
    # Starten: centre of the button at (120, 296) in the client area.
    xdotool mousemove --window "$window" 120 296 click 1
    sleep 0.5
    xwd -id "$window" -silent | convert xwd:- "$2"
    kill $app' _ "$program" "$out"
echo "$out"
