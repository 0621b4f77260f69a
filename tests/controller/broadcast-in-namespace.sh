#!/usr/bin/env bash
# Runs the broadcast test of the Windows build under Wine inside a network
# namespace of its own. Outside one, the test skips: should the client ever
# send to 255.255.255.255, it must not reach a real network.
#
# Wine's sockets are made by its server process, so the namespace needs a
# server of its own: a fresh Wine prefix, started inside it.
#
# Usage: broadcast-in-namespace.sh TEST-PROGRAM WINE-RUNNER
set -u
program=$1
runner=$2
filter=ControllerQuery.BroadcastAddressIsRefusedAndTheReceiveStillWaits

if [ "$(id -u)" != 0 ]; then
    echo "skipped: making a network namespace needs root"
    exit 77
fi
if ! command -v ip >/dev/null; then
    echo "skipped: no ip command (iproute2)"
    exit 77
fi

space=linkwart-ctlw-$$
work=$(mktemp -d)
cleanup() {
    WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1
    ip netns del "$space" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Loopback, and a veth pair with both ends inside, addressed from the test
# range and holding the default route: the system judges a broadcast there
# as on a real network, and nothing leaves the namespace.
ip netns add "$space" &&
    ip -n "$space" link set lo up &&
    ip -n "$space" link add lkw0 type veth peer name lkw1 &&
    ip -n "$space" addr add 198.18.0.1/15 dev lkw0 &&
    ip -n "$space" link set lkw0 up &&
    ip -n "$space" link set lkw1 up &&
    ip -n "$space" route add default dev lkw0 || exit 1

WINEPREFIX="$work/prefix" ip netns exec "$space" bash -c '
    "$1" wineboot -i >/dev/null 2>&1
    "$1" "$2" --gtest_filter="$3"' _ "$runner" "$program" "$filter" >"$work/output" 2>&1
status=$?
cat "$work/output"
[ "$status" = 0 ] || exit 1
# It must have run, not skipped.
grep -q '\[  PASSED  \] 1 test' "$work/output" && ! grep -q 'SKIPPED' "$work/output"
