#!/usr/bin/env bash
# Start-up time and peak memory of pasianssi answering "l", against a minimal C++ program that
# writes the same three lines, in one run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
runs=${STARTUP_RUNS:-500}
for program in "$build/pasianssi" "$build/bench/prompt_floor"; do
    [[ -x $program ]] || { echo "$program is missing: run make bench" >&2; exit 1; }
done

# Milliseconds per run of a command, its input "l", over many runs.
milliseconds_per_run() {
    local start end
    start=$(date +%s%N)
    for ((i = 0; i < runs; i++)); do echo l | "$@" >/dev/null; done
    end=$(date +%s%N)
    awk -v ns=$((end - start)) -v n="$runs" 'BEGIN { printf "%.3f", ns / n / 1e6 }'
}

peak_kilobytes() { echo l | /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }

program_ms=$(milliseconds_per_run "$build/pasianssi")
floor_ms=$(milliseconds_per_run "$build/bench/prompt_floor")
program_kb=$(peak_kilobytes "$build/pasianssi")
floor_kb=$(peak_kilobytes "$build/bench/prompt_floor")
echo "answer l:     $program_ms ms a run, peak $program_kb kB"
echo "prompt floor: $floor_ms ms a run, peak $floor_kb kB"
awk -v a="$program_ms" -v b="$floor_ms" -v c="$program_kb" -v d="$floor_kb" \
    'BEGIN { printf "ratios:       time %.2f, memory %.2f of the floor\n", a / b, c / d }'
