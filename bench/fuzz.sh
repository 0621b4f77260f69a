#!/usr/bin/env bash
# Runs each fuzz target for a while (default 60 s each; ./bench/fuzz.sh 300
# for five minutes each) and prints a table. New inputs are kept in
# build/fuzz/fuzz/corpus, so every run starts where the last one ended; a
# crash leaves its input as build/fuzz/fuzz/<target>-crash-* and fails.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
. tools/ensure-packages.sh
ensure_packages cmake ninja-build g++ clang libclang-rt-14-dev

seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 >/dev/null

out=build/fuzz/fuzz
failed=0
rows=()
for target in fuzz_address fuzz_table_line fuzz_controller_reply; do
    mkdir -p "$out/corpus/$target"
    log="$out/$target.log"
    status=ok
    "$out/$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$target-" \
        "$out/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1 || status=FAILED
    stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
    runs=$(stat number_of_executed_units)
    speed=$(stat average_exec_per_sec)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    inputs=$(find "$out/corpus/$target" -type f | wc -l)
    if [ "$status" != ok ]; then
        failed=1
        grep -m1 -A3 -E 'ERROR|==[0-9]+==' "$log" >&2 || true
        status="FAILED: $(find "$out" -maxdepth 1 -name "$target-*" ! -name '*.log' | head -1)"
    fi
    rows+=("| $target | $seconds s | ${runs:-?} | ${speed:-?} | ${coverage:-?} | $inputs | $status |")
done

echo "| fuzz target | time | inputs run | per second | coverage (edges) | corpus | result |"
echo "|---|---:|---:|---:|---:|---:|---|"
printf '%s\n' "${rows[@]}"
exit $failed
