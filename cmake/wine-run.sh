#!/usr/bin/env bash
# Runs a Windows program under Debian's 64-bit Wine, with a prefix of the
# build's own so nothing outside the build tree is touched.
set -u
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-${LINKWART_WINEPREFIX:-$HOME/.local/share/linkwart-wine}}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=/usr/lib/wine/wine64

# No window manager runs on the test display (Xvfb). Wine then draws the
# windows' frames itself, and hiding or destroying a window does not wait
# two seconds for a window manager to acknowledge it. Set once per prefix.
marker=$WINEPREFIX/.linkwart-unmanaged
if [ ! -e "$marker" ]; then
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
        touch "$marker"
fi
exec "$wine" "$@"
