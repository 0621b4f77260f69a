# shellcheck shell=bash
# Sourced by compare.sh and soak.sh: the bench build, the controller
# simulator on loopback and network namespaces of our own, all removed again
# on exit. Everything here sends only to 127.0.0.1 and inside those namespaces.

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$bench_root/build/bench
. "$bench_root/tools/ensure-packages.sh"

started_pids=()
made_namespaces=()
scratch=$(mktemp -d /tmp/linkwart-bench.XXXXXX)
cleanup() {
    local pid space
    for pid in "${started_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${started_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    for space in "${made_namespaces[@]}"; do ip netns del "$space" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT

# Qt headless, without complaints about a missing runtime folder.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

build_bench() {
    cmake -S "$bench_root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DLINKWART_BUILD_TESTS=OFF -DLINKWART_BENCH=ON >/dev/null
    cmake --build "$build" -j 2 >/dev/null
}

# start_device NAME [simulator options...]: a simulator on a free loopback
# port; sets device_port and device_pid.
# shellcheck disable=SC2034  # both are read by the scripts that source this
start_device() {
    local name=$1
    shift
    local ready=$scratch/$name.port
    "$build/tools/linkwart-device/linkwart-device" --address 127.0.0.1 --port 0 \
        --ready-file "$ready" "$@" >"$scratch/$name.log" 2>&1 &
    device_pid=$!
    started_pids+=("$device_pid")
    local tries=0
    until [ -s "$ready" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$device_pid" 2>/dev/null; then
            echo "the simulator did not start:" >&2
            cat "$scratch/$name.log" >&2
            exit 1
        fi
        sleep 0.05
    done
    device_port=$(cat "$ready")
}

stop_device() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# Why namespaces cannot be made here, or nothing.
why_no_namespaces() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "needs root to make network namespaces"
    elif ! command -v ip >/dev/null; then
        echo "needs the ip command (iproute2)"
    fi
}

# make_namespace COUNT: a namespace whose address table holds COUNT IPv4
# addresses: 127.0.0.1 and COUNT-1 from 198.18.0.0/15 on a veth pair with
# both ends inside. Sets namespace.
make_namespace() {
    local count=$1 batch=$scratch/ns-$1.batch i
    namespace=lwbench$$n${#made_namespaces[@]}
    ip netns add "$namespace"
    made_namespaces+=("$namespace")
    {
        echo "link set lo up"
        echo "link add lwb0 type veth peer name lwb1"
        echo "link set lwb0 up"
        echo "link set lwb1 up"
        for ((i = 1; i < count; i++)); do
            echo "address add 198.18.$((i / 250)).$((i % 250 + 1))/32 dev lwb$((i % 2))"
        done
    } >"$batch"
    ip -n "$namespace" -batch "$batch"
}

# JSON field of a one-line result.
field() { jq -r ".$2" <<<"$1"; }
