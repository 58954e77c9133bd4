#!/usr/bin/env bash
# Runs each fuzz target for the given seconds from its seed corpus; new inputs stay in
# build/fuzz/corpus. Fails with the fuzzer's log when a target finds anything.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=$1
shift
for target in "$@"; do
    mkdir -p "build/fuzz/corpus/$target"
    log="build/fuzz/$target.log"
    if ! "build/fuzz/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build/fuzz/$target-" "build/fuzz/corpus/$target" "tests/fuzz/corpus/$target" \
        >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "$target: FAILED (log in $log)"
        exit 1
    fi
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{ print $2 }')
    echo "$target: $runs inputs in $seconds s, nothing found"
done
