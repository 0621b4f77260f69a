#!/usr/bin/env bash
# Runs a Windows program under Debian's 64-bit Wine, with a prefix of the
# build's own so nothing outside the build tree is touched.
set -u
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-${LINKWART_WINEPREFIX:-$HOME/.local/share/linkwart-wine}}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec /usr/lib/wine/wine64 "$@"
