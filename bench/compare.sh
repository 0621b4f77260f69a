#!/usr/bin/env bash
# Linkwart against what a user would type instead, side by side in one run on
# loopback with the controller simulator answering and silent; then start-up,
# memory, CPU while the interface lamp blinks and the interface scan with
# 1,000 addresses (both in network namespaces made here). Prints Markdown.
#   bench/compare.sh            (as root: namespaces, nmap's UDP scan and the
#                                raw ICMP socket need it)
#   RUNS=500 PEER_RUNS=20 bench/compare.sh   more runs
# Nothing is sent anywhere but 127.0.0.1 and the namespaces made here: ping
# and nmap are given 127.0.0.1 and -n (no name lookups).
set -euo pipefail
# shellcheck source=bench/lib.sh
. "$(dirname "$(readlink -f "$0")")/lib.sh"
ensure_packages "${LINKWART_BUILD_PACKAGES[@]}" hyperfine socat nmap iputils-ping iproute2 jq
build_bench

runs=${RUNS:-200}              # Linkwart runs against the answering device
silent_runs=${SILENT_RUNS:-10} # each waits a second
peer_runs=${PEER_RUNS:-10}
run_bench=$build/bench/run_bench
results=$build/results
mkdir -p "$results"

ms() { awk -v s="$1" 'BEGIN { printf "%.1f ms", s * 1000 }'; }
fmt_ms() { awk -v v="$1" 'BEGIN { if (v < 10) printf "%.2f ms", v; else printf "%.1f ms", v }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { r = a / b; if (r < 10) printf "%.2f×", r; else printf "%.0f×", r }'; }
met() { awk -v v="$1" -v t="$2" 'BEGIN { print (v < t) ? "yes" : "**no**" }'; }

# hyperfine NAME COMMAND: median and worst in seconds, via its JSON export.
peer() {
    local name=$1 command=$2
    hyperfine --shell=bash --style none --warmup 1 --runs "$peer_runs" \
        --export-json "$results/$name.json" "$command" >/dev/null
    peer_median=$(jq '.results[0].median' "$results/$name.json")
    peer_max=$(jq '.results[0].max' "$results/$name.json")
}

rows=()
declare -A lw_medians lw_maxima
for mode in answering silent; do
    if [ $mode = answering ]; then
        start_device $mode
        n=$runs
    else
        start_device $mode --silent
        n=$silent_runs
    fi
    port=$device_port
    linkwart=$("$run_bench" run --port "$port" --runs "$n")
    echo "$linkwart" >"$results/linkwart-$mode.json"
    lw_median=$(field "$linkwart" median_ms)
    lw_max=$(field "$linkwart" max_ms)
    lw_medians[$mode]=$lw_median
    lw_maxima[$mode]=$lw_max
    rows+=("| Linkwart: whole run (Button1Click, real window, offscreen) | $mode | $(fmt_ms "$lw_median") | $(fmt_ms "$lw_max") | $n | 1× | ping lamp $(field "$linkwart" ping), controller lamp $(field "$linkwart" controller) |")

    socat_command="ping -n -c1 -W1 127.0.0.1 >/dev/null && printf '\\xf5' | socat -t1 - UDP:127.0.0.1:$port"
    reply=$(bash -c "$socat_command" | od -An -tx1 | tr -d ' \n')
    peer ping-socat-$mode "$socat_command"
    rows+=("| \`ping -n -c1 -W1 127.0.0.1 && printf '\\xf5' \\| socat -t1 - UDP:127.0.0.1:PORT\` | $mode | $(ms "$peer_median") | $(ms "$peer_max") | $peer_runs | $(ratio "$(awk -v s="$peer_median" 'BEGIN{print s*1000}')" "$lw_median") | reply: ${reply:-none} |")

    # A UDP scan needs raw sockets, so root.
    if [ "$(id -u)" -eq 0 ]; then
        nmap_command="nmap -n -Pn -sU -p $port --data 0xf5 127.0.0.1"
        state=$($nmap_command | awk -v p="$port/udp" '$1 == p { print $2 }')
        peer nmap-$mode "$nmap_command >/dev/null"
        rows+=("| \`nmap -n -Pn -sU -p PORT --data 0xf5 127.0.0.1\` | $mode | $(ms "$peer_median") | $(ms "$peer_max") | $peer_runs | $(ratio "$(awk -v s="$peer_median" 'BEGIN{print s*1000}')" "$lw_median") | port ${state//|/\\|} |")
    else
        rows+=("| \`nmap -sU\` | $mode | | | | | skipped: a UDP scan needs root |")
    fi
    stop_device "$device_pid"
done

# Start-up: the program's own way to the window, exiting once it is shown.
startup=$("$build/bench/startup_bench" --runs 30)
echo "$startup" >"$results/startup.json"
hyperfine -N --style none --warmup 3 --runs 30 --export-json "$results/startup-process.json" \
    "$build/bench/startup_bench --child 0" >/dev/null
process_median=$(jq '.results[0].median' "$results/startup-process.json")
# The same on a real X server (Xvfb, no window manager), where there is one.
if command -v xvfb-run >/dev/null; then
    startup_x=$(QT_QPA_PLATFORM=xcb xvfb-run -a "$build/bench/startup_bench" --runs 30 2>/dev/null || true)
fi

# cpu_ticks PID: user + system time in clock ticks; cpu_ns PID: on-CPU time
# of all its threads in nanoseconds (finer than ticks).
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { print s }'; }
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

why=$(why_no_namespaces)
if [ -z "$why" ]; then
    # The real program, idle: three addresses make the interface lamp blink,
    # one keeps it steady. Both measured over the same 10 s.
    make_namespace 3
    blinking_ns=$namespace
    make_namespace 1
    steady_ns=$namespace
    blink_check=$(ip netns exec "$blinking_ns" "$run_bench" scan --runs 3)
    ip netns exec "$blinking_ns" "$build/app/linkwart" >/dev/null 2>&1 &
    blinking=$!
    started_pids+=("$blinking")
    ip netns exec "$steady_ns" "$build/app/linkwart" >/dev/null 2>&1 &
    steady=$!
    started_pids+=("$steady")
    sleep 3  # start-up and the first scan one second after it
    rss_blinking=$(rss_kib "$blinking")
    rss_steady=$(rss_kib "$steady")
    t0b=$(cpu_ticks "$blinking") n0b=$(cpu_ns "$blinking")
    t0s=$(cpu_ticks "$steady") n0s=$(cpu_ns "$steady")
    sleep 10
    t1b=$(cpu_ticks "$blinking") n1b=$(cpu_ns "$blinking")
    t1s=$(cpu_ticks "$steady") n1s=$(cpu_ns "$steady")
    stop_device "$blinking"
    stop_device "$steady"
    hz=$(getconf CLK_TCK)
    share() { awk -v t="$1" -v n="$2" -v hz="$hz" 'BEGIN { printf "%.3f", (n > 0 ? n / 1e9 : t / hz) / 10 * 100 }'; }
    cpu_blinking=$(share $((t1b - t0b)) $((n1b - n0b)))
    cpu_steady=$(share $((t1s - t0s)) $((n1s - n0s)))
    ticks_blinking=$((t1b - t0b))

    make_namespace 1000
    scan=$(ip netns exec "$namespace" "$run_bench" scan --runs 50)
    echo "$scan" >"$results/scan-1000.json"
fi

echo "## Linkwart against the tools a user would type instead"
echo
echo "Loopback only, controller simulator \`tools/linkwart-device\` answering (\"!\" and four bytes) or silent;"
echo "Release build; Linkwart timed in-process from the click until the window has drawn the result"
echo "(3 warm-up runs not counted), the others as whole commands by hyperfine $(hyperfine --version | cut -d' ' -f2)."
echo "$(date -u +%Y-%m-%d), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores shared with other work."
echo
echo "| what | device | median | worst | runs | median vs. Linkwart | result |"
echo "|---|---|---:|---:|---:|---:|---|"
printf '%s\n' "${rows[@]}"
echo
echo "| measurement | value | target | met |"
echo "|---|---|---|---|"
echo "| run against an answering device, median | $(fmt_ms "${lw_medians[answering]}") | ≤ 5 ms | $(met "${lw_medians[answering]}" 5.0001) |"
echo "| run against a silent device, worst | $(fmt_ms "${lw_maxima[silent]}") | ≤ 2.1 s | $(met "${lw_maxima[silent]}" 2100.0001) |"
echo "| start-up to the window shown (fork to exposed and drawn), median / worst of 30 | $(fmt_ms "$(field "$startup" median_ms)") / $(fmt_ms "$(field "$startup" max_ms)") | < 150 ms | $(met "$(field "$startup" max_ms)" 150) |"
echo "| … of that from main() on, median | $(fmt_ms "$(field "$startup" main_median_ms)") | | |"
if [ -n "${startup_x:-}" ]; then
    echo "| start-up to the window shown on Xvfb (xcb), median / worst of 30 | $(fmt_ms "$(field "$startup_x" median_ms)") / $(fmt_ms "$(field "$startup_x" max_ms)") | < 150 ms | $(met "$(field "$startup_x" max_ms)" 150) |"
fi
echo "| whole process, exit right after the window is shown (hyperfine), median | $(ms "$process_median") | | |"
echo "| resident memory when the window is shown | $(( $(field "$startup" rss_kib) / 1024 )) MiB | | |"
if [ -z "$why" ]; then
    echo "| resident memory of \`linkwart\` 3 s after start | $((rss_blinking / 1024)) MiB (steady lamp: $((rss_steady / 1024)) MiB) | | |"
    echo "| CPU over 10 s while the interface lamp blinks (3 addresses, $(field "$blink_check" blinking | sed 's/true/blinking/;s/false/NOT blinking/')) | $cpu_blinking % of one core (on-CPU time from schedstat; utime+stime in /proc/PID/stat: +$ticks_blinking ticks of 1/$hz s) | < 0.5 % | $(met "$cpu_blinking" 0.5) |"
    echo "| CPU over 10 s, lamp steady (1 address) | $cpu_steady % of one core | | |"
    echo "| interface scan (Timer1Timer) with $(field "$scan" addresses) addresses, median / worst of 50 | $(fmt_ms "$(field "$scan" median_ms)") / $(fmt_ms "$(field "$scan" max_ms)") | | |"
    echo "| … of that reading the address table, median | $(fmt_ms "$(field "$scan" table_median_ms)") | | |"
else
    echo "| CPU while blinking, interface scan with 1,000 addresses | skipped: $why | | |"
fi
