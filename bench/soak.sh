#!/usr/bin/env bash
# Endurance: many runs in one process against the controller simulator in
# each of its modes, with open descriptors and resident memory at the start
# (after 100 warm-up runs) and at the end; both must stay flat. Prints
# Markdown and fails when they do not.
#   bench/soak.sh            10,000 runs per mode
#   RUNS=100000 bench/soak.sh
# The silent mode calls the controller query alone with a 2 ms wait; the
# others run the whole Button1Click on the real window (offscreen).
set -euo pipefail
# shellcheck source=bench/lib.sh
. "$(dirname "$(readlink -f "$0")")/lib.sh"
ensure_packages "${LINKWART_BUILD_PACKAGES[@]}" jq
build_bench

runs=${RUNS:-10000}
# Growth that still counts as flat: the allocator's own slack, far below
# what a leak of even a few bytes per run would add over 10,000 runs.
slack_kib=${SLACK_KIB:-512}

declare -A device_options=(
    [answering]=""
    [silent]="--silent"
    [short]="--reply 21616263"   # "!abc": four bytes, one short of a reply
    [flood]="--flood 50"
)
failed=0
rows=()
for mode in answering silent short flood; do
    # shellcheck disable=SC2086
    start_device "$mode" ${device_options[$mode]}
    result=$("$build/bench/soak_bench" --mode "$mode" --port "$device_port" --runs "$runs" --wait 2)
    stop_device "$device_pid"
    echo "$result" >"$build/soak-$mode.json"
    fd0=$(field "$result" fd_start) fd1=$(field "$result" fd_end)
    rss0=$(field "$result" rss_start_kib) rss1=$(field "$result" rss_end_kib)
    verdicts=$(jq -r '.controller | to_entries | map("\(.key) \(.value)") | join(", ")' <<<"$result")
    trend=$(jq -r '.samples | map("\(.[2])") | join(" ")' <<<"$result")
    flat=yes
    if [ "$fd1" -ne "$fd0" ] || [ $((rss1 - rss0)) -gt "$slack_kib" ]; then
        flat="**no**"
        failed=1
    fi
    rows+=("| $mode | $runs | $(field "$result" seconds) s | $fd0 → $fd1 | $rss0 → $rss1 KiB ($((rss1 - rss0)) KiB) | $flat | $verdicts | $trend |")
done

echo "## Endurance: $runs runs per mode against the simulator"
echo
echo "Descriptors and resident memory after 100 warm-up runs and at the end; flat means the same"
echo "descriptors and at most $slack_kib KiB more memory. The trend column is VmRSS in KiB at the start and after every tenth."
echo
echo "| mode | runs | time | descriptors | resident memory | flat | controller lamp | VmRSS trend (KiB) |"
echo "|---|---:|---:|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
exit $failed
