#!/usr/bin/env bash
# Games per second of pasianssi answering "s", its statistics lines read through a pipe, against
# the floor of a program that writes the same 26-byte line with one write each, in one run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
seconds=${MODE_S_SECONDS:-5}
for program in "$build/pasianssi" "$build/bench/write_floor"; do
    [[ -x $program ]] || { echo "$program is missing: run make bench" >&2; exit 1; }
done

# Lines per second that a command writes into a pipe during the given seconds.
lines_per_second() {
    local lines
    lines=$({ timeout "$seconds" "$@" || true; } | wc -l)
    echo $((lines / seconds))
}

games=$(lines_per_second sh -c "echo s | exec $build/pasianssi")
floor=$(lines_per_second "$build/bench/write_floor")
echo "mode s:      $games games/s"
echo "write floor: $floor lines/s"
awk -v g="$games" -v f="$floor" 'BEGIN { printf "ratio:       %.2f of the floor\n", g / f }'
